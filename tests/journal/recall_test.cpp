// The recall report and the machine-readable listings: what a quality manager hands over (every sheet
// that carried a code or a lot, every read of it, labels printed against labels read) on the screen,
// in CSV, JSON and on paper; and the CSV and JSON of the command line, the same bytes whatever the
// regional settings.
#include "journal/journalfixture.h"

#include "journal/paperreport.h"
#include "journal/recall.h"
#include "support/testsupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

using namespace pelorin;
using namespace pelorin::journal;
using pelorin::test::JournalTest;
using pelorin::test::sampleEntry;

namespace {

const QString kLotCode = QStringLiteral("S25034515LAV5930033906");
const QString kOtherOfLot = QStringLiteral("S25034515LAV5930033907");
const QString kElsewhere = QStringLiteral("B25012515ROS5901612524");

// A lot of two codes: the first printed twice (8 labels, then 8 labels on 2 copies: 24 in all) and
// read 3 times, and exported to PDF once (no label on paper); the second printed once (4 labels) and
// read 6 times; and a code of another lot, printed and read, which the recall leaves out.
QList<Entry> lotEntries()
{
    QList<Entry> entries;
    int n = 0;
    const auto print = [&](const QString& code, int labels, int copies, Medium medium) {
        Entry e = sampleEntry(EntryKind::Print, n++, code);
        e.labelCount = labels;
        e.copies = copies;
        e.labelTotal = medium == Medium::PdfFile ? 0 : labels * copies;
        e.medium = medium;
        e.output = medium == Medium::PdfFile ? QStringLiteral("/tmp/lot.pdf") : QStringLiteral("Zebra-Quai-2");
        entries << e;
    };
    const auto scan = [&](const QString& code, int times) {
        for (int i = 0; i < times; ++i) {
            Entry e = sampleEntry(EntryKind::Scan, n++, code);
            e.source = QStringLiteral("RS-232 /dev/ttyUSB0");
            entries << e;
        }
    };
    print(kLotCode, 8, 1, Medium::Printer);
    print(kLotCode, 8, 2, Medium::Printer);
    print(kLotCode, 8, 1, Medium::PdfFile);
    print(kOtherOfLot, 4, 1, Medium::Printer);
    scan(kLotCode, 3);
    scan(kOtherOfLot, 6);
    print(kElsewhere, 10, 1, Medium::Printer);
    scan(kElsewhere, 1);
    return entries;
}

QString pdfText(const QString& pdf)
{
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    text.waitForFinished(60000);
    return QString::fromUtf8(text.readAllStandardOutput());
}

class RecallReport : public JournalTest
{
protected:
    void SetUp() override
    {
        JournalTest::SetUp();
        if (IsSkipped())
            return;
        QFile cfg(test::fixture(QStringLiteral("scan/cfg.xml")));
        ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
        m_data.write(QStringLiteral("Config/cfg.xml"), cfg.readAll());
        useDataFolderJournal(m_data.path());
        open()->insert(lotEntries());
    }
    test::RunResult run(const QStringList& args)
    {
        return test::runPelorin(QStringList{QStringLiteral("journal"), QStringLiteral("--data"), m_data.path()} + args);
    }

    test::TempDataFolder m_data;
};

} // namespace

// The lot's prints and reads are all there, the other lot's none; the totals count labels, copies
// included, a PDF export none, and the differences are summed code by code.
TEST_P(RecallReport, CountsTheLabelsOfEveryCodeOfTheLot)
{
    const test::RunResult r = run({QStringLiteral("--recall"), QStringLiteral("S25034515LAV59300339"),
                                   QStringLiteral("--format"), QStringLiteral("json")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    QJsonParseError error;
    const QJsonObject report = QJsonDocument::fromJson(r.out, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.constData();
    EXPECT_EQ(report[QLatin1String("recall")].toString(), QStringLiteral("S25034515LAV59300339"));
    EXPECT_TRUE(QDateTime::fromString(report[QLatin1String("time")].toString(), Qt::ISODateWithMs).isValid());

    const QJsonArray prints = report[QLatin1String("prints")].toArray();
    ASSERT_EQ(prints.size(), 4);
    for (const QJsonValue& p : prints) {
        EXPECT_TRUE(p[QLatin1String("code")].toString().startsWith(QStringLiteral("S25034515LAV59300339")));
        EXPECT_TRUE(p[QLatin1String("time")].toString().endsWith(u'Z'))
            << p[QLatin1String("time")].toString().toStdString();
        EXPECT_EQ(p[QLatin1String("model")].toString(), QStringLiteral("Etiq65.ETQ"));
    }
    EXPECT_EQ(report[QLatin1String("scans")].toArray().size(), 9);
    EXPECT_EQ(report[QLatin1String("scans")].toArray()[0][QLatin1String("source")].toString(),
              QStringLiteral("RS-232 /dev/ttyUSB0"));

    const QJsonArray codes = report[QLatin1String("codes")].toArray();
    ASSERT_EQ(codes.size(), 2);
    const struct
    {
        QString code;
        int printed, scanned, missing, unexpected;
    } expected[] = {{kLotCode, 24, 3, 21, 0}, {kOtherOfLot, 4, 6, 0, 2}};
    for (int i = 0; i < 2; ++i) {
        const QJsonObject c = codes[i].toObject();
        EXPECT_EQ(c[QLatin1String("code")].toString(), expected[i].code);
        EXPECT_EQ(c[QLatin1String("printed")].toInt(), expected[i].printed) << i;
        EXPECT_EQ(c[QLatin1String("scanned")].toInt(), expected[i].scanned) << i;
        EXPECT_EQ(c[QLatin1String("missing")].toInt(), expected[i].missing) << i;
        EXPECT_EQ(c[QLatin1String("unexpected")].toInt(), expected[i].unexpected) << i;
    }
    const QJsonObject total = report[QLatin1String("total")].toObject();
    EXPECT_EQ(total[QLatin1String("printed")].toInt(), 28);
    EXPECT_EQ(total[QLatin1String("scanned")].toInt(), 9);
    EXPECT_EQ(total[QLatin1String("missing")].toInt(), 21);
    EXPECT_EQ(total[QLatin1String("unexpected")].toInt(), 2);
}

// The screen and the CSV give the same three tables; the CSV's records are RFC 4180 with ISO times.
TEST_P(RecallReport, WritesThreeTablesToTheScreenAndToCsv)
{
    const struct
    {
        const char* format;
        QChar separator;
        const char* lineEnd;
    } shapes[] = {{"tsv", u'\t', "\n"}, {"csv", u',', "\r\n"}};
    for (const auto& s : shapes) {
        const test::RunResult r = run({QStringLiteral("--recall"), QStringLiteral("S25034515LAV59300339"),
                                       QStringLiteral("--format"), QLatin1String(s.format)});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const QStringList blocks = QString::fromUtf8(r.out).split(QLatin1String(s.lineEnd) + QLatin1String(s.lineEnd));
        ASSERT_EQ(blocks.size(), 3) << s.format << r.out.constData();
        const QStringList prints = blocks[0].split(QLatin1String(s.lineEnd));
        const QStringList scans = blocks[1].split(QLatin1String(s.lineEnd));
        const QStringList totals = blocks[2].split(QLatin1String(s.lineEnd), Qt::SkipEmptyParts);
        EXPECT_EQ(prints.size(), 1 + 4) << s.format;
        EXPECT_EQ(scans.size(), 1 + 9) << s.format;
        ASSERT_EQ(totals.size(), 1 + 2 + 1) << s.format;
        EXPECT_EQ(prints[0].split(s.separator), Recall::printHeaders()) << s.format;
        EXPECT_EQ(totals.last(), QStringList({"Total", "28", "9", "21", "2"}).join(s.separator)) << s.format;
        if (QLatin1String(s.format) == QLatin1String("csv")) {
            EXPECT_TRUE(prints[1].startsWith(QStringLiteral("2026-03-01T08:0"))) << prints[1].toStdString();
        }
    }
}

// On paper: the title, the filter, the time of the report, every code and time whole, page numbers,
// however many rows.
TEST_P(RecallReport, PutsEveryCodeAndTimeWholeOnNumberedPages)
{
    // enough reads for several pages
    QList<Entry> many;
    for (int i = 0; i < 150; ++i) {
        Entry e = sampleEntry(EntryKind::Scan, 100 + i, kLotCode);
        e.source = QStringLiteral("fichier relevé du quai numéro %1 avec un nom de fichier très long.SCB").arg(i);
        many << e;
    }
    open()->insert(many);
    const QString pdf = folder() + QStringLiteral("/rappel.pdf");
    const test::RunResult r =
        run({QStringLiteral("--recall"), QStringLiteral("S25034515LAV59300339"), QStringLiteral("-o"), pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QString text = pdfText(pdf);
    ASSERT_FALSE(text.isEmpty());
    EXPECT_TRUE(text.contains(QStringLiteral("Rappel : « S25034515LAV59300339 »"))) << text.left(400).toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Filtre : code contenant « S25034515LAV59300339 »")));
    EXPECT_TRUE(text.contains(QStringLiteral("Établi le ")));
    EXPECT_FALSE(text.contains(u'…'));
    // every read's code and time, whole
    EXPECT_GE(text.count(kLotCode), 3 + 150 + 3);
    EXPECT_GE(text.count(QRegularExpression(QStringLiteral("\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d"))), 4 + 9 + 150);
    // every read's source whole: each number once
    for (int i : {0, 73, 149})
        EXPECT_TRUE(text.contains(QStringLiteral("numéro %1 ").arg(i)) ||
                    text.contains(QStringLiteral("numéro %1\n").arg(i)))
            << i;
    EXPECT_TRUE(text.contains(QStringLiteral("Page 1")));
    EXPECT_TRUE(text.contains(QStringLiteral("Page 3")));
    EXPECT_TRUE(text.contains(QStringLiteral("Lectures (suite)")));
}

TEST_P(RecallReport, RefusesWhatItCannotDo)
{
    const struct
    {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"--recall", ""}, "le texte à chercher est vide"},
        {{"--recall", "S25", "--reconcile"}, "--recall ne va ni avec --reconcile"},
        {{"--recall", "S25", "-o", "rappel.txt"}, "n'est pas un fichier PDF"},
        {{"-o", "rappel.pdf"}, "-o ne sert qu'avec --recall"},
    };
    for (const auto& c : cases) {
        const test::RunResult r = run(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.message;
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(QString::fromUtf8(c.message))) << r.err.constData();
    }
}

// The machine-readable listings (CSV and JSON of journal, reconcile, recall and decode) are the same
// bytes under every regional setting: ISO 8601 dates and times, one CSV dialect.
TEST_P(RecallReport, MachineOutputIsTheSameUnderEveryRegionalSetting)
{
    const QString lot = QStringLiteral("S25034515LAV59300339");
    const QList<QStringList> commands = {
        {"journal", "--format", "csv"},
        {"journal", "--format", "json"},
        {"journal", "--reconcile", "--format", "csv"},
        {"journal", "--unscanned", "--format", "json"},
        {"journal", "--recall", lot, "--format", "csv"},
        {"decode", "--format", "csv", kLotCode},
        {"decode", "--format", "json", kLotCode},
    };
    const char* const locales[] = {"C", "fr_FR.UTF-8", "en_US.UTF-8", "de_DE.UTF-8"};
    const QByteArray lcAll = qgetenv("LC_ALL"), lang = qgetenv("LANG");
    for (const QStringList& command : commands) {
        QByteArray first;
        for (const char* locale : locales) {
            qputenv("LC_ALL", locale);
            qputenv("LANG", locale);
            // the program's options may come before the command
            const test::RunResult r = test::runPelorin(QStringList{QStringLiteral("--data"), m_data.path()} + command);
            // a field of the code that the lists do not name reads "Erreur" (status 3): the output is whole
            ASSERT_TRUE(r.exitCode == 0 || (command[0] == QLatin1String("decode") && r.exitCode == 3))
                << command.join(u' ').toStdString() << locale << r.err.constData();
            if (first.isNull())
                first = r.out;
            EXPECT_EQ(r.out, first) << command.join(u' ').toStdString() << " under " << locale;
            EXPECT_FALSE(r.out.contains("05/12/2006")) << command.join(u' ').toStdString();
        }
    }
    qputenv("LC_ALL", lcAll);
    qputenv("LANG", lang);
}

PELORIN_BOTH_ENGINES(RecallReport);

// A table of many rows with long texts: on paper every text whole, nothing drawn over another.
TEST(PaperReport, WrapsLongCellsAndNumbersItsPages)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("table.pdf"));
    {
        PaperReport report(pdf, QStringLiteral("Essai"), {QStringLiteral("Filtre : aucun (tout le journal)")});
        report.table(QStringLiteral("Lignes"), {QStringLiteral("N°"), QStringLiteral("Code"), QStringLiteral("Texte")});
        for (int i = 0; i < 120; ++i)
            report.row({QString::number(i), QStringLiteral("B25012515LAV5930033906"),
                        QStringLiteral("mot%1 ").arg(i).repeated(30)});
        report.finish();
    }
    const QString text = pdfText(pdf);
    EXPECT_EQ(text.count(QStringLiteral("B25012515LAV5930033906")), 120);
    // each long text wrapped onto several lines, none cut: its 30 words are all there
    for (int i : {0, 59, 119})
        EXPECT_EQ(text.count(QRegularExpression(QStringLiteral("\\bmot%1\\b").arg(i))), 30) << i;
    EXPECT_TRUE(text.contains(QStringLiteral("Lignes (suite)")));
    const int pages = int(text.count(u'\f'));
    EXPECT_GE(pages, 3);
    EXPECT_TRUE(text.contains(QStringLiteral("Page %1").arg(pages)));

    // an unfinished report leaves no file
    const QString unfinished = dir.filePath(QStringLiteral("unfinished.pdf"));
    {
        PaperReport report(unfinished, QStringLiteral("Essai"), {});
        report.table(QString(), {QStringLiteral("A")});
        report.row({QStringLiteral("1")});
    }
    EXPECT_FALSE(QFile::exists(unfinished));
    EXPECT_FALSE(QFile::exists(unfinished + QStringLiteral(".part")));
}
