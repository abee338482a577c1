#include "base/paths.h"

#include "base/error.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <cstdio>
#include <unistd.h>

namespace pelorin {

namespace {

QString g_root;
QString g_installed;
// the shared folder as configured, the folder actually read for it (itself or its copy), and whether
// that is the copy
QString g_sharedConfigured;
QString g_sharedRead;
bool g_onCopy = false;
QString g_notice;

const QString kSystemSection = QStringLiteral("data");
const QStringList kSystemKeys = {QStringLiteral("shared")};
// what the copy of the shared folder holds: the lists, the pages, the logos
const QStringList kSharedParts = {QStringLiteral("Config/cfg.xml"), QStringLiteral("Modeles"), QStringLiteral("logos")};
// the copy names the folder it was taken from in this file; its date is the copy's
const QString kCopyStamp = QStringLiteral(".dossier-partage");

QString firstComponent(const QString& relative)
{
    QString first = relative;
    first.replace(u'\\', u'/');
    return first.section(u'/', 0, 0, QString::SectionSkipEmpty);
}

bool isPart(const QString& relative, const char* name)
{
    return firstComponent(relative).compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

// What the installed copy serves to every user instead of copying it into each home, so that an
// upgrade reaches them: the guide and the label pages. A user's own edited copy comes first.
bool servedFromInstall(const QString& relative)
{
    return isPart(relative, "Help") || isPart(relative, "Modeles");
}

QString executableFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

bool copyTree(const QString& from, const QString& to, bool top = false)
{
    QDir src(from);
    if (!src.exists() || !QDir().mkpath(to))
        return false;
    bool ok = true;
    const auto entries = src.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& e : entries) {
        const QString target = to + u'/' + e.fileName();
        // the installed folder's guide, pages and setup script stay where they are installed
        if (top && (servedFromInstall(e.fileName()) || e.suffix() == QLatin1String("sql")))
            continue;
        if (e.isDir())
            ok = copyTree(e.absoluteFilePath(), target) && ok;
        else if (!QFileInfo::exists(target))
            ok = QFile::copy(e.absoluteFilePath(), target) && ok;
    }
    return ok;
}

// A value as written by hand: quotes around it are taken off (with their \" and \\ inside), and an
// unquoted value ends at a ";" comment.
QString iniValue(QString value)
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

QString cacheFolder()
{
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty())
        cache = QDir::homePath() + QStringLiteral("/.cache");
    return cache + QStringLiteral("/pelorin/shared");
}

bool readable(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly);
}

// A file replaced whole or not at all, its date kept, so that the next start copies only what changed.
bool mirrorFile(const QFileInfo& from, const QString& to)
{
    const QFileInfo existing(to);
    if (existing.isFile() && existing.size() == from.size() && existing.lastModified() == from.lastModified())
        return true;
    const QString part = to + QStringLiteral(".%1.part").arg(QCoreApplication::applicationPid());
    QFile::remove(part);
    if (!QFile::copy(from.absoluteFilePath(), part))
        return false;
    // a share mounted for reading hands its files over read-only: the copy must be replaceable
    QFile::setPermissions(part, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                    QFileDevice::ReadOther);
    QFile copy(part);
    if (copy.open(QIODevice::Append))
        copy.setFileTime(from.lastModified(), QFileDevice::FileModificationTime);
    copy.close();
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(to).constData()) != 0) {
        QFile::remove(part);
        return false;
    }
    return true;
}

// `to` made to hold what `from` holds, what `from` no longer has removed.
bool mirrorTree(const QString& from, const QString& to)
{
    const QFileInfo source(from);
    if (source.isFile()) {
        QDir().mkpath(QFileInfo(to).absolutePath());
        return mirrorFile(source, to);
    }
    if (!source.isDir() || !QDir().mkpath(to))
        return false;
    bool ok = true;
    QStringList kept;
    const auto entries = QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& e : entries) {
        kept << e.fileName();
        ok = mirrorTree(e.absoluteFilePath(), to + u'/' + e.fileName()) && ok;
    }
    const auto copied = QDir(to).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& e : copied)
        if (!kept.contains(e.fileName()))
            e.isDir() ? QDir(e.absoluteFilePath()).removeRecursively() : QFile::remove(e.absoluteFilePath());
    return ok;
}

// Keeps the copy of the shared folder that a start will read when the folder does not answer.
void keepCopy(const QString& shared)
{
    const QString copy = cacheFolder();
    bool ok = true;
    for (const QString& part : kSharedParts) {
        const QString from = resolvePath(shared, part);
        if (QFileInfo::exists(from))
            ok = mirrorTree(from, copy + u'/' + QDir(shared).relativeFilePath(from)) && ok;
    }
    // a copy left half made keeps its older date, and says so
    if (!ok)
        return;
    QSaveFile stamp(copy + u'/' + kCopyStamp);
    if (stamp.open(QIODevice::WriteOnly)) {
        stamp.write(QDir(shared).absolutePath().toUtf8() + '\n');
        stamp.commit();
    }
}

// The copy of `shared` kept by an earlier start, and its date; empty when there is none of that folder.
QString keptCopy(const QString& shared, QDateTime& date)
{
    const QString copy = cacheFolder();
    QFile stamp(copy + u'/' + kCopyStamp);
    if (!stamp.open(QIODevice::ReadOnly) ||
        QString::fromUtf8(stamp.readAll()).trimmed() != QDir(shared).absolutePath() ||
        !QFileInfo::exists(resolvePath(copy, QStringLiteral("Config/cfg.xml"))))
        return QString();
    date = QFileInfo(stamp).lastModified();
    return copy;
}

void chooseShared(const QString& shared, DataFolder::Access access)
{
    g_sharedConfigured = QDir(shared).absolutePath();
    // an unmounted share is an empty folder: the folder answers when its lists can be read
    if (readable(resolvePath(shared, QStringLiteral("Config/cfg.xml")))) {
        g_sharedRead = g_sharedConfigured;
        if (access == DataFolder::Access::Start)
            keepCopy(g_sharedConfigured);
        return;
    }
    QDateTime date;
    g_sharedRead = keptCopy(g_sharedConfigured, date);
    g_onCopy = !g_sharedRead.isEmpty();
    const QString where = QDir::toNativeSeparators(g_sharedConfigured);
    if (g_onCopy)
        g_notice = QStringLiteral("Le dossier partagé « %1 » est injoignable : les listes, les pages d'étiquettes et "
                                  "les logos sont ceux de la dernière copie gardée sur ce poste, du %2 (%3). Les "
                                  "listes ne peuvent pas être modifiées tant que le dossier ne répond pas.")
                       .arg(where, date.toString(QStringLiteral("dd/MM/yyyy à HH:mm")),
                            QDir::toNativeSeparators(g_sharedRead));
    else
        g_notice = QStringLiteral("Le dossier partagé « %1 » est injoignable et ce poste n'en a gardé aucune copie : "
                                  "les listes, les pages d'étiquettes et les logos sont ceux du dossier « %2 ».")
                       .arg(where, QDir::toNativeSeparators(g_root));
}

bool grantsWriting(const QString& path)
{
    // the mode's own bits: Qt's "user" bits say what access() says, which lets the administrator write
    const QFileDevice::Permissions writing =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return (QFileInfo(path).permissions() & writing) && ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

} // namespace

QString installedDataFolder()
{
    return installedDataFolder(executableFolder());
}

QString installedDataFolder(const QString& exe)
{
    const QStringList candidates = {exe + QStringLiteral("/../share/pelorin"),
                                    QStringLiteral("/usr/local/share/pelorin"), QStringLiteral("/usr/share/pelorin"),
                                    exe};
    for (const QString& c : candidates)
        if (QFileInfo::exists(resolvePath(c, QStringLiteral("Config/cfg.xml"))))
            return QDir(c).absolutePath();
    return QString();
}

QString DataFolder::locate(const QString& explicitDir, Access access)
{
    return locate(explicitDir, executableFolder(), access);
}

QString DataFolder::locate(const QString& explicitDir, const QString& exe, Access access)
{
    QString chosen;
    g_installed.clear();
    bool named = false;
    if (!explicitDir.isEmpty()) {
        // a folder named on the command line is what the operator asked for, even beside a portable copy
        chosen = explicitDir;
        named = true;
    } else if (QFileInfo::exists(resolvePath(exe, QStringLiteral("Config/cfg.xml")))) {
        chosen = exe;
    } else if (!qEnvironmentVariableIsEmpty("PELORIN_DATA")) {
        chosen = qEnvironmentVariable("PELORIN_DATA");
        named = true;
    } else {
        QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
        if (xdg.isEmpty())
            xdg = QDir::homePath() + QStringLiteral("/.local/share");
        chosen = xdg + QStringLiteral("/pelorin");
        const QString seed = installedDataFolder(exe);
        if (!seed.isEmpty()) {
            if (!QFileInfo::exists(resolvePath(chosen, QStringLiteral("Config/cfg.xml")))) {
                // a look writes nothing: it reads the installed copy a start would have seeded from
                if (access == Access::Start)
                    copyTree(seed, chosen, true);
                else
                    chosen = seed;
            }
            g_installed = QDir(seed).absolutePath();
        }
    }
    setRoot(chosen);
    // a folder named for this run is complete: it is what the operator asked to work on
    if (!named) {
        const SystemSettings system = SystemSettings::load();
        if (!system.sharedFolder.isEmpty())
            chooseShared(system.sharedFolder, access);
    }
    return root();
}

void DataFolder::setRoot(const QString& dir)
{
    g_root = QDir(dir).absolutePath();
    g_sharedConfigured.clear();
    g_sharedRead.clear();
    g_onCopy = false;
    g_notice.clear();
}

QString DataFolder::root()
{
    if (g_root.isEmpty())
        g_root = executableFolder();
    return g_root;
}

QString DataFolder::path(const QString& relative)
{
    const QString own = resolvePath(root(), relative);
    // the logos go with the shared lists that name them
    if (!g_sharedRead.isEmpty() && isPart(relative, "logos")) {
        const QString shared = resolvePath(g_sharedRead, relative);
        if (QFileInfo::exists(shared))
            return shared;
    }
    if (QFileInfo::exists(own) || !servedFromInstall(relative))
        return own;
    // a page the user saved comes first, then the shared pages, then the installed ones
    if (!g_sharedRead.isEmpty() && isPart(relative, "Modeles")) {
        const QString shared = resolvePath(g_sharedRead, relative);
        if (QFileInfo::exists(shared))
            return shared;
    }
    if (!g_installed.isEmpty()) {
        const QString installed = resolvePath(g_installed, relative);
        if (QFileInfo::exists(installed))
            return installed;
    }
    return own;
}

QString DataFolder::installed()
{
    return g_installed;
}

QString DataFolder::shared()
{
    return g_sharedRead;
}

QString DataFolder::sharedConfigured()
{
    return g_sharedConfigured;
}

QString DataFolder::listsPath()
{
    return g_sharedRead.isEmpty() ? QString() : resolvePath(g_sharedRead, QStringLiteral("Config/cfg.xml"));
}

QString DataFolder::listsRefusal()
{
    if (g_sharedConfigured.isEmpty())
        return QString();
    const QString where = QDir::toNativeSeparators(g_sharedConfigured);
    const QString file = resolvePath(g_sharedConfigured, QStringLiteral("Config/cfg.xml"));
    if (g_onCopy || g_sharedRead.isEmpty() || !QFileInfo::exists(file))
        return QStringLiteral("Le dossier partagé « %1 » est injoignable : les listes ne peuvent pas être modifiées "
                              "tant qu'il ne répond pas. Elles restent telles qu'elles étaient.")
            .arg(where);
    if (!mayWrite(QFileInfo(file).absolutePath(), file))
        return QStringLiteral("Les listes sont celles du dossier partagé « %1 », où ce compte n'a pas le droit "
                              "d'écrire : la modification est refusée et les listes restent telles qu'elles "
                              "étaient. Elle se fait depuis un compte qui peut écrire dans ce dossier.")
            .arg(where);
    return QString();
}

QString DataFolder::sharedNotice()
{
    return g_notice;
}

QStringList DataFolder::modelFolders()
{
    QStringList folders;
    for (const QString& base : {root(), g_sharedRead, g_installed}) {
        if (base.isEmpty())
            continue;
        const QString dir = QFileInfo(resolvePath(base, QStringLiteral("Modeles"))).absoluteFilePath();
        if (QFileInfo(dir).isDir() && !folders.contains(dir))
            folders << dir;
    }
    return folders;
}

QString DataFolder::modelSavePath(const QString& proposed)
{
    const QFileInfo given(proposed);
    const bool folderOnly = given.isDir();
    const QString dir = folderOnly ? given.absoluteFilePath() : given.absolutePath();
    if (mayWrite(dir, folderOnly ? QString() : given.absoluteFilePath()))
        return proposed;
    QString own = resolvePath(root(), QStringLiteral("Modeles"));
    if (!QDir().mkpath(own) || !mayWrite(own))
        own = QDir::homePath();
    return folderOnly ? own : QDir(own).filePath(given.fileName());
}

bool mayWrite(const QString& dir, const QString& file)
{
    // a folder still to be made is made in the nearest one that exists
    QString existing = QDir(dir).absolutePath();
    while (!QFileInfo::exists(existing) && QFileInfo(existing).absolutePath() != existing)
        existing = QFileInfo(existing).absolutePath();
    if (!QFileInfo(existing).isDir() || !grantsWriting(existing))
        return false;
    return file.isEmpty() || !QFileInfo::exists(file) || grantsWriting(file);
}

QStringList SystemSettings::systemPaths()
{
    QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (dirs.trimmed().isEmpty())
        dirs = QStringLiteral("/etc/xdg");
    QStringList paths;
    for (const QString& dir : dirs.split(u':', Qt::SkipEmptyParts))
        paths << QDir::cleanPath(dir + QStringLiteral("/pelorin/pelorin.ini"));
    return paths;
}

SystemSettings SystemSettings::load()
{
    for (const QString& path : systemPaths())
        if (QFileInfo::exists(path))
            return loadFile(path);
    return SystemSettings();
}

SystemSettings SystemSettings::loadFile(const QString& path)
{
    SystemSettings s;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(
            QStringLiteral("Le fichier de réglages du poste « %1 » est illisible : %2").arg(path, file.errorString()));
    s.source = QFileInfo(path).absoluteFilePath();
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    const auto fault = [&](qsizetype line, const QString& what) {
        return Error(
            QStringLiteral("Le fichier de réglages du poste « %1 », ligne %2 : %3").arg(path).arg(line + 1).arg(what));
    };
    const QString known = kSystemKeys.join(QLatin1String(", "));
    bool inSection = false;
    bool sharedSeen = false;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            const QString name = line.endsWith(u']') ? line.mid(1, line.size() - 2).trimmed() : line.mid(1);
            if (!line.endsWith(u']') || name.compare(kSystemSection, Qt::CaseInsensitive) != 0)
                throw fault(n, QStringLiteral("section inconnue « %1 » (la seule section connue est [%2]).")
                                   .arg(line, kSystemSection));
            inSection = true;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            throw fault(
                n,
                QStringLiteral("ligne illisible « %1 » (attendu : clé=valeur, clés connues : %2).").arg(line, known));
        const QString key = line.left(equals).trimmed().toLower();
        const QString value = iniValue(line.mid(equals + 1));
        if (!kSystemKeys.contains(key))
            throw fault(
                n, QStringLiteral("clé inconnue « %1 » (clés connues : %2).").arg(line.left(equals).trimmed(), known));
        if (!inSection)
            throw fault(n, QStringLiteral("la clé « %1 » est hors de la section [%2].").arg(key, kSystemSection));
        if (value.isEmpty())
            throw fault(n, QStringLiteral("aucun dossier partagé donné (attendu : shared=/chemin/du/dossier)."));
        if (QDir::isRelativePath(value))
            throw fault(n, QStringLiteral("le dossier partagé « %1 » n'est pas un chemin absolu (par exemple "
                                          "/srv/pelorin).")
                               .arg(value));
        s.sharedFolder = QDir::cleanPath(value);
        sharedSeen = true;
    }
    // a file that says nothing (or only comments) is a file someone meant to fill
    if (!sharedSeen)
        throw Error(QStringLiteral("Le fichier de réglages du poste « %1 » ne nomme aucun dossier partagé "
                                   "(section [%2], clé shared).")
                        .arg(path, kSystemSection));
    return s;
}

QString resolvePath(const QString& base, const QString& relative)
{
    QString rel = relative;
    rel.replace(u'\\', u'/');
    QString current = base;
    while (current.size() > 1 && current.endsWith(u'/'))
        current.chop(1);
    const QStringList parts = rel.split(u'/', Qt::SkipEmptyParts);
    bool exists = QFileInfo::exists(current);
    for (const QString& part : parts) {
        const QString exact = current + u'/' + part;
        if (!exists || QFileInfo::exists(exact) || part == QLatin1String(".") || part == QLatin1String("..")) {
            current = exact;
            exists = exists && QFileInfo::exists(exact);
            continue;
        }
        QString found;
        QDirIterator it(current, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
        while (it.hasNext()) {
            it.next();
            if (it.fileName().compare(part, Qt::CaseInsensitive) == 0) {
                found = it.fileName();
                break;
            }
        }
        if (found.isEmpty()) {
            current = exact;
            exists = false;
        } else {
            current = current + u'/' + found;
        }
    }
    if (rel.endsWith(u'/'))
        current += u'/';
    return current;
}

} // namespace pelorin
