#include "base/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>

namespace pelorin {

namespace {

QString g_root;
QString g_shared;

// What the installed copy serves to every user instead of copying it into each home, so that an
// upgrade reaches them: the guide and the label pages. A user's own edited copy comes first.
bool servedFromInstall(const QString& relative)
{
    QString first = relative;
    first.replace(u'\\', u'/');
    first = first.section(u'/', 0, 0, QString::SectionSkipEmpty);
    return first.compare(QLatin1String("Help"), Qt::CaseInsensitive) == 0 ||
           first.compare(QLatin1String("Modeles"), Qt::CaseInsensitive) == 0;
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

QString DataFolder::locate(const QString& explicitDir)
{
    return locate(explicitDir, executableFolder());
}

QString DataFolder::locate(const QString& explicitDir, const QString& exe)
{
    QString chosen;
    g_shared.clear();
    if (!explicitDir.isEmpty()) {
        // a folder named on the command line is what the operator asked for, even beside a portable copy
        chosen = explicitDir;
    } else if (QFileInfo::exists(resolvePath(exe, QStringLiteral("Config/cfg.xml")))) {
        chosen = exe;
    } else if (!qEnvironmentVariableIsEmpty("PELORIN_DATA")) {
        chosen = qEnvironmentVariable("PELORIN_DATA");
    } else {
        QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
        if (xdg.isEmpty())
            xdg = QDir::homePath() + QStringLiteral("/.local/share");
        chosen = xdg + QStringLiteral("/pelorin");
        const QString seed = installedDataFolder(exe);
        if (!seed.isEmpty()) {
            if (!QFileInfo::exists(resolvePath(chosen, QStringLiteral("Config/cfg.xml"))))
                copyTree(seed, chosen, true);
            g_shared = QDir(seed).absolutePath();
        }
    }
    setRoot(chosen);
    return root();
}

void DataFolder::setRoot(const QString& dir)
{
    g_root = QDir(dir).absolutePath();
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
    if (!g_shared.isEmpty() && !QFileInfo::exists(own) && servedFromInstall(relative)) {
        const QString installed = resolvePath(g_shared, relative);
        if (QFileInfo::exists(installed))
            return installed;
    }
    return own;
}

QString DataFolder::installed()
{
    return g_shared;
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
