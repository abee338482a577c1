#pragma once
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <memory>

#include "journal/entry.h"
#include "journal/outbox.h"
#include "journal/settings.h"
#include "journal/storeinfo.h"

// The journal a program records into: the store the settings name, and the outbox where entries
// wait while that store cannot be written (a server out of reach, a file that cannot be opened).
//
// Recording never throws and never waits on a store known to be out of reach: an entry goes to the
// store when it can, to the outbox otherwise, and as a last resort stays in memory until the outbox
// can be written. Waiting entries are sent oldest first, and an entry sent twice (its answer lost)
// is stored once, by its id.
namespace pelorin::journal {

class Database;

struct RecordResult
{
    bool stored = false;   // in the journal itself
    bool waiting = false;  // in the outbox (or, when even that failed, in memory)
    bool inMemory = false; // neither the journal nor the outbox could take it: lost when the program ends
    bool setAside = false; // the journal refused what it holds: set aside in the outbox with the reason
    // What the operator should be told: set when the journal has just become unwritable, and when
    // an entry could not even be put in the outbox. Empty while things merely go on waiting.
    QString message;
};

struct CheckReport
{
    QString store;           // what was checked: the file or the service
    QString integrity;       // "ok", or the store's report or error
    QString outboxIntegrity; // "ok" (also when there is no outbox)
    qint64 pending = 0;      // entries waiting in the outbox
    qint64 setAside = 0;     // entries the journal refused, kept apart in the outbox
    bool reached = false;    // the store answered: `details` are its own
    StoreDetails details;
    int sent = 0;    // of those waiting, sent by the check
    qint64 left = 0; // still waiting after it
    // The store, the outbox and every entry in the store.
    bool ok() const;
};

class Journal
{
public:
    // The settings' store; the outbox, and the SQLite journal by default, in `folder`
    // (journalFolder() of the data folder when empty).
    explicit Journal(const Settings& settings, const QString& folder = QString());
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    RecordResult record(const Entry& entry);
    // Several entries in one write (the codes of one serial chunk): all stored or all waiting.
    RecordResult record(const QList<Entry>& entries);

    // Sends what waits, oldest first, until the outbox is empty or the store fails. A store out of
    // reach is tried again only after the retry delay, unless `force`. Returns how many were sent.
    int flush(bool force = false);
    // Entries waiting to be sent.
    qint64 pending();
    // "Journal : hors ligne, N en attente" while entries wait; empty otherwise.
    QString statusText();
    // Entries held in memory only, neither the journal nor the outbox having taken them.
    qint64 unsaved() const { return m_memory.size(); }
    // Where they were to go, for the message that says they would be lost: the journal and the outbox.
    QString triedPlaces() const;
    // The entries the journal refused, with its reasons, oldest first; Error when the outbox cannot be read.
    QList<SetAsideEntry> setAsideEntries();
    // The last failure of the store, for the messages.
    const QString& lastError() const { return m_lastError; }

    // The store, connected, its schema created or migrated. Error when it cannot be reached.
    Database& store();
    // Checks the store and the outbox, and sends what waits; never throws.
    CheckReport check();

    const Settings& settings() const { return m_settings; }
    // The store the settings name: "PostgreSQL, service « pelorin »" or the SQLite file.
    QString storeName() const;
    // The store and the settings file it comes from, as the journal window shows them.
    QString sourceLine() const;
    const QString& outboxPath() const { return m_outboxPath; }
    // How long a store that failed is left alone before the next try: 5 s by default after the first
    // failure, doubled at each failure that follows, at most a minute, back to the first delay once
    // the store answers. A server out of reach is then not asked (each try may wait for its answer)
    // every few seconds for as long as it stays away.
    void setRetryDelay(int milliseconds) { m_retryDelay = milliseconds; }
    int retryDelay() const;

private:
    bool storeMayBeTried() const;
    int sendOneByOne(Database& db, Outbox& box, const QList<std::pair<qint64, Entry>>& rows);
    void storeFailed(const QString& message);
    Outbox* outbox(bool create);

    Settings m_settings;
    QString m_folder;
    QString m_outboxPath;
    std::unique_ptr<Database> m_store;
    std::unique_ptr<Outbox> m_outbox;
    QList<Entry> m_memory;
    QString m_lastError;
    bool m_failing = false;
    int m_failures = 0; // one after another, since the store last answered
    QElapsedTimer m_sinceFailure;
    int m_retryDelay = 5000;
    qint64 m_setAside = 0; // entries set aside by this program since it started
};

} // namespace pelorin::journal
