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
        {{"--packaging", "Savons", "--layers", "6", "--rows", "1", "--date", "2006-01-01"}, "B00061100LAV5930000106"},
        {{"--packaging", "Briquette double", "--layers", "3", "--date", "2006-01-01"}, "B00002100LAV5930000106"},
        {{"--system", "Savon", "--perfume", "lavande", "--place", "Écaillon", "--ral", "7032", "--date", "2006-01-01"},
         "S00006732LVX5917600106"},
        {{"--place", "Condé", "--date", "2006-01-01"}, "B00006100LAV5916300106"},
        // typed in upper case, as "Code manuel" holds it; 18 characters fit whole
        {{"--manual", "b250-manuel-court"}, "B250-MANUEL-COURT"},
        {{"--manual", "b25012515lav593003"}, "B25012515LAV593003"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const test::RunResult r = run(c.args);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(QString::fromUtf8(r.out), QLatin1String(c.code) + u'\n');
    }
}

// A system letter stored in lower case is printed as stored, as the main window shows it.
TEST_F(CodeCommand, ALowerCaseSystemLetterIsPrintedAsStored)
{
    QFile cfg(m_dir.filePath(QStringLiteral("Config/cfg.xml")));
    ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
    const QByteArray bytes = cfg.readAll().replace("<Code>S</Code>", "<Code>s</Code>");
    cfg.close();
    ASSERT_TRUE(cfg.open(QIODevice::WriteOnly | QIODevice::Truncate));
    cfg.write(bytes);
    cfg.close();
    const test::RunResult r = run({"--system", "Savon", "--date", "2006-01-01"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(r.out), QStringLiteral("s00006100LAV5930000106\n"));
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

// What the main window's fields refuse is a usage error (status 2, the fault then the usage line),
// found before anything is looked up; a name the lists do not hold is an error of the data (status 1).
TEST_F(CodeCommand, RefusesWhatTheProgramRefuses)
{
    const struct
    {
        QStringList args;
        int status;
        const char* message;
    } cases[] = {
        {{"--perfume", "Rose"}, 1, "Parfum inconnu : « Rose »"},
        {{"--perfume", "LAVANDE"}, 1, "Parfum inconnu : « LAVANDE »"},
        {{"--place", "anzin"}, 1, "Lieu de production inconnu : « anzin »"},
        {{"--system", "Cire"}, 1, "Système inconnu : « Cire »"},
        {{"--packaging", "Boites de 24"}, 1, "Conditionnement inconnu : « Boites de 24 »"},
        {{"--ral", "1010"}, 1, "Couleur RAL inconnue : « 1010 »"},
        // the mass field holds three digits, no sign, no decimal: nothing is cut nor padded into a mass
        {{"--mass", "-5"}, 2, "--mass : la masse en grammes, de un à 3 chiffres sans signe ni virgule, pas « -5 »"},
        {{"--mass", "+5"}, 2, "--mass : la masse en grammes, de un à 3 chiffres sans signe ni virgule, pas « +5 »"},
        {{"--mass", "1234"}, 2, "--mass : la masse en grammes, de un à 3 chiffres sans signe ni virgule, pas « 1234 »"},
        {{"--mass", "2.5"}, 2, "--mass : la masse en grammes, de un à 3 chiffres sans signe ni virgule, pas « 2.5 »"},
        {{"--mass", "1,5"}, 2, "--mass : la masse en grammes, de un à 3 chiffres sans signe ni virgule, pas « 1,5 »"},
        {{"--mass", ""}, 2, "--mass : la masse en grammes, de un à 3 chiffres sans signe ni virgule, pas «  »"},
        // layers and rows: one digit from 1 to 6, whatever the packaging
        {{"--packaging", "Savons", "--layers", "10"}, 2, "--layers : le nombre de couches, de 1 à 6, pas « 10 »"},
        {{"--packaging", "Savons", "--layers", "0"}, 2, "--layers : le nombre de couches, de 1 à 6, pas « 0 »"},
        {{"--packaging", "Savons", "--layers", "deux"}, 2, "--layers : le nombre de couches, de 1 à 6, pas « deux »"},
        {{"--rows", "7"}, 2, "--rows : le nombre de rangs, de 1 à 6, pas « 7 »"},
        {{"--rows", "-1"}, 2, "--rows : le nombre de rangs, de 1 à 6, pas « -1 »"},
        // a manual code longer than "Code manuel" holds would be printed cut
        {{"--manual", "b250-manuel-trop-long-pour-la-zone"},
         2,
         "--manual : au plus 18 caractères, comme le champ « Code manuel », pas 34 "
         "(« b250-manuel-trop-long-pour-la-zone »)"},
        {{"--manual", "B25012515LAV5930033"}, 2, "--manual : au plus 18 caractères"},
        {{"--date", "2007-02-29"}, 2, "--date : date invalide « 2007-02-29 » (AAAA-MM-JJ, une date qui existe)"},
        {{"--date", "29/02/2008"}, 2, "--date : date invalide « 29/02/2008 »"},
        {{"--mass"}, 2, "--mass : valeur manquante"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const test::RunResult r = run(c.args);
        EXPECT_EQ(r.exitCode, c.status) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        const QStringList lines = QString::fromUtf8(r.err).split(u'\n');
        EXPECT_TRUE(lines.first().startsWith(QString::fromUtf8(c.message))) << r.err.toStdString();
        // a usage error is followed by the usage line
        EXPECT_EQ(lines.size() > 1 && lines[1].startsWith(QStringLiteral("Utilisation : pelorin code")), c.status == 2)
            << r.err.toStdString();
    }
}

// render and print take the same selections and refuse the same values, before any page is built,
// any file written or any printer asked.
TEST_F(CodeCommand, EveryCommandTakingTheSelectionsRefusesTheSame)
{
    const QString pdf = m_dir.filePath(QStringLiteral("page.pdf"));
    const struct
    {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"render", "--mass", "-5", "-o", pdf}, "--mass : la masse en grammes"},
        {{"render", "--manual", "B25012515LAV593003390", "-o", pdf}, "--manual : au plus 18 caractères"},
        {{"print", "--layers", "9", "--printer", "Absente"}, "--layers : le nombre de couches, de 1 à 6, pas « 9 »"},
        {{"print", "--mass", "2500", "--printer", "Absente"}, "--mass : la masse en grammes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const test::RunResult r = test::runPelorin(c.args + QStringList{QStringLiteral("--data"), m_dir.path()});
        EXPECT_EQ(r.exitCode, 2) << r.err.toStdString();
        EXPECT_TRUE(QString::fromUtf8(r.err).startsWith(QString::fromUtf8(c.message))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_FALSE(QFile::exists(pdf));
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
