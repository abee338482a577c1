#include "app/cli/cli.h"
#include "app/cli/startoptions.h"
#include "base/files.h"
#include "base/regional.h"
#include "base/version.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <system_error>

// `pelorin` itself holds only what a start that draws nothing needs: the version, the help, and the
// commands code, decode and journal. The windows and the commands that print or read a serial port
// (print, calibrate, scan, a journal's reprint) live in the private library
// libpelorin-gui, loaded when asked for; the commands that draw without printing (render, check, a
// journal's recall on paper) are libpelorin-draw, on Qt Gui alone: a script's `pelorin code` does not pay for loading
// and binding Qt Widgets, Qt PrintSupport, libcups and zint.
namespace {

using namespace pelorin;

QtMessageHandler g_defaultHandler = nullptr;

// Qt warns on stderr that XDG_RUNTIME_DIR is not set (a shell without a session, a service) and then
// uses a folder of its own, which is all the commands need: the warning only gets in their output's way.
void withoutRuntimeDirWarning(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (g_defaultHandler)
        g_defaultHandler(type, context, message);
}

void say(const QString& line)
{
    std::fputs(qPrintable(line + u'\n'), stderr);
}

// One part of the program, from its private library beside this one, installed and in the build tree
// alike (PELORIN_LIBRARY_DIR is their folder from the executable's), run on the arguments as given.
int runPart(const char* library, const char* entryName, int argc, char** argv)
{
    std::error_code failed;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failed);
    const std::filesystem::path path =
        (failed ? std::filesystem::path(argv[0]) : self).parent_path() / PELORIN_LIBRARY_DIR / library;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    const auto entry = handle ? reinterpret_cast<int (*)(int, char**)>(dlsym(handle, entryName)) : nullptr;
    if (!entry) {
        say(QStringLiteral("Une partie du programme ne peut pas être chargée : %1")
                .arg(QString::fromLocal8Bit(dlerror())));
        return 1;
    }
    // the library stays loaded until the process ends: what Qt made from it lives that long
    return entry(argc, argv);
}

// The windows and every command, the ones that print included.
int runWholeProgram(int argc, char** argv)
{
    return runPart("libpelorin-gui.so", "pelorin_run_program", argc, argv);
}

// The commands that draw without printing: on Qt Gui, without Qt Widgets, Qt PrintSupport or libcups.
bool drawsOnly(const QString& name)
{
    return name == QLatin1String("render") || name == QLatin1String("check") || name == QLatin1String("journal");
}

// The commands that neither draw nor print; a journal's reprint or recall is handed over.
cli::CommandFunction lightCommand(const QString& name)
{
    if (name == QLatin1String("code"))
        return cli::codeCommand;
    if (name == QLatin1String("decode"))
        return cli::decodeCommand;
    if (name == QLatin1String("journal"))
        return cli::journalCommand;
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        // a name that is not UTF-8 is refused by the whole program, in its own words
        if (!isValidUtf8(QByteArray(argv[i])))
            return runWholeProgram(argc, argv);
        args << QString::fromLocal8Bit(argv[i]);
    }
    if (!args.isEmpty() && args.first() == QLatin1String("--complete")) {
        // the shell waits on it at every Tab: Qt's core alone
        g_defaultHandler = qInstallMessageHandler(withoutRuntimeDirWarning);
        QCoreApplication app(argc, argv);
        QTextStream out(stdout), err(stderr);
        return cli::completeCommand(args.mid(1), out, err);
    }
    const QString name = cli::commandName(args);
    if (const cli::CommandFunction command = lightCommand(name)) {
        g_defaultHandler = qInstallMessageHandler(withoutRuntimeDirWarning);
        adoptRegionalSettings();
        int status = 0;
        {
            QCoreApplication app(argc, argv);
            QTextStream out(stdout), err(stderr);
            status = cli::runCommand(command, args, out, err);
        }
        qInstallMessageHandler(g_defaultHandler);
        if (status != cli::kNeedsWholeProgram)
            return status;
    }
    if (drawsOnly(name)) {
        const int status = runPart("libpelorin-draw.so", "pelorin_run_drawing", argc, argv);
        if (status != cli::kNeedsWholeProgram)
            return status;
    }
    if (name.isEmpty()) {
        // the program's own help and version, and its usage errors, need no window
        const StartOptions options = parseStartOptions(args, qEnvironmentVariable("PELORIN_NO_SPLASH") == u'1');
        QTextStream out(stdout), err(stderr);
        if (!options.error.isEmpty())
            return startUsageError(err, options.error);
        if (options.help || options.version) {
            if (options.help)
                out << programHelp();
            else
                out << "pelorin " << LireVersion() << '\n';
            if (cli::flushOutput(out))
                return 0;
            err << cli::outputLostMessage() << '\n';
            return 1;
        }
    }
    return runWholeProgram(argc, argv);
}
