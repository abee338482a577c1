#pragma once
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "journal/columns.h"
#include "journal/export.h"
#include "journal/search.h"

class QTextStream;

// The recall report: everything the journal knows of a code, or of a part of one such as a lot.
// Every sheet that carried it (when, where, who, on which printer, from which page description,
// which labels and how many), every read of it (when, where, from which source), and the labels
// printed against the labels read for each code. To the screen, CSV, JSON and paper.
namespace pelorin::journal {

class Database;

class Recall
{
public:
    // `base`: the window's other filters, if any; `text` is sought in the codes.
    Recall(Database& db, const QString& text, Filter base = {});

    const QString& text() const { return m_text; }
    const Filter& filter() const { return m_filter; }

    // The columns of the prints' and the reads' tables: their headers and their JSON keys.
    static QStringList printHeaders();
    static QStringList scanHeaders();
    static QStringList printKeys();
    static QStringList scanKeys();
    static QStringList totalHeaders();
    // The JSON keys of the totals, those of `journal --reconcile`.
    static QStringList totalKeys();

    static QStringList printCells(const Entry& e, Reader reader);
    static QStringList scanCells(const Entry& e, Reader reader);
    static QJsonObject printJson(const Entry& e);
    static QJsonObject scanJson(const Entry& e);
    static QStringList totalCells(const ReconcileRow& r);
    static QJsonObject totalJson(const ReconcileRow& r);
    // The sum's row: "Total" and the four counts.
    static QStringList sumCells(const ReconcileTotals& t);
    static QJsonObject sumJson(const ReconcileTotals& t);

    // Newest first, as every listing of the journal.
    void forEachPrint(const std::function<void(const Entry&)>& visit);
    void forEachScan(const std::function<void(const Entry&)>& visit);
    // One row per code, in the order of the codes; their sum is returned.
    ReconcileTotals forEachTotal(const std::function<void(const ReconcileRow&)>& visit);

private:
    void forEachOfKind(EntryKind kind, const std::function<void(const Entry&)>& visit);

    Database& m_db;
    QString m_text;
    Filter m_filter;
};

enum class TextShape { Tsv, Csv, Json };

// The report to a stream, each row written as it is read. TSV and CSV: three tables, one after the
// other, separated by a blank line (the prints, the reads, the totals); JSON: one object with the
// text sought, the time of the report, the prints, the reads, the totals per code and their sum.
void writeRecall(Recall& recall, TextShape shape, QTextStream& out, const QDateTime& madeAt);
// The same as a CSV file for a spreadsheet, written whole or not at all.
void exportRecallCsv(Recall& recall, const QString& path, CsvEncoding encoding, const QDateTime& madeAt);
// The report on paper. Error with the reason.
void exportRecallPdf(Recall& recall, const QString& path, const QDateTime& madeAt);

} // namespace pelorin::journal
