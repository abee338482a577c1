#include "journal/settings.h"

#include "base/error.h"
#include "base/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace pelorin::journal {

namespace {

const QString kSection = QStringLiteral("journal");
const QStringList kKeys = {QStringLiteral("engine"), QStringLiteral("service"), QStringLiteral("database"),
                           QStringLiteral("file")};
const QStringList kEngines = {QStringLiteral("sqlite"), QStringLiteral("postgresql")};

// A value as written by hand or by the older QSettings-written files: quotes around it are taken
// off (with their \" and \\ inside), and an unquoted value ends at a ";" comment.
QString valueText(QString value)
{
    value = value.trimmed();
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"')) {
        QString plain;
        for (qsizetype i = 1; i + 1 < value.size(); ++i) {
            if (value[i] == u'\\' && i + 2 < value.size())
                ++i;
            plain += value[i];
        }
        return plain;
    }
    const qsizetype comment = value.indexOf(u';');
    if (comment >= 0)
        value.truncate(comment);
    return value.trimmed();
}

// A value as written: quoted when it would not read back the same unquoted.
QString writtenValue(const QString& value)
{
    if (value.trimmed() == value && !value.contains(u';') && !value.contains(u'"') && !value.startsWith(u'#'))
        return value;
    QString v = value;
    v.replace(u'\\', QLatin1String("\\\\"));
    v.replace(u'"', QLatin1String("\\\""));
    return u'"' + v + u'"';
}

QString knownList(const QStringList& words)
{
    return words.join(QLatin1String(", "));
}

} // namespace

QString Settings::defaultPath()
{
    return DataFolder::path(QStringLiteral("Config\\journal.ini"));
}

QStringList Settings::systemPaths()
{
    QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (dirs.trimmed().isEmpty())
        dirs = QStringLiteral("/etc/xdg");
    QStringList paths;
    for (const QString& dir : dirs.split(u':', Qt::SkipEmptyParts))
        paths << QDir::cleanPath(dir + QStringLiteral("/pelorin/journal.ini"));
    return paths;
}

QString Settings::pathInForce()
{
    const QString own = defaultPath();
    if (QFileInfo::exists(own))
        return own;
    for (const QString& path : systemPaths())
        if (QFileInfo::exists(path))
            return path;
    return QString();
}

Settings Settings::load()
{
    const QString path = pathInForce();
    return path.isEmpty() ? Settings() : loadFile(path);
}

Settings Settings::loadFile(const QString& path)
{
    Settings s;
    QFile file(path);
    if (!file.exists())
        return s;
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Le fichier de réglages du journal « %1 » est illisible : %2")
                        .arg(path, file.errorString()));
    s.source = QFileInfo(path).absoluteFilePath();
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    const auto fault = [&](qsizetype line, const QString& what) {
        return Error(QStringLiteral("Le fichier de réglages du journal « %1 », ligne %2 : %3")
                         .arg(path)
                         .arg(line + 1)
                         .arg(what));
    };
    bool inSection = false;
    bool engineSeen = false;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            const QString name = line.endsWith(u']') ? line.mid(1, line.size() - 2).trimmed() : line.mid(1);
            // letter case as Windows' own INI files, where [Journal] is [journal]
            if (!line.endsWith(u']') || name.compare(kSection, Qt::CaseInsensitive) != 0)
                throw fault(
                    n,
                    QStringLiteral("section inconnue « %1 » (la seule section connue est [%2]).").arg(line, kSection));
            inSection = true;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            throw fault(n, QStringLiteral("ligne illisible « %1 » (attendu : clé=valeur, clés connues : %2).")
                               .arg(line, knownList(kKeys)));
        const QString key = line.left(equals).trimmed().toLower();
        const QString value = valueText(line.mid(equals + 1));
        if (!kKeys.contains(key))
            throw fault(n, QStringLiteral("clé inconnue « %1 » (clés connues : %2).")
                               .arg(line.left(equals).trimmed(), knownList(kKeys)));
        if (!inSection)
            throw fault(n, QStringLiteral("la clé « %1 » est hors de la section [%2].").arg(key, kSection));
        if (key == QLatin1String("engine")) {
            const QString engine = value.toLower();
            if (engine == QLatin1String("postgresql") || engine == QLatin1String("postgres"))
                s.engine = Engine::PostgreSQL;
            else if (engine == QLatin1String("sqlite"))
                s.engine = Engine::SQLite;
            else if (engine.isEmpty())
                throw fault(
                    n, QStringLiteral("aucun moteur de journal donné (moteurs connus : %1).").arg(knownList(kEngines)));
            else
                throw fault(n, QStringLiteral("moteur de journal inconnu « %1 » (moteurs connus : %2).")
                                   .arg(value, knownList(kEngines)));
            engineSeen = true;
        } else if (key == QLatin1String("service")) {
            s.service = value;
        } else if (key == QLatin1String("database")) {
            s.database = value;
        } else {
            s.sqlitePath = value;
        }
    }
    // a file that says nothing (or only comments) is a file someone meant to fill
    if (!engineSeen)
        throw Error(QStringLiteral("Le fichier de réglages du journal « %1 » ne dit pas quel moteur employer "
                                   "(section [%2], clé engine : %3).")
                        .arg(path, kSection, knownList(kEngines)));
    return s;
}

void Settings::saveFile(const QString& path) const
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QString text = QStringLiteral("[%1]\n").arg(kSection);
    text += QStringLiteral("engine=%1\n").arg(engine == Engine::PostgreSQL ? kEngines[1] : kEngines[0]);
    text += QStringLiteral("service=%1\n").arg(writtenValue(service));
    text += QStringLiteral("database=%1\n").arg(writtenValue(database));
    if (!sqlitePath.isEmpty())
        text += QStringLiteral("file=%1\n").arg(writtenValue(sqlitePath));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        throw Error(QStringLiteral("Impossible d'écrire le fichier de réglages du journal « %1 » : %2")
                        .arg(path, file.errorString()));
}

QString Settings::engineName() const
{
    return engine == Engine::PostgreSQL ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite");
}

QString Settings::sourceText() const
{
    if (!source.isEmpty())
        return source;
    return QStringLiteral("aucun (ni %1 ni %2) : journal SQLite du dossier des données")
        .arg(QDir::toNativeSeparators(defaultPath()), systemPaths().join(QLatin1String(", ")));
}

QString journalFolder()
{
    const QString dir = DataFolder::path(QStringLiteral("Journal"));
    QDir().mkpath(dir);
    return dir;
}

} // namespace pelorin::journal
