#pragma once
#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "journal/entry.h"
#include "journal/settings.h"

// The journal of a window: recording and sending run on a thread of their own, which owns the
// journal's connections (a Qt SQL connection belongs to the thread that opened it), so that a server
// that does not answer never holds the window's thread. Calls return at once; what the operator
// should be told comes back as a signal, on the thread that made the worker.
namespace pelorin::journal {

class Journal;

class JournalWorker : public QObject
{
    Q_OBJECT

public:
    // The journal the settings name (its outbox in `folder`, journalFolder() when empty).
    explicit JournalWorker(const Settings& settings, const QString& folder = QString(), QObject* parent = nullptr);
    // Waits for what was asked before, until the deadline given to finishBy() (a short while when
    // none was given), then closes the journal. A thread still waiting on the network then is left
    // to end on its own: what it was recording is already in the outbox (saveInFlight()).
    ~JournalWorker() override;
    JournalWorker(const JournalWorker&) = delete;
    JournalWorker& operator=(const JournalWorker&) = delete;

    // `tag` comes back with the message, to tell a print's from a scan's.
    void record(const QList<Entry>& entries, int tag = 0);
    void record(const Entry& entry, int tag = 0) { record(QList<Entry>{entry}, tag); }
    // Sends what waits when the store may be tried again.
    void flush();

    // As last known on the worker's thread: Journal::statusText() and Journal::unsaved().
    QString statusText() const;
    qint64 unsaved() const;
    // Journal::triedPlaces().
    QString triedPlaces() const { return m_triedPlaces; }
    const Settings& settings() const { return m_settings; }
    // Runs `work` on the journal, on the worker's thread, once what was asked before is done, and
    // waits for it: for the few moments that must know (tests).
    void runAndWait(const std::function<void(Journal&)>& work);
    // The same, waiting until `deadline` at most: false when the worker was still busy then (a
    // server that does not answer). `work` then runs later, or never: it must own what it uses.
    bool runAndWait(std::function<void(Journal&)> work, QDeadlineTimer deadline);

    // The entries given to record() that the worker has not recorded yet (it waits on the store),
    // appended to the outbox from the calling thread, so that they are kept whatever becomes of the
    // worker; an entry that ends up both there and in the store is stored once, by its id. Returns
    // how many could not be written (kept nowhere).
    qint64 saveInFlight();
    // The destructor waits for the worker until `deadline` at most (a moment at least, for an idle
    // worker to close the journal).
    void finishBy(QDeadlineTimer deadline)
    {
        m_finishBy = deadline;
        m_finishBySet = true;
    }

    // How long closing waits for the worker at most, and at least once the close was decided.
    static constexpr int kCloseWaitMilliseconds = 2000;
    static constexpr int kCloseMomentMilliseconds = 250;

signals:
    // A recording the operator should hear about (RecordResult::message).
    void recorded(const QString& message, int tag);
    // The status text or the unsaved count changed.
    void statusChanged();

private:
    struct Shared;
    void onWorker(std::function<void(Shared&)> work);

    Settings m_settings;
    QString m_triedPlaces;
    QString m_outboxPath;
    QDeadlineTimer m_finishBy{QDeadlineTimer::Forever};
    bool m_finishBySet = false;
    std::shared_ptr<Shared> m_shared;
};

} // namespace pelorin::journal
