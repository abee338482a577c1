#pragma once
#include <QList>
#include <QString>
#include <memory>

#include "journal/entry.h"

// Entries waiting to be stored: a small SQLite file of their own (Journal/outbox.sqlite), synced to
// disk at every write like the journal, read back in the order they were written.
namespace pelorin::journal {

class Database;

class Outbox
{
public:
    // Opens or creates the file; Error with the reason.
    explicit Outbox(const QString& path);
    ~Outbox();

    // In one transaction: all or none.
    void append(const QList<Entry>& entries);
    // The oldest `limit` entries with their positions, oldest first.
    QList<std::pair<qint64, Entry>> oldest(int limit);
    // Drops the entries at these positions (sent).
    void remove(const QList<qint64>& positions);
    qint64 count();
    QString integrityCheck();
    const QString& path() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<Database> m_db;
};

} // namespace pelorin::journal
