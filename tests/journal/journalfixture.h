#pragma once
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "journal/database.h"
#include "journal/entry.h"
#include "journal/settings.h"

// Every journal test runs on both engines: an SQLite file in a temporary folder, and a fresh database
// of the PostgreSQL server test.sh starts (PGSERVICEFILE and PELORIN_TEST_PGSERVICE). Without that
// server the PostgreSQL cases are skipped, and say so.
namespace pelorin::test {

class JournalTest : public ::testing::TestWithParam<journal::Engine>
{
protected:
    void SetUp() override;
    void TearDown() override;

    bool postgres() const { return GetParam() == journal::Engine::PostgreSQL; }
    // The settings of this case's store.
    const journal::Settings& settings() const { return m_settings; }
    // A new connection to it (schema created).
    std::unique_ptr<journal::Database> open() const;
    // A folder for the outbox and other files.
    QString folder() const { return m_dir.path(); }
    // Makes `dataFolder`'s Config/journal.ini name this case's store, as the program reads it: the data
    // folder's own Journal/journal.sqlite for SQLite (which settings() then names too), this case's
    // database for PostgreSQL.
    void useDataFolderJournal(const QString& dataFolder)
    {
        journal::Settings s = m_settings;
        s.sqlitePath.clear();
        s.saveFile(dataFolder + QStringLiteral("/Config/journal.ini"));
        if (!postgres())
            m_settings.sqlitePath = dataFolder + QStringLiteral("/Journal/journal.sqlite");
    }

    // Takes this case's store out of reach (an SQLite path that is a folder, a PostgreSQL database
    // that does not exist), and brings it back, empty.
    void takeStoreAway();
    void bringStoreBack();

    journal::Settings m_settings;
    QString m_database;
    QTemporaryDir m_dir;
};

// The service test.sh set up; empty when none.
QString testService();
// Creates an empty database on the test server and returns its name; drops it again.
QString createTestDatabase();
void dropTestDatabase(const QString& name);

// A print or scan entry with every field set, distinct by `n`.
journal::Entry sampleEntry(journal::EntryKind kind, int n, const QString& code = QString());

std::string engineName(const ::testing::TestParamInfo<journal::Engine>& info);

// A PostgreSQL server that accepts connections and never answers: a listening socket nobody reads
// (the kernel accepts each connection, nothing ever replies), named as the service "silent" in a
// service file of its own that PGSERVICEFILE points to while the object lives.
class SilentServer
{
public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    // False when the socket could not be opened; the test then stops.
    bool listening() const { return m_listener >= 0 && m_port > 0; }
    // The journal's settings naming it.
    journal::Settings settings() const;

private:
    int m_listener = -1;
    int m_port = 0;
    QTemporaryDir m_folder;
    QByteArray m_sharedServices;
};

} // namespace pelorin::test

#define PELORIN_BOTH_ENGINES(suite)                                                                                    \
    INSTANTIATE_TEST_SUITE_P(                                                                                          \
        Engines, suite, ::testing::Values(pelorin::journal::Engine::SQLite, pelorin::journal::Engine::PostgreSQL),     \
        pelorin::test::engineName)
