#include "journal/outbox.h"

#include "base/error.h"
#include "journal/database.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>

namespace pelorin::journal {

namespace {

// The outbox's own failures are named as its, not as the journal's.
[[noreturn]] void outboxFailed(const QString& path, const QString& reason)
{
    throw Error(QStringLiteral("La file d'envoi du journal « %1 » ne peut pas être écrite : %2").arg(path, reason));
}

// The key under which a waiting print keeps its page description, which the journal's JSON leaves
// out: the description goes to the store with the entry, so that nothing of a print made offline
// is lost.
const QLatin1String kDescriptionKey("page_description");

QString entryText(const Entry& entry)
{
    QJsonObject o = entry.toJson();
    if (!entry.description.isEmpty())
        o[kDescriptionKey] = QString::fromLatin1(entry.description.toBase64());
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

Entry entryFromText(const QString& text)
{
    const QJsonObject o = QJsonDocument::fromJson(text.toUtf8()).object();
    Entry e = Entry::fromJson(o);
    e.description = QByteArray::fromBase64(o.value(kDescriptionKey).toString().toLatin1());
    return e;
}

} // namespace

Outbox::Outbox(const QString& path)
    : m_path(path), m_db(Database::openSqlite(
                        path, QStringLiteral("La file d'envoi du journal « %1 » ne peut pas être ouverte : %2")))
{
    try {
        m_db->exec(QStringLiteral("CREATE TABLE IF NOT EXISTS outbox (position INTEGER PRIMARY KEY AUTOINCREMENT, "
                                  "id TEXT NOT NULL, entry TEXT NOT NULL)"));
        // an older program that reads this file knows only the queue; what is set aside is kept apart
        m_db->exec(QStringLiteral("CREATE TABLE IF NOT EXISTS set_aside (position INTEGER PRIMARY KEY, "
                                  "id TEXT NOT NULL, entry TEXT NOT NULL, reason TEXT NOT NULL, at TEXT NOT NULL)"));
    } catch (const Error& e) {
        outboxFailed(path, e.message());
    }
}

Outbox::~Outbox() = default;

void Outbox::append(const QList<Entry>& entries)
{
    try {
        m_db->exec(QStringLiteral("BEGIN IMMEDIATE"));
        try {
            for (const Entry& entry : entries)
                m_db->exec(QStringLiteral("INSERT INTO outbox (id, entry) VALUES (?, ?)"),
                           {entry.id, entryText(entry)});
            m_db->exec(QStringLiteral("COMMIT"));
        } catch (...) {
            QSqlQuery(m_db->db()).exec(QStringLiteral("ROLLBACK"));
            throw;
        }
    } catch (const Error& e) {
        outboxFailed(m_path, e.message());
    }
}

void Outbox::setAside(qint64 position, const QString& reason)
{
    try {
        m_db->exec(QStringLiteral("BEGIN IMMEDIATE"));
        try {
            m_db->exec(QStringLiteral("INSERT OR REPLACE INTO set_aside (position, id, entry, reason, at) "
                                      "SELECT position, id, entry, ?, ? FROM outbox WHERE position = ?"),
                       {reason, Database::timeValue(QDateTime::currentDateTimeUtc()), position});
            m_db->exec(QStringLiteral("DELETE FROM outbox WHERE position = ?"), {position});
            m_db->exec(QStringLiteral("COMMIT"));
        } catch (...) {
            QSqlQuery(m_db->db()).exec(QStringLiteral("ROLLBACK"));
            throw;
        }
    } catch (const Error& e) {
        outboxFailed(m_path, e.message());
    }
}

QList<SetAsideEntry> Outbox::setAsideEntries()
{
    QSqlQuery q(m_db->db());
    runQuery(q, QStringLiteral("SELECT entry, reason, at FROM set_aside ORDER BY position"), {});
    QList<SetAsideEntry> rows;
    while (q.next())
        rows.append({entryFromText(q.value(0).toString()), q.value(1).toString(),
                     QDateTime::fromString(q.value(2).toString(), Qt::ISODateWithMs)});
    return rows;
}

qint64 Outbox::setAsideCount()
{
    QSqlQuery q(m_db->db());
    runQuery(q, QStringLiteral("SELECT count(*) FROM set_aside"), {});
    return q.next() ? q.value(0).toLongLong() : 0;
}

QList<std::pair<qint64, Entry>> Outbox::oldest(int limit)
{
    QSqlQuery q(m_db->db());
    runQuery(q, QStringLiteral("SELECT position, entry FROM outbox ORDER BY position LIMIT ?"), {limit});
    QList<std::pair<qint64, Entry>> rows;
    while (q.next())
        rows.append({q.value(0).toLongLong(), entryFromText(q.value(1).toString())});
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
