#include "app/ui/startup.h"

#include "app/ui/journalhooks.h"

#include "app/cli/cli.h"
#include "app/cli/commandline.h"
#include "base/error.h"
#include "base/files.h"
#include "base/frenchtexts.h"
#include "base/paths.h"
#include "app/ui/aboutbox.h"
#include "app/ui/mainwindow.h"
#include "app/ui/pictures.h"
#include "app/ui/splashwindow.h"
#include "base/regional.h"
#include "base/version.h"
#include "base/ui/dialogs.h"
#include "config/folderlock.h"
#include "app/ui/configurationwindow.h"
#include "labels/ui/labelselectionwindow.h"
#include "labels/ui/labelsheet.h"
#include "scan/ui/scanwindow.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QStringList>
#include <QTextStream>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <exception>

namespace pelorin {

namespace {

QtMessageHandler g_previousHandler = nullptr;

// Qt warns on stderr that XDG_RUNTIME_DIR is not set (a shell without a session, a service, a test
// run) and then uses a folder of its own, which is all the program needs: the warning only gets in
// the way of the command line's output.
void filterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

// Desktops without an icon theme of their own (a bare X server) still get real icons when one is
// installed; the style's icons stay the last resort.
void chooseIconTheme()
{
    const QString theme = QIcon::themeName();
    if (theme.isEmpty() || theme == QLatin1String("hicolor"))
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
}

// Whatever window start-up shows (a message about a file that did not load) must not sit behind
// the splash window, which therefore steps aside.
class SplashGuard : public QObject
{
public:
    explicit SplashGuard(SplashWindow* splash) : m_splash(splash) { qApp->installEventFilter(this); }
    ~SplashGuard() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched != m_splash && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow())
            m_splash->hide();
        return false;
    }

private:
    SplashWindow* m_splash;
};

void pause(int ms)
{
    // the thread waits, but the splash window still repaints when uncovered
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents,
                                        int(qMax<qint64>(1, deadline.remainingTime())));
}

int runWindows(const StartOptions& options)
{
    std::unique_ptr<SplashWindow> splash;
    std::unique_ptr<SplashGuard> guard;
    if (options.splash) {
        splash = std::make_unique<SplashWindow>();
        splash->show();
        splash->repaint();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        guard = std::make_unique<SplashGuard>(splash.get());
    }
    std::unique_ptr<ProgramWindows> windows;
    try {
        windows = std::make_unique<ProgramWindows>(options.splash ? 1000 : 0);
    } catch (const std::exception& e) {
        guard.reset();
        splash.reset();
        Dialogs::error(nullptr, QString::fromLocal8Bit(e.what()));
        return 1;
    }
    guard.reset();
    splash.reset();
    windows->mainWindow().show();
    openStartFile(*windows, options.file);
    return QApplication::exec();
}

} // namespace

void openStartFile(ProgramWindows& windows, const QString& file)
{
    if (file.isEmpty())
        return;
    if (!isScanSheet(file)) {
        windows.mainWindow().sheet().openDescription(file);
        return;
    }
    // the scan window opens over the main window once the event loop runs, as its button opens it
    ScanWindow& scan = windows.scanWindow();
    QTimer::singleShot(0, &scan, [&scan, file] {
        scan.openSheet(file);
        scan.exec();
    });
}

bool isScanSheet(const QString& path)
{
    if (QFileInfo(path).suffix().compare(QLatin1String("scb"), Qt::CaseInsensitive) == 0)
        return true;
    if (QFileInfo(path).suffix().compare(QLatin1String("etq"), Qt::CaseInsensitive) == 0)
        return false;
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(10).startsWith("ScanCode");
}

bool installQtTranslations()
{
    static QTranslator* translator = nullptr;
    if (translator)
        return true;
    auto* t = new QTranslator(QCoreApplication::instance());
    if (!t->load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete t;
        return false;
    }
    QCoreApplication::installTranslator(t);
    translator = t;
    // installed last, asked first: ours for what Qt leaves in English
    QCoreApplication::installTranslator(new FrenchComplement(QCoreApplication::instance()));
    return true;
}

ProgramWindows::ProgramWindows(int pauseMs) : m_lock(std::make_unique<DataFolderLock>())
{
    if (!m_lock->inUse())
        m_lock->removeLeftovers();
    m_mainWindow = std::make_unique<MainWindow>();
    if (m_lock->inUse()) {
        // this copy opens to look things up and print, and leaves the configuration to the other
        m_mainWindow->configuration().refuseSaving(DataFolderLock::refusalMessage(DataFolder::root()));
        Dialogs::information(m_mainWindow.get(), DataFolderLock::inUseMessage(DataFolder::root()));
    }
    // the lists, pages and logos of a shared folder that does not answer come from its last copy: said
    if (const QString notice = DataFolder::sharedNotice(); !notice.isEmpty())
        Dialogs::information(m_mainWindow.get(), notice);
    if (pauseMs > 0)
        pause(pauseMs);
    m_configurationWindow = std::make_unique<ConfigurationWindow>(*m_mainWindow, *m_mainWindow);
    m_mainWindow->setConfigurationWindow(m_configurationWindow.get());
    // its preparation shows the first page of the description the settings named
    m_form4 = std::make_unique<LabelSelectionWindow>(m_mainWindow->sheet());
    m_mainWindow->setSelectionWindow(m_form4.get());
    m_aboutBox = std::make_unique<AboutBox>();
    m_mainWindow->setAboutBox(m_aboutBox.get());
    m_scanForm = std::make_unique<ScanWindow>(m_mainWindow->configuration());
    m_mainWindow->setScanWindow(m_scanForm.get());
    m_journalHooks = std::make_unique<JournalHooks>(*m_mainWindow, *m_scanForm);
}

bool ProgramWindows::folderInUse() const
{
    return m_lock->inUse();
}

ProgramWindows::~ProgramWindows()
{
    // the other windows go first: they work on what the main window owns
    m_journalHooks.reset();
    m_scanForm.reset();
    m_aboutBox.reset();
    m_form4.reset();
    m_configurationWindow.reset();
    m_mainWindow.reset();
}

int runProgram(int argc, char** argv)
{
    g_previousHandler = qInstallMessageHandler(filterMessages);
    adoptRegionalSettings();

    QStringList args;
    for (int i = 1; i < argc; ++i) {
        // a name that is not UTF-8 would be read with replacement characters, and a file written
        // under a name other than the one given
        if (!isValidUtf8(QByteArray(argv[i]))) {
            std::fputs(qPrintable(QStringLiteral("L'argument « %1 » n'est pas un texte UTF-8 valide : il est refusé.\n")
                                      .arg(QString::fromLocal8Bit(argv[i]))),
                       stderr);
            return 2;
        }
        args << QString::fromLocal8Bit(argv[i]);
    }

    if (!args.isEmpty() && args.first() == QLatin1String("--complete")) {
        // the shell waits on it at every Tab: no display, no application beyond Qt's core
        QCoreApplication app(argc, argv);
        QTextStream out(stdout), err(stderr);
        return cli::completeCommand(args.mid(1), out, err);
    }
    if (cli::isCommand(args)) {
        // the commands need no display; fonts and images still need a GUI application
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        QTextStream out(stdout), err(stderr);
        return cli::run(args, out, err);
    }

    // everything the command line can refuse is refused before a display is opened
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
    if (!options.file.isEmpty() && !QFileInfo(options.file).isFile()) {
        err << QStringLiteral("Le fichier « %1 » n'existe pas.").arg(options.file) << '\n';
        return 1;
    }
    out.flush();
    err.flush();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelorin"));
    QGuiApplication::setDesktopFileName(QStringLiteral("pelorin"));
    QApplication::setWindowIcon(programIcon());
    installQtTranslations();
    chooseIconTheme();
    try {
        DataFolder::locate(options.dataDir);
    } catch (const Error& e) {
        // the workstation's settings name something the program does not know: said, nothing started
        err << e.message() << '\n';
        err.flush();
        Dialogs::error(nullptr, e.message());
        return 1;
    }
    if (const QString notice = DataFolder::sharedNotice(); !notice.isEmpty())
        err << QStringLiteral("pelorin : attention : ") << notice << '\n';
    err.flush();
    return runWindows(options);
}

} // namespace pelorin
