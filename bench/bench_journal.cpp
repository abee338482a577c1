// The journal's speed. Recording an entry, durable (goal: under 2 ms on SQLite, under 5 ms on a local
// PostgreSQL); and on a journal of many entries (PELORIN_BENCH_ROWS, 10 million by default) a search
// by whole code, by lot (perfume + place + production day) and by day (goal: under 50 ms each), and
// the journal window's first rows (goal: under 300 ms; peak memory with /usr/bin/time -v running only
// --benchmark_filter=FirstRows, goal under 200 MB).
//
// The large journals are made once, by one INSERT ... SELECT, and kept: the SQLite file at
// PELORIN_BENCH_SQLITE (default /tmp/pelorin-bench-journal.sqlite), the PostgreSQL database
// pelorin_bench on the service PELORIN_TEST_PGSERVICE (the PostgreSQL cases are skipped without it).
#include "journal/database.h"
#include "journal/journal.h"
#include "journal/search.h"
#include "journal/ui/journalmodel.h"

#include <QApplication>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <QFile>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

using namespace pelorin::journal;

namespace {

qint64 rows()
{
    const qint64 n = qEnvironmentVariableIntValue("PELORIN_BENCH_ROWS");
    return n > 0 ? n : 10000000;
}

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

void record(benchmark::State& state, const Settings& settings)
{
    QTemporaryDir dir;
    Journal journal(settings, dir.path());
    journal.store();
    int n = 0;
    for (auto _ : state) {
        const RecordResult r = journal.record(sample(n++));
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

// The large journals, opened once for every search and closed before the application goes: a
// database connection must not outlive Qt's SQL drivers.
std::unique_ptr<Database> g_largeJournals[2];

// The entry halfway through the generated journal, whatever its size: the searches look for its
// code, its lot and its day, so that they find something at any size.
struct MiddleEntry
{
    QString code, perfume, place;
    QDate productionDate;
    QDateTime at;
};
MiddleEntry middleEntry()
{
    const qint64 i = rows() / 2;
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

// The large journal of this engine, made when missing or of another size.
std::unique_ptr<Database> largeJournal(Engine engine)
{
    std::unique_ptr<Database> db;
    if (engine == Engine::SQLite) {
        const QString path = qEnvironmentVariableIsEmpty("PELORIN_BENCH_SQLITE")
                                 ? QStringLiteral("/tmp/pelorin-bench-journal.sqlite")
                                 : qEnvironmentVariable("PELORIN_BENCH_SQLITE");
        db = Database::openSqlite(path);
    } else {
        try {
            auto admin = Database::openPostgres(service());
            QSqlQuery q(admin->db());
            q.exec(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = 'pelorin_bench'"));
            if (!q.next())
                admin->exec(QStringLiteral("CREATE DATABASE pelorin_bench"));
        } catch (...) {
            return nullptr;
        }
        db = Database::openPostgres(service(), QStringLiteral("pelorin_bench"));
    }
    db->migrate();
    QSqlQuery q(db->db());
    q.exec(QStringLiteral("SELECT count(*) FROM journal_entry"));
    q.next();
    if (q.value(0).toLongLong() != rows()) {
        db->exec(QStringLiteral("DELETE FROM journal_entry"));
        std::fprintf(stderr, "making a journal of %lld entries...\n", rows());
        db->exec(generateSql(engine, rows()));
        db->exec(engine == Engine::SQLite ? QStringLiteral("ANALYZE") : QStringLiteral("VACUUM ANALYZE journal_entry"));
    }
    return db;
}

void search(benchmark::State& state, Engine engine, const std::function<Filter()>& make, int expectAtLeast)
{
    if (engine == Engine::PostgreSQL && service().isEmpty()) {
        state.SkipWithError("no PostgreSQL service (PELORIN_TEST_PGSERVICE)");
        return;
    }
    auto& db = g_largeJournals[engine == Engine::SQLite ? 0 : 1];
    if (!db)
        db = largeJournal(engine);
    const Filter f = make();
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

Filter byCode()
{
    Filter f;
    f.code = middleEntry().code;
    return f;
}
Filter byLot()
{
    Filter f;
    const MiddleEntry m = middleEntry();
    f.perfume = m.perfume;
    f.place = m.place;
    f.productionDate = m.productionDate;
    return f;
}
Filter byDay()
{
    Filter f;
    // the day of the middle entry's time: a day's entries at most, fewer in a small journal
    f.from = QDateTime(middleEntry().at.date(), QTime(0, 0), Qt::UTC);
    f.to = f.from.addDays(1);
    return f;
}

void SearchByCodeSqlite(benchmark::State& s)
{
    search(s, Engine::SQLite, byCode, 1);
}
void SearchByLotSqlite(benchmark::State& s)
{
    search(s, Engine::SQLite, byLot, 1);
}
void SearchByDaySqlite(benchmark::State& s)
{
    search(s, Engine::SQLite, byDay, 200);
}
void SearchByCodePostgres(benchmark::State& s)
{
    search(s, Engine::PostgreSQL, byCode, 1);
}
void SearchByLotPostgres(benchmark::State& s)
{
    search(s, Engine::PostgreSQL, byLot, 1);
}
void SearchByDayPostgres(benchmark::State& s)
{
    search(s, Engine::PostgreSQL, byDay, 200);
}
BENCHMARK(SearchByCodeSqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchByLotSqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchByDaySqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchByCodePostgres)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchByLotPostgres)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchByDayPostgres)->Unit(benchmark::kMillisecond);

// The window's first rows: the model reset on the whole journal, newest first.
void firstRows(benchmark::State& state, Engine engine)
{
    if (engine == Engine::PostgreSQL && service().isEmpty()) {
        state.SkipWithError("no PostgreSQL service (PELORIN_TEST_PGSERVICE)");
        return;
    }
    auto db = largeJournal(engine);
    for (auto _ : state) {
        JournalModel model;
        model.reset(*db, {}, View::Entries);
        benchmark::DoNotOptimize(model.rowCount());
    }
}
void FirstRowsSqlite(benchmark::State& s)
{
    firstRows(s, Engine::SQLite);
}
void FirstRowsPostgres(benchmark::State& s)
{
    firstRows(s, Engine::PostgreSQL);
}
BENCHMARK(FirstRowsSqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(FirstRowsPostgres)->Unit(benchmark::kMillisecond);

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
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (auto& db : g_largeJournals)
        db.reset();
    return 0;
}
