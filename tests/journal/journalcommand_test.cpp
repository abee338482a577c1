#include "journal/journalfixture.h"

#include "config/configfile.h"
#include "journal/columns.h"
#include "journal/journal.h"
#include "journal/recording.h"
#include "scan/codesource.h"
#include "scan/decode.h"
#include "support/testsupport.h"

#include <QFile>
#include <QTimeZone>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QSqlQuery>

using namespace pelorin;
using namespace pelorin::journal;
using pelorin::test::JournalTest;
using pelorin::test::sampleEntry;

namespace {

class JournalCommand : public JournalTest
{
protected:
    void SetUp() override
    {
        JournalTest::SetUp();
        if (IsSkipped())
            return;
        useDataFolderJournal(m_data.path());
    }
    test::RunResult run(const QStringList& args)
    {
        return test::runPelorin(QStringList{QStringLiteral("journal"), QStringLiteral("--data"), m_data.path()} + args);
    }
    QStringList lines(const QByteArray& out) { return QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts); }

    test::TempDataFolder m_data;
};

} // namespace

TEST_P(JournalCommand, ImportsScanSheetsAtTheirFilesTimeOnceAndKeepsMisreadsApart)
{
    const QString scb = m_data.file(QStringLiteral("lecture.SCB"));
    m_data.write(QStringLiteral("lecture.SCB"), "ScanCode\r\nB25012515LAV5930033906\r\nB25012515LAV5930036606\r\n"
                                                "B2501251\r\nB25012515ZZZ5930033906\r\n\r\n");
    const QDateTime written(QDate(2025, 1, 2), QTime(3, 4, 5), Qt::UTC);
    {
        QFile f(scb);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(written, QFileDevice::FileModificationTime));
    }
    test::RunResult r = run({QStringLiteral("--import"), scb});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("4 codes enregistr")) << r.out.constData();
    r = run({QStringLiteral("--import"), scb});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("0 codes enregistrés (4 déjà présents)")) << r.out.constData();

    r = run({QStringLiteral("--format"), QStringLiteral("json")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QJsonArray rows = QJsonDocument::fromJson(r.out).array();
    ASSERT_EQ(rows.size(), 4) << r.out.constData();
    QMap<QString, QJsonObject> byCode;
    for (const QJsonValue& v : rows) {
        const QJsonObject o = v.toObject();
        EXPECT_EQ(o[QLatin1String("time")].toString(), QStringLiteral("2025-01-02T03:04:05.000Z"));
        EXPECT_EQ(o[QLatin1String("source")].toString(), QStringLiteral("fichier lecture.SCB"));
        byCode[o[QLatin1String("code")].toString()] = o;
    }
    // only the whole code that decodes is a scan; each other read is a misread, with the reason
    const struct
    {
        const char* code;
        const char* kind;
        const char* error;
    } reads[] = {
        {"B25012515LAV5930033906", "scan", ""},
        {"B25012515LAV5930036606", "misread", "Date impossible : jour 366 de l'année 2006"},
        {"B2501251", "misread", "Lecture de 8 caractère(s) au lieu de 22"},
        {"B25012515ZZZ5930033906", "misread", "Champ non reconnu : Parfum"},
    };
    for (const auto& read : reads) {
        const QJsonObject o = byCode.value(QString::fromUtf8(read.code));
        EXPECT_EQ(o[QLatin1String("kind")].toString(), QString::fromUtf8(read.kind)) << read.code;
        EXPECT_EQ(o[QLatin1String("error")].toString(), QString::fromUtf8(read.error)) << read.code;
    }
    // a misread keeps what did decode
    EXPECT_EQ(byCode.value(QStringLiteral("B25012515LAV5930036606"))[QLatin1String("perfume")].toString(),
              QStringLiteral("Lavande"));

    // the kind chooses them; the codes never printed are the scanned one only
    r = run({QStringLiteral("--kind"), QStringLiteral("misread")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(lines(r.out).size(), 3) << r.out.constData();
    for (const QString& line : lines(r.out))
        EXPECT_EQ(line.split(u'\t').value(1), QStringLiteral("Lecture à vérifier")) << line.toStdString();
    r = run({QStringLiteral("--unprinted")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    ASSERT_EQ(lines(r.out).size(), 1) << r.out.constData();
    EXPECT_TRUE(lines(r.out)[0].startsWith(QStringLiteral("B25012515LAV5930033906\t1\t"))) << r.out.constData();

    r = run({QStringLiteral("--check")});
    EXPECT_EQ(r.exitCode, 0) << r.out.constData() << r.err.constData();
    EXPECT_TRUE(r.out.contains("Intégrité : ok")) << r.out.constData();
    EXPECT_TRUE(r.out.contains("File d'envoi : ok, 0 en attente")) << r.out.constData();

    r = run({QStringLiteral("--import"), m_data.file(QStringLiteral("absent.SCB"))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.err.isEmpty());
}

TEST_P(JournalCommand, ListsWhatTheFiltersSelectInEachFormat)
{
    {
        auto db = open();
        QList<Entry> entries;
        entries << sampleEntry(EntryKind::Print, 0, QStringLiteral("A'B%C_D\\E"))
                << sampleEntry(EntryKind::Print, 2, QStringLiteral("B25012515LAV5930033906"))
                << sampleEntry(EntryKind::Scan, 4, QStringLiteral("B25012515LAV5930033906"))
                << sampleEntry(EntryKind::Scan, 6, QStringLiteral("C25012515LAV5930033906"));
        entries[0].at = QDateTime(QDate(2026, 2, 10), QTime(12, 0), Qt::UTC);
        db->insert(entries);
    }
    const struct
    {
        QStringList args;
        QStringList codes;
    } cases[] = {
        {{}, {"C25012515LAV5930033906", "B25012515LAV5930033906", "B25012515LAV5930033906", "A'B%C_D\\E"}},
        {{"--kind", "scan"}, {"C25012515LAV5930033906", "B25012515LAV5930033906"}},
        {{"--kind", "print"}, {"B25012515LAV5930033906", "A'B%C_D\\E"}},
        {{"--code", "%C_D\\"}, {"A'B%C_D\\E"}},
        {{"--code", "'"}, {"A'B%C_D\\E"}},
        {{"--code", "_"}, {"A'B%C_D\\E"}},
        {{"--code", "C25"}, {"C25012515LAV5930033906"}},
        {{"--workstation", "poste-0"}, {"C25012515LAV5930033906", "A'B%C_D\\E"}},
        {{"--from", "2026-03-01", "--to", "2026-03-01"},
         {"C25012515LAV5930033906", "B25012515LAV5930033906", "B25012515LAV5930033906"}},
        {{"--to", "2026-02-10"}, {"A'B%C_D\\E"}},
        {{"--unscanned"}, {"A'B%C_D\\E"}},
        {{"--unprinted"}, {"C25012515LAV5930033906"}},
    };
    for (const auto& c : cases) {
        const test::RunResult r = run(c.args);
        ASSERT_EQ(r.exitCode, 0) << c.args.join(u' ').toStdString() << r.err.constData();
        QStringList codes;
        const bool byCode =
            c.args.contains(QStringLiteral("--unscanned")) || c.args.contains(QStringLiteral("--unprinted"));
        for (const QString& line : lines(r.out))
            codes << line.split(u'\t').value(byCode ? 0 : 4);
        EXPECT_EQ(codes, c.codes) << c.args.join(u' ').toStdString();
    }
    // CSV: a header, "," between cells, quotes doubled where a cell holds them
    test::RunResult r =
        run({QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--kind"), QStringLiteral("print")});
    ASSERT_EQ(r.exitCode, 0);
    const QStringList csv = QString::fromUtf8(r.out).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(csv.size(), 3);
    EXPECT_TRUE(csv[0].startsWith(QStringLiteral("Date et heure,Type,Poste,Utilisateur,Code,Système")));
    EXPECT_TRUE(csv[2].contains(QStringLiteral(",\"Lot d'été « spécial »\",")) ||
                csv[2].contains(QStringLiteral(",Lot d'été « spécial »,")))
        << csv[2].toStdString();
    EXPECT_TRUE(csv[1].contains(QStringLiteral(",Impression,")) || csv[1].contains(QStringLiteral(",Export PDF,")));

    const struct
    {
        QStringList args;
        const char* message;
    } wrong[] = {
        {{"--kind", "pdf"}, "--kind : print, scan ou misread"}, {{"--from", "hier"}, "--from : date invalide « hier »"},
        {{"--format", "xml"}, "--format : tsv, csv ou json"},   {{"--bogus"}, "pelorin journal : "},
        {{"--unscanned", "--unprinted"}, "pas les deux"},
    };
    for (const auto& w : wrong) {
        r = run(w.args);
        EXPECT_EQ(r.exitCode, 2) << w.message;
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(QString::fromUtf8(w.message))) << r.err.constData();
    }
}

// The recall question: labels, not pages. 8 labels printed once, then the same 8 twice; 3 of them read,
// one misread beside them; a PDF export and a code read but never printed.
TEST_P(JournalCommand, ReconcilesLabelsPrintedAgainstLabelsRead)
{
    const QString code = QStringLiteral("B25012515LAV5930033906"), other = QStringLiteral("C25012515LAV5930033906");
    {
        auto db = open();
        ConfigFile config;
        const CodeDecoder decoder(config);
        PrintedPage page;
        page.code = code;
        page.labels = {1, 2, 3, 4, 5, 6, 7, 8};
        page.output = QStringLiteral("PDF");
        QList<Entry> entries;
        entries << printEntry(page, decoder);
        page.copies = 2;
        page.dpi = 300;
        entries << printEntry(page, decoder);
        page.medium = Medium::PdfFile; // a file is no label
        page.copies = 1;
        entries << printEntry(page, decoder);
        // reads decoded as the scan window decodes them
        const Decoded texts = {QStringLiteral("Bougie"),    QStringLiteral("250 gr"),  QStringLiteral("Boite de 12"),
                               QStringLiteral("RAL 5015"),  QStringLiteral("Lavande"), QStringLiteral("Valenciennes"),
                               QStringLiteral("05/12/2006")};
        for (int i = 0; i < 3; ++i)
            entries << scanEntry(code, texts, QString(), kKeyboardSource);
        entries << scanEntry(code.left(10), texts, QStringLiteral("Lecture de 10 caractère(s) au lieu de 22"),
                             kKeyboardSource)
                << scanEntry(other, texts, QString(), kKeyboardSource);
        EXPECT_EQ(entries[1].labelTotal, 16);
        EXPECT_EQ(entries[2].labelTotal, 0);
        EXPECT_EQ(entries[6].kind, EntryKind::Misread);
        db->insert(entries);
    }

    test::RunResult r = run({QStringLiteral("--reconcile"), QStringLiteral("--format"), QStringLiteral("json")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QJsonArray rows = QJsonDocument::fromJson(r.out).array();
    ASSERT_EQ(rows.size(), 2) << r.out.constData();
    const QJsonObject printed = rows[0].toObject(), unexpected = rows[1].toObject();
    EXPECT_EQ(printed.value("code").toString(), code);
    EXPECT_EQ(printed.value("printed").toInt(), 24);
    EXPECT_EQ(printed.value("scanned").toInt(), 3);
    EXPECT_EQ(printed.value("missing").toInt(), 21);
    EXPECT_EQ(printed.value("unexpected").toInt(), 0);
    EXPECT_EQ(unexpected.value("code").toString(), other);
    EXPECT_EQ(unexpected.value("printed").toInt(), 0);
    EXPECT_EQ(unexpected.value("unexpected").toInt(), 1);

    // the same in CSV, under the filters of any listing
    r = run({QStringLiteral("--reconcile"), QStringLiteral("--code"), code, QStringLiteral("--format"),
             QStringLiteral("csv")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(QString::fromUtf8(r.out),
              QStringLiteral("code,printed,scanned,missing,unexpected\r\n") + code + QStringLiteral(",24,3,21,0\r\n"));
    r = run({QStringLiteral("--reconcile"), QStringLiteral("--unscanned")});
    EXPECT_EQ(r.exitCode, 2);
}

// Every label's text on request, the page description given back by its fingerprint.
TEST_P(JournalCommand, ShowsEveryLabelsTextOnRequestAndAPageByItsFingerprint)
{
    Entry print = sampleEntry(EntryKind::Print, 2);
    print.allTexts = {QStringLiteral("N°1"), QStringLiteral("N°2"), QStringLiteral("N°5")};
    print.description = QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Page>\xe9</Page>\r\n");
    print.fingerprint = pageFingerprint(print.description);
    open()->insert({print});

    const QStringList headers = entryHeaders(true);
    ASSERT_EQ(headers.last(), QStringLiteral("Textes"));
    test::RunResult r = run({QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--all-texts")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    QStringList rows = lines(r.out);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].trimmed().endsWith(QStringLiteral(",Textes"))) << rows[0].toStdString();
    EXPECT_TRUE(rows[1].trimmed().endsWith(QStringLiteral(",N°1 / N°2 / N°5"))) << rows[1].toStdString();
    r = run({QStringLiteral("--format"), QStringLiteral("csv")});
    EXPECT_FALSE(lines(r.out).value(0).contains(QStringLiteral("Textes")));
    r = run({QStringLiteral("--format"), QStringLiteral("json")});
    const QJsonObject o = QJsonDocument::fromJson(r.out).array().at(0).toObject();
    EXPECT_EQ(o.value(QLatin1String("texts")).toString(), QStringLiteral("N°1\nN°2\nN°5"));
    EXPECT_EQ(o.value(QLatin1String("fingerprint")).toString(), print.fingerprint);

    r = run({QStringLiteral("--page"), print.fingerprint});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, print.description);
    r = run({QStringLiteral("--page"), pageFingerprint("autre")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(r.err).contains(QStringLiteral("aucune description de page"))) << r.err.constData();
    EXPECT_TRUE(r.out.isEmpty());
}

TEST_P(JournalCommand, ReportsAStoreOutOfReachAndWhatWaits)
{
    if (postgres()) {
        Settings s = m_settings;
        s.database = QStringLiteral("pelorin_absent_db");
        s.saveFile(m_data.file(QStringLiteral("Config/journal.ini")));
    } else {
        QDir().mkpath(m_data.file(QStringLiteral("Journal/journal.sqlite")));
    }
    m_data.write(QStringLiteral("l.SCB"), "ScanCode\r\nB25012515LAV5930033906\r\n\r\n");
    test::RunResult r = run({QStringLiteral("--import"), m_data.file(QStringLiteral("l.SCB"))});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("1 codes en attente")) << r.out.constData();
    r = run({QStringLiteral("--check")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains("File d'envoi : ok, 1 en attente")) << r.out.constData();
    r = run({});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Journal : hors ligne, 1 en attente")) << r.err.constData();
}

PELORIN_BOTH_ENGINES(JournalCommand);
