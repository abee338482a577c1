#pragma once
#include "base/paths.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <utility>

namespace pelorin::test {

// A workstation of a factory whose reference lists live in a shared folder: its own system settings
// folder (XDG_CONFIG_DIRS) with pelorin/pelorin.ini naming `shared/`, its own user folders (data and
// cache), an installed copy beside an executable folder that holds no data, all in one temporary
// folder. The environment and the folder in force are given back at the end.
class SharedWorkstation
{
public:
    SharedWorkstation()
    {
        for (const char* name : {"XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_CACHE_HOME", "PELORIN_DATA"})
            m_saved.append({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
        m_savedRoot = DataFolder::root();
        qputenv("XDG_CONFIG_DIRS", (path("etc") + u':' + path("etc2")).toLocal8Bit());
        qputenv("XDG_DATA_HOME", path("home/data").toLocal8Bit());
        qputenv("XDG_CACHE_HOME", path("home/cache").toLocal8Bit());
        qunsetenv("PELORIN_DATA");
        QDir().mkpath(exe());
        write("share/pelorin/Config/cfg.xml", "<Configuration><Systemes/><Lieux/><Parfums/></Configuration>");
        write("share/pelorin/Modeles/Installee.ETQ", "installed page");
        writeIni("[data]\nshared=" + sharedDir().toUtf8() + "\n");
    }
    ~SharedWorkstation()
    {
        // a test that made folders read-only leaves them removable
        makeWritable(m_dir.path());
        for (const auto& [name, value] : m_saved)
            value ? qputenv(name, *value) : qunsetenv(name);
        DataFolder::setRoot(m_savedRoot);
    }
    SharedWorkstation(const SharedWorkstation&) = delete;
    SharedWorkstation& operator=(const SharedWorkstation&) = delete;

    QString path(const QString& relative) const { return m_dir.path() + u'/' + relative; }
    QString exe() const { return path("bin"); }
    QString sharedDir() const { return path("shared"); }
    QString userDir() const { return path("home/data/pelorin"); }
    QString cacheDir() const { return path("home/cache/pelorin/shared"); }
    QString iniPath() const { return path("etc/pelorin/pelorin.ini"); }

    void write(const QString& relative, const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        QFile f(path(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << qPrintable(relative);
        f.write(bytes);
    }
    QByteArray read(const QString& relative) const
    {
        QFile f(path(relative));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeIni(const QByteArray& bytes) const { write("etc/pelorin/pelorin.ini", bytes); }

    QString locate(DataFolder::Access access = DataFolder::Access::Start) const
    {
        return DataFolder::locate(QString(), exe(), access);
    }

    // The shared folder unplugged (as an unmounted share) and plugged back.
    void unplug() const { ASSERT_TRUE(QDir().rename(sharedDir(), path("unplugged"))); }
    void plugBack() const { ASSERT_TRUE(QDir().rename(path("unplugged"), sharedDir())); }

    // Write permission taken from everyone on `relative` and what it holds, as a share mounted for
    // reading only is seen.
    void makeReadOnly(const QString& relative) const
    {
        const QString p = path(relative);
        if (QFileInfo(p).isDir()) {
            for (const QFileInfo& e : QDir(p).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot))
                makeReadOnly(QDir(m_dir.path()).relativeFilePath(e.absoluteFilePath()));
        }
        QFile::setPermissions(p, QFile::permissions(p) & ~(QFileDevice::WriteOwner | QFileDevice::WriteUser |
                                                           QFileDevice::WriteGroup | QFileDevice::WriteOther));
    }

private:
    static void makeWritable(const QString& p)
    {
        QFile::setPermissions(p, QFile::permissions(p) | QFileDevice::WriteOwner | QFileDevice::WriteUser);
        if (QFileInfo(p).isDir() && !QFileInfo(p).isSymLink())
            for (const QFileInfo& e : QDir(p).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
                makeWritable(e.absoluteFilePath());
    }

    QTemporaryDir m_dir;
    QList<std::pair<const char*, std::optional<QByteArray>>> m_saved;
    QString m_savedRoot;
};

} // namespace pelorin::test
