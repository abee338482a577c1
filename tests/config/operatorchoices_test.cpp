#include "config/operatorchoices.h"

#include "base/paths.h"
#include "support/testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

// The choices live in the user's configuration folder, one set per data folder; a file that cannot be
// written or read costs only the choices themselves.
class OperatorChoicesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_oldConfigHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_home.path().toUtf8());
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", m_oldConfigHome); }

    QTemporaryDir m_home;
    QByteArray m_oldConfigHome;
};

TEST_F(OperatorChoicesTest, KeptPerUserAndPerDataFolder)
{
    test::TempDataFolder first, second;
    OperatorChoices chosen;
    chosen.systemCode = QStringLiteral("S");
    chosen.mass = QStringLiteral("250");
    chosen.packaging = 4;
    chosen.layers = QStringLiteral("3");
    chosen.rows = QStringLiteral("2");
    chosen.ralNumber = QStringLiteral("5015");
    chosen.placeCode = QStringLiteral("59300");
    chosen.perfumeCode = QStringLiteral("LAV");
    chosen.marginFrame = false;
    chosen.outlines = false;
    chosen.keptDate = QDate(2026, 7, 14);

    DataFolder::setRoot(first.path());
    ASSERT_TRUE(chosen.save());
    EXPECT_TRUE(OperatorChoices::filePath().startsWith(m_home.path()));
    EXPECT_EQ(OperatorChoices::load(), chosen);

    // another data folder has its own, the defaults until chosen
    DataFolder::setRoot(second.path());
    EXPECT_EQ(OperatorChoices::load(), OperatorChoices());
    OperatorChoices other;
    other.perfumeCode = QStringLiteral("ROS");
    ASSERT_TRUE(other.save());
    DataFolder::setRoot(first.path());
    EXPECT_EQ(OperatorChoices::load(), chosen);

    // a date no longer kept is forgotten
    chosen.keptDate = QDate();
    ASSERT_TRUE(chosen.save());
    EXPECT_FALSE(OperatorChoices::load().keptDate.isValid());
}

TEST_F(OperatorChoicesTest, AFolderThatCannotBeWrittenCostsOnlyTheChoices)
{
    test::TempDataFolder data;
    DataFolder::setRoot(data.path());
    // a file where the folder should be
    QFile blocker(m_home.path() + QStringLiteral("/pelorin"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    OperatorChoices chosen;
    chosen.perfumeCode = QStringLiteral("LAV");
    EXPECT_FALSE(chosen.save());
    EXPECT_EQ(OperatorChoices::load(), OperatorChoices());
}

} // namespace
