#include "journal/database.h"

#include "base/error.h"
#include "journal/columns.h"
#include "journal/connectionerror.h"

#include <QAtomicInt>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <QUrl>

namespace pelorin::journal {

namespace {

QString connectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("pelorin_journal_%1").arg(counter.fetchAndAddRelaxed(1));
}

QString storeMessage(const QSqlError& error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    return text;
}

// True when the store answered and refused what a statement carried, rather than failing to run it:
// PostgreSQL's data exceptions (22), refused constraints (23), a text it could not read as one (the
// byte 0 of a code ends its quoted value early: a syntax error, 42601) and values past its limits (54);
// SQLite's refused constraints, too large and mismatched values.
bool refusesContent(Engine engine, const QSqlError& error)
{
    const QString state = error.nativeErrorCode();
    if (engine == Engine::PostgreSQL)
        return state.startsWith(QLatin1String("22")) || state.startsWith(QLatin1String("23")) ||
               state == QLatin1String("42601") || state.startsWith(QLatin1String("54"));
    bool number = false;
    const int code = state.toInt(&number) & 0xff;
    return number && (code == 18 || code == 19 || code == 20);
}

// A conninfo value, quoted as libpq reads it.
QString conninfoValue(const QString& value)
{
    QString v = value;
    v.replace(u'\\', QLatin1String("\\\\"));
    v.replace(u'\'', QLatin1String("\\'"));
    return u'\'' + v + u'\'';
}

// A value as bound: never a null string, which Qt SQL binds as NULL, where the column wants text.
QVariant stored(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString && value.toString().isNull())
        return QStringLiteral("");
    return value;
}

// Every column of the current schema, in the order insertSql() names them.
const QList<const Column*>& writtenColumns()
{
    static const QList<const Column*> columns = storedColumns(kSchemaVersion);
    return columns;
}

// An entry whose id is stored already is skipped.
const QString& insertSql()
{
    static const QString sql = [] {
        QStringList names, marks;
        for (const Column* c : writtenColumns()) {
            names << QLatin1String(c->name);
            marks << QStringLiteral("?");
        }
        return QStringLiteral("INSERT INTO journal_entry (%1) VALUES (%2) ON CONFLICT (id) DO NOTHING")
            .arg(names.join(QLatin1String(", ")), marks.join(QLatin1String(", ")));
    }();
    return sql;
}

// What each migration does besides adding the columns of its version (those come from the column
// table). Version 1: the entries with their decoded texts; version 2: the code's fields for the
// searches by lot and by production day; version 3: the misreads, a kind of their own; version 4:
// a print's copies, its labels printed in all and the printer's resolution; version 5: the page
// descriptions printed, each kept once under its fingerprint, the texts of every label, the
// reprints, and the indexes that answer a lot by its day whether its fields are given by code or
// by name; version 6: every distinct code once, kept by a trigger on the entries, for the searches by
// a part of a code (a lot, the last 13 characters).
QStringList migrationSql(Engine engine, int to)
{
    const bool pg = engine == Engine::PostgreSQL;
    if (to == 6) {
        if (pg)
            return {
                QStringLiteral("CREATE TABLE journal_code (code TEXT PRIMARY KEY)"),
                QStringLiteral("INSERT INTO journal_code (code) SELECT DISTINCT code FROM journal_entry "
                               "WHERE code <> ''"),
                QStringLiteral("CREATE FUNCTION journal_entry_code() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                               "IF NEW.code <> '' THEN INSERT INTO journal_code (code) VALUES (NEW.code) "
                               "ON CONFLICT DO NOTHING; END IF; RETURN NULL; END $$"),
                QStringLiteral("CREATE TRIGGER journal_entry_code AFTER INSERT ON journal_entry FOR EACH ROW "
                               "EXECUTE FUNCTION journal_entry_code()"),
                // the role the workstations write with adds the codes of its entries through the trigger
                QStringLiteral("DO $$ BEGIN IF EXISTS (SELECT FROM pg_roles WHERE rolname = 'pelorin_journal') "
                               "THEN GRANT SELECT, INSERT ON journal_code TO pelorin_journal; END IF; END $$"),
            };
        return {
            QStringLiteral("CREATE TABLE journal_code (id INTEGER PRIMARY KEY, code TEXT NOT NULL UNIQUE)"),
            QStringLiteral("INSERT INTO journal_code (code) SELECT DISTINCT code FROM journal_entry WHERE code <> ''"),
            QStringLiteral("CREATE TRIGGER journal_entry_code AFTER INSERT ON journal_entry WHEN new.code <> '' "
                           "BEGIN INSERT OR IGNORE INTO journal_code (code) VALUES (new.code); END"),
        };
    }
    if (to == 5) {
        return {
            pg ? QStringLiteral("CREATE TABLE journal_page (fingerprint TEXT PRIMARY KEY, description BYTEA NOT NULL, "
                                "first_seen TIMESTAMPTZ NOT NULL)")
               : QStringLiteral("CREATE TABLE journal_page (fingerprint TEXT PRIMARY KEY, description BLOB NOT NULL, "
                                "first_seen TEXT NOT NULL)"),
            // the day first: each branch of a lot search (code or name for the perfume, for the place)
            // is an equality on the day and the perfume at least; a search by day alone uses them too,
            // so the day's own index goes
            QStringLiteral("CREATE INDEX journal_entry_lot_day ON journal_entry (production_date, perfume_code, "
                           "factory_code)"),
            QStringLiteral("CREATE INDEX journal_entry_lot_day_names ON journal_entry (production_date, d_perfume, "
                           "d_factory)"),
            QStringLiteral("DROP INDEX IF EXISTS journal_entry_production"),
            // the role the workstations write with, where the server has it, may add pages and read them
            pg ? QStringLiteral("DO $$ BEGIN IF EXISTS (SELECT FROM pg_roles WHERE rolname = 'pelorin_journal') THEN "
                                "GRANT SELECT, INSERT ON journal_page TO pelorin_journal; END IF; END $$")
               : QString(),
        };
    }
    if (to == 1) {
        return {
            QStringLiteral("CREATE TABLE journal_schema (version INTEGER NOT NULL)"),
            QStringLiteral("INSERT INTO journal_schema (version) VALUES (0)"),
            createTableSql(engine, 1, QStringLiteral("journal_entry")),
            // newest first, in the window and the command line; SQLite's index carries the rowid
            pg ? QStringLiteral("CREATE INDEX journal_entry_at ON journal_entry (at, seq)")
               : QStringLiteral("CREATE INDEX journal_entry_at ON journal_entry (at)"),
            QStringLiteral("CREATE INDEX journal_entry_code ON journal_entry (code, kind)"),
            QStringLiteral("CREATE INDEX journal_entry_workstation ON journal_entry (workstation, at)"),
        };
    }
    if (to == 2) {
        return {
            QStringLiteral("CREATE INDEX journal_entry_lot ON journal_entry (perfume_code, factory_code, "
                           "production_date)"),
            QStringLiteral("CREATE INDEX journal_entry_production ON journal_entry (production_date)"),
            QStringLiteral("CREATE INDEX journal_entry_system ON journal_entry (system_code)"),
        };
    }
    return {};
}

} // namespace

void runQuery(QSqlQuery& query, const QString& sql, const QVariantList& values)
{
    if (values.isEmpty()) {
        if (!query.exec(sql))
            throw Error(storeMessage(query.lastError()));
        return;
    }
    if (!query.prepare(sql))
        throw Error(storeMessage(query.lastError()));
    for (const QVariant& v : values)
        query.addBindValue(v);
    if (!query.exec())
        throw Error(storeMessage(query.lastError()));
}

void checkRowsEnded(const QSqlQuery& query, const Database& db)
{
    if (!query.lastError().isValid())
        return;
    throw Error(QStringLiteral("La lecture du journal « %1 » s'est arrêtée avant la fin : %2\nLa liste est "
                               "incomplète ; « pelorin journal --check » vérifie le journal.")
                    .arg(db.name(), storeMessage(query.lastError())));
}

Database::Database(Engine engine, const QString& connection, const QString& name)
    : m_engine(engine), m_connection(connection), m_name(name)
{
}

Database::~Database()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

QString Database::sqlitePath(const Settings& settings)
{
    return settings.sqlitePath.isEmpty() ? journalFolder() + QStringLiteral("/journal.sqlite") : settings.sqlitePath;
}

std::unique_ptr<Database> Database::open(const Settings& settings)
{
    if (settings.engine == Engine::PostgreSQL)
        return openPostgres(settings.service, settings.database);
    return openSqlite(sqlitePath(settings));
}

std::unique_ptr<Database> Database::openSqlite(const QString& path, const QString& cannotOpen)
{
    const QString connection = connectionName();
    std::unique_ptr<Database> d(new Database(Engine::SQLite, connection, path));
    d->m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    if (!d->m_db.isValid())
        throw Error(missingDriverMessage(QStringLiteral("QSQLITE")));
    QDir().mkpath(QFileInfo(path).absolutePath());
    d->m_db.setDatabaseName(path);
    // concurrent writers (several programs on one file) wait for each other, a few seconds at most: a
    // file another program keeps locked must not hold a print up
    d->m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kLockWaitMilliseconds));
    const QString cannot =
        cannotOpen.isEmpty() ? QStringLiteral("Le journal « %1 » ne peut pas être ouvert : %2") : cannotOpen;
    if (!d->m_db.open()) {
        d->m_connectionLost = true;
        throw Error(cannot.arg(path, storeMessage(d->m_db.lastError())));
    }
    try {
        QSqlQuery q(d->m_db);
        // WAL: readers never block the writer; FULL: each commit is on disk before it returns
        runQuery(q, QStringLiteral("PRAGMA journal_mode=WAL"), {});
        if (q.next() && q.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
            throw Error(QStringLiteral("mode WAL refusé"));
        q.finish();
        runQuery(q, QStringLiteral("PRAGMA synchronous=FULL"), {});
        runQuery(q, QStringLiteral("SELECT count(*) FROM sqlite_master"), {});
    } catch (const Error& e) {
        d->m_connectionLost = true;
        throw Error(cannot.arg(path, e.message()));
    }
    return d;
}

std::unique_ptr<Database> Database::openSqliteForReading(const QString& path)
{
    const QString cannot = QStringLiteral("Le journal « %1 » ne peut pas être lu : %2");
    if (!QFileInfo(path).isFile())
        throw Error(cannot.arg(path, QStringLiteral("fichier introuvable")));
    // read-only first, which still sees what a writer left in the write-ahead log; when even its
    // shared-memory file cannot be made (a read-only folder), the file is read as it stands
    const QString uri = QStringLiteral("file:%1?immutable=1")
                            .arg(QString::fromUtf8(QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/")));
    QString reason;
    for (const auto& [name, options] :
         {std::pair{path, QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(kLockWaitMilliseconds)},
          std::pair{uri, QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI")}}) {
        const QString connection = connectionName();
        std::unique_ptr<Database> d(new Database(Engine::SQLite, connection, path));
        d->m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        d->m_db.setDatabaseName(name);
        d->m_db.setConnectOptions(options);
        if (!d->m_db.open()) {
            reason = storeMessage(d->m_db.lastError());
            continue;
        }
        int version = 0;
        try {
            version = d->schemaVersion();
        } catch (const Error& e) {
            reason = e.message();
            continue;
        }
        if (version != kSchemaVersion)
            throw Error(QStringLiteral("Le journal « %1 » est d'un autre schéma (%2, celui-ci connaît le schéma %3) et "
                                       "ne peut pas être mis à jour en lecture seule.")
                            .arg(path)
                            .arg(version)
                            .arg(kSchemaVersion));
        return d;
    }
    throw Error(cannot.arg(path, reason));
}

std::unique_ptr<Database> Database::openPostgres(const QString& service, const QString& database)
{
    const QString connection = connectionName();
    const QString shown = service.isEmpty() ? QString::fromLocal8Bit(qgetenv("PGSERVICE")) : service;
    std::unique_ptr<Database> d(new Database(Engine::PostgreSQL, connection, shown));
    d->m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
    if (!d->m_db.isValid())
        throw Error(missingDriverMessage(QStringLiteral("QPSQL")));
    QStringList options;
    if (!service.isEmpty())
        options << QStringLiteral("service=") + conninfoValue(service);
    if (!database.isEmpty())
        options << QStringLiteral("dbname=") + conninfoValue(database);
    // a server that does not answer must not hold up a print for long
    options << QStringLiteral("connect_timeout=3") << QStringLiteral("application_name=pelorin")
            << QStringLiteral("keepalives_idle=5") << QStringLiteral("keepalives_interval=2")
            << QStringLiteral("keepalives_count=2")
            << QStringLiteral("tcp_user_timeout=6000")
            // a table another session locks (a VACUUM FULL, a REINDEX, an ALTER) is waited for a few
            // seconds, not for as long as that session keeps it
            << QStringLiteral("options=") +
                   conninfoValue(QStringLiteral("-c lock_timeout=%1").arg(kLockWaitMilliseconds));
    d->m_db.setConnectOptions(options.join(u';'));
    if (!d->m_db.open()) {
        d->m_connectionLost = true;
        throw Error(connectionFailureMessage(shown, storeMessage(d->m_db.lastError())));
    }
    return d;
}

void Database::fail(const QSqlQuery& query, const QString& what)
{
    const QString message = storeMessage(query.lastError());
    if (m_engine == Engine::PostgreSQL) {
        QSqlQuery probe(m_db);
        m_connectionLost = !probe.exec(QStringLiteral("SELECT 1"));
    }
    throw Error(what.isEmpty() ? message : what + QStringLiteral(" : ") + message);
}

void Database::exec(const QString& sql, const QVariantList& values)
{
    QSqlQuery q(m_db);
    // PostgreSQL prepares no DDL: a statement without values runs as it is
    if (values.isEmpty()) {
        if (!q.exec(sql))
            fail(q, QString());
        return;
    }
    if (!q.prepare(sql))
        fail(q, QString());
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        fail(q, QString());
}

QString Database::timeValue(const QDateTime& utc)
{
    return utc.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

QString Database::timeText(const QString& column) const
{
    if (m_engine == Engine::PostgreSQL)
        return QStringLiteral("to_char(%1 AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"')").arg(column);
    return column;
}

bool Database::hasTrigramIndex()
{
    if (!m_trigramIndex) {
        QSqlQuery q(m_db);
        runQuery(q,
                 m_engine == Engine::PostgreSQL
                     ? QStringLiteral("SELECT count(*) FROM pg_indexes WHERE indexname = 'journal_code_trigrams'")
                     : QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'journal_code_search'"),
                 {});
        m_trigramIndex = q.next() && q.value(0).toInt() > 0;
    }
    return *m_trigramIndex;
}

QString Database::codeContainsTest(const QString& column, const QString& part, QVariantList& values)
{
    // trigrams answer parts of three characters or more; the plain test keeps the search exact
    const bool trigrams = part.size() >= 3 && hasTrigramIndex();
    if (m_engine == Engine::PostgreSQL) {
        if (trigrams) {
            QString pattern = part;
            pattern.replace(u'\\', QLatin1String("\\\\"));
            pattern.replace(u'%', QLatin1String("\\%"));
            pattern.replace(u'_', QLatin1String("\\_"));
            values << u'%' + pattern + u'%' << part;
            return QStringLiteral("%1 IN (SELECT code FROM journal_code WHERE code LIKE ? AND strpos(code, ?) > 0)")
                .arg(column);
        }
        values << part;
        return QStringLiteral("%1 IN (SELECT code FROM journal_code WHERE strpos(code, ?) > 0)").arg(column);
    }
    if (trigrams) {
        // one phrase: the part's trigrams one after the other, that is the part itself
        QString phrase = part;
        phrase.replace(u'"', QLatin1String("\"\""));
        values << u'"' + phrase + u'"' << part;
        return QStringLiteral("%1 IN (SELECT c.code FROM journal_code_search s JOIN journal_code c ON c.id = s.rowid "
                              "WHERE journal_code_search MATCH ? AND instr(c.code, ?) > 0)")
            .arg(column);
    }
    values << part;
    return QStringLiteral("%1 IN (SELECT code FROM journal_code WHERE instr(code, ?) > 0)").arg(column);
}

int Database::schemaVersion()
{
    QSqlQuery q(m_db);
    const QString exists = m_engine == Engine::PostgreSQL
                               // the catalog read as of this statement, as another program's migration
                               // committed it (the name cache may not have seen it yet)
                               ? QStringLiteral("SELECT EXISTS (SELECT 1 FROM pg_catalog.pg_tables WHERE "
                                                "schemaname = current_schema() AND tablename = 'journal_schema')")
                               : QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'journal_schema'");
    if (!q.exec(exists))
        fail(q, QString());
    if (!q.next() || !q.value(0).toBool())
        return 0;
    if (!q.exec(QStringLiteral("SELECT version FROM journal_schema")))
        fail(q, QString());
    return q.next() ? q.value(0).toInt() : 0;
}

void Database::takeMigrationLock()
{
    // a bounded wait: a session holding the lock (a migration stuck, or any session that took it) must
    // not stop this program for longer than a lock on a table would
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        QSqlQuery q(m_db);
        if (!q.exec(QStringLiteral("SELECT pg_try_advisory_xact_lock(7305221)")))
            fail(q, QString());
        if (q.next() && q.value(0).toBool())
            return;
        if (waited.hasExpired(kLockWaitMilliseconds))
            throw Error(QStringLiteral("Le journal « %1 » est en cours de mise à jour par un autre programme "
                                       "(verrou non obtenu en %2 s).")
                            .arg(m_name)
                            .arg(kLockWaitMilliseconds / 1000));
        QThread::msleep(50);
    }
}

void Database::migrate(int target)
{
    // a journal already at this version is used as it is, without the lock: a role that only inserts
    // and reads then never waits on the programs that update the schema
    {
        const int version = schemaVersion();
        if (version >= target && version <= kSchemaVersion)
            return;
    }
    for (;;) {
        // one version per transaction; the lock makes a second program wait and then see the
        // version the first one reached
        QSqlQuery q(m_db);
        const bool pg = m_engine == Engine::PostgreSQL;
        if (!q.exec(pg ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
            fail(q, QStringLiteral("Le journal « %1 » ne peut pas être mis à jour").arg(m_name));
        try {
            if (pg) {
                takeMigrationLock();
                // a large journal's migration takes what it takes; only locks stay bounded
                exec(QStringLiteral("SET LOCAL statement_timeout = 0"));
            }
            q.finish();
            const int version = schemaVersion();
            if (version > kSchemaVersion)
                throw Error(QStringLiteral("Le journal « %1 » a été écrit par une version plus récente du programme "
                                           "(schéma %2, celui-ci connaît le schéma %3).")
                                .arg(m_name)
                                .arg(version)
                                .arg(kSchemaVersion));
            if (version >= target) {
                QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
                return;
            }
            migrateStep(version);
            exec(QStringLiteral("UPDATE journal_schema SET version = ?"), {version + 1});
            QSqlQuery commit(m_db);
            if (!commit.exec(QStringLiteral("COMMIT")))
                fail(commit, QString());
        } catch (...) {
            QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
            throw;
        }
    }
}

void Database::migrateStep(int from)
{
    const int to = from + 1;
    // the table is made with the columns of the first version; each later one adds its own
    if (to > 1) {
        for (const Column* c : storedColumns(to))
            if (c->since == to)
                exec(QStringLiteral("ALTER TABLE journal_entry ADD COLUMN %1").arg(c->definition(m_engine, to)));
    }
    for (const QString& sql : migrationSql(m_engine, to))
        if (!sql.isEmpty())
            exec(sql);
    if (to == 3)
        admitMisreads();
    // the prints stored before the copies were counted were one copy each, of the labels marked
    if (to == 4)
        exec(QStringLiteral(
            "UPDATE journal_entry SET label_total = label_count WHERE kind = 'print' AND medium <> 'pdf'"));
    if (to == 6)
        indexCodeParts();
    fillDerivedColumns(to);
}

// A trigram index of the distinct codes, where the store offers one (SQLite's FTS5, PostgreSQL's
// pg_trgm): a part of three characters or more is then found among millions of codes at once. A
// store without it still searches the distinct codes, far fewer than the entries.
void Database::indexCodeParts()
{
    if (m_engine == Engine::PostgreSQL) {
        // the extension may be missing or not the owner's to create: its failure must not undo the rest
        exec(QStringLiteral("SAVEPOINT code_trigrams"));
        try {
            exec(QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_trgm"));
            exec(QStringLiteral("CREATE INDEX journal_code_trigrams ON journal_code USING gin (code gin_trgm_ops)"));
            exec(QStringLiteral("RELEASE SAVEPOINT code_trigrams"));
        } catch (const Error&) {
            exec(QStringLiteral("ROLLBACK TO SAVEPOINT code_trigrams"));
        }
        return;
    }
    // a failed statement leaves SQLite's transaction as it was
    try {
        exec(QStringLiteral("CREATE VIRTUAL TABLE journal_code_search USING fts5(code, content='journal_code', "
                            "content_rowid='id', tokenize='trigram case_sensitive 1')"));
        exec(QStringLiteral("INSERT INTO journal_code_search (journal_code_search) VALUES ('rebuild')"));
        exec(QStringLiteral("CREATE TRIGGER journal_code_search AFTER INSERT ON journal_code BEGIN "
                            "INSERT INTO journal_code_search (rowid, code) VALUES (new.id, new.code); END"));
    } catch (const Error&) {
        exec(QStringLiteral("DROP TABLE IF EXISTS journal_code_search"));
    }
}

void Database::admitMisreads()
{
    if (m_engine == Engine::SQLite) {
        rebuildEntryTable(3);
    } else {
        // the check the table was made with names the kinds of its own version
        QSqlQuery q(m_db);
        runQuery(q,
                 QStringLiteral("SELECT conname FROM pg_constraint WHERE conrelid = 'journal_entry'::regclass "
                                "AND contype = 'c' AND pg_get_constraintdef(oid) LIKE '%kind%'"),
                 {});
        QStringList checks;
        while (q.next())
            checks << q.value(0).toString();
        q.finish();
        for (QString name : std::as_const(checks))
            exec(QStringLiteral("ALTER TABLE journal_entry DROP CONSTRAINT \"%1\"")
                     .arg(name.replace(u'"', QLatin1String("\"\""))));
        exec(QStringLiteral("ALTER TABLE journal_entry ADD CONSTRAINT journal_entry_kind_check %1")
                 .arg(kindCheck(QStringLiteral("kind"), 3)));
    }
    // reads that were no code were stored as scans, with the reason in their error
    exec(QStringLiteral("UPDATE journal_entry SET kind = ? WHERE kind = ? AND error <> ''"),
         {kindName(EntryKind::Misread), kindName(EntryKind::Scan)});
}

void Database::rebuildEntryTable(int version)
{
    // SQLite changes no column's check in place: the table is made again as `version` declares it, its
    // rows copied with their positions and ids, then its indexes (and any trigger) made again on it
    QSqlQuery q(m_db);
    runQuery(q,
             QStringLiteral("SELECT sql FROM sqlite_master WHERE tbl_name = 'journal_entry' "
                            "AND type IN ('index', 'trigger') AND sql IS NOT NULL"),
             {});
    QStringList remade;
    while (q.next())
        remade << q.value(0).toString();
    runQuery(q, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'sqlite_stat1'"), {});
    bool analysed = q.next() && q.value(0).toInt() > 0;
    if (analysed) {
        runQuery(q, QStringLiteral("SELECT count(*) FROM sqlite_stat1 WHERE tbl = 'journal_entry'"), {});
        analysed = q.next() && q.value(0).toInt() > 0;
    }
    q.finish();
    QStringList copied = {QStringLiteral("seq")};
    for (const Column* c : storedColumns(version - 1))
        copied << QLatin1String(c->name);
    const QString columns = copied.join(QLatin1String(", "));
    exec(createTableSql(m_engine, version, QStringLiteral("journal_entry_rebuilt")));
    exec(QStringLiteral("INSERT INTO journal_entry_rebuilt (%1) SELECT %1 FROM journal_entry").arg(columns));
    exec(QStringLiteral("DROP TABLE journal_entry"));
    exec(QStringLiteral("ALTER TABLE journal_entry_rebuilt RENAME TO journal_entry"));
    for (const QString& sql : std::as_const(remade))
        exec(sql);
    // the planner keeps the statistics it had
    if (analysed)
        exec(QStringLiteral("ANALYZE journal_entry"));
}

void Database::fillDerivedColumns(int version)
{
    // the fields cut from the entries stored before they had columns of their own
    QList<const Column*> derived;
    for (const Column* c : storedColumns(version))
        if (c->since == version && c->uses & Column::Derived)
            derived << c;
    if (derived.isEmpty())
        return;
    const QList<const Column*> read = storedColumns(version - 1, true);
    QStringList selected = {QStringLiteral("seq")}, assigned;
    for (const Column* c : read)
        selected << (c->uses & Column::Time ? timeText(QLatin1String(c->name)) : QLatin1String(c->name));
    for (const Column* c : derived)
        assigned << QStringLiteral("%1 = ?").arg(QLatin1String(c->name));
    const QString select = QStringLiteral("SELECT %1 FROM journal_entry WHERE seq > ? ORDER BY seq LIMIT ?")
                               .arg(selected.join(QLatin1String(", ")));
    QSqlQuery write(m_db);
    if (!write.prepare(
            QStringLiteral("UPDATE journal_entry SET %1 WHERE seq = ?").arg(assigned.join(QLatin1String(", ")))))
        fail(write, QString());
    // a batch at a time, so that a large journal is never held whole
    constexpr int kBatch = 5000;
    qint64 after = -1;
    for (;;) {
        QList<std::pair<qint64, Entry>> rows;
        {
            QSqlQuery batch(m_db);
            batch.setForwardOnly(true);
            runQuery(batch, select, {after, kBatch});
            while (batch.next()) {
                Entry e;
                int i = 1;
                for (const Column* c : read)
                    c->set(e, batch.value(i++));
                rows.append({batch.value(0).toLongLong(), e});
            }
        }
        for (const auto& [seq, e] : std::as_const(rows)) {
            for (const Column* c : derived)
                write.addBindValue(stored(c->get(e)));
            write.addBindValue(seq);
            if (!write.exec())
                fail(write, QString());
        }
        if (rows.size() < kBatch)
            break;
        after = rows.last().first;
    }
}

int Database::insert(const QList<Entry>& entries)
{
    if (entries.isEmpty())
        return 0;
    const bool pg = m_engine == Engine::PostgreSQL;
    QSqlQuery begin(m_db);
    if (!begin.exec(pg ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
        fail(begin, QString());
    int added = 0;
    try {
        // a write that takes longer than this is given up (the entries wait in the outbox)
        if (pg)
            exec(QStringLiteral("SET LOCAL statement_timeout = %1").arg(kWriteWaitMilliseconds));
        QSqlQuery q(m_db);
        if (!q.prepare(insertSql()))
            fail(q, QString());
        QSqlQuery page(m_db);
        const QList<const Column*>& columns = writtenColumns();
        for (const Entry& e : entries) {
            if (!e.description.isEmpty())
                storePage(page, e);
            int i = 0;
            for (const Column* c : columns)
                q.bindValue(i++, stored(c->get(e)));
            if (!q.exec()) {
                if (refusesContent(m_engine, q.lastError()))
                    throw RefusedEntries(storeMessage(q.lastError()));
                fail(q, QString());
            }
            if (q.numRowsAffected() > 0)
                ++added;
        }
        q.finish();
        QSqlQuery commit(m_db);
        if (!commit.exec(QStringLiteral("COMMIT")))
            fail(commit, QString());
    } catch (...) {
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
    return added;
}

void Database::storePage(QSqlQuery& query, const Entry& e)
{
    // the key is what the bytes give, so that no entry can name a description it did not print
    if (e.fingerprint != pageFingerprint(e.description))
        throw Error(QStringLiteral("L'empreinte « %1 » de la page imprimée ne correspond pas à sa description.")
                        .arg(e.fingerprint));
    // the first print of a description keeps it; every later one finds it there
    if (!query.prepare(QStringLiteral("INSERT INTO journal_page (fingerprint, description, first_seen) "
                                      "VALUES (?, ?, ?) ON CONFLICT (fingerprint) DO NOTHING")))
        fail(query, QString());
    query.bindValue(0, e.fingerprint);
    query.bindValue(1, e.description);
    query.bindValue(2, timeValue(e.at));
    if (!query.exec())
        fail(query, QString());
}

std::optional<QByteArray> Database::pageDescription(const QString& fingerprint)
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT description FROM journal_page WHERE fingerprint = ?")))
        fail(q, QString());
    q.addBindValue(fingerprint.toLower());
    if (!q.exec())
        fail(q, QString());
    if (!q.next())
        return std::nullopt;
    return q.value(0).toByteArray();
}

QString Database::integrityCheck()
{
    QSqlQuery q(m_db);
    if (m_engine == Engine::SQLite) {
        if (!q.exec(QStringLiteral("PRAGMA integrity_check")))
            fail(q, QString());
        QStringList report;
        while (q.next())
            report << q.value(0).toString();
        return report.join(u'\n');
    }
    if (!q.exec(QStringLiteral("SELECT count(*) FROM journal_entry WHERE false")))
        fail(q, QString());
    return QStringLiteral("ok");
}

} // namespace pelorin::journal
