#include "app/ui/startup.h"

#include "app/cli/cli.h"
#include "app/version.h"

#include <QApplication>
#include <QGuiApplication>
#include <QStringList>
#include <QTextStream>
#include <cstdio>

namespace pelorin {

int runProgram(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    if (args.contains(QStringLiteral("--version"))) {
        std::printf("pelorin %s\n", qPrintable(LireVersion()));
        return 0;
    }
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(qPrintable(cli::usage()), stdout);
        return 0;
    }
    if (cli::isCommand(args)) {
        // the commands need no display; fonts and images still need a GUI application
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        QTextStream out(stdout), err(stderr);
        return cli::run(args, out, err);
    }
    QApplication app(argc, argv);
    return 0;
}

} // namespace pelorin
