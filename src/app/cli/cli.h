#pragma once
#include <QStringList>

class QDateTime;
class QTextStream;

namespace pelorin::journal {
class Journal;
class Recall;
} // namespace pelorin::journal

// The command line: `pelorin code|render|print|check|decode|scan ...`, on the same logic as the windows and
// without a display. Each command returns the process exit status (0 done, 1 an error, 2 a usage
// error); messages go to `err`, each a whole line in the program's own words, results to `out`.
namespace pelorin::cli {

// True when the arguments name a command (then the windows are not started).
bool isCommand(const QStringList& args);
// The command the arguments name, the program's own options given before it set aside; empty when none.
QString commandName(const QStringList& args);
// Runs the command named by args[0] (the program name is not in `args`).
int run(const QStringList& args, QTextStream& out, QTextStream& err);
// The same for the commands that draw without printing (render, check, and the journal but for its
// reprint); kNeedsWholeProgram for the others.
int runDrawing(const QStringList& args, QTextStream& out, QTextStream& err);

using CommandFunction = int (*)(const QStringList&, QTextStream&, QTextStream&);
// Runs one command on the arguments as given (its name and the program's options before it
// included), within the boundary every command has: whatever escapes it is reported, and a result
// that could not be written fails it.
int runCommand(CommandFunction command, const QStringList& args, QTextStream& out, QTextStream& err);

// What a command returns, before it has done or written anything, when it needs the part of the
// program that draws and prints (libpelorin-gui), which the program alone does not load.
inline constexpr int kNeedsWholeProgram = -1;

// The journal command's cases that draw or print: reprinting a recorded page, and the recall report
// on paper. Without one of them the command returns kNeedsWholeProgram for its case.
struct JournalPrinting
{
    int (*reprint)(journal::Journal& journal, const QString& id, const QString& printer, QTextStream& out,
                   QTextStream& err);
    void (*recallPdf)(journal::Recall& recall, const QString& path, const QDateTime& madeAt);
};
// The ones in use (none until set); the drawing part's (recall on paper only) and the whole program's.
const JournalPrinting* journalPrinting();
void setJournalPrinting(const JournalPrinting* printing);
const JournalPrinting& journalDrawingPart();
const JournalPrinting& journalPrintingPart();

// The usage lines of the program and of every command.
QString usage();
// The list of the commands, one a line with its sentence, for the program's help.
QString commandList();

int codeCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int renderCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int printCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int checkCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int decodeCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int scanCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int journalCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int calibrateCommand(const QStringList& args, QTextStream& out, QTextStream& err);
// The shell completion's helper, `pelorin --complete KIND [--data DOSSIER] [-- MOT]`: the values of
// KIND that start with what MOT stands for, quoted for bash, one a line. Writes nothing anywhere.
int completeCommand(const QStringList& args, QTextStream& out, QTextStream& err);

// Flushes `out` and the process's standard output; false when some of what was written could not be
// (a full disk, a closed pipe): a result that is lost is an error, never a success.
bool flushOutput(QTextStream& out);
// The message for that error.
QString outputLostMessage();

// One decoded code as `pelorin decode` and `pelorin scan` print it: the code, then the decoded texts,
// tab-separated, a line break inside a text (the soap packaging's two lines) written " / ".
QString decodedLine(const QString& code, const QStringList& texts);

} // namespace pelorin::cli
