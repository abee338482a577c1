#include "app/cli/cli.h"
#include "base/regional.h"

#include <QGuiApplication>
#include <QTextStream>

// The entry of libpelorin-draw, which `pelorin` loads for the commands that draw without printing
// (render, check, a journal's recall on paper): Qt Gui and zint, without Qt Widgets, Qt
// PrintSupport or libcups (asked for only by check --printer).
namespace {

QtMessageHandler g_nextHandler = nullptr;

// Qt warns on stderr that XDG_RUNTIME_DIR is not set (a shell without a session, a service) and then
// uses a folder of its own, which is all the commands need.
void withoutRuntimeDirNotice(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (g_nextHandler)
        g_nextHandler(type, context, message);
}

} // namespace

extern "C" __attribute__((visibility("default"))) int pelorin_run_drawing(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    g_nextHandler = qInstallMessageHandler(withoutRuntimeDirNotice);
    pelorin::adoptRegionalSettings();
    // the commands need no display; fonts and images still need a GUI application
    const bool offscreen = qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (offscreen)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int status = 0;
    {
        QGuiApplication app(argc, argv);
        QTextStream out(stdout), err(stderr);
        status = pelorin::cli::runDrawing(args, out, err);
    }
    if (status == pelorin::cli::kNeedsWholeProgram) {
        // the whole program starts as if this part had not been asked
        if (offscreen)
            qunsetenv("QT_QPA_PLATFORM");
        qInstallMessageHandler(g_nextHandler);
    }
    return status;
}
