#include "journal/outbox.h"

#include "journal/database.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>

namespace pelorin::journal {

Outbox::Outbox(const QString& path) : m_path(path), m_db(Database::openSqlite(path))
{
    m_db->exec(QStringLiteral("CREATE TABLE IF NOT EXISTS outbox (position INTEGER PRIMARY KEY AUTOINCREMENT, "
                              "id TEXT NOT NULL, entry TEXT NOT NULL)"));
}

Outbox::~Outbox() = default;

namespace {

// The key under which a waiting print keeps its page description, which the journal's JSON leaves
// out: the description goes to the store with the entry, so that nothing of a print made offline
// is lost.
const QLatin1String kDescriptionKey("page_description");

QString waitingJson(const Entry& entry)
{
    QJsonObject o = entry.toJson();
    if (!entry.description.isEmpty())
        o[kDescriptionKey] = QString::fromLatin1(entry.description.toBase64());
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

Entry waitingEntry(const QString& json)
{
    const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
    Entry e = Entry::fromJson(o);
    e.description = QByteArray::fromBase64(o.value(kDescriptionKey).toString().toLatin1());
    return e;
}

} // namespace

void Outbox::append(const QList<Entry>& entries)
{
    m_db->exec(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        for (const Entry& entry : entries)
            m_db->exec(QStringLiteral("INSERT INTO outbox (id, entry) VALUES (?, ?)"), {entry.id, waitingJson(entry)});
        m_db->exec(QStringLiteral("COMMIT"));
    } catch (...) {
        QSqlQuery(m_db->db()).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

QList<std::pair<qint64, Entry>> Outbox::oldest(int limit)
{
    QSqlQuery q(m_db->db());
    runQuery(q, QStringLiteral("SELECT position, entry FROM outbox ORDER BY position LIMIT ?"), {limit});
    QList<std::pair<qint64, Entry>> rows;
    while (q.next())
        rows.append({q.value(0).toLongLong(), waitingEntry(q.value(1).toString())});
    return rows;
}

void Outbox::remove(const QList<qint64>& positions)
{
    if (positions.isEmpty())
        return;
    m_db->exec(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        for (qint64 p : positions)
            m_db->exec(QStringLiteral("DELETE FROM outbox WHERE position = ?"), {p});
        m_db->exec(QStringLiteral("COMMIT"));
    } catch (...) {
        QSqlQuery(m_db->db()).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

qint64 Outbox::count()
{
    QSqlQuery q(m_db->db());
    runQuery(q, QStringLiteral("SELECT count(*) FROM outbox"), {});
    return q.next() ? q.value(0).toLongLong() : 0;
}

QString Outbox::integrityCheck()
{
    return m_db->integrityCheck();
}

} // namespace pelorin::journal
