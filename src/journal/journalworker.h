#pragma once
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThread>
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
    // Waits for what was asked before (each wait is bounded), then closes the journal.
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
    // waits for it: for the few moments that must know (closing the program, tests).
    void runAndWait(const std::function<void(Journal&)>& work);

signals:
    // A recording the operator should hear about (RecordResult::message).
    void recorded(const QString& message, int tag);
    // The status text or the unsaved count changed.
    void statusChanged();

private:
    void onWorker(std::function<void()> work);
    void publish();

    Settings m_settings;
    QString m_triedPlaces;
    QThread m_thread;
    QObject* m_context;                 // lives on m_thread: what is queued to it runs there
    std::unique_ptr<Journal> m_journal; // used on m_thread only
    mutable QMutex m_mutex;
    QString m_statusText;
    qint64 m_unsaved = 0;
};

} // namespace pelorin::journal
