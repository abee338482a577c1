// What the journal writes for others, byte for byte: the command line's TSV, CSV and JSON, the CSV
// exports in both encodings and the PDF exports' text, for the entries and both reconciliation views.
// The same journal gives the same bytes on both engines, and the files people keep (scripts reading the
// TSV, spreadsheets opening the CSV) see the same columns in the same order from one version to the next.
#include "journal/journalfixture.h"

#include "journal/export.h"
#include "journal/search.h"
#include "support/testsupport.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTimeZone>
#include <ctime>

using namespace pelorin;
using namespace pelorin::journal;
using pelorin::test::JournalTest;
using pelorin::test::sampleEntry;

namespace {

// Entries whose texts hold what each format must quote or replace: separators, quotes, tabs, line
// breaks, formula starts, accents and characters outside Windows-1252.
QList<Entry> outputEntries()
{
    const QString whole = QStringLiteral("B25012515LAV5930033906");
    QList<Entry> entries;

    Entry printer = sampleEntry(EntryKind::Print, 0, whole);
    printer.id = QStringLiteral("00000000-0000-4000-8000-000000000001");
    printer.at = QDateTime(QDate(2026, 3, 1), QTime(8, 0, 0, 123), Qt::UTC);
    printer.operatorText = QStringLiteral("Lot d'été « spécial »; n°2");
    printer.firstText = QStringLiteral("=1+2");
    printer.lastText = QStringLiteral("ligne 1\r\nligne 2");
    printer.medium = Medium::Printer;
    printer.output = QStringLiteral("PDF");
    entries << printer;

    Entry pdf = sampleEntry(EntryKind::Print, 1, QStringLiteral("A'B%C\"D\tE"));
    pdf.id = QStringLiteral("00000000-0000-4000-8000-000000000002");
    pdf.at = QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC);
    pdf.user = QStringLiteral("@admin");
    pdf.decoded[4] = QStringLiteral("Œillet € Ω");
    pdf.labels = QStringLiteral("7");
    pdf.labelCount = 1;
    pdf.firstText = QString();
    pdf.lastText = QStringLiteral("-5");
    pdf.medium = Medium::PdfFile;
    pdf.output = QStringLiteral("/tmp/page « € ».pdf");
    entries << pdf;

    Entry scan = sampleEntry(EntryKind::Scan, 2, whole);
    scan.id = QStringLiteral("00000000-0000-4000-8000-000000000003");
    scan.at = QDateTime(QDate(2026, 3, 2), QTime(23, 59, 59, 999), Qt::UTC);
    scan.source = QStringLiteral("clavier");
    entries << scan;

    Entry unprinted = sampleEntry(EntryKind::Scan, 3, QStringLiteral("C99012515ROS5901612524"));
    unprinted.id = QStringLiteral("00000000-0000-4000-8000-000000000004");
    unprinted.at = QDateTime(QDate(2026, 3, 3), QTime(0, 0), Qt::UTC);
    unprinted.decoded[4] = QStringLiteral("Rose; \"ancienne\"");
    unprinted.source = QStringLiteral("RS-232 /dev/ttyUSB0");
    entries << unprinted;
    return entries;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class JournalOutput : public JournalTest
{
protected:
    void SetUp() override
    {
        JournalTest::SetUp();
        if (IsSkipped())
            return;
        // the shown times are local: one zone for every machine, for this process and the program it runs
        m_tz = qgetenv("TZ");
        qputenv("TZ", "Europe/Paris");
        ::tzset();
        useDataFolderJournal(m_data.path());
        open()->insert(outputEntries());
    }
    void TearDown() override
    {
        if (m_tz.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", m_tz);
        ::tzset();
        JournalTest::TearDown();
    }
    QByteArray run(const QStringList& args)
    {
        const test::RunResult r =
            test::runPelorin(QStringList{QStringLiteral("journal"), QStringLiteral("--data"), m_data.path()} + args);
        EXPECT_EQ(r.exitCode, 0) << args.join(u' ').toStdString() << r.err.constData();
        return r.out;
    }
    void expectFixture(const QByteArray& actual, const QString& name)
    {
        // PELORIN_UPDATE_FIXTURES=1 writes what the program gives now, for a change of output made on
        // purpose: the fixture's diff then shows exactly what changed
        if (qEnvironmentVariableIntValue("PELORIN_UPDATE_FIXTURES") == 1) {
            QFile out(test::fixture(QStringLiteral("journal/") + name));
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(actual);
        }
        const QByteArray expected = readAll(test::fixture(QStringLiteral("journal/") + name));
        ASSERT_FALSE(expected.isEmpty()) << name.toStdString();
        EXPECT_EQ(actual, expected) << name.toStdString() << ":\n" << actual.constData();
    }

    test::TempDataFolder m_data;
    QByteArray m_tz;
};

} // namespace

TEST_P(JournalOutput, TheCommandLineWritesEveryViewAsBefore)
{
    const struct
    {
        QStringList args;
        const char* fixture;
    } cases[] = {
        {{}, "entries.tsv"},
        {{"--format", "csv"}, "entries.csv"},
        {{"--format", "json"}, "entries.json"},
        {{"--unscanned"}, "unscanned.tsv"},
        {{"--unprinted", "--format", "csv"}, "unprinted.csv"},
        {{"--unprinted", "--format", "json"}, "unprinted.json"},
    };
    for (const auto& c : cases)
        expectFixture(run(c.args), QString::fromLatin1(c.fixture));
}

TEST_P(JournalOutput, TheExportsWriteEveryViewAsBefore)
{
    auto db = open();
    Search search(*db, {});
    const QString csv = folder() + QStringLiteral("/journal.csv");
    exportCsv(search, View::Entries, csv, CsvEncoding::Windows1252);
    expectFixture(readAll(csv), QStringLiteral("entries-cp1252.csv"));
    exportCsv(search, View::PrintedNotScanned, csv, CsvEncoding::Utf8Bom);
    expectFixture(readAll(csv), QStringLiteral("unscanned-bom.csv"));

    const struct
    {
        View view;
        const char* fixture;
    } pdfs[] = {{View::Entries, "entries.pdf.txt"}, {View::ScannedNotPrinted, "unprinted.pdf.txt"}};
    for (const auto& p : pdfs) {
        const QString pdf = folder() + QStringLiteral("/journal.pdf");
        exportPdf(search, p.view, pdf, QStringLiteral("Journal — essai"));
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        ASSERT_TRUE(text.waitForFinished(30000));
        ASSERT_EQ(text.exitCode(), 0) << text.readAllStandardError().constData();
        // the time the export was made changes from one run to the next
        QString shown = QString::fromUtf8(text.readAllStandardOutput());
        shown.replace(QRegularExpression(QStringLiteral("Établi le \\d\\d/\\d\\d/\\d{4} à \\d\\d:\\d\\d:\\d\\d")),
                      QStringLiteral("Établi le JJ/MM/AAAA à HH:MM:SS"));
        expectFixture(shown.toUtf8(), QString::fromLatin1(p.fixture));
    }
}

PELORIN_BOTH_ENGINES(JournalOutput);
