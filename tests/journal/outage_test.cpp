#include "journal/journalfixture.h"

#include "journal/journal.h"
#include "journal/search.h"

#include <QProcess>
#include <QScopeGuard>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace pelorin;
using namespace pelorin::journal;

namespace {

// A PostgreSQL server of this test alone (the shared one keeps serving the other tests while this
// one is stopped), started by the same script as test.sh's.
class PrivateServer
{
public:
    PrivateServer() : m_dir(QStringLiteral("/tmp/pelorin-pgo-XXXXXX")) {}
    ~PrivateServer() { script(QStringLiteral("stop")); }

    bool start(QString* environment) { return m_dir.isValid() && script(QStringLiteral("start"), environment); }
    bool stop() { return script(QStringLiteral("stop")); }
    QString dir() const { return m_dir.path(); }

private:
    bool script(const QString& command, QString* output = nullptr)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PELORIN_TEST_PGPORT"), QStringLiteral("54331"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(PELORIN_SOURCE_DIR "/scripts/postgres.sh"), {command, m_dir.path()});
        if (!p.waitForFinished(90000))
            return false;
        if (output)
            *output = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    QTemporaryDir m_dir;
};

} // namespace

// The shared server stopped in the middle of a run and started again: the entries recorded
// meanwhile wait, then all arrive, none twice.
TEST(JournalOutage, EveryEntryArrivesOnceAfterTheServerComesBack)
{
    PrivateServer server;
    QString output;
    if (!server.start(&output))
        GTEST_SKIP() << "PostgreSQL case skipped: no private server could be started: " << output.toStdString();
    const QString serviceFile = server.dir() + QStringLiteral("/pg_service.conf");
    const QByteArray sharedServiceFile = qgetenv("PGSERVICEFILE");
    qputenv("PGSERVICEFILE", serviceFile.toLocal8Bit());
    const auto restore = qScopeGuard([&] { qputenv("PGSERVICEFILE", sharedServiceFile); });
    Settings settings;
    settings.engine = Engine::PostgreSQL;
    settings.service = QStringLiteral("pelorin_test");
    QTemporaryDir folder;
    Journal journal(settings, folder.path());
    journal.setRetryDelay(0);

    QList<Entry> entries;
    for (int i = 0; i < 60; ++i)
        entries << test::sampleEntry(EntryKind::Scan, i);
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(journal.record(entries[i]).stored);
    ASSERT_TRUE(server.stop());
    for (int i = 20; i < 40; ++i) {
        const RecordResult r = journal.record(entries[i]);
        EXPECT_TRUE(r.waiting);
        EXPECT_EQ(r.message.isEmpty(), i > 20);
    }
    EXPECT_EQ(journal.statusText(), QStringLiteral("Journal : hors ligne, 20 en attente"));
    ASSERT_TRUE(server.start(&output)) << output.toStdString();
    for (int i = 40; i < 60; ++i)
        journal.record(entries[i]);
    EXPECT_EQ(journal.pending(), 0);

    QSqlQuery q(journal.store().db());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT id FROM journal_entry ORDER BY seq")));
    QStringList stored;
    while (q.next())
        stored << q.value(0).toString();
    QStringList expected;
    for (const Entry& e : entries)
        expected << e.id;
    EXPECT_EQ(stored, expected);
}
