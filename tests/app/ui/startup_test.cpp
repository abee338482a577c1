#include "base/paths.h"
#include "app/ui/aboutbox.h"
#include "app/ui/mainwindow.h"
#include "app/ui/splashwindow.h"
#include "app/ui/startup.h"
#include "base/version.h"
#include "base/ui/dialogs.h"
#include "app/ui/configurationwindow.h"
#include "labels/ui/labelselectionwindow.h"
#include "labels/ui/labelsheet.h"
#include "scan/scangrid.h"
#include "scan/ui/scanwindow.h"
#include "support/sharedworkstation.h"
#include "support/testsupport.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

TEST(StartUp, createsTheWindowsInOrderOnTheDataFolder)
{
    test::TempDataFolder data;
    QFile cfg(test::fixture(QStringLiteral("app/cfg.xml"))), etq(test::fixture(QStringLiteral("app/Test.ETQ")));
    ASSERT_TRUE(cfg.open(QIODevice::ReadOnly) && etq.open(QIODevice::ReadOnly));
    data.write(QStringLiteral("Config/cfg.xml"), cfg.readAll());
    data.write(QStringLiteral("Modeles/Test.ETQ"), etq.readAll());
    DataFolder::setRoot(data.path());
    Dialogs::clearShownMessages();

    ProgramWindows windows;
    EXPECT_EQ(windows.mainWindow().windowTitle(), QStringLiteral("PELORIN étiquettes code barre"));
    // the selection window's preparation marked every label of the description and showed the page
    EXPECT_EQ(windows.selectionWindow().windowTitle(), QStringLiteral("Etiquettes"));
    ASSERT_TRUE(windows.mainWindow().sheet().page());
    EXPECT_FALSE(windows.mainWindow().sheet().page()->isEmpty());
    EXPECT_EQ(windows.configurationWindow().windowTitle(), QStringLiteral("Configuration"));
    EXPECT_EQ(windows.aboutBox().windowTitle(), QStringLiteral("A propos ... "));
    EXPECT_EQ(windows.scanWindow().windowTitle(), QStringLiteral("Scancode"));
    EXPECT_FALSE(windows.mainWindow().isVisible());
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));

    // the configuration window's "Code manuel" switches the main window's views at once
    auto* manual = windows.configurationWindow().findChild<QCheckBox*>(QStringLiteral("manualCodeCheck"));
    ASSERT_NE(manual, nullptr);
    manual->click();
    EXPECT_TRUE(windows.mainWindow().manualMode());
    EXPECT_TRUE(windows.mainWindow().findChild<QWidget*>(QStringLiteral("selectionView"))->isHidden());
    EXPECT_FALSE(windows.mainWindow().findChild<QWidget*>(QStringLiteral("manualView"))->isHidden());
    manual->click();
    EXPECT_FALSE(windows.mainWindow().findChild<QWidget*>(QStringLiteral("selectionView"))->isHidden());
}

TEST(StartUp, versionOnTheSplashWindowAndTheAboutBox)
{
    ASSERT_FALSE(LireVersion().isEmpty());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+$")).match(LireVersion()).hasMatch());
    SplashWindow splash;
    EXPECT_EQ(splash.size(), QSize(498, 325));
    const QLabel* label = splash.findChild<QLabel*>(QStringLiteral("versionLabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("Version ") + LireVersion());
    // the version shows whole inside the splash
    EXPECT_TRUE(splash.rect().contains(label->geometry()));
    EXPECT_GE(label->width(), label->sizeHint().width());
    EXPECT_TRUE(label->font().bold());

    AboutBox about;
    QStringList texts;
    for (const QLabel* l : about.findChildren<QLabel*>())
        texts << l->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("PELORIN")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Version   ") + LireVersion()));
    EXPECT_TRUE(texts.contains(QStringLiteral("Gratuit et sans garanties")));
    auto* ok = about.findChild<QPushButton*>(QStringLiteral("okButton"));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    about.show();
    ok->click();
    EXPECT_FALSE(about.isVisible());
}

TEST(StartUp, standardButtonsReadInFrench)
{
    ASSERT_TRUE(installQtTranslations());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Oui"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&No"), QStringLiteral("&Non"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annuler"));
}

// The texts of Qt's print dialog that an operator reads (its options, its hint on page ranges, the
// printer properties' tabs) are French, whether Qt's translations or ours give them.
TEST(StartUp, printDialogReadsInFrench)
{
    ASSERT_TRUE(installQtTranslations());
    const std::pair<const char*, const char*> texts[] = {
        {"QPrintSettingsOutput", "Double Sided Printing"},
        {"QPrintSettingsOutput", "Off"},
        {"QPrintSettingsOutput", "Long side binding"},
        {"QPrintSettingsOutput", "Short side binding"},
        {"QPrintSettingsOutput", "Color Mode"},
        {"QPrintSettingsOutput", "Grayscale"},
        {"QPrintSettingsOutput", "Print range"},
        {"QPrintSettingsOutput", "Print all"},
        {"QPrintSettingsOutput", "Pages from"},
        {"QPrintSettingsOutput", "Copies:"},
        {"QPrintSettingsOutput", "Reverse"},
        {"QPrintSettingsOutput", "Collate"},
        {"QPrintSettingsOutput",
         "Specify pages or ranges separated by commas. Ranges are specified by two numbers separated by a hyphen. "
         "E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9."},
        {"QPrintPropertiesWidget", "Advanced"},
        {"QPrintPropertiesWidget", "There are conflicts in some options. Please fix them."},
    };
    for (const auto& [context, source] : texts) {
        const QString shown = QCoreApplication::translate(context, source);
        EXPECT_NE(shown, QString::fromLatin1(source)) << context << ": " << source;
        EXPECT_FALSE(shown.isEmpty()) << source;
    }
    // what neither knows stays as the program wrote it
    EXPECT_EQ(QCoreApplication::translate("QPrintSettingsOutput", "Pelorin"), QStringLiteral("Pelorin"));
}

TEST(StartUp, options)
{
    struct Case
    {
        QStringList args;
        bool environment;
        QString dataDir;
        bool splash;
        bool error;
    } cases[] = {
        {{}, false, {}, true, false},
        {{"--data", "/tmp/d"}, false, "/tmp/d", true, false},
        {{"--data=/tmp/e", "--no-splash"}, false, "/tmp/e", false, false},
        {{}, true, {}, false, false},
        {{"--data"}, false, {}, true, true},
    };
    for (const Case& c : cases) {
        const StartOptions o = parseStartOptions(c.args, c.environment);
        EXPECT_EQ(o.dataDir, c.dataDir) << qPrintable(c.args.join(u' '));
        EXPECT_EQ(o.splash, c.splash) << qPrintable(c.args.join(u' '));
        EXPECT_EQ(!o.error.isEmpty(), c.error) << qPrintable(c.args.join(u' '));
        EXPECT_TRUE(o.unknown.isEmpty());
    }
    EXPECT_EQ(parseStartOptions({QStringLiteral("--bogus")}, false).unknown, QStringList{QStringLiteral("--bogus")});
}

// The program itself: an unknown option is refused with the usage, and nothing from Qt's runtime
// folder check reaches stderr when XDG_RUNTIME_DIR is not set.
TEST(StartUp, programRefusesUnknownOptionsQuietly)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(PELORIN_BINARY), {QStringLiteral("--bogus")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_TRUE(err.startsWith(QStringLiteral("pelorin : option inconnue --bogus\nUtilisation : pelorin ")))
        << qPrintable(err);
    EXPECT_FALSE(err.contains(QStringLiteral("XDG_RUNTIME_DIR"))) << qPrintable(err);
}

// Two copies of the program on one data folder: the second says so and writes no configuration, so
// that what is added in the first is still there after both have closed, in any order.
TEST(StartUp, aSecondCopyOnTheSameFolderWritesNoConfiguration)
{
    test::TempDataFolder data;
    QFile cfg(test::fixture(QStringLiteral("app/cfg.xml")));
    ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
    data.write(QStringLiteral("Config/cfg.xml"), cfg.readAll());
    QFile etq(test::fixture(QStringLiteral("app/Test.ETQ")));
    ASSERT_TRUE(etq.open(QIODevice::ReadOnly));
    data.write(QStringLiteral("Modeles/Test.ETQ"), etq.readAll());
    data.write(QStringLiteral("Config/.cfg.xml.k3j2.tmp"), "<Configura");
    DataFolder::setRoot(data.path());
    Dialogs::clearShownMessages();

    auto first = std::make_unique<ProgramWindows>();
    EXPECT_FALSE(first->folderInUse());
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
    // the folder is held: what a killed save left is gone
    EXPECT_FALSE(QFile::exists(data.file(QStringLiteral("Config/.cfg.xml.k3j2.tmp"))));

    auto second = std::make_unique<ProgramWindows>();
    EXPECT_TRUE(second->folderInUse());
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_TRUE(Dialogs::shownMessages().first().contains(QStringLiteral("utilisé par un autre Pelorin")));

    first->mainWindow().configuration().addPerfume(QStringLiteral("Menthe"), QStringLiteral("MEN"));
    const QByteArray afterAdd = data.read(QStringLiteral("Config/cfg.xml"));
    ASSERT_TRUE(afterAdd.contains("<Nom>Menthe</Nom>"));

    // the second copy's list edits are refused with the reason, and its close writes nothing
    Dialogs::clearShownMessages();
    const QString refused = test::errorOf(
        [&] { second->mainWindow().configuration().addSystem(QStringLiteral("X"), QStringLiteral("X")); });
    EXPECT_TRUE(refused.contains(QStringLiteral("n'est pas enregistrée"))) << qPrintable(refused);
    second->mainWindow().show();
    EXPECT_TRUE(second->mainWindow().close());
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
    second.reset();
    EXPECT_EQ(data.read(QStringLiteral("Config/cfg.xml")), afterAdd);

    first->mainWindow().show();
    EXPECT_TRUE(first->mainWindow().close());
    first.reset();
    EXPECT_TRUE(data.read(QStringLiteral("Config/cfg.xml")).contains("<Nom>Menthe</Nom>"));
    // and the folder is free again
    ProgramWindows next;
    EXPECT_FALSE(next.folderInUse());
}

TEST(StartUp, onASharedFolderAndOnItsCopyTheSettingsStayTheOperators)
{
    test::SharedWorkstation w;
    QFile cfg(test::fixture(QStringLiteral("app/cfg.xml"))), etq(test::fixture(QStringLiteral("app/Test.ETQ")));
    ASSERT_TRUE(cfg.open(QIODevice::ReadOnly) && etq.open(QIODevice::ReadOnly));
    const QByteArray own = cfg.readAll();
    QByteArray shared = own;
    shared.replace("<Nom>Citron</Nom>", "<Nom>Citron de l'usine</Nom>");
    w.write(QStringLiteral("home/data/pelorin/Config/cfg.xml"), own);
    w.write(QStringLiteral("shared/Config/cfg.xml"), shared);
    // the page the operator's settings name is one of the shared pages
    w.write(QStringLiteral("shared/Modeles/Test.ETQ"), etq.readAll());
    for (const char* logo : {"Anzin.bmp", "Valenciennes.bmp"}) {
        QFile picture(QStringLiteral(PELORIN_TEST_DATA "/logos/") + QLatin1String(logo));
        ASSERT_TRUE(picture.open(QIODevice::ReadOnly)) << logo;
        w.write(QStringLiteral("shared/logos/") + QLatin1String(logo), picture.readAll());
    }
    Dialogs::clearShownMessages();
    for (const bool reachable : {true, false}) {
        w.locate();
        ProgramWindows windows;
        const QStringList shown = Dialogs::shownMessages();
        if (reachable) {
            EXPECT_TRUE(shown.isEmpty()) << qPrintable(shown.join(u'\n'));
        } else {
            ASSERT_EQ(shown.size(), 1);
            EXPECT_TRUE(shown.first().contains(QStringLiteral("« %1 » est injoignable").arg(w.sharedDir())))
                << qPrintable(shown.first());
        }
        EXPECT_TRUE(windows.mainWindow().configuration().names(RefList::Parfums).contains("Citron de l'usine"));
        ASSERT_TRUE(windows.mainWindow().sheet().page());
        EXPECT_FALSE(windows.mainWindow().sheet().page()->isEmpty());
        // closing keeps the window's settings in the operator's own file, never in the shared one
        windows.mainWindow().show();
        EXPECT_TRUE(windows.mainWindow().close());
        EXPECT_EQ(
            w.read(reachable ? QStringLiteral("shared/Config/cfg.xml") : QStringLiteral("unplugged/Config/cfg.xml")),
            shared);
        EXPECT_EQ(w.read(QStringLiteral("home/cache/pelorin/shared/Config/cfg.xml")), shared);
        EXPECT_TRUE(w.read(QStringLiteral("home/data/pelorin/Config/cfg.xml")).contains("<Modele>Test.ETQ</Modele>"));
        EXPECT_FALSE(w.read(QStringLiteral("home/data/pelorin/Config/cfg.xml")).contains("Citron de l'usine"));
        Dialogs::clearShownMessages();
        if (reachable)
            w.unplug();
    }
}

// Without regional settings (C or POSIX) dates take the French conventions; any other locale is
// followed.
TEST(StartUp, datesFollowTheRegionalSettingsOrFrenchWithoutAny)
{
    test::TempDataFolder data;
    struct Case
    {
        const char* locale;
        const char* date;
    } cases[] = {{"C", "15/03/2006"}, {"POSIX", "15/03/2006"}, {"C.UTF-8", "15/03/2006"}, {"en_US.UTF-8", "3/15/06"}};
    for (const Case& c : cases) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LC_ALL", "LANG", "LANGUAGE", "LC_TIME", "LC_NUMERIC"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(c.locale));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(PELORIN_BINARY), {QStringLiteral("decode"), QStringLiteral("--data"), data.path(),
                                                 QStringLiteral("P250061000031234507406")});
        ASSERT_TRUE(p.waitForFinished(30000));
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        EXPECT_TRUE(out.trimmed().endsWith(QString::fromLatin1(c.date))) << c.locale << ": " << qPrintable(out);
    }
}

// pelorin FILE.ETQ starts on that page; pelorin FILE.SCB opens the scan window on that sheet.
TEST(StartUp, opensTheFileNamedOnTheCommandLine)
{
    test::TempDataFolder data;
    QFile cfg(test::fixture(QStringLiteral("app/cfg.xml"))), etq(test::fixture(QStringLiteral("app/Test.ETQ")));
    ASSERT_TRUE(cfg.open(QIODevice::ReadOnly) && etq.open(QIODevice::ReadOnly));
    data.write(QStringLiteral("Config/cfg.xml"), cfg.readAll());
    data.write(QStringLiteral("Modeles/Test.ETQ"), etq.readAll());
    QFile sheet(test::fixture(QStringLiteral("labels/sheet4x2.ETQ")));
    ASSERT_TRUE(sheet.open(QIODevice::ReadOnly));
    data.write(QStringLiteral("ailleurs/Lot 12.etq"), sheet.readAll());
    data.write(QStringLiteral("ailleurs/Lot12.SCB"),
               "ScanCode\r\nB25012515LAV5930033906\r\nB25012515LAV5930033906\r\n\r\n");
    data.write(QStringLiteral("ailleurs/codes"), "ScanCode\r\nB25012515LAV5930033906\r\n\r\n");
    DataFolder::setRoot(data.path());
    Dialogs::clearShownMessages();

    EXPECT_TRUE(isScanSheet(data.file(QStringLiteral("ailleurs/Lot12.SCB"))));
    EXPECT_TRUE(isScanSheet(data.file(QStringLiteral("ailleurs/codes"))));
    EXPECT_FALSE(isScanSheet(data.file(QStringLiteral("ailleurs/Lot 12.etq"))));

    {
        ProgramWindows windows;
        const auto before = windows.mainWindow().sheet().page();
        ASSERT_TRUE(before);
        openStartFile(windows, data.file(QStringLiteral("ailleurs/Lot 12.etq")));
        EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
        EXPECT_EQ(windows.mainWindow().sheet().EtiqXML().fileName(), data.file(QStringLiteral("ailleurs/Lot 12.etq")));
        EXPECT_EQ(windows.mainWindow().modelPanel()->text(), QStringLiteral("Lot 12.etq"));
        // the page is the new description's, 4 x 2 labels
        const auto after = windows.mainWindow().sheet().page();
        ASSERT_TRUE(after);
        EXPECT_FALSE(after->isEmpty());
        EXPECT_NE(*after, *before);
        EXPECT_FALSE(windows.scanWindow().isVisible());
    }
    for (const char* name : {"ailleurs/Lot12.SCB", "ailleurs/codes"}) {
        ProgramWindows windows;
        windows.mainWindow().show();
        ScanWindow& scan = windows.scanWindow();
        // the scan window runs modal: what it shows is read, and it is closed, from inside its loop
        QStringList shown;
        bool seen = false;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, &scan, [&] {
            if (!scan.isVisible())
                return;
            seen = true;
            shown = scan.grid()->codes();
            closer.stop();
            scan.reject();
        });
        closer.start(20);
        openStartFile(windows, data.file(QLatin1String(name)));
        QTRY_VERIFY(seen);
        EXPECT_EQ(shown, QStringList(QString::fromLatin1(name).endsWith(u"SCB") ? 2 : 1,
                                     QStringLiteral("B25012515LAV5930033906")));
        EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
        windows.mainWindow().hide();
    }
}

TEST(StartUp, aMissingDescriptionIsReportedFirstAndNoPageIsBuilt)
{
    test::TempDataFolder data;
    QFile cfg(test::fixture(QStringLiteral("app/cfg.xml")));
    ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
    data.write(QStringLiteral("Config/cfg.xml"), cfg.readAll());
    QFile::remove(data.file(QStringLiteral("Modeles/Test.ETQ")));
    DataFolder::setRoot(data.path());
    Dialogs::clearShownMessages();

    ProgramWindows windows;
    // the loader's message; the selection window then finds no description to show
    ASSERT_FALSE(Dialogs::shownMessages().isEmpty());
    EXPECT_TRUE(Dialogs::shownMessages().first().contains(QStringLiteral("Test.ETQ")));
    EXPECT_EQ(windows.mainWindow().sheet().page(), nullptr);
    EXPECT_EQ(windows.mainWindow().code().size(), 22);
}

} // namespace
