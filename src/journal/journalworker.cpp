#include "journal/journalworker.h"

#include "base/error.h"
#include "journal/journal.h"
#include "journal/outbox.h"

#include <QMap>
#include <QMutex>
#include <QMutexLocker>
#include <QSemaphore>
#include <QThread>

namespace pelorin::journal {

// What the worker's thread uses: it outlives the worker when that thread still waits on the network
// as the program closes.
struct JournalWorker::Shared
{
    QThread* thread = nullptr;
    QObject* context = nullptr;       // lives on the thread: what is queued to it runs there
    std::unique_ptr<Journal> journal; // used on the thread only
    mutable QMutex mutex;
    JournalWorker* owner = nullptr; // where signals go; null once the worker is gone
    QString statusText;
    qint64 unsaved = 0;
    // the entries given to record() and not recorded yet, by request
    QMap<quint64, QList<Entry>> inFlight;
    quint64 nextRequest = 0;

    // Tells the worker's thread (through its owner's) that the status changed.
    void publish()
    {
        const QString text = journal->statusText();
        const qint64 count = journal->unsaved();
        QMutexLocker lock(&mutex);
        if (text == statusText && count == unsaved)
            return;
        statusText = text;
        unsaved = count;
        if (owner)
            QMetaObject::invokeMethod(
                owner, [o = owner] { emit o->statusChanged(); }, Qt::QueuedConnection);
    }
};

JournalWorker::JournalWorker(const Settings& settings, const QString& folder, QObject* parent)
    : QObject(parent), m_settings(settings), m_shared(std::make_shared<Shared>())
{
    m_shared->owner = this;
    m_shared->thread = new QThread;
    m_shared->thread->setObjectName(QStringLiteral("journal"));
    m_shared->context = new QObject;
    m_shared->context->moveToThread(m_shared->thread);
    // the context goes with the thread's end
    connect(m_shared->thread, &QThread::finished, m_shared->context, &QObject::deleteLater);
    m_shared->thread->start();
    // made on the worker's thread, so that its connections belong to it (it opens none yet)
    QMetaObject::invokeMethod(
        m_shared->context,
        [shared = m_shared, settings = m_settings, folder] {
            shared->journal = std::make_unique<Journal>(settings, folder);
        },
        Qt::BlockingQueuedConnection);
    m_triedPlaces = m_shared->journal->triedPlaces();
    m_outboxPath = m_shared->journal->outboxPath();
}

JournalWorker::~JournalWorker()
{
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->owner = nullptr;
    }
    // queued after everything asked before: each entry recorded is in the journal, the outbox or
    // memory (the window's close check has asked about those) before the journal closes
    QMetaObject::invokeMethod(
        m_shared->context,
        [shared = m_shared] {
            shared->journal.reset();
            shared->thread->quit();
        },
        Qt::QueuedConnection);
    QThread* thread = m_shared->thread;
    const QDeadlineTimer deadline(m_finishBySet ? std::max<qint64>(m_finishBy.remainingTime(), kCloseMomentMilliseconds)
                                                : kCloseWaitMilliseconds);
    if (thread->wait(deadline)) {
        delete thread;
        return;
    }
    // still waiting on the network: the thread ends on its own, and is deleted then if the program
    // still runs
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    if (thread->isFinished())
        thread->deleteLater();
}

void JournalWorker::onWorker(std::function<void(Shared&)> work)
{
    QMetaObject::invokeMethod(
        m_shared->context,
        [shared = m_shared, work = std::move(work)] {
            if (shared->journal)
                work(*shared);
        },
        Qt::QueuedConnection);
}

void JournalWorker::record(const QList<Entry>& entries, int tag)
{
    quint64 request = 0;
    {
        QMutexLocker lock(&m_shared->mutex);
        request = ++m_shared->nextRequest;
        m_shared->inFlight.insert(request, entries);
    }
    onWorker([entries, tag, request](Shared& s) {
        QString message;
        try {
            message = s.journal->record(entries).message;
        } catch (...) {
            message = currentErrorMessage();
        }
        {
            QMutexLocker lock(&s.mutex);
            // recorded: in the store, the outbox, or memory (which the unsaved count tells)
            s.inFlight.remove(request);
            if (!message.isEmpty() && s.owner)
                QMetaObject::invokeMethod(
                    s.owner, [o = s.owner, message, tag] { emit o->recorded(message, tag); }, Qt::QueuedConnection);
        }
        s.publish();
    });
}

void JournalWorker::flush()
{
    onWorker([](Shared& s) {
        if (s.journal->pending() > 0)
            s.journal->flush();
        s.publish();
    });
}

QString JournalWorker::statusText() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->statusText;
}

qint64 JournalWorker::unsaved() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->unsaved;
}

void JournalWorker::runAndWait(const std::function<void(Journal&)>& work)
{
    QMetaObject::invokeMethod(
        m_shared->context,
        [shared = m_shared, &work] {
            if (!shared->journal)
                return;
            work(*shared->journal);
            shared->publish();
        },
        Qt::BlockingQueuedConnection);
}

bool JournalWorker::runAndWait(std::function<void(Journal&)> work, QDeadlineTimer deadline)
{
    const auto done = std::make_shared<QSemaphore>();
    onWorker([work = std::move(work), done](Shared& s) {
        work(*s.journal);
        s.publish();
        done->release();
    });
    return done->tryAcquire(1, deadline.isForever() ? -1 : int(std::max<qint64>(0, deadline.remainingTime())));
}

qint64 JournalWorker::saveInFlight()
{
    QList<Entry> entries;
    {
        QMutexLocker lock(&m_shared->mutex);
        for (const QList<Entry>& request : std::as_const(m_shared->inFlight))
            entries += request;
    }
    if (entries.isEmpty())
        return 0;
    try {
        Outbox(m_outboxPath).append(entries);
        return 0;
    } catch (const Error&) {
        return entries.size();
    }
}

} // namespace pelorin::journal
