#include "journal/journalfixture.h"

#include "base/error.h"
#include "journal/journal.h"
#include "journal/outbox.h"
#include "journal/reprint.h"
#include "journal/search.h"
#include "support/testsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QMap>
#include <QSet>
#include <QSqlQuery>
#include <QTimeZone>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace pelorin;
using namespace pelorin::journal;
using pelorin::test::JournalTest;
using pelorin::test::sampleEntry;

namespace {

QList<Row> everything(Database& db, const Filter& filter = {})
{
    QList<Row> rows;
    Search(db, filter).forEachEntry([&](const Row& r) { rows << r; });
    return rows;
}

template <typename Set> Filter with(Set set)
{
    Filter f;
    set(f);
    return f;
}

qint64 storedCount(Database& db)
{
    QSqlQuery q(db.db());
    runQuery(q, QStringLiteral("SELECT count(*), count(DISTINCT id) FROM journal_entry"), {});
    q.next();
    EXPECT_EQ(q.value(0).toLongLong(), q.value(1).toLongLong()) << "an id stored twice";
    return q.value(0).toLongLong();
}

} // namespace

class JournalStore : public JournalTest
{
};

TEST_P(JournalStore, KeepsEveryFieldAndStoresAnEntrySentTwiceOnce)
{
    auto db = open();
    EXPECT_EQ(db->schemaVersion(), kSchemaVersion);
    const Entry print = sampleEntry(EntryKind::Print, 1);
    const Entry scan = sampleEntry(EntryKind::Scan, 2, QStringLiteral("Z'%_\\x"));
    Entry misread = sampleEntry(EntryKind::Misread, 3, QStringLiteral("B25012515LAV5930036606"));
    misread.error = QStringLiteral("Date impossible : jour 366 de l'année 2006");
    EXPECT_EQ(db->insert({print, scan, misread}), 3);
    EXPECT_EQ(db->insert({print}), 0);
    EXPECT_EQ(db->insert({misread, scan, print}), 0);
    const QList<Row> rows = everything(*db);
    ASSERT_EQ(rows.size(), 3);
    // newest first, each field as it was given, through the store and through JSON (the outbox's form)
    const Entry given[] = {misread, scan, print};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rows[i].entry.toJson(), given[i].toJson()) << i;
        EXPECT_EQ(Entry::fromJson(rows[i].entry.toJson()).toJson(), given[i].toJson()) << i;
        EXPECT_EQ(rows[i].entry.kind, given[i].kind) << i;
        EXPECT_EQ(rows[i].entry.at, given[i].at) << i;
    }
    EXPECT_EQ(rows[0].entry.toJson()[QLatin1String("kind")].toString(), QStringLiteral("misread"));
    EXPECT_EQ(storedCount(*db), 3);
}

TEST_P(JournalStore, FiltersSearchQuotesWildcardsAndBackslashesLiterally)
{
    auto db = open();
    const QStringList codes = {QStringLiteral("AB'C"),  QStringLiteral("AB%C"), QStringLiteral("AB_C"),
                               QStringLiteral("AB\\C"), QStringLiteral("ABXC"), QStringLiteral("ab%c"),
                               QStringLiteral("AB''C")};
    QList<Entry> entries;
    for (int i = 0; i < codes.size(); ++i)
        entries << sampleEntry(EntryKind::Scan, i, codes[i]);
    db->insert(entries);
    const struct
    {
        QString filter;
        QStringList found;
    } cases[] = {
        {QStringLiteral("'"), {QStringLiteral("AB'C"), QStringLiteral("AB''C")}},
        {QStringLiteral("''"), {QStringLiteral("AB''C")}},
        {QStringLiteral("%"), {QStringLiteral("AB%C"), QStringLiteral("ab%c")}},
        {QStringLiteral("B%"), {QStringLiteral("AB%C")}},
        {QStringLiteral("_"), {QStringLiteral("AB_C")}},
        {QStringLiteral("\\"), {QStringLiteral("AB\\C")}},
        {QStringLiteral("\\C"), {QStringLiteral("AB\\C")}},
        {QStringLiteral("AB"),
         {QStringLiteral("AB'C"), QStringLiteral("AB%C"), QStringLiteral("AB_C"), QStringLiteral("AB\\C"),
          QStringLiteral("ABXC"), QStringLiteral("AB''C")}},
        {QStringLiteral("' OR '1'='1"), {}},
        // three characters or more are sought through the codes' trigrams, as literally
        {QStringLiteral("B%C"), {QStringLiteral("AB%C")}},
        {QStringLiteral("B_C"), {QStringLiteral("AB_C")}},
        {QStringLiteral("AB\\C"), {QStringLiteral("AB\\C")}},
        {QStringLiteral("B''"), {QStringLiteral("AB''C")}},
        {QStringLiteral("\"AB"), {}},
        {QStringLiteral("b%c"), {QStringLiteral("ab%c")}},
    };
    for (const auto& c : cases) {
        Filter f;
        f.code = c.filter;
        QStringList found;
        for (const Row& r : everything(*db, f))
            found << r.entry.code;
        found.sort();
        QStringList expected = c.found;
        expected.sort();
        EXPECT_EQ(found, expected) << c.filter.toStdString();
        EXPECT_EQ(Search(*db, f).countEntries(), expected.size()) << c.filter.toStdString();
        if (!postgres() && c.filter.size() >= 3) {
            // a part of a code is found among the distinct codes, never by reading every entry
            const QString plan = Search(*db, f).entriesPlan(100).join(u'\n');
            EXPECT_TRUE(plan.contains(QStringLiteral("VIRTUAL TABLE"))) << plan.toStdString();
            EXPECT_TRUE(plan.contains(QStringLiteral("SEARCH e USING INDEX journal_entry_code"))) << plan.toStdString();
            EXPECT_FALSE(plan.contains(QStringLiteral("SCAN e"))) << plan.toStdString();
        }
    }
    Filter f;
    f.workstation = QStringLiteral("poste-1' OR '1'='1");
    EXPECT_TRUE(everything(*db, f).isEmpty());
    f = {};
    f.perfume = QStringLiteral("%");
    EXPECT_TRUE(everything(*db, f).isEmpty());
}

TEST_P(JournalStore, FiltersByDecodedFieldsTimeWorkstationAndKind)
{
    auto db = open();
    QList<Entry> entries;
    for (int i = 0; i < 40; ++i) {
        Entry e = sampleEntry(i % 3 ? EntryKind::Scan : EntryKind::Print, i);
        if (i % 5 == 0) {
            e.code = QStringLiteral("S50023515ROS1234500107");
            e.decoded[4] = QStringLiteral("Rose");
            e.decoded[5] = QStringLiteral("Anzin");
        }
        entries << e;
    }
    db->insert(entries);
    const QDateTime t0 = entries[0].at;
    const struct
    {
        const char* name;
        Filter filter;
        std::function<bool(const Entry&)> keep;
    } cases[] = {
        {"perfume by code", with([](Filter& f) { f.perfume = QStringLiteral("ROS"); }),
         [](const Entry& e) { return e.perfumeCode() == "ROS"; }},
        {"perfume by name", with([](Filter& f) { f.perfume = QStringLiteral("Lavande"); }),
         [](const Entry& e) { return e.decoded[4] == "Lavande"; }},
        {"system", with([](Filter& f) { f.system = QStringLiteral("S"); }),
         [](const Entry& e) { return e.systemCode() == "S"; }},
        {"place by name", with([](Filter& f) { f.place = QStringLiteral("Anzin"); }),
         [](const Entry& e) { return e.decoded[5] == "Anzin"; }},
        {"lot", with([](Filter& f) {
             f.perfume = QStringLiteral("LAV");
             f.place = QStringLiteral("59300");
             f.productionDate = QDate(2006, 12, 6);
         }),
         [](const Entry& e) { return e.perfumeCode() == "LAV" && e.productionDate() == QDate(2006, 12, 6); }},
        {"production day", with([](Filter& f) { f.productionDate = QDate(2007, 1, 1); }),
         [](const Entry& e) { return e.productionDate() == QDate(2007, 1, 1); }},
        {"time range", with([&](Filter& f) {
             f.from = t0.addSecs(600);
             f.to = t0.addSecs(1200);
         }),
         [&](const Entry& e) { return e.at >= t0.addSecs(600) && e.at < t0.addSecs(1200); }},
        {"workstation", with([](Filter& f) { f.workstation = QStringLiteral("poste-2"); }),
         [](const Entry& e) { return e.workstation == "poste-2"; }},
        {"kind", with([](Filter& f) { f.kind = EntryKind::Print; }),
         [](const Entry& e) { return e.kind == EntryKind::Print; }},
        {"whole code", with([](Filter& f) {
             f.code = QStringLiteral("S50023515ROS1234500107");
             f.kind = EntryKind::Scan;
         }),
         [](const Entry& e) { return e.code == "S50023515ROS1234500107" && e.kind == EntryKind::Scan; }},
    };
    for (const auto& c : cases) {
        QSet<QString> expected, found;
        for (const Entry& e : entries)
            if (c.keep(e))
                expected << e.id;
        for (const Row& r : everything(*db, c.filter))
            found << r.entry.id;
        EXPECT_FALSE(expected.isEmpty()) << c.name;
        EXPECT_EQ(found, expected) << c.name;
    }
}

TEST_P(JournalStore, PagesGoThroughEveryEntryOnceNewestFirst)
{
    auto db = open();
    QList<Entry> entries;
    for (int i = 0; i < 25; ++i) {
        Entry e = sampleEntry(EntryKind::Scan, i);
        e.at = entries.isEmpty() || i % 4 ? QDateTime(QDate(2026, 1, 1), QTime(9, 0), Qt::UTC).addSecs(i / 3)
                                          : entries.last().at; // several entries in one millisecond
        entries << e;
    }
    db->insert(entries);
    Search search(*db, {});
    QStringList ids;
    QList<Row> page = search.entries(4);
    QDateTime previous;
    while (!page.isEmpty()) {
        for (const Row& r : std::as_const(page)) {
            if (previous.isValid()) {
                EXPECT_LE(r.entry.at, previous);
            }
            previous = r.entry.at;
            ids << r.entry.id;
        }
        const Row last = page.last();
        page = search.entries(4, &last);
    }
    QStringList expected;
    for (const Entry& e : entries)
        expected << e.id;
    EXPECT_EQ(ids.size(), expected.size());
    EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()), QSet<QString>(expected.begin(), expected.end()));
    EXPECT_EQ(search.countEntries(), 25);
}

TEST_P(JournalStore, ReconcilesPrintedAndScannedCodes)
{
    auto db = open();
    const QString a = QStringLiteral("A25012515LAV5930033906"), b = QStringLiteral("B25012515LAV5930033906"),
                  c = QStringLiteral("C25012515LAV5930033906"), d = QStringLiteral("D25012515LAV5930033906");
    int n = 0;
    QList<Entry> entries;
    for (const QString& code : {a, a, b, c})
        entries << sampleEntry(EntryKind::Print, n++, code);
    for (const QString& code : {b, c, c, d, d})
        entries << sampleEntry(EntryKind::Scan, n++, code);
    // a failed read is no read: of a printed code, of a scanned one, of one seen nowhere else
    const QString e = QStringLiteral("E25012515LAV5930033906");
    for (const QString& code : {a, d, e}) {
        Entry misread = sampleEntry(EntryKind::Misread, n++, code);
        misread.error = QStringLiteral("Champ non reconnu : Parfum");
        entries << misread;
    }
    db->insert(entries);
    Search search(*db, {});
    EXPECT_EQ(search.countCodes(View::PrintedNotScanned), 1);
    const QList<CodeRow> unscanned = search.codes(View::PrintedNotScanned, 10);
    ASSERT_EQ(unscanned.size(), 1);
    EXPECT_EQ(unscanned[0].code, a);
    EXPECT_EQ(unscanned[0].count, 2);
    EXPECT_EQ(unscanned[0].first, entries[0].at);
    EXPECT_EQ(unscanned[0].last, entries[1].at);
    EXPECT_EQ(unscanned[0].decoded[4], QStringLiteral("Lavande"));
    EXPECT_EQ(search.countCodes(View::ScannedNotPrinted), 1);
    const QList<CodeRow> unprinted = search.codes(View::ScannedNotPrinted, 10);
    ASSERT_EQ(unprinted.size(), 1);
    EXPECT_EQ(unprinted[0].code, d);
    EXPECT_EQ(unprinted[0].count, 2);
    // the filters choose the codes; a scan outside them still counts as a scan
    Filter onlyWorkstation1;
    onlyWorkstation1.workstation = QStringLiteral("poste-1");
    EXPECT_EQ(Search(*db, onlyWorkstation1).countCodes(View::PrintedNotScanned), 1); // a (n = 1)
    Filter afterPrints;
    afterPrints.from = entries[3].at.addSecs(1);
    EXPECT_EQ(Search(*db, afterPrints).countCodes(View::PrintedNotScanned), 0);
    EXPECT_EQ(Search(*db, afterPrints).countCodes(View::ScannedNotPrinted), 1);
}

namespace {

// A print of `description`, as printEntry() makes it.
Entry printOf(int n, const QByteArray& description)
{
    Entry e = sampleEntry(EntryKind::Print, n * 2); // even: to a printer
    e.description = description;
    e.fingerprint = pageFingerprint(description);
    return e;
}

qint64 pagesStored(Database& db)
{
    QSqlQuery q(db.db());
    runQuery(q, QStringLiteral("SELECT count(*) FROM journal_page"), {});
    return q.next() ? q.value(0).toLongLong() : -1;
}

} // namespace

// Each description is kept once, however many prints carry it, and given back byte for byte; an
// entry that names a description it does not carry stores nothing.
TEST_P(JournalStore, KeepsEachPrintedDescriptionOnceAndGivesItBack)
{
    auto db = open();
    // bytes no text conversion keeps: Windows-1252, a NUL, CR LF
    const QByteArray etq = QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Page>\xe9t\xe9\x9c", 52) +
                           QByteArray(1, '\0') + "</Page>\r\n";
    const QByteArray edited = QByteArray(etq).replace("Page>", "Page >");
    EXPECT_EQ(pageFingerprint(etq).size(), 64);
    EXPECT_EQ(pageFingerprint(etq),
              QString::fromLatin1(QCryptographicHash::hash(etq, QCryptographicHash::Sha256).toHex()));
    EXPECT_NE(pageFingerprint(etq), pageFingerprint(edited));
    EXPECT_EQ(db->insert({printOf(1, etq), printOf(2, etq)}), 2);
    EXPECT_EQ(db->insert({printOf(3, edited), printOf(4, etq), sampleEntry(EntryKind::Scan, 5)}), 3);
    EXPECT_EQ(pagesStored(*db), 2);
    EXPECT_EQ(db->pageDescription(pageFingerprint(etq)), etq);
    EXPECT_EQ(db->pageDescription(pageFingerprint(edited)), edited);
    EXPECT_EQ(db->pageDescription(pageFingerprint("autre")), std::nullopt);
    // the entry reads back with its fingerprint, and the first print's time is the description's
    const QList<Row> rows = everything(*db, with([](Filter& f) { f.kind = EntryKind::Print; }));
    ASSERT_EQ(rows.size(), 4);
    const QByteArray printed[] = {etq, edited, etq, etq}; // newest first
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(rows[i].entry.fingerprint, pageFingerprint(printed[i])) << i;

    Entry forged = printOf(6, etq);
    forged.fingerprint = pageFingerprint(edited);
    const QString other = pageFingerprint("<Page/>");
    Entry alone = printOf(7, "<Page/>");
    try {
        db->insert({alone, forged});
        ADD_FAILURE() << "a forged fingerprint was stored";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("ne correspond pas"))) << e.message().toStdString();
    }
    EXPECT_EQ(pagesStored(*db), 2);
    EXPECT_EQ(db->pageDescription(other), std::nullopt);
    EXPECT_EQ(storedCount(*db), 5);
}

// Offline, a print waits in the outbox with its description, and both reach the store together.
TEST_P(JournalStore, APrintMadeOfflineKeepsItsDescription)
{
    takeStoreAway();
    Journal journal(m_settings, folder());
    journal.setRetryDelay(0);
    const QByteArray etq = "<?xml version=\"1.0\"?>\r\n<Page><Format/></Page>\r\n";
    Entry print = printOf(1, etq);
    print.allTexts = {QStringLiteral("N°1"), QString(), QStringLiteral("N°5 « x »")};
    print.reprintOf = newId();
    EXPECT_TRUE(journal.record(print).waiting);
    bringStoreBack();
    EXPECT_EQ(journal.flush(true), 1);
    auto db = open();
    EXPECT_EQ(db->pageDescription(print.fingerprint), etq);
    const QList<Row> rows = everything(*db);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].entry.toJson(), print.toJson());
    EXPECT_EQ(rows[0].entry.allTexts, print.allTexts);
    EXPECT_EQ(rows[0].entry.reprintOf, print.reprintOf);
}

// A lot given by its perfume and place, each by code or by name, on its production day: the same
// entries as the plain test of every field, read through the lot indexes rather than the whole day.
TEST_P(JournalStore, LotSearchFindsTheSameEntriesThroughTheLotIndexes)
{
    auto db = open();
    QList<Entry> entries;
    int n = 0;
    // perfume LAV (Lavande) or ROS (Rose), place 59300 (Valenciennes) or 62100 (Calais), two days
    for (const char* perfume : {"LAV", "ROS"})
        for (const char* place : {"59300", "62100"})
            for (const char* day : {"33906", "34006"})
                for (int copy = 0; copy < 2; ++copy) {
                    Entry e = sampleEntry(copy ? EntryKind::Scan : EntryKind::Print, n++,
                                          QStringLiteral("B25012515%1%2%3")
                                              .arg(QLatin1String(perfume), QLatin1String(place), QLatin1String(day)));
                    e.decoded[4] = QLatin1String(perfume) == QLatin1String("LAV") ? QStringLiteral("Lavande")
                                                                                  : QStringLiteral("Rose");
                    e.decoded[5] = QLatin1String(place) == QLatin1String("59300") ? QStringLiteral("Valenciennes")
                                                                                  : QStringLiteral("Calais");
                    entries << e;
                }
    db->insert(entries);
    const QDate day339(2006, 12, 5), day340(2006, 12, 6);
    const struct
    {
        QString perfume, place;
        QDate day;
    } lots[] = {
        {QStringLiteral("LAV"), QStringLiteral("59300"), day339},
        {QStringLiteral("Lavande"), QStringLiteral("Valenciennes"), day339},
        {QStringLiteral("LAV"), QStringLiteral("Calais"), day340},
        {QStringLiteral("Rose"), QStringLiteral("62100"), day340},
        {QStringLiteral("Rose"), QString(), day339},
        {QString(), QStringLiteral("Calais"), day339},
        {QStringLiteral("Lavande"), QStringLiteral("59300"), QDate(2006, 12, 7)},
    };
    for (const auto& lot : lots) {
        SCOPED_TRACE((lot.perfume + u' ' + lot.place + u' ' + lot.day.toString(Qt::ISODate)).toStdString());
        Filter f;
        f.perfume = lot.perfume;
        f.place = lot.place;
        f.productionDate = lot.day;
        QStringList expected;
        for (const Entry& e : std::as_const(entries))
            if ((lot.perfume.isEmpty() || e.perfumeCode() == lot.perfume || e.decoded[4] == lot.perfume) &&
                (lot.place.isEmpty() || e.factoryCode() == lot.place || e.decoded[5] == lot.place) &&
                e.productionDate() == lot.day)
                expected.prepend(e.id); // newest first
        QStringList found;
        for (const Row& r : everything(*db, f))
            found << r.entry.id;
        EXPECT_EQ(found, expected);
        EXPECT_EQ(Search(*db, f).countEntries(), expected.size());
        if (!lot.perfume.isEmpty() && !postgres()) {
            // every branch is an equality on the day and the perfume that a lot index answers: never
            // a scan of the table, nor of every entry of the day
            const QStringList plan = Search(*db, f).entriesPlan(100);
            const QString text = plan.join(u'\n');
            EXPECT_TRUE(text.contains(QStringLiteral("journal_entry_lot_day (production_date=? AND perfume_code=?")))
                << text.toStdString();
            EXPECT_TRUE(text.contains(QStringLiteral("journal_entry_lot_day_names (production_date=? AND d_perfume=?")))
                << text.toStdString();
            for (const QString& step : plan)
                EXPECT_FALSE(step.startsWith(QLatin1String("SCAN"))) << text.toStdString();
        }
    }
}

// A reprint hands the program's printer the first print's description, code, labels, texts and
// copies, and is recorded as a print of its own linked to the first; a reprint of a reprint repeats
// the first too. What cannot be printed again says why and records nothing.
TEST_P(JournalStore, ReprintsAPrintAsItWasLinkedToTheFirst)
{
    Journal journal(m_settings, folder());
    const QByteArray etq = "<?xml version=\"1.0\"?>\r\n<Page><Format/></Page>\r\n";
    Entry first = printOf(1, etq);
    first.labels = QStringLiteral("2-3,6");
    first.labelCount = 3;
    first.copies = 2;
    first.labelTotal = 6;
    first.allTexts = {QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("f")};
    Entry withoutTexts = printOf(2, etq);
    withoutTexts.labels = QStringLiteral("1-3");
    Entry old = sampleEntry(EntryKind::Print, 6); // before the descriptions were kept
    Entry exported = printOf(3, etq);
    exported.medium = Medium::PdfFile;
    const Entry scan = sampleEntry(EntryKind::Scan, 8);
    ASSERT_TRUE(journal.record({first, withoutTexts, old, exported, scan}).stored);

    QList<PageToReprint> handed;
    const PagePrinter printer = [&](const PageToReprint& page, const QString& to) {
        handed << page;
        return Reprinted{to.isEmpty() ? QStringLiteral("PDF") : to, 300};
    };
    Entry again, againOfAgain;
    EXPECT_TRUE(reprint(journal, first.id, printer, QString(), &again).stored);
    EXPECT_TRUE(reprint(journal, again.id, printer, QStringLiteral("Atelier"), &againOfAgain).stored);
    ASSERT_EQ(handed.size(), 2);
    for (const PageToReprint& page : handed) {
        EXPECT_EQ(page.first.id, first.id);
        EXPECT_EQ(page.description, etq);
        EXPECT_EQ(page.labels, (QList<int>{2, 3, 6}));
        EXPECT_EQ(page.incrementalLines, (QStringList{QString(), QStringLiteral("b"), QStringLiteral("c"), QString(),
                                                      QString(), QStringLiteral("f")}));
        EXPECT_EQ(page.first.copies, 2);
    }
    EXPECT_EQ(againOfAgain.output, QStringLiteral("Atelier"));
    auto db = open();
    for (const Entry* e : {&again, &againOfAgain}) {
        const QList<Row> rows = everything(*db, with([&](Filter& f) { f.code = e->code; }));
        const auto stored = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.entry.id == e->id; });
        ASSERT_NE(stored, rows.end());
        EXPECT_EQ(stored->entry.reprintOf, first.id);
        EXPECT_NE(stored->entry.id, first.id);
        EXPECT_EQ(stored->entry.fingerprint, first.fingerprint);
        EXPECT_EQ(stored->entry.labelTotal, 6);
        EXPECT_EQ(stored->entry.copies, 2);
        EXPECT_EQ(stored->entry.allTexts, first.allTexts);
        EXPECT_EQ(stored->entry.dpi, 300);
        EXPECT_GT(stored->entry.at, first.at);
    }
    EXPECT_EQ(pagesStored(*db), 1);

    // without every text, the first and last still go on their labels
    reprint(journal, withoutTexts.id, printer);
    ASSERT_EQ(handed.size(), 3);
    EXPECT_EQ(handed[2].incrementalLines, (QStringList{QStringLiteral("N°1"), QString(), QStringLiteral("N°5")}));

    const struct
    {
        QString id;
        const char* says;
    } refused[] = {
        {old.id, "ne garde pas la description"},
        {exported.id, "n'est pas une impression"},
        {scan.id, "n'est pas une impression"},
        {newId(), "Aucune entrée"},
    };
    const qint64 before = storedCount(*db);
    for (const auto& r : refused) {
        try {
            reprint(journal, r.id, printer);
            ADD_FAILURE() << r.says;
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(r.says))) << e.message().toStdString();
        }
    }
    // a printer that fails records nothing
    EXPECT_THROW(
        reprint(journal, first.id,
                [](const PageToReprint&, const QString&) -> Reprinted { throw Error(QStringLiteral("panne")); }),
        Error);
    EXPECT_EQ(handed.size(), 3);
    EXPECT_EQ(storedCount(*db), before);
    EXPECT_FALSE(canReprint(old));
    EXPECT_FALSE(canReprint(exported));
    EXPECT_TRUE(canReprint(first));
}

TEST_P(JournalStore, MigratesFromEveryEarlierVersion)
{
    for (int from = 0; from < kSchemaVersion; ++from) {
        SCOPED_TRACE(from);
        if (postgres()) {
            test::dropTestDatabase(m_database);
            m_database = test::createTestDatabase();
            m_settings.database = m_database;
        } else {
            QFile::remove(m_settings.sqlitePath);
            QFile::remove(m_settings.sqlitePath + QStringLiteral("-wal"));
            QFile::remove(m_settings.sqlitePath + QStringLiteral("-shm"));
        }
        auto db = Database::open(m_settings);
        const Entry old = sampleEntry(EntryKind::Print, 7);
        if (from > 0) {
            db->migrate(from);
            EXPECT_EQ(db->schemaVersion(), from);
            // an entry as that version stored it (from version 2 on, with the code's fields)
            db->exec(QStringLiteral("INSERT INTO journal_entry (id, kind, at, workstation, code, d_perfume) "
                                    "VALUES (?, 'print', ?, ?, ?, ?)"),
                     {old.id, Database::timeValue(old.at), old.workstation, old.code, old.decoded[4]});
            if (from >= 2)
                db->exec(QStringLiteral("UPDATE journal_entry SET perfume_code = ?, factory_code = ?, "
                                        "production_date = ? WHERE id = ?"),
                         {old.perfumeCode(), old.factoryCode(), old.productionDate().toString(Qt::ISODate), old.id});
        }
        db.reset();
        db = Database::open(m_settings);
        db->migrate();
        EXPECT_EQ(db->schemaVersion(), kSchemaVersion);
        if (from > 0) {
            Filter lot;
            lot.perfume = QStringLiteral("LAV");
            lot.place = QStringLiteral("59300");
            lot.productionDate = old.productionDate();
            const QList<Row> rows = everything(*db, lot);
            ASSERT_EQ(rows.size(), 1);
            EXPECT_EQ(rows[0].entry.id, old.id);
            // a print from before the descriptions were kept: none to show again
            EXPECT_TRUE(rows[0].entry.fingerprint.isEmpty());
            EXPECT_TRUE(rows[0].entry.allTexts.isEmpty());
            EXPECT_TRUE(rows[0].entry.reprintOf.isEmpty());
            // the codes stored before are sought by their lot, the code's last 13 characters, too
            Filter part;
            part.code = old.code.right(13);
            EXPECT_EQ(everything(*db, part).size(), 1);
        }
        EXPECT_EQ(db->insert({sampleEntry(EntryKind::Scan, 1)}), 1);
        const Entry print = printOf(3, "<Page/>");
        EXPECT_EQ(db->insert({print}), 1);
        EXPECT_EQ(db->pageDescription(print.fingerprint), QByteArray("<Page/>"));
        // migrating again changes nothing
        db->migrate();
        EXPECT_EQ(db->schemaVersion(), kSchemaVersion);
    }
}

namespace {

// A version 2 journal as the program before made it, its failed reads stored as scans with their error.
QStringList version2Schema(bool pg)
{
    return {
        QStringLiteral("CREATE TABLE journal_schema (version INTEGER NOT NULL)"),
        QStringLiteral("INSERT INTO journal_schema (version) VALUES (2)"),
        QStringLiteral("CREATE TABLE journal_entry (seq %1 PRIMARY KEY, id %2 NOT NULL UNIQUE, "
                       "kind TEXT NOT NULL CHECK (kind IN ('print', 'scan')), at %3 NOT NULL, "
                       "workstation TEXT NOT NULL DEFAULT '', os_user TEXT NOT NULL DEFAULT '', "
                       "code TEXT NOT NULL DEFAULT '', d_system TEXT NOT NULL DEFAULT '', "
                       "d_mass TEXT NOT NULL DEFAULT '', d_packaging TEXT NOT NULL DEFAULT '', "
                       "d_colour TEXT NOT NULL DEFAULT '', d_perfume TEXT NOT NULL DEFAULT '', "
                       "d_factory TEXT NOT NULL DEFAULT '', d_date TEXT NOT NULL DEFAULT '', "
                       "error TEXT NOT NULL DEFAULT '', operator_text TEXT NOT NULL DEFAULT '', "
                       "model TEXT NOT NULL DEFAULT '', labels TEXT NOT NULL DEFAULT '', "
                       "label_count INTEGER NOT NULL DEFAULT 0, first_text TEXT NOT NULL DEFAULT '', "
                       "last_text TEXT NOT NULL DEFAULT '', medium TEXT NOT NULL DEFAULT '', "
                       "output TEXT NOT NULL DEFAULT '', source TEXT NOT NULL DEFAULT '', "
                       "system_code TEXT NOT NULL DEFAULT '', perfume_code TEXT NOT NULL DEFAULT '', "
                       "factory_code TEXT NOT NULL DEFAULT '', production_date %4)")
            .arg(pg ? QStringLiteral("BIGSERIAL") : QStringLiteral("INTEGER"),
                 pg ? QStringLiteral("UUID") : QStringLiteral("TEXT"),
                 pg ? QStringLiteral("TIMESTAMPTZ") : QStringLiteral("TEXT"),
                 pg ? QStringLiteral("DATE") : QStringLiteral("TEXT")),
        pg ? QStringLiteral("CREATE INDEX journal_entry_at ON journal_entry (at, seq)")
           : QStringLiteral("CREATE INDEX journal_entry_at ON journal_entry (at)"),
        QStringLiteral("CREATE INDEX journal_entry_code ON journal_entry (code, kind)"),
        QStringLiteral("CREATE INDEX journal_entry_workstation ON journal_entry (workstation, at)"),
        QStringLiteral("CREATE INDEX journal_entry_lot ON journal_entry (perfume_code, factory_code, production_date)"),
        QStringLiteral("CREATE INDEX journal_entry_production ON journal_entry (production_date)"),
        QStringLiteral("CREATE INDEX journal_entry_system ON journal_entry (system_code)"),
        // one a site added of its own
        QStringLiteral("CREATE INDEX journal_entry_site ON journal_entry (os_user)"),
    };
}

void insertAsVersion2(Database& db, const Entry& e)
{
    const QDate production = e.productionDate();
    QVariantList values = {e.id,
                           e.kind == EntryKind::Print ? QStringLiteral("print") : QStringLiteral("scan"),
                           Database::timeValue(e.at),
                           e.workstation,
                           e.user,
                           e.code,
                           e.decoded[0],
                           e.decoded[1],
                           e.decoded[2],
                           e.decoded[3],
                           e.decoded[4],
                           e.decoded[5],
                           e.decoded[6],
                           e.error,
                           e.operatorText,
                           e.model,
                           e.labels,
                           e.labelCount,
                           e.firstText,
                           e.lastText,
                           e.kind != EntryKind::Print    ? QStringLiteral("")
                           : e.medium == Medium::PdfFile ? QStringLiteral("pdf")
                                                         : QStringLiteral("printer"),
                           e.output,
                           e.source,
                           e.systemCode(),
                           e.perfumeCode(),
                           e.factoryCode(),
                           production.isValid() ? QVariant(production.toString(Qt::ISODate)) : QVariant()};
    // Qt SQL binds a null text as NULL: the texts the entry leaves unset are empty in the store
    for (QVariant& v : values)
        if (v.typeId() == QMetaType::QString && v.toString().isNull())
            v = QStringLiteral("");
    db.exec(QStringLiteral("INSERT INTO journal_entry (id, kind, at, workstation, os_user, code, d_system, d_mass, "
                           "d_packaging, d_colour, d_perfume, d_factory, d_date, error, operator_text, model, labels, "
                           "label_count, first_text, last_text, medium, output, source, system_code, perfume_code, "
                           "factory_code, production_date) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                           "?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            values);
}

// seq, id and kind of every entry, in the store's order.
QStringList positions(Database& db)
{
    QSqlQuery q(db.db());
    runQuery(q, QStringLiteral("SELECT seq, id, kind FROM journal_entry ORDER BY seq"), {});
    QStringList rows;
    while (q.next())
        rows << QStringLiteral("%1 %2 %3").arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString());
    return rows;
}

QStringList indexNames(Database& db)
{
    QSqlQuery q(db.db());
    runQuery(q,
             db.engine() == Engine::PostgreSQL
                 ? QStringLiteral("SELECT indexname FROM pg_indexes WHERE tablename = 'journal_entry'")
                 : QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = 'journal_entry'"),
             {});
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    names.sort();
    return names;
}

} // namespace

// The misreads a version 2 journal stored as scans (a scan with an error) become misreads; every entry
// keeps its position and id, the table its indexes, and the store then takes misreads and nothing else.
TEST_P(JournalStore, MigratesAVersion2JournalItsFailedReadsBecomingMisreads)
{
    const QString printedOnce = QStringLiteral("A25012515LAV5930033906"),
                  printedAndRead = QStringLiteral("B25012515LAV5930033906");
    QList<Entry> entries = {
        sampleEntry(EntryKind::Print, 0, printedOnce),
        sampleEntry(EntryKind::Scan, 1, printedOnce),
        sampleEntry(EntryKind::Scan, 2, printedAndRead),
        sampleEntry(EntryKind::Print, 3, printedAndRead),
        sampleEntry(EntryKind::Scan, 4, QStringLiteral("B2501251")),
        sampleEntry(EntryKind::Scan, 5, printedAndRead),
    };
    entries[1].error = QStringLiteral("Date impossible : jour 366 de l'année 2006");
    entries[4].error = QStringLiteral("Lecture de 8 caractère(s) au lieu de 22");
    QStringList before;
    {
        auto db = Database::open(m_settings);
        for (const QString& sql : version2Schema(postgres()))
            db->exec(sql);
        for (const Entry& e : std::as_const(entries))
            insertAsVersion2(*db, e);
        // positions with a gap, as a renumbering would close it
        db->exec(QStringLiteral("DELETE FROM journal_entry WHERE id = ?"), {entries[3].id});
        insertAsVersion2(*db, entries[3]);
        before = positions(*db);
        ASSERT_EQ(before.size(), 6);
        EXPECT_EQ(db->schemaVersion(), 2);
    }
    auto db = Database::open(m_settings);
    const QStringList indexes = indexNames(*db);
    db->migrate();
    EXPECT_EQ(db->schemaVersion(), kSchemaVersion);

    QStringList expected = before;
    for (QString& row : expected)
        if (row.contains(entries[1].id) || row.contains(entries[4].id))
            row.replace(QLatin1String(" scan"), QLatin1String(" misread"));
    EXPECT_EQ(positions(*db), expected);
    // every index kept through the rebuild, the lot indexes by day in place of the day's own
    QStringList expectedIndexes = indexes;
    EXPECT_EQ(expectedIndexes.removeAll(QStringLiteral("journal_entry_production")), 1);
    expectedIndexes << QStringLiteral("journal_entry_lot_day") << QStringLiteral("journal_entry_lot_day_names");
    expectedIndexes.sort();
    EXPECT_EQ(indexNames(*db), expectedIndexes);
    if (!postgres()) {
        EXPECT_EQ(db->integrityCheck(), QStringLiteral("ok"));
    }

    // every field read back as it was stored
    QMap<QString, Entry> stored;
    for (const Row& r : everything(*db))
        stored[r.entry.id] = r.entry;
    for (Entry e : std::as_const(entries)) {
        if (!e.error.isEmpty())
            e.kind = EntryKind::Misread;
        // a print stored before copies were counted was one copy of its marked labels
        if (e.kind == EntryKind::Print && e.medium == Medium::Printer)
            e.labelTotal = e.labelCount;
        EXPECT_EQ(QJsonDocument(stored.value(e.id).toJson()).toJson(), QJsonDocument(e.toJson()).toJson());
    }
    // the code whose only read failed was never read
    Search search(*db, {});
    const QList<CodeRow> unscanned = search.codes(View::PrintedNotScanned, 10);
    ASSERT_EQ(unscanned.size(), 1);
    EXPECT_EQ(unscanned[0].code, printedOnce);
    const QList<CodeRow> unprinted = search.codes(View::ScannedNotPrinted, 10);
    EXPECT_TRUE(unprinted.isEmpty());

    // new entries come after the old ones; a misread is taken, an unknown kind refused
    Entry misread = sampleEntry(EntryKind::Misread, 9);
    misread.error = QStringLiteral("Champ non reconnu : Parfum");
    EXPECT_EQ(db->insert({misread}), 1);
    const QStringList after = positions(*db);
    ASSERT_EQ(after.size(), 7);
    EXPECT_GT(after.last().section(u' ', 0, 0).toLongLong(), before.last().section(u' ', 0, 0).toLongLong());
    EXPECT_TRUE(after.last().endsWith(QStringLiteral(" misread")));
    EXPECT_FALSE(test::errorOf([&] {
                     db->exec(QStringLiteral("UPDATE journal_entry SET kind = 'lecture' WHERE id = ?"), {misread.id});
                 }).isEmpty());

    // the step is made once: a second migration leaves every entry where it is
    db.reset();
    db = Database::open(m_settings);
    db->migrate();
    EXPECT_EQ(positions(*db), after);
}

TEST_P(JournalStore, RefusesAJournalOfANewerProgram)
{
    {
        auto db = open();
        db->exec(QStringLiteral("UPDATE journal_schema SET version = 99"));
    }
    auto db = Database::open(m_settings);
    const QString message = test::errorOf([&] { db->migrate(); });
    EXPECT_TRUE(message.contains(QStringLiteral("version plus récente"))) << message.toStdString();
    EXPECT_EQ(db->schemaVersion(), 99);
}

// The store out of reach: an SQLite path that is a folder, a PostgreSQL database that does not exist
// yet. Entries wait in the outbox, are counted in the status text, and are sent in order and once
// when the store can be reached again.
TEST_P(JournalStore, EntriesWaitWhileTheStoreIsOutOfReachAndArriveInOrderOnce)
{
    takeStoreAway();
    Journal journal(m_settings, folder());
    journal.setRetryDelay(0);
    QList<Entry> entries;
    for (int i = 0; i < 5; ++i)
        entries << sampleEntry(EntryKind::Scan, i);
    for (int i = 0; i < 3; ++i) {
        const RecordResult r = journal.record(entries[i]);
        EXPECT_FALSE(r.stored);
        EXPECT_TRUE(r.waiting);
        // the operator is told once, when the journal stops being written
        EXPECT_EQ(r.message.isEmpty(), i > 0) << r.message.toStdString();
    }
    EXPECT_EQ(journal.pending(), 3);
    EXPECT_EQ(journal.statusText(), QStringLiteral("Journal : hors ligne, 3 en attente"));
    EXPECT_EQ(journal.flush(true), 0);

    // back: an entry whose answer was lost is in the store already and in the outbox still
    bringStoreBack();
    open()->insert({entries[1]});
    const RecordResult r = journal.record(entries[3]);
    EXPECT_TRUE(r.waiting || r.stored);
    EXPECT_EQ(journal.pending(), 0);
    EXPECT_TRUE(journal.statusText().isEmpty());
    EXPECT_TRUE(journal.record(entries[4]).stored);

    auto db = open();
    EXPECT_EQ(storedCount(*db), 5);
    QSqlQuery q(db->db());
    runQuery(q, QStringLiteral("SELECT id FROM journal_entry ORDER BY seq"), {});
    QStringList order;
    while (q.next())
        order << q.value(0).toString();
    EXPECT_EQ(order, (QStringList{entries[1].id, entries[0].id, entries[2].id, entries[3].id, entries[4].id}));
}

// A store that stays out of reach is asked less and less often, and as often as at first once it
// answers again.
TEST_P(JournalStore, AStoreOutOfReachIsAskedLessAndLessOften)
{
    takeStoreAway();
    Journal journal(m_settings, folder());
    journal.setRetryDelay(5000);
    EXPECT_EQ(journal.retryDelay(), 5000);
    QList<int> delays;
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(journal.flush(true), 0);
        delays << journal.retryDelay();
    }
    EXPECT_EQ(delays, (QList<int>{5000, 10000, 20000, 40000, 60000, 60000, 60000}));
    // while it waits, neither recording nor sending asks the store
    EXPECT_TRUE(journal.record(sampleEntry(EntryKind::Scan, 0)).waiting);
    EXPECT_EQ(journal.flush(), 0);
    EXPECT_EQ(journal.retryDelay(), 60000);

    bringStoreBack();
    EXPECT_EQ(journal.flush(true), 1);
    EXPECT_EQ(journal.retryDelay(), 5000);
    journal.setRetryDelay(0);
    EXPECT_EQ(journal.retryDelay(), 0);
}

namespace {

// Runs `work` in a child process; returns its pid. The child never returns into the test.
template <typename Work> pid_t child(Work work)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        int status = 0;
        try {
            work();
        } catch (...) {
            status = 3;
        }
        ::_exit(status);
    }
    return pid;
}

} // namespace

TEST_P(JournalStore, AKilledProgramLeavesAConsistentJournalWithEveryEntryItRecorded)
{
    open(); // the schema, so that the child's first entry does not race its creation
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const Settings settings = m_settings;
    const QString dir = folder();
    const pid_t pid = child([&] {
        ::close(fds[0]);
        Journal journal(settings, dir);
        for (int i = 0;; ++i) {
            Entry e = sampleEntry(EntryKind::Scan, i);
            journal.record(e);
            // reported only once recorded: what the parent reads was complete
            const QByteArray line = e.id.toLatin1() + '\n';
            if (::write(fds[1], line.constData(), size_t(line.size())) != line.size())
                ::_exit(4);
        }
    });
    ::close(fds[1]);
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
    QByteArray reported;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 700) {
        char buffer[4096];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n > 0)
            reported.append(buffer, n);
        else
            ::usleep(1000);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ::close(fds[0]);
    QList<QByteArray> ids = reported.split('\n');
    ids.removeLast(); // a line cut by the kill
    ASSERT_GT(ids.size(), 10);

    Journal journal(m_settings, folder());
    const CheckReport check = journal.check();
    EXPECT_TRUE(check.ok()) << check.integrity.toStdString() << check.outboxIntegrity.toStdString();
    journal.flush(true);
    QSet<QString> stored;
    for (const Row& r : everything(journal.store()))
        stored << r.entry.id;
    for (const QByteArray& id : ids)
        EXPECT_TRUE(stored.contains(QString::fromLatin1(id))) << id.constData();
}

TEST_P(JournalStore, ProcessesRecordingAtOnceStoreEveryEntryOnce)
{
    open();
    constexpr int kProcesses = 4, kEach = 150;
    const Settings settings = m_settings;
    QList<pid_t> pids;
    for (int p = 0; p < kProcesses; ++p) {
        const QString dir = folder() + QStringLiteral("/p%1").arg(p);
        pids << child([&] {
            Journal journal(settings, dir);
            for (int i = 0; i < kEach; ++i)
                if (!journal.record(sampleEntry(EntryKind::Scan, i)).stored)
                    ::_exit(5);
        });
    }
    for (pid_t pid : pids) {
        int status = -1;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    EXPECT_EQ(storedCount(*open()), kProcesses * kEach);
}

PELORIN_BOTH_ENGINES(JournalStore);
