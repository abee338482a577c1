#include "journal/journalfixture.h"

#include "base/error.h"
#include "journal/journal.h"
#include "journal/journalworker.h"
#include "journal/outbox.h"
#include "journal/search.h"
#include "support/testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <unistd.h>

using namespace pelorin;
using namespace pelorin::journal;
using pelorin::test::JournalTest;
using pelorin::test::sampleEntry;

namespace {

// The ids the store holds, each once.
QList<QString> storedIds(Database& db)
{
    QList<QString> ids;
    Search(db, {}).forEachEntry([&](const Row& r) { ids << r.entry.id; });
    return ids;
}

// A lock another session holds on the journal while a program records.
struct HeldLock
{
    const char* name;
    const char* take;    // statements, one per line
    const char* release; // statements, one per line
    bool postgresOnly;
    bool freshStore; // the store has no schema yet, so the program must migrate it
};

const HeldLock kHeldLocks[] = {
    // what VACUUM FULL, REINDEX or an ALTER take
    {"TableExclusive", "BEGIN\nLOCK TABLE journal_entry IN ACCESS EXCLUSIVE MODE", "ROLLBACK", true, false},
    // the lock migrations take, held by any session that may take it
    {"MigrationLockOnCurrentSchema", "SELECT pg_advisory_lock(7305221)", "SELECT pg_advisory_unlock(7305221)", true,
     false},
    {"MigrationLockOnFreshStore", "SELECT pg_advisory_lock(7305221)", "SELECT pg_advisory_unlock(7305221)", true, true},
    // another program writing the SQLite file
    {"FileWriteLock", "BEGIN EXCLUSIVE", "ROLLBACK", false, false},
};

void run(Database& db, const char* statements)
{
    for (const QString& sql : QString::fromLatin1(statements).split(u'\n')) {
        QSqlQuery q(db.db());
        runQuery(q, sql, {});
    }
}

} // namespace

class JournalFaults : public JournalTest
{
};

// Whatever lock another session holds, recording returns within a bounded wait (the entry waits in the
// outbox when it must), and the entry is stored once the lock is released.
TEST_P(JournalFaults, ALockHeldElsewhereNeverStopsRecordingAndTheEntryArrivesAfterIt)
{
    for (const HeldLock& lock : kHeldLocks) {
        SCOPED_TRACE(lock.name);
        if (lock.postgresOnly != postgres())
            continue;
        if (postgres()) {
            // each case on a store of its own, fresh or already made
            test::dropTestDatabase(m_database);
            m_database = test::createTestDatabase();
            m_settings.database = m_database;
        } else {
            QFile::remove(m_settings.sqlitePath);
        }
        std::unique_ptr<Database> holder = lock.freshStore ? Database::open(m_settings) : open();
        run(*holder, lock.take);

        QTemporaryDir folder;
        Journal journal(m_settings, folder.path());
        const Entry entry = sampleEntry(EntryKind::Print, 1);
        QElapsedTimer clock;
        clock.start();
        const RecordResult r = journal.record(entry);
        // a liveness bound far above the few seconds a lock is waited for, not a measure of speed
        EXPECT_LT(clock.elapsed(), 10000);
        const bool mustWait =
            lock.freshStore || QLatin1String(lock.name) != QLatin1String("MigrationLockOnCurrentSchema");
        EXPECT_EQ(r.waiting, mustWait);
        EXPECT_FALSE(r.inMemory);
        EXPECT_EQ(r.message.isEmpty(), !mustWait);

        run(*holder, lock.release);
        holder.reset();
        journal.flush(true);
        EXPECT_EQ(journal.pending(), 0);
        EXPECT_EQ(storedIds(*open()), QList<QString>{entry.id});
    }
}

// An entry the store refuses for what it holds is set aside with the store's reason; the entries
// before and after it are stored, whether it was sent at once or waited in the outbox first, and the
// check fails while it stays aside.
TEST_P(JournalFaults, AnEntryTheStoreRefusesIsSetAsideAndTheOthersFlow)
{
    if (!postgres())
        GTEST_SKIP() << "SQLite stores any text: only the server refuses an entry for what it holds";
    const Entry good1 = sampleEntry(EntryKind::Scan, 1);
    Entry bad = sampleEntry(EntryKind::Scan, 2);
    bad.code = QStringLiteral("B2501251") + QChar(0) + QStringLiteral("5LAV5930033906");
    const Entry good3 = sampleEntry(EntryKind::Scan, 3);
    const Entry good4 = sampleEntry(EntryKind::Scan, 4);

    Journal journal(m_settings, folder());
    journal.setRetryDelay(0);
    // sent at once
    EXPECT_TRUE(journal.record(good1).stored);
    const RecordResult refused = journal.record(bad);
    EXPECT_TRUE(refused.setAside) << refused.message.toStdString();
    EXPECT_FALSE(refused.stored);
    EXPECT_FALSE(refused.message.isEmpty());
    const RecordResult third = journal.record(good3);
    EXPECT_TRUE(third.stored) << third.message.toStdString() << journal.lastError().toStdString();
    {
        const QList<QString> ids = storedIds(*open());
        EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()), (QSet<QString>{good1.id, good3.id}));
        EXPECT_EQ(ids.size(), 2);
    }
    // after waiting in the outbox, behind a second refused entry (the store comes back empty)
    takeStoreAway();
    Entry bad2 = bad;
    bad2.id = newEntry(EntryKind::Scan).id;
    EXPECT_TRUE(journal.record(bad2).waiting);
    EXPECT_TRUE(journal.record(good4).waiting);
    bringStoreBack();
    journal.flush(true);
    EXPECT_EQ(journal.pending(), 0);

    EXPECT_EQ(storedIds(*open()), QList<QString>{good4.id});
    const QList<SetAsideEntry> aside = journal.setAsideEntries();
    ASSERT_EQ(aside.size(), 2);
    EXPECT_EQ(aside[0].entry.id, bad.id);
    EXPECT_EQ(aside[1].entry.id, bad2.id);
    EXPECT_EQ(aside[0].entry.code, bad.code);
    EXPECT_FALSE(aside[0].reason.isEmpty());
    const CheckReport report = journal.check();
    EXPECT_EQ(report.setAside, 2);
    EXPECT_FALSE(report.ok());
}

// Neither the journal nor the outbox can be written (their folder lies under a file, as a full or
// read-only disk would refuse them, root included): the entry is said to be held in memory only.
TEST_P(JournalFaults, AnEntryNeitherTheJournalNorTheOutboxTakesIsSaidToBeInMemoryOnly)
{
    QFile blocker(folder() + QStringLiteral("/file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString unwritable = blocker.fileName() + QStringLiteral("/Journal");
    Settings settings = m_settings;
    if (!postgres())
        settings.sqlitePath = unwritable + QStringLiteral("/journal.sqlite");
    else
        takeStoreAway();
    Journal journal(settings, unwritable);
    for (int n = 0; n < 2; ++n) {
        const RecordResult r = journal.record(sampleEntry(EntryKind::Print, n));
        EXPECT_FALSE(r.stored);
        EXPECT_TRUE(r.inMemory);
    }
    EXPECT_EQ(journal.unsaved(), 2);
    EXPECT_TRUE(journal.triedPlaces().contains(unwritable + QStringLiteral("/outbox.sqlite")));
}

PELORIN_BOTH_ENGINES(JournalFaults);

namespace {

class FaultyJournalCommand : public JournalTest
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
    QString journalFolder() const { return m_data.path() + QStringLiteral("/Journal"); }

    test::TempDataFolder m_data;
};

} // namespace

// A file without the sheet's header is refused, naming it, and nothing of it is recorded; in a sheet,
// the lines that are no read of a code are counted apart and the codes after them arrive.
TEST_P(FaultyJournalCommand, ImportTakesOnlyScanSheetsAndOnlyTheirReads)
{
    const struct
    {
        const char* name;
        QByteArray bytes;
    } others[] = {
        {"page.ETQ", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Etiquette>\r\n<Version>1</Version>\r\n"},
        {"cfg.xml", "<?xml version=\"1.0\"?>\n<Config><Form1/></Config>\n"},
        {"program", QByteArrayLiteral("\x7f"
                                      "ELF\x02\x01\x01\x00\x00\x00\n\x03\x00>\x00\n")},
        {"status", "Name:\tcat\nUmask:\t0022\nState:\tR (running)\n"},
        {"empty.SCB", ""},
    };
    for (const auto& other : others) {
        SCOPED_TRACE(other.name);
        m_data.write(QString::fromLatin1(other.name), other.bytes);
        const test::RunResult r = run({QStringLiteral("--import"), m_data.file(QString::fromLatin1(other.name))});
        EXPECT_NE(r.exitCode, 0);
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(m_data.file(QString::fromLatin1(other.name))))
            << r.err.constData();
    }
    EXPECT_TRUE(storedIds(*open()).isEmpty());

    m_data.write(QStringLiteral("lecture.SCB"),
                 QByteArrayLiteral("ScanCode\r\nB2501251\x00"
                                   "5LAV5930033906\r\nB25012515LAV5930033906\r\n\t\r\n"
                                   "B25012515LAV\x1b"
                                   "5930036606\r\n   \r\nB25012515LAV5930036606\r\n\r\n"));
    const test::RunResult r = run({QStringLiteral("--import"), m_data.file(QStringLiteral("lecture.SCB"))});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("2 codes enregistr")) << r.out.constData();
    EXPECT_TRUE(r.err.contains("4 lignes qui ne sont pas des codes")) << r.err.constData();
    QStringList codes;
    Search(*open(), {}).forEachEntry([&](const Row& row) { codes << row.entry.code; });
    codes.sort();
    EXPECT_EQ(codes, (QStringList{QStringLiteral("B25012515LAV5930033906"), QStringLiteral("B25012515LAV5930036606")}));
}

// What the journal refused stays visible: the check lists it and fails, and it is exported with its
// reason, until it is dealt with.
TEST_P(FaultyJournalCommand, CheckFailsAndListsWhatIsSetAside)
{
    if (!postgres())
        GTEST_SKIP() << "SQLite stores any text: only the server refuses an entry for what it holds";
    Entry bad = sampleEntry(EntryKind::Scan, 2);
    bad.code = QStringLiteral("B25012515LAV") + QChar(0) + QStringLiteral("5930033906");
    {
        Journal journal(settings(), journalFolder());
        ASSERT_TRUE(journal.record(bad).setAside);
        ASSERT_TRUE(journal.record(sampleEntry(EntryKind::Scan, 3)).stored);
    }
    test::RunResult r = run({QStringLiteral("--check")});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("Mises de côté : 1 ")) << r.out.constData();
    EXPECT_TRUE(r.out.contains(bad.id.toUtf8())) << r.out.constData();

    r = run({QStringLiteral("--set-aside"), QStringLiteral("--format"), QStringLiteral("json")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QJsonArray rows = QJsonDocument::fromJson(r.out).array();
    ASSERT_EQ(rows.size(), 1) << r.out.constData();
    EXPECT_EQ(rows[0].toObject()[QLatin1String("id")].toString(), bad.id);
    EXPECT_FALSE(rows[0].toObject()[QLatin1String("refused")].toString().isEmpty());
}

// A journal file damaged in its middle: a listing that cannot read it to the end fails, names the
// file and points to the check, rather than giving the rows before the damage as the whole journal.
TEST_P(FaultyJournalCommand, AListingThatFailsPartWayIsAnError)
{
    if (postgres())
        GTEST_SKIP() << "a damaged file is SQLite's";
    {
        auto db = open();
        QList<Entry> entries;
        for (int n = 0; n < 351; ++n)
            entries << sampleEntry(n % 2 ? EntryKind::Print : EntryKind::Scan, n);
        db->insert(entries);
    }
    QFile file(settings().sqlitePath);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const qint64 size = file.size();
    ASSERT_GT(size, 3 * 8192);
    file.seek((size / 2) & ~qint64(4095));
    file.write(QByteArray(8192, '\x5a'));
    file.close();
    for (const char* shape : {"tsv", "csv", "json"}) {
        SCOPED_TRACE(shape);
        const test::RunResult r = run({QStringLiteral("--format"), QString::fromLatin1(shape)});
        EXPECT_NE(r.exitCode, 0);
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(settings().sqlitePath)) << r.err.constData();
        EXPECT_TRUE(r.err.contains("--check")) << r.err.constData();
    }
}

// A PostgreSQL server that accepts connections and never answers (a listening socket nobody reads):
// recording and sending run off the caller's thread, whose event loop keeps turning while each try
// waits for the server, and the entries wait in the outbox.
TEST(JournalWorkerOnSilentServer, TheCallersEventLoopKeepsTurningAndTheEntriesWait)
{
    test::SilentServer server;
    ASSERT_TRUE(server.listening());
    QTemporaryDir folder;
    const Settings settings = server.settings();
    JournalWorker worker(settings, folder.path());
    // the longest time between two ticks of the caller's event loop: a liveness check, not a speed
    QElapsedTimer clock;
    qint64 lastTick = 0, longestGap = 0;
    QTimer tick;
    tick.setInterval(20);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, clock.elapsed() - lastTick);
        lastTick = clock.elapsed();
    });
    clock.start();
    tick.start();
    for (int n = 0; n < 3; ++n)
        worker.record(sampleEntry(EntryKind::Scan, n));
    worker.flush();
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&worker, &JournalWorker::statusChanged, &loop, [&] {
        if (worker.statusText() == QStringLiteral("Journal : hors ligne, 3 en attente"))
            loop.quit();
    });
    deadline.start(30000);
    loop.exec();
    tick.stop();
    EXPECT_EQ(worker.statusText(), QStringLiteral("Journal : hors ligne, 3 en attente"));
    EXPECT_LT(longestGap, 200);
    EXPECT_EQ(worker.unsaved(), 0);
}

// A copy of a journal on a read-only disk (a small file system mounted read-only: the folder stays
// read-only even to root) is listed, whole; nothing is written beside it.
TEST_P(FaultyJournalCommand, AReadOnlyCopyOfTheJournalIsListed)
{
    if (postgres())
        GTEST_SKIP() << "a copy of a journal is an SQLite file";
    QList<Entry> entries;
    for (int n = 0; n < 5; ++n)
        entries << sampleEntry(EntryKind::Scan, n);
    open()->insert(entries);

    QTemporaryDir mountPoint;
    const auto mount = [&](const QStringList& args) { return QProcess::execute(QStringLiteral("mount"), args) == 0; };
    if (!mount({QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), QStringLiteral("size=4m"),
                QStringLiteral("tmpfs"), mountPoint.path()}))
        GTEST_SKIP() << "no file system can be mounted here (mount needs the right to)";
    const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {mountPoint.path()}); });
    const QString copy = mountPoint.filePath(QStringLiteral("journal.sqlite"));
    ASSERT_TRUE(QFile::copy(settings().sqlitePath, copy));
    ASSERT_TRUE(mount({QStringLiteral("-o"), QStringLiteral("remount,ro"), mountPoint.path()}));
    Settings s = settings();
    s.sqlitePath = copy;
    s.saveFile(m_data.file(QStringLiteral("Config/journal.ini")));

    const test::RunResult r = run({QStringLiteral("--format"), QStringLiteral("json")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    QSet<QString> listed;
    for (const QJsonValue& v : QJsonDocument::fromJson(r.out).array())
        listed << v.toObject()[QLatin1String("id")].toString();
    QSet<QString> recorded;
    for (const Entry& e : std::as_const(entries))
        recorded << e.id;
    EXPECT_EQ(listed, recorded);
    EXPECT_EQ(QDir(mountPoint.path()).entryList(QDir::Files), QStringList{QStringLiteral("journal.sqlite")});
}

// A print whose entry neither the journal nor its outbox can take (their folder lies under a file, as
// a full or read-only disk would refuse them, root included): the page still goes out, and the
// command says both that it was printed and that its entry is lost, with a status that is not 0.
TEST_P(FaultyJournalCommand, APrintWhoseEntryIsLostSaysSoAndFails)
{
    if (postgres())
        GTEST_SKIP() << "the data folder's own journal is SQLite's";
    const QString printer = qEnvironmentVariable("PELORIN_TEST_PRINTER");
    if (printer.isEmpty())
        GTEST_SKIP() << "no test printer: PELORIN_TEST_PRINTER is unset (./test.sh starts CUPS with a PDF queue)";
    QDir(m_data.path()).mkpath(QStringLiteral("Modeles"));
    ASSERT_TRUE(QFile::copy(test::fixture(QStringLiteral("labels/sheet4x2.ETQ")),
                            m_data.file(QStringLiteral("Modeles/Lot.ETQ"))));
    QDir(journalFolder()).removeRecursively();
    m_data.write(QStringLiteral("Journal"), "not a folder");
    const test::RunResult r =
        test::runPelorin({QStringLiteral("print"), QStringLiteral("--data"), m_data.path(), QStringLiteral("--model"),
                          QStringLiteral("Lot.ETQ"), QStringLiteral("--code"), QStringLiteral("B25012515LAV5930033906"),
                          QStringLiteral("--printer"), printer});
    EXPECT_EQ(r.exitCode, 3) << r.err.constData();
    EXPECT_TRUE(r.err.contains("est perdue")) << r.err.constData();
    EXPECT_TRUE(r.err.contains("La page est imprimée")) << r.err.constData();
    EXPECT_FALSE(r.err.contains("gardée en mémoire")) << r.err.constData();
}

PELORIN_BOTH_ENGINES(FaultyJournalCommand);
