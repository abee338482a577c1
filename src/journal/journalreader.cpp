#include "journal/journalreader.h"

#include "base/error.h"
#include "journal/journal.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QThread>

namespace pelorin::journal {

namespace {

// The journal's threads that may still run: the program waits for them, a few seconds at most, as
// it ends, so that none closes its connection after Qt's SQL drivers are gone.
QMutex g_threadsMutex;
QList<QPointer<QThread>> g_threads;

void waitForReaderThreads()
{
    QList<QPointer<QThread>> threads;
    {
        QMutexLocker lock(&g_threadsMutex);
        threads.swap(g_threads);
    }
    const QDeadlineTimer deadline(3000);
    bool waited = false;
    for (const QPointer<QThread>& thread : std::as_const(threads))
        if (thread && !thread->isFinished()) {
            thread->wait(deadline);
            waited = true;
        }
    // a thread that has just finished its work still ends its system thread: a moment for that, so
    // that the process never ends under it
    if (waited)
        QThread::msleep(50);
}

} // namespace

void waitForAtExit(QThread* thread)
{
    static const bool waitedForAtExit = [] {
        qAddPostRoutine(waitForReaderThreads);
        return true;
    }();
    Q_UNUSED(waitedForAtExit);
    QMutexLocker lock(&g_threadsMutex);
    g_threads.removeAll(nullptr);
    g_threads << thread;
}

// What the reader's thread uses: it may outlive the reader, when a request still waits on the network
// as the window closes.
struct JournalReader::Shared
{
    QThread* thread = nullptr;
    QObject* context = nullptr;       // lives on the thread: what is queued to it runs there
    std::unique_ptr<Journal> journal; // used on the thread only
    QMutex mutex;
    JournalReader* owner = nullptr; // where answers go; null once the reader is gone
};

JournalReader::JournalReader(const Settings& settings, const QString& folder, QObject* parent)
    : QObject(parent), m_settings(settings), m_shared(std::make_shared<Shared>())
{
    auto journal = std::make_unique<Journal>(settings, folder);
    m_sourceLine = journal->sourceLine();
    m_shared->owner = this;
    m_shared->journal = std::move(journal); // it opens nothing until asked, on the thread
    m_shared->thread = new QThread;
    m_shared->thread->setObjectName(QStringLiteral("journal reader"));
    m_shared->context = new QObject;
    m_shared->context->moveToThread(m_shared->thread);
    connect(m_shared->thread, &QThread::finished, m_shared->context, &QObject::deleteLater);
    waitForAtExit(m_shared->thread);
    m_shared->thread->start();
}

JournalReader::~JournalReader()
{
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->owner = nullptr;
    }
    // the connection is closed on the thread that opened it, after the request under way
    QMetaObject::invokeMethod(
        m_shared->context,
        [shared = m_shared] {
            shared->journal.reset();
            shared->thread->quit();
        },
        Qt::QueuedConnection);
    // never waited for: a request may wait on a server that does not answer, and the window closes
    // at once; the thread is deleted once it has ended
    QThread* thread = m_shared->thread;
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    if (thread->isFinished())
        thread->deleteLater();
}

void JournalReader::ask(QObject* receiver, Work work, Failure failed)
{
    QPointer<QObject> guard(receiver);
    QMetaObject::invokeMethod(
        m_shared->context,
        [shared = std::weak_ptr<Shared>(m_shared), work = std::move(work), failed = std::move(failed), guard] {
            const std::shared_ptr<Shared> s = shared.lock();
            if (!s || !s->journal)
                return;
            {
                // a window closed while its request waited: nothing to ask the store for
                QMutexLocker lock(&s->mutex);
                if (!s->owner)
                    return;
            }
            Reply reply;
            QString error;
            try {
                reply = work(*s->journal);
            } catch (...) {
                error = currentErrorMessage();
            }
            QMutexLocker lock(&s->mutex);
            if (!s->owner)
                return;
            QMetaObject::invokeMethod(
                s->owner,
                [guard, reply = std::move(reply), failed, error] {
                    if (!guard)
                        return;
                    if (error.isEmpty()) {
                        if (reply)
                            reply();
                    } else if (failed) {
                        failed(error);
                    }
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

} // namespace pelorin::journal
