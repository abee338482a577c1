#include "journal/database.h"
#include "journal/setupsql.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

struct Ran
{
    int exitCode = -1;
    QString out;
    QString err;
};

// A server of this suite alone, started by test.sh's script, whose pg_hba.conf asks the journal's
// two roles for their passwords as a factory's server does (the test server trusts every role).
class SetupServer
{
public:
    SetupServer() : m_dir(QStringLiteral("/tmp/pelorin-pgs-XXXXXX")) {}
    ~SetupServer() { script(QStringLiteral("stop")); }

    bool start(QString* output)
    {
        if (!m_dir.isValid() || !script(QStringLiteral("start"), output))
            return false;
        // the first line that matches decides: the journal's roles give their password
        const QString hba = m_dir.filePath(QStringLiteral("data/pg_hba.conf"));
        QFile f(hba);
        if (!f.open(QIODevice::ReadOnly))
            return false;
        const QByteArray old = f.readAll();
        f.close();
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        f.write("local all pelorin_owner,pelorin_journal scram-sha-256\n" + old);
        f.close();
        return superuser({QStringLiteral("-c"), QStringLiteral("SELECT pg_reload_conf()")}).exitCode == 0;
    }
    bool stop() { return script(QStringLiteral("stop")); }
    QString dir() const { return m_dir.path(); }
    QString port() const { return QStringLiteral("54343"); }

    // psql as the server's superuser, connected to postgres.
    Ran superuser(const QStringList& args, const QString& database = QStringLiteral("postgres")) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("PGSERVICEFILE"));
        env.remove(QStringLiteral("PGSERVICE"));
        env.insert(QStringLiteral("PGHOST"), dir());
        env.insert(QStringLiteral("PGPORT"), port());
        env.insert(QStringLiteral("PGUSER"), QStringLiteral("postgres"));
        env.insert(QStringLiteral("PGDATABASE"), database);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("psql"), QStringList{QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                                                    QStringLiteral("ON_ERROR_STOP=1")} +
                                            args);
        p.waitForFinished(60000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

private:
    bool script(const QString& command, QString* output = nullptr)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PELORIN_TEST_PGPORT"), port());
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

void writeFile(const QString& path, const QByteArray& text, QFile::Permissions mode = {})
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
    f.close();
    if (mode)
        f.setPermissions(mode);
}

} // namespace

// A workstation account as the README sets it up: the system-wide journal.ini, the service file,
// its ~/.pgpass, and nothing in its own data folder.
class SharedJournal : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_server = new SetupServer;
        if (!s_server->start(&s_startOutput)) {
            delete s_server;
            s_server = nullptr;
        }
    }
    static void TearDownTestSuite()
    {
        delete s_server;
        s_server = nullptr;
    }

    void SetUp() override
    {
        if (!s_server)
            GTEST_SKIP() << "PostgreSQL case skipped: no private server could be started: "
                         << s_startOutput.toStdString();
        ASSERT_TRUE(m_home.isValid());
        // each case sets the journal up from nothing
        const Ran drop =
            s_server->superuser({QStringLiteral("-c"), QStringLiteral("DROP DATABASE IF EXISTS pelorin WITH (FORCE)")});
        ASSERT_EQ(drop.exitCode, 0) << drop.err.toStdString();
        m_serviceFile = m_home.filePath(QStringLiteral("pg_service.conf"));
        const QString server =
            QStringLiteral("host=%1\nport=%2\ndbname=pelorin\n").arg(s_server->dir(), s_server->port());
        writeFile(
            m_serviceFile,
            (QStringLiteral("[pelorin]\n%1user=pelorin_journal\n\n[pelorin-owner]\n%1user=pelorin_owner\n").arg(server))
                .toUtf8());
        setPasswords("mot-de-passe-poste", "mot-de-passe-proprietaire");
        writeFile(m_home.filePath(QStringLiteral("xdg/pelorin/journal.ini")),
                  "[journal]\nengine=postgresql\nservice=pelorin\n");
    }

    // ~/.pgpass: the server's socket folder in place of its host name, as libpq matches it; any database.
    void setPasswords(const char* workstation, const char* owner)
    {
        const QString prefix = QStringLiteral("%1:%2:*:").arg(s_server->dir(), s_server->port());
        writeFile(m_home.filePath(QStringLiteral(".pgpass")),
                  (prefix + QStringLiteral("pelorin_journal:") + QLatin1String(workstation) + u'\n' + prefix +
                   QStringLiteral("pelorin_owner:") + QLatin1String(owner) + u'\n')
                      .toUtf8(),
                  QFile::ReadOwner | QFile::WriteOwner);
    }

    // The program as this account runs it.
    Ran pelorin(const QStringList& args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"PGSERVICE", "PGHOST", "PGPORT", "PGUSER", "PGDATABASE", "PGPASSFILE", "PELORIN_DATA"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("HOME"), m_home.path());
        env.insert(QStringLiteral("PGSERVICEFILE"), m_serviceFile);
        env.insert(QStringLiteral("XDG_CONFIG_DIRS"), m_home.filePath(QStringLiteral("xdg")));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(PELORIN_BINARY),
                QStringList{QStringLiteral("journal"), QStringLiteral("--data"), m_data.path()} + args);
        p.waitForFinished(60000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

    static SetupServer* s_server;
    static QString s_startOutput;
    QTemporaryDir m_home;
    test::TempDataFolder m_data;
    QString m_serviceFile;
};

SetupServer* SharedJournal::s_server = nullptr;
QString SharedJournal::s_startOutput;

// The steps of the README's "Journal partagé", in order: the superuser's script, the passwords, the
// owner's first check that creates the tables, then a workstation that records, reads and may do
// nothing else.
TEST_F(SharedJournal, SetUpAsTheReadmeSaysThenUsedByAWorkstation)
{
    // the script the program prints is the one installed
    QFile installed(QStringLiteral(PELORIN_SOURCE_DIR "/src/journal/sql/journal-setup.sql"));
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    const Ran printed = pelorin({QStringLiteral("--setup-sql")});
    ASSERT_EQ(printed.exitCode, 0) << printed.err.toStdString();
    EXPECT_EQ(printed.out, QString::fromUtf8(installed.readAll()));
    const QString script = m_home.filePath(QStringLiteral("journal-setup.sql"));
    writeFile(script, printed.out.toUtf8());

    // run twice: a second run (after an upgrade) keeps what is there
    for (int run = 0; run < 2; ++run) {
        const Ran setup = s_server->superuser({QStringLiteral("-f"), script});
        ASSERT_EQ(setup.exitCode, 0) << setup.err.toStdString();
    }
    const Ran passwords = s_server->superuser(
        {QStringLiteral("-c"), QStringLiteral("ALTER ROLE pelorin_journal PASSWORD 'mot-de-passe-poste'"),
         QStringLiteral("-c"), QStringLiteral("ALTER ROLE pelorin_owner PASSWORD 'mot-de-passe-proprietaire'")});
    ASSERT_EQ(passwords.exitCode, 0) << passwords.err.toStdString();

    // before the owner's check there is no table, and a workstation cannot make one
    Ran r = pelorin({QStringLiteral("--check")});
    EXPECT_EQ(r.exitCode, 1) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Intégrité : "))) << r.out.toStdString();

    r = pelorin({QStringLiteral("--check"), QStringLiteral("--service"), QStringLiteral("pelorin-owner")});
    ASSERT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Utilisateur : pelorin_owner\n"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Entrées : 0\n"))) << r.out.toStdString();

    // the workstation names everything it uses
    r = pelorin({QStringLiteral("--check")});
    ASSERT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    const QString expected =
        QStringLiteral("Réglages : %1\nMoteur : PostgreSQL\nJournal : PostgreSQL, service « pelorin »\nServeur : %2:%3 "
                       "(PostgreSQL ")
            .arg(m_home.filePath(QStringLiteral("xdg/pelorin/journal.ini")), s_server->dir(), s_server->port());
    EXPECT_TRUE(r.out.startsWith(expected)) << r.out.toStdString();
    const QString schemaLine = QStringLiteral("Version du schéma : %1\n").arg(journal::kSchemaVersion);
    for (const QString& line : {QStringLiteral("Base : pelorin\n"), QStringLiteral("Utilisateur : pelorin_journal\n"),
                                schemaLine, QStringLiteral("Entrées : 0\n"), QStringLiteral("Intégrité : ok\n"),
                                QStringLiteral("File d'envoi : ok, 0 en attente\n")})
        EXPECT_TRUE(r.out.contains(line)) << line.toStdString() << " in:\n" << r.out.toStdString();

    // it records and reads
    writeFile(m_home.filePath(QStringLiteral("l.SCB")), "ScanCode\r\nB25012515LAV5930033906\r\n\r\n");
    r = pelorin({QStringLiteral("--import"), m_home.filePath(QStringLiteral("l.SCB"))});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("1 codes enregistrés"))) << r.out.toStdString();
    r = pelorin({});
    EXPECT_TRUE(r.out.contains(QStringLiteral("\tB25012515LAV5930033906\t"))) << r.out.toStdString();

    // and may change nothing: not an entry, not the schema's version, not a table
    const QString asWorkstation =
        QStringLiteral("host=%1 port=%2 dbname=pelorin user=pelorin_journal").arg(s_server->dir(), s_server->port());
    for (const char* sql :
         {"UPDATE journal_entry SET code = 'X'", "DELETE FROM journal_entry", "TRUNCATE journal_entry",
          "INSERT INTO journal_schema (version) VALUES (9)", "UPDATE journal_schema SET version = 9",
          "CREATE TABLE other (x int)", "DROP TABLE journal_entry"}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGPASSWORD"), QStringLiteral("mot-de-passe-poste"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("psql"),
                {QStringLiteral("-X"), asWorkstation, QStringLiteral("-c"), QLatin1String(sql)});
        p.waitForFinished(30000);
        EXPECT_NE(p.exitCode(), 0) << sql;
        const QByteArray said = p.readAllStandardError();
        EXPECT_TRUE(said.contains("permission denied") || said.contains("must be owner")) << sql << said.constData();
    }
}

// Each way a workstation's connection fails is named for what it is, and what was recorded meanwhile
// waits, then is sent by the check once the cause is mended.
TEST_F(SharedJournal, NamesEachConnectionFailureAndSendsWhatWaits)
{
    const QString script = m_home.filePath(QStringLiteral("journal-setup.sql"));
    writeFile(script, journal::setupSql().toUtf8());
    ASSERT_EQ(s_server->superuser({QStringLiteral("-f"), script}).exitCode, 0);
    ASSERT_EQ(s_server
                  ->superuser({QStringLiteral("-c"),
                               QStringLiteral("ALTER ROLE pelorin_journal PASSWORD 'mot-de-passe-poste'"),
                               QStringLiteral("-c"),
                               QStringLiteral("ALTER ROLE pelorin_owner PASSWORD 'mot-de-passe-proprietaire'")})
                  .exitCode,
              0);
    ASSERT_EQ(
        pelorin({QStringLiteral("--check"), QStringLiteral("--service"), QStringLiteral("pelorin-owner")}).exitCode, 0);

    struct Case
    {
        const char* what;
        std::function<void()> spoil;
        const char* said;
    };
    const QString systemFile = m_home.filePath(QStringLiteral("xdg/pelorin/journal.ini"));
    const Case cases[] = {
        {"a wrong password", [&] { setPasswords("faux", "mot-de-passe-proprietaire"); },
         "Le serveur du journal (service « pelorin ») refuse le mot de passe"},
        {"no password", [&] { QFile::remove(m_home.filePath(QStringLiteral(".pgpass"))); },
         "Le serveur du journal (service « pelorin ») refuse le mot de passe"},
        {"a service missing from the file",
         [&] { writeFile(systemFile, "[journal]\nengine=postgresql\nservice=pelorin-nord\n"); },
         "Le service du journal « pelorin-nord » n'est défini dans aucun fichier de services PostgreSQL"},
        {"a database that does not exist",
         [&] { writeFile(systemFile, "[journal]\nengine=postgresql\nservice=pelorin\ndatabase=pelorin_absente\n"); },
         "La base du journal n'existe pas sur le serveur (service « pelorin »)"},
    };
    int waiting = 0;
    for (const Case& c : cases) {
        c.spoil();
        writeFile(m_home.filePath(QStringLiteral("l.SCB")),
                  QStringLiteral("ScanCode\r\nB25012515LAV59300339%1\r\n\r\n").arg(10 + waiting).toUtf8());
        Ran r = pelorin({QStringLiteral("--import"), m_home.filePath(QStringLiteral("l.SCB"))});
        EXPECT_EQ(r.exitCode, 0) << c.what << r.err.toStdString();
        ++waiting;
        EXPECT_TRUE(r.out.contains(QStringLiteral("1 codes en attente"))) << c.what << r.out.toStdString();
        r = pelorin({QStringLiteral("--check")});
        EXPECT_EQ(r.exitCode, 1) << c.what;
        EXPECT_TRUE(r.out.contains(QString::fromUtf8(c.said))) << c.what << ":\n" << r.out.toStdString();
        EXPECT_FALSE(r.out.contains(QStringLiteral("ne répond pas"))) << c.what << ":\n" << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("File d'envoi : ok, %1 en attente").arg(waiting)))
            << c.what << ":\n"
            << r.out.toStdString();
        // mended
        setPasswords("mot-de-passe-poste", "mot-de-passe-proprietaire");
        writeFile(systemFile, "[journal]\nengine=postgresql\nservice=pelorin\n");
    }

    // the check sends what waits and passes only then
    Ran r = pelorin({QStringLiteral("--check")});
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("File d'envoi : ok, %1 en attente\n").arg(waiting)))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Envoi : %1 envoyées, 0 encore en attente\n").arg(waiting)))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Entrées : %1\n").arg(waiting))) << r.out.toStdString();
    r = pelorin({QStringLiteral("--check")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("File d'envoi : ok, 0 en attente\n"))) << r.out.toStdString();

    // a misspelt key is an error, not a local journal
    writeFile(systemFile, "[journal]\nengine=postgresql\nserivce=pelorin\n");
    r = pelorin({QStringLiteral("--check")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("%1 », ligne 3 : clé inconnue « serivce »").arg(systemFile)))
        << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_data.file(QStringLiteral("Journal/journal.sqlite"))));

    // a server that is down does not answer, and says so
    writeFile(systemFile, "[journal]\nengine=postgresql\nservice=pelorin\n");
    ASSERT_TRUE(s_server->stop());
    r = pelorin({QStringLiteral("--check")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains(QStringLiteral("Le serveur du journal (service « pelorin ») ne répond pas")))
        << r.out.toStdString();
    QString output;
    ASSERT_TRUE(s_server->start(&output)) << output.toStdString();
}
