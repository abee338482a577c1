#include "code/dayofyear.h"
#include "support/testsupport.h"
#include "qstringprint.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

// `pelorin code` on a data folder whose first system is B, whose alphabetically first perfume is
// "Lavande" (LAV) and first place "Anzin" (59300).
class CodeCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("Config"));
        ASSERT_TRUE(QFile::copy(test::fixture(QStringLiteral("code/cfg.xml")),
                                m_dir.filePath(QStringLiteral("Config/cfg.xml"))));
    }
    test::RunResult run(const QStringList& args) const
    {
        return test::runPelorin(QStringList{QStringLiteral("code"), QStringLiteral("--data"), m_dir.path()} + args);
    }
    QTemporaryDir m_dir;
};

TEST_F(CodeCommand, PrintsTheComposedCode)
{
    const struct
    {
        QStringList args;
        const char* code;
    } cases[] = {
        {{"--mass", "250", "--packaging", "Boites de 12", "--ral", "5015", "--date", "2006-12-05"},
         "B25012515LAV5930033906"},
        {{"--date", "2006-12-05"}, "B00006100LAV5930033906"},
        {{"--mass", "7", "--date", "2008-12-31"}, "B00706100LAV5930036608"},
        {{"--mass", "0", "--date", "2007-12-31"}, "B00006100LAV5930036507"},
        {{"--packaging", "Savons", "--layers", "4", "--rows", "6", "--date", "2006-01-01"}, "B00046100LAV5930000106"},
        // the spin edits once left: brought into 1..6
        {{"--packaging", "Savons", "--layers", "10", "--rows", "0", "--date", "2006-01-01"}, "B00061100LAV5930000106"},
        {{"--packaging", "Briquette double", "--layers", "3", "--date", "2006-01-01"}, "B00002100LAV5930000106"},
        {{"--system", "Savon", "--perfume", "lavande", "--place", "Écaillon", "--ral", "7032", "--date", "2006-01-01"},
         "S00006732LVX5917600106"},
        {{"--place", "Condé", "--date", "2006-01-01"}, "B00006100LAV5916300106"},
        {{"--manual", "b250-manuel-trop-long-pour-la-zone"}, "B250-MANUEL-TROP-L"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const test::RunResult r = run(c.args);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(QString::fromUtf8(r.out), QLatin1String(c.code) + u'\n');
    }
}

TEST_F(CodeCommand, FirstCodeAfterStartUpCarriesToday)
{
    const QString before = FixeDate(QDate::currentDate()).field();
    const test::RunResult r = run({});
    const QString after = FixeDate(QDate::currentDate()).field();
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString out = QString::fromUtf8(r.out).trimmed();
    EXPECT_TRUE(out == QStringLiteral("B00006100LAV59300") + before ||
                out == QStringLiteral("B00006100LAV59300") + after)
        << out.toStdString();
}

TEST_F(CodeCommand, RefusesWhatTheProgramRefuses)
{
    const struct
    {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"--perfume", "Rose"}, "Parfum inconnu : « Rose »"},
        {{"--perfume", "LAVANDE"}, "Parfum inconnu : « LAVANDE »"},
        {{"--place", "anzin"}, "Lieu de production inconnu : « anzin »"},
        {{"--system", "Cire"}, "Système inconnu : « Cire »"},
        {{"--packaging", "Boites de 24"}, "Conditionnement inconnu : « Boites de 24 »"},
        {{"--ral", "1010"}, "Couleur RAL inconnue : « 1010 »"},
        {{"--mass", "2.5"}, "'2.5' is not a valid integer value"},
        {{"--mass", ""}, "'' is not a valid integer value"},
        // the field takes three characters at most: a longer mass would lengthen the code
        {{"--mass", "1234"}, "--mass : au plus 3 caractères"},
        {{"--mass", "12345"}, "--mass : au plus 3 caractères"},
        {{"--packaging", "Savons", "--layers", "deux"}, "'deux' is not a valid integer value"},
        {{"--date", "2007-02-29"}, "'2007-02-29' is not a valid date"},
        {{"--mass"}, "--mass : valeur manquante"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const test::RunResult r = run(c.args);
        EXPECT_NE(r.exitCode, 0);
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(QString::fromUtf8(r.err).startsWith(QString::fromUtf8(c.message))) << r.err.toStdString();
    }
}

TEST_F(CodeCommand, MissingOrBrokenConfigurationIsReported)
{
    QFile::remove(m_dir.filePath(QStringLiteral("Config/cfg.xml")));
    test::RunResult r = run({});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains("cfg.xml")) << r.err.toStdString();

    QFile broken(m_dir.filePath(QStringLiteral("Config/cfg.xml")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Configuration><Systemes>\r\n");
    broken.close();
    r = run({});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_FALSE(r.err.trimmed().isEmpty());
}

TEST_F(CodeCommand, ConfigurationWithoutSystemsFails)
{
    QFile cfg(m_dir.filePath(QStringLiteral("Config/cfg.xml")));
    ASSERT_TRUE(cfg.open(QIODevice::WriteOnly));
    cfg.write(
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Configuration><Systemes/><Lieux/></Configuration>\r\n");
    cfg.close();
    const test::RunResult r = run({});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(r.err).trimmed(), QStringLiteral("List index out of bounds (-1)"));
}

} // namespace
