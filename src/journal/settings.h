#pragma once
#include <QString>

// Where the journal is kept, read from its own small file `Config/journal.ini` (cfg.xml stays the
// Windows program's file):
//
//   [journal]
//   engine=sqlite            (the default: Journal/journal.sqlite in the data folder)
//   engine=postgresql
//   service=pelorin          (a libpq service of pg_service.conf; empty: the PGSERVICE variable)
//   database=                (optional: the database, when the service names none or another)
//
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

    // The settings file of the data folder in force; the defaults when it is missing. Error with a
    // French message when the file names an unknown engine.
    static Settings load();
    static Settings loadFile(const QString& path);
    void saveFile(const QString& path) const;
    static QString defaultPath();
};

// The data folder's journal folder (Journal/), created when missing.
QString journalFolder();

} // namespace pelorin::journal
