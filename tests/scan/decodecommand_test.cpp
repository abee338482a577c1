#include "support/testsupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
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
    // some fields read "Erreur": every code is written, and the status says that not all decoded
    EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
    EXPECT_EQ(
        QString::fromUtf8(r.out),
        QStringLiteral("P250061000031234507406\tPâte à modeler\t250 gr\tBoite de 6\tRAL 1000\tLavande\t"
                       "Usine du Nord\t15/03/2006\n"
                       "S500235150031234532107\tSavon\t500 gr\t2 couche(s) / 3 rang(s)\tRAL 5015\tLavande\t"
                       "Usine du Nord\t17/11/2007\n"
                       "s2a006100lav1234 00149\tErreur\tErreur\tBoite de 6\tRAL 1000\tErreur\tErreur\t01/01/2049\n"
                       "P25\tPâte à modeler\t\tErreur\tErreur\tErreur\tErreur\t\n"));
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
}

TEST_F(DecodeCommandTest, ExitStatusTellsWhetherEveryCodeDecoded)
{
    const struct
    {
        QStringList args;
        int status;
    } cases[] = {
        {{"P250061000031234507406", "S500235150031234532107"}, 0},
        {{"P250061000031234507406", "s2a006100lav1234 00149"}, 3}, // fields read "Erreur"
        {{"P250061000031234536606"}, 3},                           // day 366 of 2006
        {{"--scb", "absent.SCB"}, 1},
        {{}, 2},
        {{"--format", "xml", "P250061000031234507406"}, 2},
        {{"--scb", "a.SCB", "P250061000031234507406"}, 2},
    };
    for (const auto& c : cases) {
        const test::RunResult r = decode(c.args);
        EXPECT_EQ(r.exitCode, c.status) << c.args.join(u' ').toStdString() << ": " << r.err.toStdString();
    }
}

TEST_F(DecodeCommandTest, DateErrorLeavesTheDateEmptyAndGoesOn)
{
    const test::RunResult r =
        decode({QStringLiteral("P250061000031234536606"), QStringLiteral("P250061000031234536604")});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(r.out),
              QStringLiteral("P250061000031234536606\tPâte à modeler\t250 gr\tBoite de 6\tRAL 1000\tLavande\t"
                             "Usine du Nord\t\n"
                             "P250061000031234536604\tPâte à modeler\t250 gr\tBoite de 6\tRAL 1000\tLavande\t"
                             "Usine du Nord\t31/12/2004\n"));
    EXPECT_EQ(r.err, QByteArray("Date impossible : jour 366 de l'année 2006\n"));
}

TEST_F(DecodeCommandTest, ReadsTheCodesOfAnScbFile)
{
    const QString expected =
        QStringLiteral("P250061000031234507406\tPâte à modeler\t250 gr\tBoite de 6\tRAL 1000\tLavande\t"
                       "Usine du Nord\t15/03/2006\n"
                       "S50006100LAV1234536604\tSavon\t500 gr\t0 couche(s) / 6 rang(s)\tRAL 1000\tCœur & Rose\t"
                       "Usine du Nord\t31/12/2004\n");
    // as the program writes it, and as another tool writes it, ending with its last code
    const QByteArray sheets[] = {
        "ScanCode\r\nP250061000031234507406\r\nS50006100LAV1234536604\r\n\r\n",
        "ScanCode\r\nP250061000031234507406\r\nS50006100LAV1234536604\r\n",
        "ScanCode\nP250061000031234507406\nS50006100LAV1234536604",
    };
    for (const QByteArray& sheet : sheets) {
        m_data.write(QStringLiteral("codes.SCB"), sheet);
        const test::RunResult r = decode({QStringLiteral("--scb"), m_data.file(QStringLiteral("codes.SCB"))});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(QString::fromUtf8(r.out), expected) << sheet.toStdString();
        const test::RunResult piped = test::runPelorin({QStringLiteral("decode"), QStringLiteral("--data"),
                                                        m_data.path(), QStringLiteral("--scb"), QStringLiteral("-")},
                                                       60000, sheet);
        EXPECT_EQ(piped.exitCode, 0) << piped.err.toStdString();
        EXPECT_EQ(QString::fromUtf8(piped.out), expected) << sheet.toStdString();
    }
}

// "-" reads the codes, or a whole sheet with --scb -, from standard input; CR LF and LF alike.
TEST_F(DecodeCommandTest, ReadsCodesAndSheetsFromStandardInput)
{
    const QString expected = QStringLiteral("P250061000031234507406\tPâte à modeler\t250 gr\tBoite de 6\tRAL 1000\t"
                                            "Lavande\tUsine du Nord\t15/03/2006\n"
                                            "S50006100LAV1234536604\tSavon\t500 gr\t0 couche(s) / 6 rang(s)\tRAL 1000\t"
                                            "Cœur & Rose\tUsine du Nord\t31/12/2004\n");
    const QByteArray inputs[] = {"P250061000031234507406\r\nS50006100LAV1234536604\r\n",
                                 "P250061000031234507406\nS50006100LAV1234536604",
                                 "\r\nP250061000031234507406\r\n\r\nS50006100LAV1234536604\r\n\r\n"};
    for (const QByteArray& input : inputs) {
        const test::RunResult r = test::runPelorin(
            {QStringLiteral("decode"), QStringLiteral("--data"), m_data.path(), QStringLiteral("-")}, 60000, input);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(QString::fromUtf8(r.out), expected) << input.toStdString();
    }
    const test::RunResult sheet =
        test::runPelorin({QStringLiteral("decode"), QStringLiteral("--data"), m_data.path(), QStringLiteral("--scb"),
                          QStringLiteral("-")},
                         60000, "ScanCode\r\nP250061000031234507406\r\nS50006100LAV1234536604\r\n\r\n");
    EXPECT_EQ(sheet.exitCode, 0) << sheet.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(sheet.out), expected);
}

// CSV: a header, records ended by CR LF, a field with a comma, a quote or a line break between
// quotes with its quotes doubled (RFC 4180); the soap packaging is one line like every field.
TEST_F(DecodeCommandTest, CsvQuotesAsRfc4180)
{
    QByteArray cfg = m_data.read(QStringLiteral("Config/cfg.xml"));
    cfg.replace("&amp; Rose", "&amp; Rose, &quot;ancienne&quot;");
    m_data.write(QStringLiteral("Config/cfg.xml"), cfg);
    const test::RunResult r =
        decode({QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("P250061000031234507406"),
                QStringLiteral("S50006100LAV1234536604")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(r.out),
              QStringLiteral("ScanCode,Système,Masse,Boite,Couleur,Parfum,Usine,Date\r\n"
                             "P250061000031234507406,Pâte à modeler,250 gr,Boite de 6,RAL 1000,Lavande,Usine du Nord,"
                             "2006-03-15\r\n"
                             "S50006100LAV1234536604,Savon,500 gr,0 couche(s) / 6 rang(s),RAL 1000,"
                             "\"Cœur & Rose, \"\"ancienne\"\"\",Usine du Nord,2004-12-31\r\n"));
}

// A read that holds a tab stays one cell of its TSV line, and a read a spreadsheet would take for a
// formula is written behind an apostrophe in CSV, as the journal writes them.
TEST_F(DecodeCommandTest, HostileReadsStayCellsAndNeverFormulas)
{
    const struct
    {
        const char* code;
        const char* tsvCell;
        const char* csvCell;
    } cases[] = {
        {"B2501\t2515LAV5930033906", "B2501 2515LAV5930033906", "B2501\t2515LAV5930033906"},
        {"=HYPERLINK(\"x\")", "=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"+33612345678", "+33612345678", "'+33612345678"},
        {"-2+3", "-2+3", "'-2+3"},
        {"@SUM(A1)", "@SUM(A1)", "'@SUM(A1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        // after "--", a read beginning with "-" is no option
        test::RunResult r = decode({QStringLiteral("--"), QString::fromUtf8(c.code)});
        const QStringList tsv = QString::fromUtf8(r.out).split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(tsv.size(), 1) << r.out.constData();
        const QStringList cells = tsv[0].split(u'\t');
        EXPECT_EQ(cells.size(), 8) << tsv[0].toStdString();
        EXPECT_EQ(cells.value(0), QString::fromUtf8(c.tsvCell));
        r = decode(
            {QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--"), QString::fromUtf8(c.code)});
        const QStringList csv = QString::fromUtf8(r.out).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        ASSERT_EQ(csv.size(), 2) << r.out.constData();
        EXPECT_TRUE(csv[1].startsWith(QString::fromUtf8(c.csvCell) + u',')) << csv[1].toStdString();
    }
}

// JSON: one array, one object per code with named fields (the words of the journal's listings), the
// texts as decoded, the production day in ISO 8601.
TEST_F(DecodeCommandTest, JsonHasOneObjectPerCode)
{
    const test::RunResult r = decode({QStringLiteral("--format"), QStringLiteral("json"),
                                      QStringLiteral("S50006100LAV1234536604"), QStringLiteral("P25")});
    EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(r.out, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
    ASSERT_TRUE(document.isArray());
    const QJsonArray codes = document.array();
    ASSERT_EQ(codes.size(), 2);
    const QJsonObject soap = codes[0].toObject();
    EXPECT_EQ(soap.keys(),
              QStringList({"code", "colour", "date", "factory", "mass", "packaging", "perfume", "system"}));
    EXPECT_EQ(soap[QStringLiteral("code")].toString(), QStringLiteral("S50006100LAV1234536604"));
    EXPECT_EQ(soap[QStringLiteral("system")].toString(), QStringLiteral("Savon"));
    EXPECT_EQ(soap[QStringLiteral("packaging")].toString(), QStringLiteral("0 couche(s) / 6 rang(s)"));
    EXPECT_EQ(soap[QStringLiteral("perfume")].toString(), QStringLiteral("Cœur & Rose"));
    EXPECT_EQ(soap[QStringLiteral("date")].toString(), QStringLiteral("2004-12-31"));
    EXPECT_EQ(codes[1].toObject()[QStringLiteral("factory")].toString(), QStringLiteral("Erreur"));
    EXPECT_EQ(codes[1].toObject()[QStringLiteral("mass")].toString(), QString());

    const test::RunResult none =
        test::runPelorin({QStringLiteral("decode"), QStringLiteral("--data"), m_data.path(), QStringLiteral("--format"),
                          QStringLiteral("json"), QStringLiteral("-")},
                         60000, "\r\n");
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_TRUE(QJsonDocument::fromJson(none.out).isArray()) << none.out.toStdString();
}

// "-" answers each line as it comes: a scanner piped in sees the first result before its input ends,
// in every format; a line far too long for a code is passed over with a message, not held whole.
TEST_F(DecodeCommandTest, AnswersEachLineOfStandardInputBeforeTheInputEnds)
{
    const struct
    {
        const char* format;
        const char* firstResult;
    } cases[] = {
        {"tsv", "P250061000031234507406\tPâte à modeler"},
        {"csv", "P250061000031234507406,Pâte à modeler"},
        {"json", "\"code\":\"P250061000031234507406\""},
    };
    for (const auto& c : cases) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(PELORIN_BINARY),
                {QStringLiteral("decode"), QStringLiteral("--data"), m_data.path(), QStringLiteral("--format"),
                 QLatin1String(c.format), QStringLiteral("-")});
        ASSERT_TRUE(p.waitForStarted(10000));
        p.write("P250061000031234507406\r\n");
        QByteArray out;
        // the input stays open: the result must come without it ending
        while (!out.contains(c.firstResult) && p.waitForReadyRead(30000))
            out += p.readAllStandardOutput();
        EXPECT_TRUE(QString::fromUtf8(out).contains(QString::fromUtf8(c.firstResult))) << c.format << out.constData();
        EXPECT_EQ(p.state(), QProcess::Running) << c.format;
        p.write(QByteArray(200 * 1024, 'A') + "\nS50006100LAV1234536604\n");
        p.closeWriteChannel();
        ASSERT_TRUE(p.waitForFinished(30000));
        out += p.readAllStandardOutput();
        EXPECT_EQ(p.exitCode(), 3) << c.format;
        EXPECT_TRUE(out.contains("S50006100LAV1234536604")) << c.format;
        EXPECT_FALSE(out.contains("AAAA")) << c.format;
        EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("ce n'est pas un code")))
            << c.format;
        if (QLatin1String(c.format) == QLatin1String("json")) {
            EXPECT_EQ(QJsonDocument::fromJson(out).array().size(), 2) << out.constData();
        }
    }
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
