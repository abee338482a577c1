#include "journal/connectionerror.h"

#include <QRegularExpression>

namespace pelorin::journal {

ConnectionFailure connectionFailureKind(const QString& storeText)
{
    // libpq's own texts (the client's, never translated on these workstations) and the server's
    // FATAL messages, as the server's lc_messages C writes them
    struct Sign
    {
        const char* text;
        ConnectionFailure kind;
    };
    static const Sign kSigns[] = {
        {"password authentication failed", ConnectionFailure::Password},
        {"no password supplied", ConnectionFailure::Password},
        {"authentification par mot de passe", ConnectionFailure::Password},
        {"aucun mot de passe", ConnectionFailure::Password},
        {"definition of service", ConnectionFailure::UnknownService},
        {"service file", ConnectionFailure::UnknownService},
        {"fichier de service", ConnectionFailure::UnknownService},
        {"définition du service", ConnectionFailure::UnknownService},
        {"no pg_hba.conf entry", ConnectionFailure::Refused},
        {"aucune entrée dans pg_hba.conf", ConnectionFailure::Refused},
        {"permission denied for database", ConnectionFailure::Refused},
        {"does not have connect privilege", ConnectionFailure::Refused},
        {"ssl", ConnectionFailure::Encryption},
    };
    const QString text = storeText.toLower();
    for (const Sign& s : kSigns)
        if (text.contains(QLatin1String(s.text)))
            return s.kind;
    static const QRegularExpression role(QStringLiteral("role \".*\" does not exist|le rôle .* n'existe pas"));
    static const QRegularExpression database(
        QStringLiteral("database \".*\" does not exist|la base de données .* n'existe pas"));
    if (role.match(text).hasMatch())
        return ConnectionFailure::UnknownRole;
    if (database.match(text).hasMatch())
        return ConnectionFailure::UnknownDatabase;
    return ConnectionFailure::NoAnswer;
}

QString connectionFailureMessage(const QString& service, const QString& storeText)
{
    const QString detail = storeText.trimmed();
    switch (connectionFailureKind(storeText)) {
    case ConnectionFailure::Password:
        return QStringLiteral("Le serveur du journal (service « %1 ») refuse le mot de passe : vérifiez la ligne de "
                              "cet utilisateur dans ~/.pgpass (mode 0600). %2")
            .arg(service, detail);
    case ConnectionFailure::UnknownService:
        return QStringLiteral("Le service du journal « %1 » n'est défini dans aucun fichier de services PostgreSQL "
                              "(~/.pg_service.conf, /etc/postgresql-common/pg_service.conf ou PGSERVICEFILE). %2")
            .arg(service, detail);
    case ConnectionFailure::UnknownRole:
        return QStringLiteral("Le serveur du journal (service « %1 ») ne connaît pas cet utilisateur. %2")
            .arg(service, detail);
    case ConnectionFailure::UnknownDatabase:
        return QStringLiteral("La base du journal n'existe pas sur le serveur (service « %1 »). %2")
            .arg(service, detail);
    case ConnectionFailure::Refused:
        return QStringLiteral("Le serveur du journal (service « %1 ») refuse la connexion de ce poste ou de cet "
                              "utilisateur (pg_hba.conf, droit CONNECT). %2")
            .arg(service, detail);
    case ConnectionFailure::Encryption:
        return QStringLiteral("La connexion chiffrée au serveur du journal (service « %1 ») a échoué (sslmode). %2")
            .arg(service, detail);
    case ConnectionFailure::NoAnswer:
        break;
    }
    return QStringLiteral("Le serveur du journal (service « %1 ») ne répond pas : %2").arg(service, detail);
}

QString driverPackage(const QString& driver)
{
    return driver == QLatin1String("QPSQL") ? QStringLiteral("libqt6sql6-psql") : QStringLiteral("libqt6sql6-sqlite");
}

QString missingDriverMessage(const QString& driver)
{
    const QString engine = driver == QLatin1String("QPSQL") ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite");
    return QStringLiteral("Le pilote %1 de Qt (%2) n'est pas installé : installez le paquet %3.")
        .arg(engine, driver, driverPackage(driver));
}

} // namespace pelorin::journal
