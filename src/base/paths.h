#pragma once
#include <QString>

// Where the program's files live, and how stored names are turned into paths.
//
// Every path is the data folder followed by a relative path as the Windows program stored it
// ("Config\cfg.xml", "Logos\Anzin.bmp"): a backslash separates folders, and a component whose exact
// name does not exist matches one that differs only by letter case, so a data folder copied from
// Windows loads unchanged.
namespace pelorin {

class DataFolder
{
public:
    // Chooses the data folder:
    //  1. `explicitDir` (the --data option) when given;
    //  2. the executable's own folder when it holds Config/cfg.xml (portable, as on Windows);
    //     otherwise the environment variable PELORIN_DATA;
    //  3. otherwise $XDG_DATA_HOME/pelorin (~/.local/share/pelorin), seeded on first use from the
    //     installed copy of the data folder, except its Help/ and Modeles/: those are read from the
    //     installed copy whenever the user's folder has no file of that name, so that an upgrade
    //     reaches every user while a page the user edited and saved keeps coming first.
    // The result is also made the folder in force.
    static QString locate(const QString& explicitDir = QString());
    // The same choice for a program whose executable lies in `executableDir`.
    static QString locate(const QString& explicitDir, const QString& executableDir);

    static void setRoot(const QString& dir);
    // The folder in force, without a trailing separator.
    static QString root();

    // The full path of a stored relative path under the folder in force (or, for Help/ and Modeles/,
    // under the installed copy when the folder in force has no such file).
    static QString path(const QString& relative);
    // The installed copy that serves Help/ and Modeles/; empty when the folder in force is complete
    // (given with --data, portable, or PELORIN_DATA).
    static QString installed();
};

// `relative` (backslashes or slashes) under `base`, each component matched without regard to
// letter case when the exact name does not exist. Components that exist in no spelling are kept
// as written, so the result names the file to create.
QString resolvePath(const QString& base, const QString& relative);

// The installed copy of the data folder that seeds a new user folder, or an empty string.
QString installedDataFolder();
QString installedDataFolder(const QString& executableDir);

} // namespace pelorin
