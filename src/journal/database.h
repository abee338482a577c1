#pragma once
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <memory>
#include <optional>

#include "base/error.h"
#include "journal/entry.h"
#include "journal/settings.h"

class QSqlQuery;

// One connection to a journal store through Qt SQL: an SQLite file (QSQLITE) or a PostgreSQL
// server named by a libpq service (QPSQL). It creates and migrates the schema and stores entries;
// the searches are in search.h.
//
// A connection belongs to the thread that opened it (a Qt SQL rule).
namespace pelorin::journal {

// The schema this program writes. Every older version is migrated forward when opened; a newer
// one is refused, since an older program cannot know what it would break.
constexpr int kSchemaVersion = 6;

// How long a journal connection waits for a lock another program holds (a table being rebuilt, the
// schema being migrated, an SQLite file being written) and for one write: past it the write fails,
// and the entry waits in the outbox while the print goes out.
constexpr int kLockWaitMilliseconds = 3000;
constexpr int kWriteWaitMilliseconds = 5000;

// The store refused the entries for what they hold (a text it cannot take, a value a check refuses),
// not for want of reach or time: sent again, they would be refused again.
class RefusedEntries : public Error
{
public:
    using Error::Error;
};

class Database
{
public:
    // Opens the SQLite journal at `path` (its folder is created), in WAL mode with every commit
    // synced to disk, so that an entry is durable once insert() returns. Error with the reason, in
    // `cannotOpen` when given (%1 the file, %2 the reason).
    static std::unique_ptr<Database> openSqlite(const QString& path, const QString& cannotOpen = QString());
    // Opens the SQLite journal at `path` for reading only (a copy on a read-only disk, a file this user
    // may not write): nothing is created or migrated. Error when it cannot be read, or when its schema
    // is not this program's.
    static std::unique_ptr<Database> openSqliteForReading(const QString& path);
    // Connects to the libpq service `service` (empty: the PGSERVICE variable), to `database` when
    // given. Waits at most a few seconds for a server that does not answer. Error with the reason.
    static std::unique_ptr<Database> openPostgres(const QString& service, const QString& database = QString());
    // The store the settings name (the data folder's Journal/journal.sqlite by default).
    static std::unique_ptr<Database> open(const Settings& settings);
    // The journal file the settings name for SQLite.
    static QString sqlitePath(const Settings& settings);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    Engine engine() const { return m_engine; }
    QSqlDatabase& db() { return m_db; }
    // What names the store in messages: the file or the service.
    const QString& name() const { return m_name; }

    // 0 when the store holds no journal yet.
    int schemaVersion();
    // Creates the schema or migrates it forward to `target`, one version after the other, each in
    // its own transaction, serialised between processes. Error for a store newer than this program.
    void migrate(int target = kSchemaVersion);

    // Stores the entries in one transaction; an entry whose id is already stored is skipped. A print
    // that carries its page description stores it in the same transaction under its fingerprint,
    // unless a print of the same description did before. Returns how many entries were new. Error
    // with the store's message, or for a fingerprint that is not its description's (nothing is
    // stored then); RefusedEntries when the store answered but refused what an entry holds.
    int insert(const QList<Entry>& entries);
    // The page description printed under `fingerprint`, as its bytes were; none when the journal
    // does not hold it (a print recorded before descriptions were kept). Error with the store's message.
    std::optional<QByteArray> pageDescription(const QString& fingerprint);

    // Runs one statement; Error with the store's message.
    void exec(const QString& sql, const QVariantList& values = {});
    // The SQL expression of a time column as UTC text "yyyy-MM-ddTHH:mm:ss.zzzZ".
    QString timeText(const QString& column) const;
    // A case-sensitive test that a code column contains `part`, wildcards taken literally; appends
    // the values it binds. The codes are sought in the table of distinct codes, through its trigram
    // index where the store has one, so that a lot or any part of a code is found without reading
    // every entry.
    QString codeContainsTest(const QString& column, const QString& part, QVariantList& values);

    // SQLite: PRAGMA integrity_check's report ("ok" when sound). PostgreSQL: "ok" once the
    // journal table answers.
    QString integrityCheck();

    // True when the last failure was the connection's (a server gone, a file that cannot be opened)
    // rather than a statement's.
    bool connectionLost() const { return m_connectionLost; }

    // The time text stored for a UTC time.
    static QString timeValue(const QDateTime& utc);

private:
    Database(Engine engine, const QString& connection, const QString& name);
    void migrateStep(int from);
    void admitMisreads();
    void rebuildEntryTable(int version);
    void fillDerivedColumns(int version);
    void storePage(QSqlQuery& query, const Entry& e);
    [[noreturn]] void fail(const QSqlQuery& query, const QString& what);
    void takeMigrationLock();
    void indexCodeParts();
    bool hasTrigramIndex();

    Engine m_engine;
    QString m_connection;
    QString m_name;
    QSqlDatabase m_db;
    bool m_connectionLost = false;
    std::optional<bool> m_trigramIndex;
};

// Prepares and runs a statement on `db` with positional values; Error with the store's message.
void runQuery(QSqlQuery& query, const QString& sql, const QVariantList& values);
// After the last row of `query`: Error naming the store when the rows ended on a failure (a damaged
// file) rather than at their end, so that a partial listing is never passed off as whole.
void checkRowsEnded(const QSqlQuery& query, const Database& db);

} // namespace pelorin::journal
