#pragma once
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <span>

#include "journal/entry.h"
#include "journal/settings.h"

// The journal's columns, once. Each row of the table says how a field of an entry is stored (its
// name and type on each engine, the schema version that added it), shown (its header in the window,
// the CSV and the TSV, whether the PDF has room for it), named in JSON, and how the entry gives and
// takes its value. The schema, its migrations, the statements that write and read entries, the
// window's columns and every export are made from this table, so that a new field is one row here
// (and the schema version that adds it).
namespace pelorin::journal {

struct CodeRow;

// Who reads a cell. A person (the window, the TSV, the PDF) reads local times and dates as the
// decoding wrote them; a program (CSV, JSON) reads ISO 8601, times in UTC with their Z, the same
// bytes whatever the regional settings of the machine that wrote them.
enum class Reader { Person, Program };

// The production day of a code as programs read it: "2006-12-05" where the code's date field is a
// day, else the decoded text as it is (empty, "Erreur").
QString programDate(const QString& code, const QString& decodedDate);

struct Column
{
    enum Use : unsigned {
        Shown = 1,           // a column of the window, the CSV and the TSV, under `header`
        OnPaper = 2,         // and of the PDF export of the entries
        Decoded = 4,         // one of the code's decoded texts, which the reconciliation views carry too
        DecodedOnPaper = 8,  // and show on paper
        Derived = 16,        // cut from the code for the searches: written with the entry, never read back
        Time = 32,           // a moment, read back from the store as UTC text
        JsonWhenSet = 64,    // left out of the JSON where empty (a key only some kinds have)
        OneOfTheKinds = 128, // holds a kind's store name: the store refuses any other
        AllTexts = 256       // shown, under `header`, only where every text of the labels is asked for
    };

    const char* name; // in the store
    const char* sqliteType;
    const char* postgresType;
    int since; // the schema version that added it
    const char* header;
    const char* json;
    unsigned uses;
    // The value as stored and as written in JSON (a null variant is NULL in the store); and back,
    // from the store or from JSON. A column derived from others has no setter.
    QVariant (*get)(const Entry&);
    void (*set)(Entry&, const QVariant&);
    // The shown text when it is not the stored one.
    QString (*shown)(const Entry&) = nullptr;

    // "name TYPE" as a journal of schema `version` declares it on `engine`.
    QString definition(Engine engine, int version) const;
    QString cell(const Entry& e, Reader reader = Reader::Person) const;
};

// Every column of an entry, in the order the window and the exports show them (and the store keeps
// them); the entry's position `seq` is the store's own and comes before them.
std::span<const Column> entryColumns();

// The columns a journal of schema `version` has; `read`: only those read back into an entry.
QList<const Column*> storedColumns(int version, bool read = false);
// The columns a search reads back into an entry, in this order; the code's decoded texts among them.
const QList<const Column*>& readColumns();
const QList<const Column*>& decodedColumns();

// The columns of an entry as the window, the exports and the command line show them; with
// `allTexts`, the text of every label printed as well.
QStringList entryHeaders(bool allTexts = false);
QStringList entryCells(const Entry& e, Reader reader = Reader::Person, bool allTexts = false);
// An entry as the command line's JSON gives it (Entry::toJson() keeps the stored texts, for the
// outbox): the production day in ISO 8601.
QJsonObject entryJson(const Entry& e);
// The JSON key of each decoded text, in the scan grid's order: the words `decode` uses too.
QStringList decodedJsonKeys();
// The columns shown, in order; and the positions among them of those the PDF shows.
const QList<const Column*>& shownColumns(bool allTexts = false);
QList<int> entryColumnsOnPaper();

// The check that `column` holds one of the kinds a journal of schema `version` knows.
QString kindCheck(const QString& column, int version);
// The table of entries as a journal of schema `version` creates it, under the name `table`.
QString createTableSql(Engine engine, int version, const QString& table);

// The reconciliation views: the code, how many entries, the first and the last time, then the decoded
// texts of its latest entry.
QStringList codeHeaders();
QStringList codeCells(const CodeRow& row, Reader reader = Reader::Person);
QJsonObject codeJson(const CodeRow& row);
QList<int> codeColumnsOnPaper();

} // namespace pelorin::journal
