#include "journal/settings.h"

#include "base/error.h"
#include "base/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace pelorin::journal {

QString Settings::defaultPath()
{
    return DataFolder::path(QStringLiteral("Config\\journal.ini"));
}

Settings Settings::load()
{
    return loadFile(defaultPath());
}

Settings Settings::loadFile(const QString& path)
{
    Settings s;
    if (!QFileInfo::exists(path))
        return s;
    QSettings ini(path, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError)
        throw Error(QStringLiteral("Le fichier de réglages du journal « %1 » est illisible.").arg(path));
    ini.beginGroup(QStringLiteral("journal"));
    const QString engine = ini.value(QStringLiteral("engine"), QStringLiteral("sqlite")).toString().trimmed().toLower();
    if (engine == QLatin1String("postgresql") || engine == QLatin1String("postgres"))
        s.engine = Engine::PostgreSQL;
    else if (engine == QLatin1String("sqlite") || engine.isEmpty())
        s.engine = Engine::SQLite;
    else
        throw Error(QStringLiteral("Le fichier « %1 » : moteur de journal inconnu « %2 » (sqlite ou postgresql).")
                        .arg(path, engine));
    s.service = ini.value(QStringLiteral("service")).toString().trimmed();
    s.database = ini.value(QStringLiteral("database")).toString().trimmed();
    s.sqlitePath = ini.value(QStringLiteral("file")).toString().trimmed();
    return s;
}

void Settings::saveFile(const QString& path) const
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("journal"));
    ini.setValue(QStringLiteral("engine"),
                 engine == Engine::PostgreSQL ? QStringLiteral("postgresql") : QStringLiteral("sqlite"));
    ini.setValue(QStringLiteral("service"), service);
    ini.setValue(QStringLiteral("database"), database);
    if (!sqlitePath.isEmpty())
        ini.setValue(QStringLiteral("file"), sqlitePath);
    ini.endGroup();
    ini.sync();
    if (ini.status() != QSettings::NoError)
        throw Error(QStringLiteral("Impossible d'écrire le fichier de réglages du journal « %1 ».").arg(path));
}

QString journalFolder()
{
    const QString dir = DataFolder::path(QStringLiteral("Journal"));
    QDir().mkpath(dir);
    return dir;
}

} // namespace pelorin::journal
