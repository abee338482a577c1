#include "config/folderlock.h"

#include "base/paths.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

TEST(DataFolderLock, theFirstCopyHoldsTheFolderUntilItEnds)
{
    test::TempDataFolder data;
    DataFolder::setRoot(data.path());
    auto first = std::make_unique<DataFolderLock>();
    EXPECT_FALSE(first->inUse());
    {
        DataFolderLock second;
        EXPECT_TRUE(second.inUse());
        EXPECT_TRUE(DataFolderLock::inUseMessage(data.path()).contains(data.path()));
    }
    first.reset();
    DataFolderLock third;
    EXPECT_FALSE(third.inUse());
}

TEST(DataFolderLock, aLockLeftByAProgramNoLongerRunningIsTakenOver)
{
    test::TempDataFolder data;
    DataFolder::setRoot(data.path());
    // what a killed copy leaves: its process id, name and host
    data.write(QStringLiteral(".pelorin.lock"), "2147483600\npelorin\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    DataFolderLock lock;
    EXPECT_FALSE(lock.inUse());
}

TEST(DataFolderLock, leftoversOfAKilledSaveGoOnlyWhenTheFolderIsHeld)
{
    test::TempDataFolder data;
    DataFolder::setRoot(data.path());
    const QStringList leftovers = {"Config/.cfg.xml.1a2b3c.tmp", "Config/.cfg.xml.zz9.tmp"};
    const QStringList kept = {"Config/cfg.xml", "Config/.cfg.xml.tmp", "Config/notes.tmp", "Modeles/.x.ETQ.1a.tmp"};
    for (const QString& f : leftovers + kept)
        if (f != QLatin1String("Config/cfg.xml"))
            data.write(f, "partial");
    const QByteArray config = data.read(QStringLiteral("Config/cfg.xml"));

    DataFolderLock holder;
    {
        DataFolderLock other;
        ASSERT_TRUE(other.inUse());
        EXPECT_EQ(other.removeLeftovers(), 0);
        EXPECT_TRUE(QFile::exists(data.file(leftovers.first())));
    }
    EXPECT_EQ(holder.removeLeftovers(), 2);
    for (const QString& f : leftovers)
        EXPECT_FALSE(QFile::exists(data.file(f))) << qPrintable(f);
    for (const QString& f : kept)
        EXPECT_TRUE(QFile::exists(data.file(f))) << qPrintable(f);
    EXPECT_EQ(data.read(QStringLiteral("Config/cfg.xml")), config);
}

} // namespace
