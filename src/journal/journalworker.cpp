#include "journal/journalworker.h"

#include "base/error.h"
#include "journal/journal.h"

#include <QMutexLocker>

namespace pelorin::journal {

JournalWorker::JournalWorker(const Settings& settings, const QString& folder, QObject* parent)
    : QObject(parent), m_settings(settings), m_context(new QObject)
{
    m_thread.setObjectName(QStringLiteral("journal"));
    m_context->moveToThread(&m_thread);
    // the context goes with the thread's end
    connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread.start();
    // made on the worker's thread, so that its connections belong to it (it opens none yet)
    QMetaObject::invokeMethod(
        m_context, [this, folder] { m_journal = std::make_unique<Journal>(m_settings, folder); },
        Qt::BlockingQueuedConnection);
    m_triedPlaces = m_journal->triedPlaces();
}

JournalWorker::~JournalWorker()
{
    // queued after everything asked before: each entry recorded is in the journal, the outbox or
    // memory (the window's close check has asked about those) before the journal closes
    QMetaObject::invokeMethod(
        m_context, [this] { m_journal.reset(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void JournalWorker::onWorker(std::function<void()> work)
{
    QMetaObject::invokeMethod(m_context, std::move(work), Qt::QueuedConnection);
}

void JournalWorker::publish()
{
    const QString text = m_journal->statusText();
    const qint64 unsaved = m_journal->unsaved();
    {
        QMutexLocker lock(&m_mutex);
        if (text == m_statusText && unsaved == m_unsaved)
            return;
        m_statusText = text;
        m_unsaved = unsaved;
    }
    emit statusChanged();
}

void JournalWorker::record(const QList<Entry>& entries, int tag)
{
    onWorker([this, entries, tag] {
        QString message;
        try {
            message = m_journal->record(entries).message;
        } catch (...) {
            message = currentErrorMessage();
        }
        if (!message.isEmpty())
            emit recorded(message, tag);
        publish();
    });
}

void JournalWorker::flush()
{
    onWorker([this] {
        if (m_journal->pending() > 0)
            m_journal->flush();
        publish();
    });
}

QString JournalWorker::statusText() const
{
    QMutexLocker lock(&m_mutex);
    return m_statusText;
}

qint64 JournalWorker::unsaved() const
{
    QMutexLocker lock(&m_mutex);
    return m_unsaved;
}

void JournalWorker::runAndWait(const std::function<void(Journal&)>& work)
{
    QMetaObject::invokeMethod(
        m_context,
        [this, &work] {
            if (!m_journal)
                return;
            work(*m_journal);
            publish();
        },
        Qt::BlockingQueuedConnection);
}

} // namespace pelorin::journal
