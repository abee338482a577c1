// The journal's speed. Recording an entry, durable (goal: under 2 ms on SQLite, under 5 ms on a local
// PostgreSQL), a scan and a print with its page description (stored once per fingerprint); and on
// journals of 100 000 and 1 million entries (and 10 million with PELORIN_BENCH_LARGE=1; the size is
// the benchmarks' argument) a search by whole code, by lot (perfume + place + production day, by
// code and by name) and by day (goal: flat, under 50 ms each), the reconciliation of a lot (goal:
// under 100 ms), and the journal window's first rows (goal: under 300 ms; peak memory with
// /usr/bin/time -v running only --benchmark_filter=FirstRows, goal under 200 MB).
//
// The large journals are made once per size, by one INSERT ... SELECT, and kept: the SQLite files
// PELORIN_BENCH_SQLITE-<size>.sqlite (default /tmp/pelorin-bench-journal-<size>.sqlite), the
// PostgreSQL databases pelorin_bench_<size> on the service PELORIN_TEST_PGSERVICE (the PostgreSQL
// cases are skipped without it).
#include "journal/database.h"
#include "journal/journal.h"
#include "journal/journalreader.h"
#include "journal/recall.h"
#include "journal/recording.h"
#include "journal/search.h"
#include "journal/ui/journalmodel.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <QFile>
#include <cstdio>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

using namespace pelorin::journal;

namespace {

QString service()
{
    return qEnvironmentVariable("PELORIN_TEST_PGSERVICE");
}

Entry sample(int n)
{
    Entry e = newEntry(EntryKind::Scan);
    e.code = QStringLiteral("B25012515LAV59300%1").arg(n % 365 + 1, 3, 10, QLatin1Char('0')) + QStringLiteral("24");
    e.decoded = {QStringLiteral("Bougie"),    QStringLiteral("250 gr"),  QStringLiteral("Boite de 12"),
                 QStringLiteral("Ral 515"),   QStringLiteral("Lavande"), QStringLiteral("Valenciennes"),
                 QStringLiteral("05/12/2024")};
    e.source = QStringLiteral("clavier");
    return e;
}

// A print of a label page description of a few kilobytes, the same page each time: its bytes are
// stored with the first print only.
Entry samplePrint(int n)
{
    static const QByteArray description = [] {
        QByteArray etq = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Page><Format><Ligne>8</Ligne>"
                         "<Colonne>3</Colonne></Format><Composants>";
        for (int i = 0; i < 40; ++i)
            etq += "<Composant><Type>AutoBarCode</Type><Name>Code" + QByteArray::number(i) +
                   "</Name><Top>10</Top><Left>5</Left><Height>12</Height><Width>50</Width></Composant>\r\n";
        return etq + "</Composants></Page>\r\n";
    }();
    Entry e = sample(n);
    e.kind = EntryKind::Print;
    e.source.clear();
    e.model = QStringLiteral("Etiq65.ETQ");
    e.labels = QStringLiteral("1-24");
    e.labelCount = 24;
    e.labelTotal = 24;
    e.output = QStringLiteral("PDF");
    e.description = description;
    e.fingerprint = pageFingerprint(description);
    return e;
}

void record(benchmark::State& state, const Settings& settings, Entry (*make)(int) = sample)
{
    QTemporaryDir dir;
    Journal journal(settings, dir.path());
    journal.store();
    int n = 0;
    for (auto _ : state) {
        const RecordResult r = journal.record(make(n++));
        if (!r.stored) {
            state.SkipWithError("the entry was not stored");
            break;
        }
    }
}

void RecordSqlite(benchmark::State& state)
{
    QTemporaryDir dir;
    Settings s;
    s.sqlitePath = dir.filePath(QStringLiteral("journal.sqlite"));
    record(state, s);
}
BENCHMARK(RecordSqlite)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void RecordPrintSqlite(benchmark::State& state)
{
    QTemporaryDir dir;
    Settings s;
    s.sqlitePath = dir.filePath(QStringLiteral("journal.sqlite"));
    record(state, s, samplePrint);
}
BENCHMARK(RecordPrintSqlite)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void RecordPostgres(benchmark::State& state)
{
    if (service().isEmpty()) {
        state.SkipWithError("no PostgreSQL service (PELORIN_TEST_PGSERVICE)");
        return;
    }
    Settings s;
    s.engine = Engine::PostgreSQL;
    s.service = service();
    record(state, s);
}
BENCHMARK(RecordPostgres)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void RecordPrintPostgres(benchmark::State& state)
{
    if (service().isEmpty()) {
        state.SkipWithError("no PostgreSQL service (PELORIN_TEST_PGSERVICE)");
        return;
    }
    Settings s;
    s.engine = Engine::PostgreSQL;
    s.service = service();
    record(state, s, samplePrint);
}
BENCHMARK(RecordPrintPostgres)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The rows of the large journal: 3 s apart from 2024-01-01, a third printed, 8 workstations, 50
// perfumes, 40 places, a production day changing every 1000 entries.
QString generateSql(Engine engine, qint64 count)
{
    if (engine == Engine::SQLite)
        return QStringLiteral(
                   "INSERT INTO journal_entry (id, kind, at, workstation, os_user, code, d_perfume, d_factory, "
                   "system_code, perfume_code, factory_code, production_date) "
                   "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %1), "
                   "f(i, p, u, d) AS (SELECT i, printf('P%02d', i % 50), printf('%05d', 59000 + (i / 7) % 40), "
                   "1 + (i / 1000) % 365 FROM n) "
                   "SELECT printf('%08x-0000-4000-8000-%012x', i, i), CASE WHEN i % 3 = 0 THEN 'print' ELSE 'scan' "
                   "END, "
                   "strftime('%Y-%m-%dT%H:%M:%S.000Z', 1704067200 + i * 3, 'unixepoch'), 'poste-' || (i % 8), 'op', "
                   "'B25012515' || p || u || printf('%03d', d) || '24', 'Parfum ' || p, 'Usine ' || u, 'B', p, u, "
                   "date('2024-01-01', '+' || (d - 1) || ' days') FROM f")
            .arg(count - 1);
    return QStringLiteral(
               "INSERT INTO journal_entry (id, kind, at, workstation, os_user, code, d_perfume, d_factory, "
               "system_code, "
               "perfume_code, factory_code, production_date) "
               "SELECT (lpad(to_hex(i), 8, '0') || '-0000-4000-8000-' || lpad(to_hex(i), 12, '0'))::uuid, "
               "CASE WHEN i % 3 = 0 THEN 'print' ELSE 'scan' END, "
               "timestamptz '2024-01-01 00:00:00+00' + i * interval '3 seconds', 'poste-' || (i % 8), 'op', "
               "'B25012515' || p || u || lpad(d::text, 3, '0') || '24', 'Parfum ' || p, 'Usine ' || u, 'B', p, u, "
               "date '2024-01-01' + (d - 1) FROM (SELECT i, 'P' || lpad((i % 50)::text, 2, '0') AS p, "
               "lpad((59000 + (i / 7) % 40)::text, 5, '0') AS u, 1 + (i / 1000) % 365 AS d "
               "FROM generate_series(0, %1) AS i) g")
        .arg(count - 1);
}

// The large journals, by engine and size, opened once for every search and closed before the
// application goes: a database connection must not outlive Qt's SQL drivers.
std::map<std::pair<Engine, qint64>, std::unique_ptr<Database>> g_largeJournals;

// The entry halfway through the generated journal, whatever its size: the searches look for its
// code, its lot and its day, so that they find something at any size.
struct MiddleEntry
{
    QString code, perfume, place;
    QDate productionDate;
    QDateTime at;
};
MiddleEntry middleEntry(qint64 rows)
{
    const qint64 i = rows / 2;
    MiddleEntry m;
    m.perfume = QStringLiteral("P%1").arg(i % 50, 2, 10, QLatin1Char('0'));
    m.place = QStringLiteral("%1").arg(59000 + (i / 7) % 40, 5, 10, QLatin1Char('0'));
    const int day = int(1 + (i / 1000) % 365);
    m.code = QStringLiteral("B25012515") + m.perfume + m.place +
             QStringLiteral("%1").arg(day, 3, 10, QLatin1Char('0')) + QStringLiteral("24");
    m.productionDate = QDate(2024, 1, 1).addDays(day - 1);
    m.at = QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC).addSecs(i * 3);
    return m;
}

// The large journal of this engine and size, made when missing or of another size; null when the
// PostgreSQL server does not answer.
std::unique_ptr<Database> openLargeJournal(Engine engine, qint64 rows)
{
    std::unique_ptr<Database> db;
    if (engine == Engine::SQLite) {
        const QString base = qEnvironmentVariableIsEmpty("PELORIN_BENCH_SQLITE")
                                 ? QStringLiteral("/tmp/pelorin-bench-journal")
                                 : qEnvironmentVariable("PELORIN_BENCH_SQLITE");
        db = Database::openSqlite(QStringLiteral("%1-%2.sqlite").arg(base).arg(rows));
    } else {
        const QString name = QStringLiteral("pelorin_bench_%1").arg(rows);
        try {
            auto admin = Database::openPostgres(service());
            QSqlQuery q(admin->db());
            q.exec(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = '%1'").arg(name));
            if (!q.next())
                admin->exec(QStringLiteral("CREATE DATABASE %1").arg(name));
        } catch (...) {
            return nullptr;
        }
        db = Database::openPostgres(service(), name);
    }
    db->migrate();
    QSqlQuery q(db->db());
    q.exec(QStringLiteral("SELECT count(*) FROM journal_entry"));
    q.next();
    if (q.value(0).toLongLong() != rows) {
        q.finish();
        db->exec(QStringLiteral("DELETE FROM journal_entry"));
        std::fprintf(stderr, "making a journal of %lld entries...\n", rows);
        db->exec(generateSql(engine, rows));
        db->exec(engine == Engine::SQLite ? QStringLiteral("ANALYZE") : QStringLiteral("VACUUM ANALYZE journal_entry"));
    }
    return db;
}

Database* largeJournal(Engine engine, qint64 rows)
{
    std::unique_ptr<Database>& db = g_largeJournals[{engine, rows}];
    if (!db)
        db = openLargeJournal(engine, rows);
    return db.get();
}

bool skipWithoutServer(benchmark::State& state, Engine engine)
{
    if (engine == Engine::PostgreSQL && service().isEmpty()) {
        state.SkipWithError("no PostgreSQL service (PELORIN_TEST_PGSERVICE)");
        return true;
    }
    return false;
}

using MakeFilter = Filter (*)(qint64 rows);

void search(benchmark::State& state, Engine engine, MakeFilter make, int expectAtLeast)
{
    if (skipWithoutServer(state, engine))
        return;
    Database* db = largeJournal(engine, state.range(0));
    if (!db) {
        state.SkipWithError("the PostgreSQL server does not answer");
        return;
    }
    const Filter f = make(state.range(0));
    qsizetype found = 0;
    for (auto _ : state) {
        Search s(*db, f);
        found = s.entries(200).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = double(found);
    if (found < expectAtLeast)
        state.SkipWithError("the search found less than expected");
}

// Labels printed against labels read for every code of a lot.
void reconcile(benchmark::State& state, Engine engine, MakeFilter make)
{
    if (skipWithoutServer(state, engine))
        return;
    Database* db = largeJournal(engine, state.range(0));
    if (!db) {
        state.SkipWithError("the PostgreSQL server does not answer");
        return;
    }
    const Filter f = make(state.range(0));
    qint64 printed = 0, codes = 0;
    for (auto _ : state) {
        printed = codes = 0;
        Search(*db, f).forEachReconciled([&](const ReconcileRow& r) {
            printed += r.printed + r.scanned;
            ++codes;
        });
        benchmark::DoNotOptimize(printed);
    }
    state.counters["codes"] = double(codes);
    if (codes < 1)
        state.SkipWithError("the lot has no code");
}

// The recall report, whole: the sheets, the reads and the totals per code of a code or of a part
// of one.
void recall(benchmark::State& state, Engine engine, QString (*text)(qint64 rows))
{
    if (skipWithoutServer(state, engine))
        return;
    Database* db = largeJournal(engine, state.range(0));
    if (!db) {
        state.SkipWithError("the PostgreSQL server does not answer");
        return;
    }
    const QString sought = text(state.range(0));
    qint64 rows = 0;
    for (auto _ : state) {
        rows = 0;
        Recall r(*db, sought);
        r.forEachPrint([&](const Entry&) { ++rows; });
        r.forEachScan([&](const Entry&) { ++rows; });
        r.forEachTotal([&](const ReconcileRow&) { ++rows; });
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = double(rows);
    if (rows < 1)
        state.SkipWithError("the recall found nothing");
}

QString wholeCode(qint64 rows)
{
    return middleEntry(rows).code;
}
// a lot as an operator types it: the code's last 13 characters (perfume, place, production day and year)
QString lotText(qint64 rows)
{
    return middleEntry(rows).code.right(13);
}

Filter byCode(qint64 rows)
{
    Filter f;
    f.code = middleEntry(rows).code;
    return f;
}
Filter byLot(qint64 rows)
{
    Filter f;
    const MiddleEntry m = middleEntry(rows);
    f.perfume = m.perfume;
    f.place = m.place;
    f.productionDate = m.productionDate;
    return f;
}
// the same lot by the names the codes decode to
Filter byLotNames(qint64 rows)
{
    Filter f = byLot(rows);
    f.perfume = QStringLiteral("Parfum ") + f.perfume;
    f.place = QStringLiteral("Usine ") + f.place;
    return f;
}
Filter byDay(qint64 rows)
{
    Filter f;
    // the day of the middle entry's time: a day's entries at most, fewer in a small journal
    f.from = QDateTime(middleEntry(rows).at.date(), QTime(0, 0), Qt::UTC);
    f.to = f.from.addDays(1);
    return f;
}

// The settings that name the large journal of this engine and size, as openLargeJournal() made it.
Settings largeJournalSettings(Engine engine, qint64 rows)
{
    Settings s;
    s.engine = engine;
    if (engine == Engine::SQLite) {
        const QString base = qEnvironmentVariableIsEmpty("PELORIN_BENCH_SQLITE")
                                 ? QStringLiteral("/tmp/pelorin-bench-journal")
                                 : qEnvironmentVariable("PELORIN_BENCH_SQLITE");
        s.sqlitePath = QStringLiteral("%1-%2.sqlite").arg(base).arg(rows);
    } else {
        s.service = service();
        s.database = QStringLiteral("pelorin_bench_%1").arg(rows);
    }
    return s;
}

// The window's first rows: the model reset on the whole journal, newest first, read by the window's
// reader on its own thread and shown once it comes back.
void firstRows(benchmark::State& state, Engine engine)
{
    if (skipWithoutServer(state, engine))
        return;
    if (!largeJournal(engine, state.range(0))) {
        state.SkipWithError("the PostgreSQL server does not answer");
        return;
    }
    QTemporaryDir outbox;
    JournalReader reader(largeJournalSettings(engine, state.range(0)), outbox.path());
    JournalModel model(reader);
    QString failure;
    QEventLoop loop;
    QObject::connect(&model, &JournalModel::searchedPage, &loop, &QEventLoop::quit);
    QObject::connect(&model, &JournalModel::failed, &loop, [&](const QString& message) {
        failure = message;
        loop.quit();
    });
    const auto firstPage = [&] {
        model.reset({}, View::Entries);
        loop.exec();
    };
    firstPage(); // the reader's connection, opened once as the window opens it
    for (auto _ : state) {
        firstPage();
        benchmark::DoNotOptimize(model.rowCount());
    }
    if (!failure.isEmpty())
        state.SkipWithError(failure.toStdString().c_str());
}

// The searches, the reconciliation and the first rows on each engine and journal size.
void registerLargeJournalBenchmarks()
{
    QList<qint64> sizes = {100000, 1000000};
    if (qEnvironmentVariableIntValue("PELORIN_BENCH_LARGE") == 1)
        sizes << 10000000;
    for (const auto& [engine, suffix] :
         {std::pair{Engine::SQLite, "Sqlite"}, std::pair{Engine::PostgreSQL, "Postgres"}}) {
        const auto add = [&](const char* what, auto run) {
            auto* b =
                benchmark::RegisterBenchmark((std::string(what) + suffix).c_str(), run)->Unit(benchmark::kMillisecond);
            for (qint64 n : sizes)
                b->Arg(n);
        };
        const Engine e = engine;
        add("SearchByCode", [e](benchmark::State& s) { search(s, e, byCode, 1); });
        add("SearchByLot", [e](benchmark::State& s) { search(s, e, byLot, 1); });
        add("SearchByLotNames", [e](benchmark::State& s) { search(s, e, byLotNames, 1); });
        add("SearchByDay", [e](benchmark::State& s) { search(s, e, byDay, 200); });
        add("ReconcileLot", [e](benchmark::State& s) { reconcile(s, e, byLot); });
        add("RecallCode", [e](benchmark::State& s) { recall(s, e, wholeCode); });
        add("RecallLot", [e](benchmark::State& s) { recall(s, e, lotText); });
        add("FirstRows", [e](benchmark::State& s) { firstRows(s, e); });
    }
}

// Eight processes recording 10 000 entries each at once into one store: exactly 80 000, none twice.
void concurrent(benchmark::State& state, const Settings& settings, const std::function<void()>& clear,
                std::function<std::unique_ptr<Database>()> open)
{
    constexpr int kProcesses = 8, kEach = 10000;
    for (auto _ : state) {
        clear();
        QTemporaryDir dir;
        QList<pid_t> pids;
        for (int p = 0; p < kProcesses; ++p) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                Journal journal(settings, dir.filePath(QString::number(p)));
                for (int i = 0; i < kEach; ++i)
                    if (!journal.record(sample(i)).stored)
                        ::_exit(1);
                ::_exit(0);
            }
            pids << pid;
        }
        bool ok = true;
        for (pid_t pid : pids) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        auto db = open();
        QSqlQuery q(db->db());
        q.exec(QStringLiteral("SELECT count(*), count(DISTINCT id) FROM journal_entry"));
        q.next();
        state.counters["entries"] = q.value(0).toDouble();
        state.counters["distinct"] = q.value(1).toDouble();
        if (!ok || q.value(0).toLongLong() != kProcesses * kEach || q.value(1).toLongLong() != kProcesses * kEach)
            state.SkipWithError("not exactly 80 000 distinct entries");
    }
}

void ConcurrentSqlite(benchmark::State& state)
{
    QTemporaryDir dir;
    Settings s;
    s.sqlitePath = dir.filePath(QStringLiteral("journal.sqlite"));
    concurrent(
        state, s, [&] { QFile::remove(s.sqlitePath); }, [&] { return Database::openSqlite(s.sqlitePath); });
}
BENCHMARK(ConcurrentSqlite)->Unit(benchmark::kSecond)->Iterations(1);

void ConcurrentPostgres(benchmark::State& state)
{
    if (service().isEmpty()) {
        state.SkipWithError("no PostgreSQL service (PELORIN_TEST_PGSERVICE)");
        return;
    }
    Settings s;
    s.engine = Engine::PostgreSQL;
    s.service = service();
    s.database = QStringLiteral("pelorin_bench_concurrent");
    concurrent(
        state, s,
        [&] {
            auto admin = Database::openPostgres(service());
            admin->exec(QStringLiteral("DROP DATABASE IF EXISTS pelorin_bench_concurrent WITH (FORCE)"));
            admin->exec(QStringLiteral("CREATE DATABASE pelorin_bench_concurrent"));
            Database::open(s)->migrate();
        },
        [&] { return Database::open(s); });
}
BENCHMARK(ConcurrentPostgres)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    registerLargeJournalBenchmarks();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // every connection closed while Qt's SQL drivers are still there
    g_largeJournals.clear();
    return 0;
}
