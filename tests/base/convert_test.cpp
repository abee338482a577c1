#include "base/codepage.h"
#include "base/convert.h"
#include "base/error.h"
#include "base/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pelorin;

TEST(Convert, IntegersAcceptSignAndDigitsOnly)
{
    EXPECT_EQ(strToInt("250"), 250);
    EXPECT_EQ(strToInt("-12"), -12);
    EXPECT_EQ(strToInt("007"), 7);
    for (const char* bad : {"", "2.5", "12a", "-", "99999999999"}) {
        try {
            strToInt(bad);
            ADD_FAILURE() << bad;
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(bad));
        }
    }
}

TEST(Convert, DecimalsFollowTheRegionalSeparator)
{
    // the tests run under a French locale: the comma is the separator
    EXPECT_DOUBLE_EQ(strToFloat("2,5"), 2.5);
    EXPECT_DOUBLE_EQ(strToFloat("210"), 210.0);
    EXPECT_THROW(strToFloat("2.5"), Error);
    EXPECT_THROW(strToFloat(""), Error);
    EXPECT_EQ(shortestDecimal(20.0), "20");
    EXPECT_EQ(shortestDecimal(10 / 25.4), "0,393700787401575");
}

TEST(Convert, BooleansAsTheSettingsStoreThem)
{
    const std::pair<const char*, bool> cases[] = {{"True", true}, {"false", false}, {"1", true},
                                                  {"0", false},   {"-1", true},     {"7", true}};
    for (auto [text, value] : cases)
        EXPECT_EQ(strToBool(text), value) << text;
    EXPECT_THROW(strToBool("oui"), Error);
    EXPECT_EQ(zeroPadded(5, 3), "005");
    EXPECT_EQ(zeroPadded(250, 3), "250");
}

TEST(CodePage, Windows1252RoundTripsEveryByte)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    EXPECT_EQ(toCp1252(fromCp1252(all)), all);
    EXPECT_EQ(fromCp1252("\x80\x9c\xe9"), QString::fromUtf8("€œé"));
    bool lossless = true;
    EXPECT_EQ(toCp1252(QString::fromUtf8("a☃"), &lossless), "a?");
    EXPECT_FALSE(lossless);
}

TEST(Paths, StoredNamesMatchWithoutLetterCaseAndWithBackslashes)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("Logos");
    QFile f(dir.path() + "/Logos/Anzin.bmp");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_EQ(resolvePath(dir.path(), "logos\\anzin.BMP"), dir.path() + "/Logos/Anzin.bmp");
    EXPECT_EQ(resolvePath(dir.path(), "Logos/Anzin.bmp"), dir.path() + "/Logos/Anzin.bmp");
    // a name that exists in no spelling is kept as written
    EXPECT_EQ(resolvePath(dir.path(), "logos\\Nouveau.bmp"), dir.path() + "/Logos/Nouveau.bmp");
    EXPECT_EQ(resolvePath(dir.path(), "Modeles\\a.ETQ"), dir.path() + "/Modeles/a.ETQ");
}

// Where the program takes its data from: beside itself when a configuration lies there (portable),
// else PELORIN_DATA, else the user's data folder, filled on first use from the installed copy.
TEST(Paths, DataFolderIsChosenInItsOrder)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    auto writeFile = [](const QString& path, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    const QString exe = root + "/prefix/bin";
    QDir().mkpath(exe);
    writeFile(root + "/prefix/share/pelorin/Config/cfg.xml", "<Configuration/>");
    writeFile(root + "/prefix/share/pelorin/logos/Anzin.bmp", "BM");
    writeFile(root + "/prefix/share/pelorin/Modeles/Planche65.ETQ", "installed page");
    writeFile(root + "/prefix/share/pelorin/Help/Pelorin.htm", "installed guide");
    writeFile(root + "/prefix/share/pelorin/journal-setup.sql", "-- setup");
    const QString savedRoot = DataFolder::root();
    const QByteArray savedEnv = qgetenv("PELORIN_DATA"), savedXdg = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", (root + "/xdg").toLocal8Bit());

    qputenv("PELORIN_DATA", (root + "/elsewhere").toLocal8Bit());
    EXPECT_EQ(DataFolder::locate(QString(), exe), root + "/elsewhere");
    EXPECT_EQ(DataFolder::locate(root + "/asked", exe), root + "/asked");

    qunsetenv("PELORIN_DATA");
    EXPECT_EQ(DataFolder::locate(QString(), exe), root + "/xdg/pelorin");
    EXPECT_TRUE(QFileInfo::exists(root + "/xdg/pelorin/Config/cfg.xml"));
    EXPECT_TRUE(QFileInfo::exists(root + "/xdg/pelorin/logos/Anzin.bmp"));
    // the guide and the pages are read where they are installed, so that an upgrade reaches this user,
    // until the user saves a page of that name
    for (const char* installedOnly : {"/xdg/pelorin/Modeles", "/xdg/pelorin/Help", "/xdg/pelorin/journal-setup.sql"})
        EXPECT_FALSE(QFileInfo::exists(root + installedOnly)) << installedOnly;
    EXPECT_EQ(DataFolder::installed(), root + "/prefix/share/pelorin");
    EXPECT_EQ(DataFolder::path("Modeles\\planche65.etq"), root + "/prefix/share/pelorin/Modeles/Planche65.ETQ");
    EXPECT_EQ(DataFolder::path("Help\\Pelorin.htm"), root + "/prefix/share/pelorin/Help/Pelorin.htm");
    EXPECT_EQ(DataFolder::path("Modeles\\Mine.ETQ"), root + "/xdg/pelorin/Modeles/Mine.ETQ");
    writeFile(root + "/xdg/pelorin/Modeles/Planche65.ETQ", "edited page");
    EXPECT_EQ(DataFolder::path("Modeles\\Planche65.ETQ"), root + "/xdg/pelorin/Modeles/Planche65.ETQ");
    // only Help and Modeles: the configuration and the logos are the user's own
    EXPECT_EQ(DataFolder::path("logos\\Other.bmp"), root + "/xdg/pelorin/logos/Other.bmp");
    // the user's own configuration is never replaced by the installed one
    writeFile(root + "/xdg/pelorin/Config/cfg.xml", "<Configuration><Systemes/></Configuration>");
    DataFolder::locate(QString(), exe);
    QFile mine(root + "/xdg/pelorin/Config/cfg.xml");
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), "<Configuration><Systemes/></Configuration>");

    // a configuration beside the program makes it portable, whatever the environment says
    writeFile(exe + "/config/CFG.xml", "<Configuration/>");
    qputenv("PELORIN_DATA", (root + "/elsewhere").toLocal8Bit());
    EXPECT_EQ(DataFolder::locate(QString(), exe), exe);
    EXPECT_EQ(DataFolder::path("Config\\cfg.xml"), exe + "/config/CFG.xml");
    // a complete folder of its own reads nothing from the installed copy
    EXPECT_TRUE(DataFolder::installed().isEmpty());
    EXPECT_EQ(DataFolder::path("Modeles\\Planche65.ETQ"), exe + "/Modeles/Planche65.ETQ");

    savedEnv.isNull() ? qunsetenv("PELORIN_DATA") : qputenv("PELORIN_DATA", savedEnv);
    savedXdg.isNull() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", savedXdg);
    DataFolder::setRoot(savedRoot);
}
