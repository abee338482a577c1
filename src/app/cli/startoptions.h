#pragma once
#include <QString>
#include <QStringList>

class QTextStream;

namespace pelorin {

// What the window program takes from its command line, read before any display is opened.
struct StartOptions
{
    QString dataDir;      // --data DIR
    bool splash = true;   // --no-splash or PELORIN_NO_SPLASH=1 start without the splash and its pause
    QString file;         // a label page description (.ETQ) or a sheet of scanned codes (.SCB) to open
    bool help = false;    // -h, --help
    bool version = false; // -V, --version
    QString error;        // a usage error, as a whole French line
    QStringList unknown;  // options that are none of ours, as typed
};
// `args` without the program's name; Qt's own options (-platform, -style, ...) are left to Qt.
StartOptions parseStartOptions(QStringList args, bool noSplashFromEnvironment);
// The program's help: its usage, its options, its commands.
QString programHelp();
// Writes a usage error of the program (not of a command) and returns its exit status.
int startUsageError(QTextStream& err, const QString& message);

} // namespace pelorin
