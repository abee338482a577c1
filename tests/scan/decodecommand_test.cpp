#include "support/testsupport.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

class DecodeCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile cfg(test::fixture(QStringLiteral("scan/cfg.xml")));
        ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
        m_data.write(QStringLiteral("Config/cfg.xml"), cfg.readAll());
    }

    test::RunResult decode(const QStringList& args) const
    {
        return test::runPelorin(QStringList{QStringLiteral("decode"), QStringLiteral("--data"), m_data.path()} + args);
    }

    test::TempDataFolder m_data;
};

TEST_F(DecodeCommandTest, PrintsOneTabSeparatedLinePerCode)
{
    const test::RunResult r =
        decode({QStringLiteral("P250061000031234507406"), QStringLiteral("S500235150031234532107"),
                QStringLiteral("s2a006100lav1234 00149"), QStringLiteral("P25")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(r.out),
              QStringLiteral("P250061000031234507406\tPâte à modeler\t250 gr\tBoite de 6\tRal 100\tLavande\t"
                             "Usine du Nord\t15/03/2006\n"
                             "S500235150031234532107\tSavon\t500 gr\t3 rang(s) / 2 couche(s)\tRal 515\tLavande\t"
                             "Usine du Nord\t17/11/2007\n"
                             "s2a006100lav1234 00149\tErreur\tErreur\tBoite de 6\tRal 100\tErreur\tErreur\t01/01/2049\n"
                             "P25\tPâte à modeler\t\tErreur\tErreur\tErreur\tErreur\t\n"));
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
}

TEST_F(DecodeCommandTest, DateErrorLeavesTheDateEmptyAndGoesOn)
{
    const test::RunResult r =
        decode({QStringLiteral("P250061000031234536606"), QStringLiteral("P250061000031234536604")});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(r.out),
              QStringLiteral("P250061000031234536606\tPâte à modeler\t250 gr\tBoite de 6\tRal 100\tLavande\t"
                             "Usine du Nord\t\n"
                             "P250061000031234536604\tPâte à modeler\t250 gr\tBoite de 6\tRal 100\tLavande\t"
                             "Usine du Nord\t31/12/2004\n"));
    EXPECT_EQ(r.err, QByteArray("(2006, 366) is not a valid DateDay pair\n"));
}

TEST_F(DecodeCommandTest, ReadsTheCodesOfAnScbFile)
{
    m_data.write(QStringLiteral("codes.SCB"), "ScanCode\r\nP250061000031234507406\r\nS50006100LAV1234536604\r\n"
                                              "P25006100003123450\r\n");
    const test::RunResult r = decode({QStringLiteral("--scb"), m_data.file(QStringLiteral("codes.SCB"))});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    // the last line stands for the sheet's empty row
    EXPECT_EQ(QString::fromUtf8(r.out),
              QStringLiteral("P250061000031234507406\tPâte à modeler\t250 gr\tBoite de 6\tRal 100\tLavande\t"
                             "Usine du Nord\t15/03/2006\n"
                             "S50006100LAV1234536604\tSavon\t500 gr\t6 rang(s) / 0 couche(s)\tRal 100\tCœur & Rose\t"
                             "Usine du Nord\t31/12/2004\n"));
}

TEST_F(DecodeCommandTest, MissingFilesAndBadArgumentsFailWithAMessage)
{
    const test::RunResult noScb = decode({QStringLiteral("--scb"), m_data.file(QStringLiteral("absent.SCB"))});
    EXPECT_NE(noScb.exitCode, 0);
    EXPECT_TRUE(noScb.out.isEmpty());
    EXPECT_TRUE(noScb.err.contains("absent.SCB")) << noScb.err.toStdString();

    m_data.write(QStringLiteral("Config/cfg.xml"), "<Configuration><Systemes>");
    const test::RunResult badConfig = decode({QStringLiteral("P250061000031234507406")});
    EXPECT_NE(badConfig.exitCode, 0);
    EXPECT_TRUE(badConfig.out.isEmpty());
    EXPECT_FALSE(badConfig.err.trimmed().isEmpty());

    EXPECT_EQ(decode({}).exitCode, 2);
    EXPECT_EQ(decode({QStringLiteral("--scb")}).exitCode, 2);
    EXPECT_EQ(decode({QStringLiteral("--bogus"), QStringLiteral("P")}).exitCode, 2);
}

} // namespace
