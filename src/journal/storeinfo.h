#pragma once
#include <QString>

// What a journal store is, as `pelorin journal --check` names it: where it is connected, as whom,
// and what it holds.
namespace pelorin::journal {

class Database;

struct StoreDetails
{
    QString server;        // PostgreSQL: "host:port" or "socket folder:port"; empty for SQLite
    QString database;      // PostgreSQL: the database; SQLite: the file
    QString user;          // PostgreSQL: the role connected; empty for SQLite
    QString serverVersion; // PostgreSQL: the server's version
    int schemaVersion = 0;
    qint64 entries = 0;
};

// Error with the store's message when it cannot be asked.
StoreDetails describeStore(Database& store);

} // namespace pelorin::journal
