#include "journal/journalfixture.h"

#include "base/error.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>
#include <QUuid>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pelorin::test {

using namespace pelorin::journal;

QString testService()
{
    return QString::fromLocal8Bit(qgetenv("PELORIN_TEST_PGSERVICE"));
}

QString createTestDatabase()
{
    const QString name = QStringLiteral("pelorin_t_") + QUuid::createUuid().toString(QUuid::Id128).left(16);
    auto admin = Database::openPostgres(testService());
    admin->exec(QStringLiteral("CREATE DATABASE %1").arg(name));
    return name;
}

void dropTestDatabase(const QString& name)
{
    try {
        auto admin = Database::openPostgres(testService());
        admin->exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
    } catch (const Error&) {
    }
}

void JournalTest::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    if (postgres()) {
        if (testService().isEmpty())
            GTEST_SKIP() << "PostgreSQL case skipped: no test server (test.sh starts one; PELORIN_TEST_PGSERVICE "
                            "is not set)";
        try {
            m_database = createTestDatabase();
        } catch (const Error& e) {
            GTEST_SKIP() << "PostgreSQL case skipped: the test server does not answer: " << e.message().toStdString();
        }
        m_settings.engine = Engine::PostgreSQL;
        m_settings.service = testService();
        m_settings.database = m_database;
    } else {
        m_settings.engine = Engine::SQLite;
        m_settings.sqlitePath = m_dir.filePath(QStringLiteral("journal.sqlite"));
    }
}

void JournalTest::TearDown()
{
    if (!m_database.isEmpty())
        test::dropTestDatabase(m_database);
}

void JournalTest::takeStoreAway()
{
    if (postgres())
        test::dropTestDatabase(m_database);
    else
        QDir().mkpath(m_settings.sqlitePath);
}

void JournalTest::bringStoreBack()
{
    if (postgres()) {
        auto admin = Database::openPostgres(test::testService());
        admin->exec(QStringLiteral("CREATE DATABASE %1").arg(m_database));
    } else {
        QDir(m_settings.sqlitePath).removeRecursively();
    }
}

std::unique_ptr<Database> JournalTest::open() const
{
    auto db = Database::open(m_settings);
    db->migrate();
    return db;
}

Entry sampleEntry(EntryKind kind, int n, const QString& code)
{
    Entry e = newEntry(kind);
    e.at = QDateTime(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC).addSecs(n * 60);
    e.workstation = QStringLiteral("poste-%1").arg(n % 3);
    e.user = QStringLiteral("opérateur");
    e.code = code.isEmpty() ? QStringLiteral("B25012515LAV59300%1").arg(339 + n % 20, 3, 10, QLatin1Char('0')) +
                                  QStringLiteral("06")
                            : code;
    e.decoded = {QStringLiteral("Bougie"),    QStringLiteral("250 gr"),  QStringLiteral("Boite de 12"),
                 QStringLiteral("Ral 515"),   QStringLiteral("Lavande"), QStringLiteral("Valenciennes"),
                 QStringLiteral("05/12/2006")};
    if (kind == EntryKind::Print) {
        e.operatorText = QStringLiteral("Lot d'été « spécial »");
        e.model = QStringLiteral("Etiq65.ETQ");
        e.labels = QStringLiteral("1-3,5");
        e.labelCount = 4;
        e.firstText = QStringLiteral("N°1");
        e.lastText = QStringLiteral("N°5");
        e.medium = n % 2 ? Medium::PdfFile : Medium::Printer;
        e.output = n % 2 ? QStringLiteral("/tmp/page.pdf") : QStringLiteral("PDF");
    } else {
        e.source = QStringLiteral("clavier");
    }
    return e;
}

std::string engineName(const ::testing::TestParamInfo<Engine>& info)
{
    return info.param == Engine::PostgreSQL ? "PostgreSQL" : "SQLite";
}

SilentServer::SilentServer() : m_sharedServices(qgetenv("PGSERVICEFILE"))
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m_listener < 0)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 16) != 0 || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    QFile services(m_folder.filePath(QStringLiteral("pg_service.conf")));
    if (!services.open(QIODevice::WriteOnly))
        return;
    services.write(QStringLiteral("[silent]\nhost=127.0.0.1\nport=%1\ndbname=journal\nuser=pelorin\n")
                       .arg(ntohs(address.sin_port))
                       .toUtf8());
    services.close();
    qputenv("PGSERVICEFILE", services.fileName().toLocal8Bit());
    m_port = ntohs(address.sin_port);
}

SilentServer::~SilentServer()
{
    qputenv("PGSERVICEFILE", m_sharedServices);
    if (m_listener >= 0)
        ::close(m_listener);
}

journal::Settings SilentServer::settings() const
{
    journal::Settings s;
    s.engine = journal::Engine::PostgreSQL;
    s.service = QStringLiteral("silent");
    return s;
}

} // namespace pelorin::test
