#pragma once
#include <QStringList>

class QTextStream;

// The command line: `pelorin code|render|print|check|decode|scan ...`, on the same logic as the windows and
// without a display. Each command returns the process exit status (0 done, 1 an error, 2 a usage
// error); messages go to `err`, each a whole line in the program's own words, results to `out`.
namespace pelorin::cli {

// True when the arguments name a command (then the windows are not started).
bool isCommand(const QStringList& args);
// Runs the command named by args[0] (the program name is not in `args`).
int run(const QStringList& args, QTextStream& out, QTextStream& err);

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
