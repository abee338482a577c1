#include "journal/storeinfo.h"

#include "journal/database.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <dlfcn.h>

namespace pelorin::journal {

namespace {

// The host and port libpq actually connected to (the service may list several), asked of the libpq
// that Qt's driver loaded: the program itself does not link libpq, so a workstation without the
// PostgreSQL driver still starts.
QString connectedServer(Database& store)
{
    const QVariant handle = store.db().driver()->handle();
    // the driver's PGconn*, whose type Qt names by libpq's struct
    if (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0)
        return QString();
    void* connection = *static_cast<void* const*>(handle.constData());
    void* libpq = dlopen("libpq.so.5", RTLD_LAZY | RTLD_NOLOAD);
    if (!connection || !libpq)
        return QString();
    using Getter = const char* (*)(const void*);
    const auto host = reinterpret_cast<Getter>(dlsym(libpq, "PQhost"));
    const auto port = reinterpret_cast<Getter>(dlsym(libpq, "PQport"));
    QString server;
    if (host && port)
        server = QStringLiteral("%1:%2").arg(QString::fromLocal8Bit(host(connection)),
                                             QString::fromLocal8Bit(port(connection)));
    dlclose(libpq);
    return server;
}

} // namespace

StoreDetails describeStore(Database& store)
{
    StoreDetails d;
    d.schemaVersion = store.schemaVersion();
    QSqlQuery q(store.db());
    if (store.engine() == Engine::PostgreSQL) {
        runQuery(q,
                 QStringLiteral("SELECT current_database(), current_user, current_setting('server_version'), "
                                "host(inet_server_addr()), current_setting('port')"),
                 {});
        if (q.next()) {
            d.database = q.value(0).toString();
            d.user = q.value(1).toString();
            d.serverVersion = q.value(2).toString();
            d.server = connectedServer(store);
            if (d.server.isEmpty())
                d.server = QStringLiteral("%1:%2").arg(q.value(3).isNull() ? QStringLiteral("socket local")
                                                                           : q.value(3).toString(),
                                                       q.value(4).toString());
        }
        q.finish();
    } else {
        d.database = store.name();
    }
    if (d.schemaVersion > 0) {
        runQuery(q, QStringLiteral("SELECT count(*) FROM journal_entry"), {});
        if (q.next())
            d.entries = q.value(0).toLongLong();
    }
    return d;
}

} // namespace pelorin::journal
