#pragma once
#include <QString>
#include <QStringList>

// Where the journal is kept, read from a small file of its own (cfg.xml stays the Windows program's
// file): the data folder's `Config/journal.ini` when there is one, otherwise the workstation's
// `pelorin/journal.ini` in the system configuration folders ($XDG_CONFIG_DIRS, /etc/xdg by default),
// so that one file set up by the administrator serves every account:
//
//   [journal]
//   engine=sqlite            (the default: Journal/journal.sqlite in the data folder)
//   engine=postgresql
//   service=pelorin          (a libpq service of pg_service.conf; empty: the PGSERVICE variable)
//   database=                (optional: the database, when the service names none or another)
//   file=                    (optional, SQLite: the journal file)
//
// A section, key or engine the program does not know is an error naming the file and the line: a
// misspelt word must never leave a workstation journalling somewhere nobody looks.
// No password is ever read from or written to this file: libpq takes it from ~/.pgpass.
namespace pelorin::journal {

enum class Engine { SQLite, PostgreSQL };

struct Settings
{
    Engine engine = Engine::SQLite;
    QString service;
    QString database;
    // For SQLite: the journal file; empty for the data folder's Journal/journal.sqlite.
    QString sqlitePath;
    // The file these settings were read from; empty when there was none (the defaults).
    QString source;

    // The settings in force: the data folder's file, else the system one, else the defaults.
    // Error with a French message naming the file and the line of a word it does not know.
    static Settings load();
    static Settings loadFile(const QString& path);
    // Written whole or not at all.
    void saveFile(const QString& path) const;
    // The data folder's Config/journal.ini.
    static QString defaultPath();
    // pelorin/journal.ini in each system configuration folder, the first one read first.
    static QStringList systemPaths();
    // The file that load() reads, or an empty string when none exists.
    static QString pathInForce();

    // "PostgreSQL" or "SQLite".
    QString engineName() const;
    // The file named for the operator: the file, or a sentence saying the defaults are in force.
    QString sourceText() const;
};

// The data folder's journal folder (Journal/), created when missing.
QString journalFolder();

} // namespace pelorin::journal
