#pragma once
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariantList>
#include <functional>
#include <optional>

#include "journal/columns.h"
#include "journal/entry.h"

// Searches of the journal. Every filter is a bound value, never SQL text: quotes, "%", "_" and
// backslashes in a filter are searched for as they are.
namespace pelorin::journal {

class Database;

struct Filter
{
    QString code;   // part of the code, letter case significant
    QString system; // the field's code (as cut from the code) or its decoded name
    QString perfume;
    QString place;
    QDate productionDate;
    QDateTime from; // inclusive
    QDateTime to;   // exclusive
    QString workstation;
    std::optional<EntryKind> kind;
};

enum class View {
    Entries,           // the entries themselves, newest first
    PrintedNotScanned, // codes printed that no scan ever read, one row per code
    ScannedNotPrinted, // codes scanned that no printed page carried, one row per code
    Reconciliation,    // every code with its labels printed and read, in the order of the codes
};

// An entry as stored, with its position in the store (what the pages continue after).
struct Row
{
    qint64 seq = 0;
    Entry entry;
};

// A code of a reconciliation view: how many entries, the first and last time, and the decoded
// texts of its latest entry.
struct CodeRow
{
    QString code;
    qint64 count = 0;
    QDateTime first;
    QDateTime last;
    Decoded decoded;
};

// Labels printed against labels read, for one code: the prints' labels (every copy, PDF exports
// left out) and the valid reads (misreads left out), and what lies between them both ways.
struct ReconcileRow
{
    QString code;
    qint64 printed = 0;
    qint64 scanned = 0;
    qint64 missing() const { return printed > scanned ? printed - scanned : 0; }    // printed, never read
    qint64 unexpected() const { return scanned > printed ? scanned - printed : 0; } // read, never printed
};

// The labels of many codes: each code's differences summed, so that labels missing of one code are
// not made up by labels of another read too many.
struct ReconcileTotals
{
    qint64 printed = 0;
    qint64 scanned = 0;
    qint64 missing = 0;
    qint64 unexpected = 0;
    qint64 codes = 0;

    void add(const ReconcileRow& r)
    {
        printed += r.printed;
        scanned += r.scanned;
        missing += r.missing();
        unexpected += r.unexpected();
        ++codes;
    }
};

class Search
{
public:
    Search(Database& db, const Filter& filter);
    const Filter& filter() const { return m_filter; }

    // Up to `limit` entries, newest first, after `after` (the last row of the previous page), or
    // from the newest when null.
    QList<Row> entries(int limit, const Row* after = nullptr);
    // How the store reads the first page of entries: the lines of SQLite's EXPLAIN QUERY PLAN or of
    // PostgreSQL's EXPLAIN, which name the indexes it uses.
    QStringList entriesPlan(int limit);
    qint64 countEntries();
    // Every matching entry, newest first, handed one by one (for exports): nothing is held.
    void forEachEntry(const std::function<void(const Row&)>& visit);

    // A reconciliation view, most recent code first.
    QList<CodeRow> codes(View view, int limit, qint64 offset = 0);
    qint64 countCodes(View view);
    void forEachCode(View view, const std::function<void(const CodeRow&)>& visit);

    // Every code the filter selects (whatever its kind filter) with its labels printed and read, in
    // the order of the codes, handed one by one.
    void forEachReconciled(const std::function<void(const ReconcileRow&)>& visit);
    // Up to `limit` of them, after the code `after` (from the first when empty), as the window pages.
    QList<ReconcileRow> reconciled(int limit, const QString& after = QString());
    // The sums over every code the filter selects.
    ReconcileTotals reconciledTotals();

private:
    QString where(const QString& alias, QVariantList& values) const;
    QString entriesSql(int limit, const Row* after, QVariantList& values) const;
    QString codesSql(View view, QVariantList& values) const;
    QString reconciledSql(QVariantList& values, const QString& after) const;

    Database& m_db;
    Filter m_filter;
};

// Local time, as shown.
QString shownTime(const QDateTime& utc);

} // namespace pelorin::journal
