#include "base/error.h"
#include "base/paths.h"
#include "code/qstringprint.h"
#include "support/sharedworkstation.h"
#include "support/testsupport.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace pelorin;
using pelorin::test::SharedWorkstation;

namespace {

void writeSharedFolder(const SharedWorkstation& w)
{
    w.write("shared/Config/cfg.xml", "<Configuration><Systemes/></Configuration>");
    w.write("shared/Modeles/Partagee.ETQ", "shared page");
    w.write("shared/Modeles/Installee.ETQ", "shared edition of the installed page");
    w.write("shared/logos/Anzin.bmp", "BM shared");
}

} // namespace

TEST(SystemSettings, EveryWordItDoesNotKnowIsAnErrorNamingTheFileAndLine)
{
    SharedWorkstation w;
    struct Case
    {
        const char* text;
        int line;            // 0: the whole file
        const char* says;    // what the message must hold besides the file and the line
        const char* knownAs; // the words it names as known
    };
    const Case cases[] = {
        {"[Donnees]\nshared=/srv/pelorin\n", 1, "section inconnue « [Donnees] »", "[data]"},
        {"[data]\nshare=/srv/pelorin\n", 2, "clé inconnue « share »", "shared"},
        {"shared=/srv/pelorin\n[data]\n", 1, "hors de la section", "[data]"},
        {"[data]\nshared=srv/pelorin\n", 2, "« srv/pelorin » n'est pas un chemin absolu", "/srv/pelorin"},
        {"[data]\nshared=\n", 2, "aucun dossier partagé donné", "shared="},
        {"[data]\n/srv/pelorin\n", 2, "ligne illisible « /srv/pelorin »", "shared"},
        {"[data]\n; shared=/srv/pelorin\n", 0, "ne nomme aucun dossier partagé", "shared"},
    };
    for (const Case& c : cases) {
        w.writeIni(c.text);
        const QString message = test::errorOf([&] { SystemSettings::load(); });
        EXPECT_TRUE(message.contains(w.iniPath())) << c.text << qPrintable(message);
        if (c.line > 0) {
            EXPECT_TRUE(message.contains(QStringLiteral("ligne %1 :").arg(c.line))) << qPrintable(message);
        }
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.says))) << qPrintable(message);
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.knownAs))) << qPrintable(message);
        // the workstation does not start on its own lists unnoticed
        EXPECT_EQ(test::errorOf([&] { w.locate(); }), message);
    }
    // the letter case of Windows INI files, quotes and comments as written by hand
    w.writeIni("; the factory's share\n[Data]\nShared = \"/srv/pelorin usine\"  \n");
    EXPECT_EQ(SystemSettings::load().sharedFolder, QStringLiteral("/srv/pelorin usine"));
    EXPECT_EQ(SystemSettings::load().source, w.iniPath());
}

TEST(SystemSettings, TheFirstSystemFolderHoldingTheFileIsRead)
{
    SharedWorkstation w;
    QFile::remove(w.iniPath());
    EXPECT_TRUE(SystemSettings::load().sharedFolder.isEmpty());
    w.write("etc2/pelorin/pelorin.ini", "[data]\nshared=/mnt/second\n");
    EXPECT_EQ(SystemSettings::load().sharedFolder, QStringLiteral("/mnt/second"));
    w.writeIni("[data]\nshared=/mnt/first\n");
    EXPECT_EQ(SystemSettings::load().sharedFolder, QStringLiteral("/mnt/first"));
    // a folder named for the run does not even read it
    w.writeIni("[nonsense]\n");
    EXPECT_EQ(DataFolder::locate(w.path("asked"), w.exe()), w.path("asked"));
    EXPECT_TRUE(DataFolder::shared().isEmpty());
}

TEST(SharedFolder, ListsPagesAndLogosComeFromItTheOperatorsSettingsStayHis)
{
    SharedWorkstation w;
    writeSharedFolder(w);
    EXPECT_EQ(w.locate(), w.userDir());
    EXPECT_TRUE(DataFolder::sharedNotice().isEmpty());
    EXPECT_EQ(DataFolder::shared(), w.sharedDir());
    EXPECT_EQ(DataFolder::listsPath(), w.path("shared/Config/cfg.xml"));
    // the user's own cfg.xml (window, texts, page in use) is still the user's
    EXPECT_EQ(DataFolder::path("Config\\cfg.xml"), w.userDir() + "/Config/cfg.xml");
    EXPECT_EQ(DataFolder::path("Logos\\Anzin.bmp"), w.path("shared/logos/Anzin.bmp"));
    // pages: the user's saved ones first, then the shared ones, then the installed ones
    EXPECT_EQ(DataFolder::path("Modeles\\partagee.etq"), w.path("shared/Modeles/Partagee.ETQ"));
    EXPECT_EQ(DataFolder::path("Modeles\\Installee.ETQ"), w.path("shared/Modeles/Installee.ETQ"));
    w.write("home/data/pelorin/Modeles/Installee.ETQ", "the operator's own");
    EXPECT_EQ(DataFolder::path("Modeles\\Installee.ETQ"), w.userDir() + "/Modeles/Installee.ETQ");
    EXPECT_EQ(DataFolder::modelFolders(),
              (QStringList{w.userDir() + "/Modeles", w.path("shared/Modeles"), w.path("share/pelorin/Modeles")}));
    // the shared folder may be written by this account: the lists may be edited
    EXPECT_TRUE(DataFolder::listsRefusal().isEmpty());
    w.makeReadOnly("shared");
    const QString refusal = DataFolder::listsRefusal();
    EXPECT_TRUE(refusal.contains(w.sharedDir())) << qPrintable(refusal);
    EXPECT_TRUE(refusal.contains(QStringLiteral("pas le droit d'écrire"))) << qPrintable(refusal);
}

TEST(SharedFolder, UnreachableItStartsOnTheLastGoodCopyAndSaysSo)
{
    SharedWorkstation w;
    writeSharedFolder(w);
    w.locate();
    // each start that reaches the folder keeps its copy up to date, what it no longer holds removed
    EXPECT_EQ(w.read("home/cache/pelorin/shared/Config/cfg.xml"), w.read("shared/Config/cfg.xml"));
    w.write("shared/Config/cfg.xml", "<Configuration><Systemes><Systeme/></Systemes></Configuration>");
    QFile::remove(w.path("shared/Modeles/Partagee.ETQ"));
    w.locate();
    EXPECT_EQ(w.read("home/cache/pelorin/shared/Config/cfg.xml"), w.read("shared/Config/cfg.xml"));
    EXPECT_FALSE(QFileInfo::exists(w.cacheDir() + "/Modeles/Partagee.ETQ"));
    EXPECT_EQ(w.read("home/cache/pelorin/shared/logos/Anzin.bmp"), "BM shared");

    w.unplug();
    // an unmounted share is the empty folder it was mounted on
    QDir().mkpath(w.sharedDir());
    for (int unplugged = 0; unplugged < 2; ++unplugged) {
        EXPECT_EQ(w.locate(), w.userDir());
        EXPECT_EQ(DataFolder::shared(), w.cacheDir());
        EXPECT_EQ(DataFolder::listsPath(), w.cacheDir() + "/Config/cfg.xml");
        EXPECT_EQ(DataFolder::path("logos\\Anzin.bmp"), w.cacheDir() + "/logos/Anzin.bmp");
        const QString notice = DataFolder::sharedNotice();
        EXPECT_TRUE(notice.contains(QStringLiteral("« %1 » est injoignable").arg(w.sharedDir()))) << qPrintable(notice);
        EXPECT_TRUE(notice.contains(QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")))) << qPrintable(notice);
        EXPECT_TRUE(DataFolder::listsRefusal().contains(QStringLiteral("injoignable")));
        // the copy is kept as it was, not emptied by the start that could not reach the folder
        EXPECT_EQ(w.read("home/cache/pelorin/shared/logos/Anzin.bmp"), "BM shared");
        QDir(w.sharedDir()).removeRecursively();
    }

    // a workstation that never reached the folder has no copy: its own lists, said as well
    QDir(w.cacheDir()).removeRecursively();
    w.locate();
    EXPECT_TRUE(DataFolder::shared().isEmpty());
    EXPECT_TRUE(DataFolder::listsPath().isEmpty());
    EXPECT_TRUE(DataFolder::sharedNotice().contains(QStringLiteral("aucune copie")));
    EXPECT_TRUE(DataFolder::sharedNotice().contains(w.userDir()));
    EXPECT_FALSE(DataFolder::listsRefusal().isEmpty());

    // a copy of another folder is not this one's
    w.plugBack();
    w.locate();
    w.writeIni("[data]\nshared=" + w.path("other").toUtf8() + "\n");
    w.locate();
    EXPECT_TRUE(DataFolder::shared().isEmpty());
}

TEST(SharedFolder, ALookWritesNothing)
{
    SharedWorkstation w;
    writeSharedFolder(w);
    w.locate(DataFolder::Access::Look);
    // a new user's folder is not seeded, the installed copy is read instead; no copy is kept
    EXPECT_EQ(DataFolder::root(), w.path("share/pelorin"));
    EXPECT_FALSE(QFileInfo::exists(w.userDir()));
    EXPECT_FALSE(QFileInfo::exists(w.path("home/cache")));
    EXPECT_EQ(DataFolder::shared(), w.sharedDir());
}

TEST(SharedFolder, APageIsSavedWhereItMayBeWritten)
{
    SharedWorkstation w;
    writeSharedFolder(w);
    w.locate();
    const QString sharedPage = w.path("shared/Modeles/Partagee.ETQ");
    const QString sharedFolder = w.path("shared/Modeles");
    EXPECT_EQ(DataFolder::modelSavePath(sharedPage), sharedPage);
    EXPECT_EQ(DataFolder::modelSavePath(sharedFolder), sharedFolder);
    w.makeReadOnly("shared");
    w.makeReadOnly("share");
    struct Case
    {
        QString proposed, expected;
    };
    const Case cases[] = {
        {sharedPage, w.userDir() + "/Modeles/Partagee.ETQ"},
        {sharedFolder, w.userDir() + "/Modeles"},
        {w.path("share/pelorin/Modeles/Installee.ETQ"), w.userDir() + "/Modeles/Installee.ETQ"},
        // a new page in a folder that may be written stays there
        {w.path("elsewhere/Nouvelle.ETQ"), w.path("elsewhere/Nouvelle.ETQ")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DataFolder::modelSavePath(c.proposed), c.expected) << qPrintable(c.proposed);
        EXPECT_TRUE(mayWrite(QFileInfo(c.expected).absolutePath())) << qPrintable(c.expected);
    }
    EXPECT_TRUE(QFileInfo(w.userDir() + "/Modeles").isDir());
    // a file that may not be written over, in a folder that may be written, is not proposed either
    w.write("home/data/pelorin/Modeles/Verrouillee.ETQ", "locked");
    w.makeReadOnly("home/data/pelorin/Modeles/Verrouillee.ETQ");
    EXPECT_FALSE(mayWrite(w.userDir() + "/Modeles", w.userDir() + "/Modeles/Verrouillee.ETQ"));
}
