#pragma once
#include <QString>

// What went wrong when a PostgreSQL journal could not be connected, in the operator's words: libpq
// reports a refused password, a service missing from pg_service.conf or a database that does not
// exist with the same failure as a server that is down, and each needs a different remedy.
namespace pelorin::journal {

enum class ConnectionFailure {
    NoAnswer,        // the server is down or out of reach
    Password,        // the password is wrong or missing (~/.pgpass)
    UnknownService,  // the service is in no pg_service.conf, or that file is missing
    UnknownRole,     // the user is not a role of the server
    UnknownDatabase, // the database does not exist
    Refused,         // pg_hba.conf or the database's CONNECT right turns the user away
    Encryption,      // the SSL connection that sslmode asks for could not be made
};

// The kind of failure libpq's message `storeText` describes.
ConnectionFailure connectionFailureKind(const QString& storeText);
// The message for a connection to `service` that failed with libpq's `storeText`.
QString connectionFailureMessage(const QString& service, const QString& storeText);

// The Debian package that carries Qt's SQL driver `driver` (QSQLITE, QPSQL).
QString driverPackage(const QString& driver);
// The message for a driver that is not installed.
QString missingDriverMessage(const QString& driver);

} // namespace pelorin::journal
