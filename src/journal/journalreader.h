#pragma once
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "journal/settings.h"

// The journal of a window that reads: searches, totals, reports and exports run on a thread of their
// own, with a connection of their own (a Qt SQL connection belongs to the thread that opened it), so
// that a server that accepts and never answers holds that thread, never the window's. Each request
// hands back what the window shows as a small piece of work run on the window's thread.
namespace pelorin::journal {

class Journal;

class JournalReader : public QObject
{
    Q_OBJECT

public:
    // What a request hands back to the window's thread: the window's part of the work.
    using Reply = std::function<void()>;
    using Work = std::function<Reply(Journal&)>;
    using Failure = std::function<void(const QString& message)>;

    // The journal the settings name (its outbox in `folder`, journalFolder() when empty). Nothing is
    // opened yet: the first request connects.
    explicit JournalReader(const Settings& settings, const QString& folder = QString(), QObject* parent = nullptr);
    // Returns at once: the requests not begun are dropped, the one under way ends on its own (a
    // server that does not answer is given up at its connection's time limit), its answer dropped.
    ~JournalReader() override;
    JournalReader(const JournalReader&) = delete;
    JournalReader& operator=(const JournalReader&) = delete;

    // Runs `work` on the reader's thread after the requests asked before, then what it returns on this
    // object's thread; an error it throws goes to `failed` there instead. Nothing comes back once
    // `receiver` is gone.
    void ask(QObject* receiver, Work work, Failure failed = {});

    // Journal::sourceLine(), known without asking the store.
    const QString& sourceLine() const { return m_sourceLine; }
    const Settings& settings() const { return m_settings; }

private:
    struct Shared;

    Settings m_settings;
    QString m_sourceLine;
    std::shared_ptr<Shared> m_shared;
};

} // namespace pelorin::journal
