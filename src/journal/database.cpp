#include "journal/database.h"

#include "base/error.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>

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

// A conninfo value, quoted as libpq reads it.
QString conninfoValue(const QString& value)
{
    QString v = value;
    v.replace(u'\\', QLatin1String("\\\\"));
    v.replace(u'\'', QLatin1String("\\'"));
    return u'\'' + v + u'\'';
}

// Never a null string: Qt SQL binds a null QString as NULL.
QVariant text(const QString& s)
{
    return s.isNull() ? QVariant(QStringLiteral("")) : QVariant(s);
}

// The statements of each migration, from the version before it. Version 1: the entries with their
// decoded texts; version 2: the code's fields for the searches by lot and by production day.
QStringList migrationSql(Engine engine, int to)
{
    const bool pg = engine == Engine::PostgreSQL;
    if (to == 1) {
        return {
            QStringLiteral("CREATE TABLE journal_schema (version INTEGER NOT NULL)"),
            QStringLiteral("INSERT INTO journal_schema (version) VALUES (0)"),
            QStringLiteral("CREATE TABLE journal_entry ("
                           "seq %1 PRIMARY KEY,"
                           "id %2 NOT NULL UNIQUE,"
                           "kind TEXT NOT NULL CHECK (kind IN ('print', 'scan')),"
                           "at %3 NOT NULL,"
                           "workstation TEXT NOT NULL DEFAULT '',"
                           "os_user TEXT NOT NULL DEFAULT '',"
                           "code TEXT NOT NULL DEFAULT '',"
                           "d_system TEXT NOT NULL DEFAULT '',"
                           "d_mass TEXT NOT NULL DEFAULT '',"
                           "d_packaging TEXT NOT NULL DEFAULT '',"
                           "d_colour TEXT NOT NULL DEFAULT '',"
                           "d_perfume TEXT NOT NULL DEFAULT '',"
                           "d_factory TEXT NOT NULL DEFAULT '',"
                           "d_date TEXT NOT NULL DEFAULT '',"
                           "error TEXT NOT NULL DEFAULT '',"
                           "operator_text TEXT NOT NULL DEFAULT '',"
                           "model TEXT NOT NULL DEFAULT '',"
                           "labels TEXT NOT NULL DEFAULT '',"
                           "label_count INTEGER NOT NULL DEFAULT 0,"
                           "first_text TEXT NOT NULL DEFAULT '',"
                           "last_text TEXT NOT NULL DEFAULT '',"
                           "medium TEXT NOT NULL DEFAULT '',"
                           "output TEXT NOT NULL DEFAULT '',"
                           "source TEXT NOT NULL DEFAULT '')")
                .arg(pg ? QStringLiteral("BIGSERIAL") : QStringLiteral("INTEGER"),
                     pg ? QStringLiteral("UUID") : QStringLiteral("TEXT"),
                     pg ? QStringLiteral("TIMESTAMPTZ") : QStringLiteral("TEXT")),
            // newest first, in the window and the command line; SQLite's index carries the rowid
            pg ? QStringLiteral("CREATE INDEX journal_entry_at ON journal_entry (at, seq)")
               : QStringLiteral("CREATE INDEX journal_entry_at ON journal_entry (at)"),
            QStringLiteral("CREATE INDEX journal_entry_code ON journal_entry (code, kind)"),
            QStringLiteral("CREATE INDEX journal_entry_workstation ON journal_entry (workstation, at)"),
        };
    }
    if (to == 2) {
        return {
            QStringLiteral("ALTER TABLE journal_entry ADD COLUMN system_code TEXT NOT NULL DEFAULT ''"),
            QStringLiteral("ALTER TABLE journal_entry ADD COLUMN perfume_code TEXT NOT NULL DEFAULT ''"),
            QStringLiteral("ALTER TABLE journal_entry ADD COLUMN factory_code TEXT NOT NULL DEFAULT ''"),
            QStringLiteral("ALTER TABLE journal_entry ADD COLUMN production_date %1")
                .arg(pg ? QStringLiteral("DATE") : QStringLiteral("TEXT")),
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

std::unique_ptr<Database> Database::openSqlite(const QString& path)
{
    const QString connection = connectionName();
    std::unique_ptr<Database> d(new Database(Engine::SQLite, connection, path));
    d->m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    if (!d->m_db.isValid())
        throw Error(QStringLiteral("Le pilote SQLite de Qt (QSQLITE) n'est pas installé."));
    QDir().mkpath(QFileInfo(path).absolutePath());
    d->m_db.setDatabaseName(path);
    // concurrent writers (several programs on one file) wait for each other instead of failing
    d->m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
    const QString cannot = QStringLiteral("Le journal « %1 » ne peut pas être ouvert : %2");
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

std::unique_ptr<Database> Database::openPostgres(const QString& service, const QString& database)
{
    const QString connection = connectionName();
    const QString shown = service.isEmpty() ? QString::fromLocal8Bit(qgetenv("PGSERVICE")) : service;
    std::unique_ptr<Database> d(new Database(Engine::PostgreSQL, connection, shown));
    d->m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
    if (!d->m_db.isValid())
        throw Error(QStringLiteral("Le pilote PostgreSQL de Qt (QPSQL) n'est pas installé."));
    QStringList options;
    if (!service.isEmpty())
        options << QStringLiteral("service=") + conninfoValue(service);
    if (!database.isEmpty())
        options << QStringLiteral("dbname=") + conninfoValue(database);
    // a server that does not answer must not hold up a print for long
    options << QStringLiteral("connect_timeout=3") << QStringLiteral("application_name=pelorin")
            << QStringLiteral("keepalives_idle=5") << QStringLiteral("keepalives_interval=2")
            << QStringLiteral("keepalives_count=2") << QStringLiteral("tcp_user_timeout=6000");
    d->m_db.setConnectOptions(options.join(u';'));
    if (!d->m_db.open()) {
        d->m_connectionLost = true;
        throw Error(QStringLiteral("Le serveur du journal (service « %1 ») ne répond pas : %2")
                        .arg(shown, storeMessage(d->m_db.lastError())));
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

QString Database::containsTest(const QString& column) const
{
    // a plain substring search: no pattern characters to escape, letter case significant
    if (m_engine == Engine::PostgreSQL)
        return QStringLiteral("strpos(%1, ?) > 0").arg(column);
    return QStringLiteral("instr(%1, ?) > 0").arg(column);
}

int Database::schemaVersion()
{
    QSqlQuery q(m_db);
    const QString exists = m_engine == Engine::PostgreSQL
                               ? QStringLiteral("SELECT to_regclass('journal_schema') IS NOT NULL")
                               : QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'journal_schema'");
    if (!q.exec(exists))
        fail(q, QString());
    if (!q.next() || !q.value(0).toBool())
        return 0;
    if (!q.exec(QStringLiteral("SELECT version FROM journal_schema")))
        fail(q, QString());
    return q.next() ? q.value(0).toInt() : 0;
}

void Database::migrate(int target)
{
    for (;;) {
        // one version per transaction; the lock makes a second program wait and then see the
        // version the first one reached
        QSqlQuery q(m_db);
        const bool pg = m_engine == Engine::PostgreSQL;
        if (!q.exec(pg ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
            fail(q, QStringLiteral("Le journal « %1 » ne peut pas être mis à jour").arg(m_name));
        try {
            if (pg && !q.exec(QStringLiteral("SELECT pg_advisory_xact_lock(7305221)")))
                fail(q, QString());
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
    for (const QString& sql : migrationSql(m_engine, from + 1))
        exec(sql);
    if (from + 1 == 2)
        backfillCodeFields();
}

void Database::backfillCodeFields()
{
    // the fields cut from the codes stored before they had columns of their own
    QSqlQuery read(m_db);
    read.setForwardOnly(true);
    if (!read.exec(QStringLiteral("SELECT seq, code FROM journal_entry")))
        fail(read, QString());
    QSqlQuery write(m_db);
    if (!write.prepare(QStringLiteral("UPDATE journal_entry SET system_code = ?, perfume_code = ?, factory_code = ?, "
                                      "production_date = ? WHERE seq = ?")))
        fail(write, QString());
    QList<std::pair<qint64, QString>> rows;
    while (read.next())
        rows.append({read.value(0).toLongLong(), read.value(1).toString()});
    read.finish();
    for (const auto& [seq, code] : rows) {
        Entry e;
        e.code = code;
        const QDate production = e.productionDate();
        write.addBindValue(text(e.systemCode()));
        write.addBindValue(text(e.perfumeCode()));
        write.addBindValue(text(e.factoryCode()));
        write.addBindValue(production.isValid() ? QVariant(production.toString(Qt::ISODate)) : QVariant());
        write.addBindValue(seq);
        if (!write.exec())
            fail(write, QString());
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
        QSqlQuery q(m_db);
        if (!q.prepare(QStringLiteral(
                "INSERT INTO journal_entry (id, kind, at, workstation, os_user, code, d_system, d_mass, d_packaging, "
                "d_colour, d_perfume, d_factory, d_date, error, operator_text, model, labels, label_count, "
                "first_text, last_text, medium, output, source, system_code, perfume_code, factory_code, "
                "production_date) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                "?, ?) ON CONFLICT (id) DO NOTHING")))
            fail(q, QString());
        for (const Entry& e : entries) {
            const QDate production = e.productionDate();
            const QVariantList values = {
                text(e.id),
                kindName(e.kind),
                timeValue(e.at),
                text(e.workstation),
                text(e.user),
                text(e.code),
                text(e.decoded[0]),
                text(e.decoded[1]),
                text(e.decoded[2]),
                text(e.decoded[3]),
                text(e.decoded[4]),
                text(e.decoded[5]),
                text(e.decoded[6]),
                text(e.error),
                text(e.operatorText),
                text(e.model),
                text(e.labels),
                e.labelCount,
                text(e.firstText),
                text(e.lastText),
                e.kind == EntryKind::Scan
                    ? QVariant(QStringLiteral(""))
                    : QVariant(e.medium == Medium::PdfFile ? QStringLiteral("pdf") : QStringLiteral("printer")),
                text(e.output),
                text(e.source),
                text(e.systemCode()),
                text(e.perfumeCode()),
                text(e.factoryCode()),
                production.isValid() ? QVariant(production.toString(Qt::ISODate)) : QVariant(),
            };
            for (qsizetype i = 0; i < values.size(); ++i)
                q.bindValue(int(i), values[i]);
            if (!q.exec())
                fail(q, QString());
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
