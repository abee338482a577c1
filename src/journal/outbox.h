#pragma once
#include <QList>
#include <QString>
#include <memory>

#include "journal/entry.h"

// Entries waiting to be stored: a small SQLite file of their own (Journal/outbox.sqlite), synced to
// disk at every write like the journal, read back in the order they were written. An entry the store
// refused for what it holds is set aside in the same file with the store's reason, so that the others
// flow on and nothing is sent again blindly.
namespace pelorin::journal {

class Database;

struct SetAsideEntry
{
    Entry entry;
    QString reason; // the store's message
    QDateTime at;   // when it was set aside, UTC
};

class Outbox
{
public:
    // Opens or creates the file; Error naming the file as the outbox, with the reason.
    explicit Outbox(const QString& path);
    ~Outbox();

    // In one transaction: all or none.
    void append(const QList<Entry>& entries);
    // The oldest `limit` entries with their positions, oldest first.
    QList<std::pair<qint64, Entry>> oldest(int limit);
    // Drops the entries at these positions (sent).
    void remove(const QList<qint64>& positions);
    qint64 count();
    // Moves the entry at this position out of the queue, with the store's reason.
    void setAside(qint64 position, const QString& reason);
    // What was set aside, oldest first.
    QList<SetAsideEntry> setAsideEntries();
    qint64 setAsideCount();
    QString integrityCheck();
    const QString& path() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<Database> m_db;
};

} // namespace pelorin::journal
