#include "journal/journal.h"

#include "base/error.h"
#include "journal/database.h"
#include "journal/outbox.h"

#include <QFileInfo>
#include <algorithm>

namespace pelorin::journal {

namespace {

constexpr int kBatch = 200;

} // namespace

bool CheckReport::ok() const
{
    return integrity == QLatin1String("ok") && outboxIntegrity == QLatin1String("ok") && left == 0 && setAside == 0;
}

Journal::Journal(const Settings& settings, const QString& folder)
    : m_settings(settings), m_folder(folder.isEmpty() ? journalFolder() : folder)
{
    m_outboxPath = m_folder + QStringLiteral("/outbox.sqlite");
    if (m_settings.engine == Engine::SQLite && m_settings.sqlitePath.isEmpty())
        m_settings.sqlitePath = m_folder + QStringLiteral("/journal.sqlite");
}

Journal::~Journal() = default;

Database& Journal::store()
{
    if (!m_store) {
        std::unique_ptr<Database> db = Database::open(m_settings);
        db->migrate();
        m_store = std::move(db);
    }
    return *m_store;
}

int Journal::retryDelay() const
{
    constexpr qint64 kLongestDelay = 60000;
    if (m_retryDelay <= 0)
        return 0;
    const int doublings = std::clamp(m_failures - 1, 0, 16);
    return int(std::min<qint64>(qint64(m_retryDelay) << doublings, std::max<qint64>(m_retryDelay, kLongestDelay)));
}

bool Journal::storeMayBeTried() const
{
    return !m_failing || m_retryDelay <= 0 || m_sinceFailure.hasExpired(retryDelay());
}

void Journal::storeFailed(const QString& message)
{
    m_lastError = message;
    m_failing = true;
    ++m_failures;
    m_sinceFailure.start();
    // a connection that failed once is opened anew at the next try
    m_store.reset();
}

Outbox* Journal::outbox(bool create)
{
    if (!m_outbox && (create || QFileInfo::exists(m_outboxPath)))
        m_outbox = std::make_unique<Outbox>(m_outboxPath);
    return m_outbox.get();
}

RecordResult Journal::record(const Entry& entry)
{
    return record(QList<Entry>{entry});
}

RecordResult Journal::record(const QList<Entry>& entries)
{
    RecordResult result;
    const bool wasFailing = m_failing;
    bool refused = false;
    // straight to the store when nothing waits before this entry, so that the order holds
    if (m_memory.isEmpty() && storeMayBeTried()) {
        try {
            Outbox* box = outbox(false);
            if (!box || box->count() == 0) {
                store().insert(entries);
                m_failing = false;
                m_failures = 0;
                result.stored = true;
                return result;
            }
        } catch (const RefusedEntries&) {
            // the store answers: the outbox sorts out which entry it refuses, the others go on
            refused = true;
        } catch (...) {
            storeFailed(currentErrorMessage());
        }
    }
    const QString waits = QStringLiteral("Le journal ne peut pas être écrit : %1\nL'entrée attend d'être envoyée.");
    if (m_memory.isEmpty()) {
        try {
            outbox(true)->append(entries);
            result.waiting = true;
        } catch (...) {
            m_memory.append(entries);
            result.waiting = true;
            result.inMemory = true;
            result.message = QStringLiteral("Le journal ne peut pas être écrit : %1\nLa file d'envoi non plus (%2) : "
                                            "l'entrée est gardée en mémoire jusqu'à ce qu'elle puisse l'être.")
                                 .arg(m_lastError.isEmpty() ? QStringLiteral("-") : m_lastError, currentErrorMessage());
            return result;
        }
    } else {
        m_memory.append(entries);
        result.waiting = true;
        result.inMemory = true;
    }
    // the store may be back: send what waits, this entry included
    const qint64 setAsideBefore = m_setAside;
    if (refused || storeMayBeTried())
        flush(refused);
    if (m_failing && !wasFailing)
        result.message = waits.arg(m_lastError);
    if (m_setAside > setAsideBefore) {
        result.setAside = true;
        result.message = QStringLiteral("Le journal refuse une entrée : %1\nElle est mise de côté dans la file "
                                        "d'envoi (« pelorin journal --check » la montre).")
                             .arg(m_lastError);
    }
    // what the flush sent is in the store now
    if (!result.inMemory && !m_failing && pending() == 0) {
        result.stored = !result.setAside;
        result.waiting = false;
    }
    return result;
}

int Journal::sendOneByOne(Database& db, Outbox& box, const QList<std::pair<qint64, Entry>>& rows)
{
    // each entry alone: the one the store refuses is set aside with its reason, the others are stored;
    // a failure of the store itself (out of reach, a lock) still stops the sending
    int sent = 0;
    for (const auto& [position, entry] : rows) {
        try {
            db.insert({entry});
            box.remove({position});
            ++sent;
        } catch (const RefusedEntries& e) {
            box.setAside(position, e.message());
            m_lastError = e.message();
            ++m_setAside;
        }
    }
    return sent;
}

int Journal::flush(bool force)
{
    if (!force && !storeMayBeTried())
        return 0;
    int sent = 0;
    try {
        Database& db = store();
        if (Outbox* box = outbox(false)) {
            for (;;) {
                const QList<std::pair<qint64, Entry>> rows = box->oldest(kBatch);
                if (rows.isEmpty())
                    break;
                QList<Entry> entries;
                QList<qint64> positions;
                for (const auto& [position, entry] : rows) {
                    positions << position;
                    entries << entry;
                }
                try {
                    db.insert(entries);
                } catch (const RefusedEntries&) {
                    sent += sendOneByOne(db, *box, rows);
                    continue;
                }
                // removed only once stored: a crash in between sends them again, stored once by id
                box->remove(positions);
                sent += int(entries.size());
            }
        }
        if (!m_memory.isEmpty()) {
            // the outbox comes first, so that these later entries keep their order
            try {
                outbox(true)->append(m_memory);
                m_memory.clear();
                return sent + flush(true);
            } catch (const Error&) {
                db.insert(m_memory);
                sent += int(m_memory.size());
                m_memory.clear();
            }
        }
        m_failing = false;
        m_failures = 0;
    } catch (...) {
        storeFailed(currentErrorMessage());
    }
    return sent;
}

qint64 Journal::pending()
{
    qint64 n = m_memory.size();
    try {
        if (Outbox* box = outbox(false))
            n += box->count();
    } catch (const Error&) {
    }
    return n;
}

QString Journal::triedPlaces() const
{
    const QString store =
        m_settings.engine == Engine::PostgreSQL
            ? QStringLiteral("le serveur (service « %1 »)")
                  .arg(m_settings.service.isEmpty() ? QString::fromLocal8Bit(qgetenv("PGSERVICE")) : m_settings.service)
            : QStringLiteral("« %1 »").arg(m_settings.sqlitePath);
    return QStringLiteral("%1 et « %2 »").arg(store, m_outboxPath);
}

QList<SetAsideEntry> Journal::setAsideEntries()
{
    Outbox* box = outbox(false);
    return box ? box->setAsideEntries() : QList<SetAsideEntry>();
}

QString Journal::statusText()
{
    const qint64 n = pending();
    return n > 0 ? QStringLiteral("Journal : hors ligne, %1 en attente").arg(n) : QString();
}

QString Journal::storeName() const
{
    if (m_settings.engine == Engine::SQLite)
        return m_settings.sqlitePath;
    return QStringLiteral("PostgreSQL, service « %1 »")
        .arg(m_settings.service.isEmpty() ? QString::fromLocal8Bit(qgetenv("PGSERVICE")) : m_settings.service);
}

QString Journal::sourceLine() const
{
    return QStringLiteral("Journal : %1 (réglages : %2)").arg(storeName(), m_settings.sourceText());
}

CheckReport Journal::check()
{
    CheckReport report;
    report.store = storeName();
    try {
        report.integrity = store().integrityCheck();
        report.details = describeStore(store());
        report.reached = true;
    } catch (...) {
        report.integrity = currentErrorMessage();
        storeFailed(report.integrity);
    }
    report.outboxIntegrity = QStringLiteral("ok");
    try {
        if (Outbox* box = outbox(false)) {
            report.outboxIntegrity = box->integrityCheck();
            report.pending = box->count();
            report.setAside = box->setAsideCount();
        }
    } catch (...) {
        report.outboxIntegrity = currentErrorMessage();
    }
    report.pending += m_memory.size();
    // what waits is sent now, so that a check that passes leaves nothing behind on the workstation
    if (report.reached && report.outboxIntegrity == QLatin1String("ok") && report.pending > 0) {
        report.sent = flush(true);
        try {
            report.details = describeStore(store());
        } catch (...) {
        }
    }
    report.left = pending();
    return report;
}

} // namespace pelorin::journal
