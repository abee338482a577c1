#pragma once
#include <QStringList>

class QTextStream;

// The command line: `pelorin code|render|decode|scan ...`, on the same logic as the windows and
// without a display. Each command returns the process exit status; messages go to `err` in the
// program's own words, results to `out`.
namespace pelorin::cli {

// True when the arguments name a command (then the windows are not started).
bool isCommand(const QStringList& args);
// Runs the command named by args[0] (the program name is not in `args`).
int run(const QStringList& args, QTextStream& out, QTextStream& err);
QString usage();

int codeCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int renderCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int decodeCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int scanCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int journalCommand(const QStringList& args, QTextStream& out, QTextStream& err);

// One decoded code as `pelorin decode` and `pelorin scan` print it: the code, then the decoded texts,
// tab-separated, a line break inside a text (the soap packaging's two lines) written " / ".
QString decodedLine(const QString& code, const QStringList& texts);

// Takes "--name VALUE" (or "--name=VALUE") out of args; false when absent. A missing value is an
// error reported through `error`.
bool takeOption(QStringList& args, const QString& name, QString& value, QString* error = nullptr);
// Takes a flag "--name" out of args.
bool takeFlag(QStringList& args, const QString& name);

} // namespace pelorin::cli
