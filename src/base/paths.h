#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>

// Where the program's files live, and how stored names are turned into paths.
//
// Every path is the data folder followed by a relative path as the Windows program stored it
// ("Config\cfg.xml", "Logos\Anzin.bmp"): a backslash separates folders, and a component whose exact
// name does not exist matches one that differs only by letter case, so a data folder copied from
// Windows loads unchanged.
namespace pelorin {

// The workstation's own settings, `pelorin/pelorin.ini` in the system configuration folders
// ($XDG_CONFIG_DIRS, /etc/xdg by default; the first folder that holds one is the one read):
//
//   [data]
//   shared=/srv/pelorin      (the folder every workstation reads its reference lists, label pages and
//                             logos from: a local folder or a mounted share, named by an absolute path)
//
// As for the journal's settings, a section, key or value the program does not know is an error naming
// the file, the line and the words it knows: a misspelt word must never leave a workstation on its own
// lists unnoticed.
struct SystemSettings
{
    QString sharedFolder;
    // The file these settings were read from; empty when there was none.
    QString source;

    static SystemSettings load();
    static SystemSettings loadFile(const QString& path);
    // pelorin/pelorin.ini in each system configuration folder, the first one read first.
    static QStringList systemPaths();
};

class DataFolder
{
public:
    // Whether choosing the folder may write: a start seeds a new user folder and keeps the copy of the
    // shared folder; a look (the shell's completion) writes nothing anywhere.
    enum class Access { Start, Look };

    // Chooses the data folder:
    //  1. `explicitDir` (the --data option) when given;
    //  2. the executable's own folder when it holds Config/cfg.xml (portable, as on Windows);
    //     otherwise the environment variable PELORIN_DATA;
    //  3. otherwise $XDG_DATA_HOME/pelorin (~/.local/share/pelorin), seeded on first use from the
    //     installed copy of the data folder, except its Help/ and Modeles/: those are read from the
    //     installed copy whenever the user's folder has no file of that name, so that an upgrade
    //     reaches every user while a page the user edited and saved keeps coming first.
    // Unless the folder was named (--data, PELORIN_DATA), the shared folder of pelorin.ini serves the
    // reference lists (its Config/cfg.xml), the label pages and the logos; the operator's own settings
    // stay in the folder chosen above. A start whose shared folder answers keeps a copy of those under
    // $XDG_CACHE_HOME/pelorin/shared; a start whose shared folder does not answer reads that copy and
    // sharedNotice() says so.
    // The result is also made the folder in force. Error when pelorin.ini cannot be read or holds a
    // word the program does not know.
    static QString locate(const QString& explicitDir = QString(), Access access = Access::Start);
    // The same choice for a program whose executable lies in `executableDir`.
    static QString locate(const QString& explicitDir, const QString& executableDir, Access access = Access::Start);

    static void setRoot(const QString& dir);
    // The folder in force, without a trailing separator.
    static QString root();

    // The full path of a stored relative path under the folder in force (or, for Help/ and Modeles/,
    // under the installed copy when the folder in force has no such file).
    static QString path(const QString& relative);
    // The installed copy that serves Help/ and Modeles/; empty when the folder in force is complete
    // (given with --data, portable, or PELORIN_DATA).
    static QString installed();

    // The folder the reference lists, the label pages and the logos are read from: the shared folder,
    // or its last good copy when it does not answer; empty when there is no shared folder in force.
    static QString shared();
    // The shared folder as pelorin.ini names it, answering or not; empty when there is none.
    static QString sharedConfigured();
    // The shared lists' cfg.xml; empty when the lists are those of the user's own cfg.xml.
    static QString listsPath();
    // Why the shared lists may not be written now (the folder does not answer, or this account may
    // not write there), as the sentence to show; empty when they may be, or when there are none.
    static QString listsRefusal();
    // What the operator must be told at start: the shared folder does not answer and the copy (of
    // which date) or the user's own lists are in use; empty when all is well.
    static QString sharedNotice();

    // The label page folders, first read first: the user's own, the shared one, the installed one
    // (those that exist).
    static QStringList modelFolders();
    // Where saving the page `proposed` should start: `proposed` itself when its folder may be written,
    // otherwise the same file name in the user's own models folder (created), so that a page opened
    // from the installed or a read-only shared folder can always be saved.
    static QString modelSavePath(const QString& proposed);
};

// Whether this account may write in `dir` (and over `file` in it when it exists). A folder or file
// that grants writing to nobody counts as read-only even for the administrator.
bool mayWrite(const QString& dir, const QString& file = QString());

// `relative` (backslashes or slashes) under `base`, each component matched without regard to
// letter case when the exact name does not exist. Components that exist in no spelling are kept
// as written, so the result names the file to create.
QString resolvePath(const QString& base, const QString& relative);

// The installed copy of the data folder that seeds a new user folder, or an empty string.
QString installedDataFolder();
QString installedDataFolder(const QString& executableDir);

} // namespace pelorin
