#pragma once
#include <QByteArray>
#include <QString>
#include <QJsonObject>
#include <QStringList>

#include "journal/search.h"

class QTextStream;

// What a search shows, written for others: CSV for spreadsheets, tab-separated lines and JSON for
// scripts, PDF for paper.
namespace pelorin::journal {

enum class CsvEncoding {
    Windows1252, // what a spreadsheet of a French Windows opens without asking
    Utf8Bom,     // every character kept; the mark tells the spreadsheet the encoding
    Utf8,        // for scripts (the command line)
};

// One CSV record, the one dialect of every command and export: ","-separated, a cell holding a comma
// or a quote between quotes with its quotes doubled (RFC 4180), CR LF at the end. A record is one
// line: a line break inside a cell is written " / ", as the window shows the soap packaging's two
// lines. A cell a spreadsheet would take for a formula (=, +, -, @ first) is written with a leading
// apostrophe, so a scanned text cannot run one.
QString csvLine(const QStringList& cells);
QByteArray encodeCsv(const QString& text, CsvEncoding encoding);
// One tab-separated line, tabs and line breaks inside a cell written as blanks and " / ".
QString tsvLine(const QStringList& cells);
// A line break inside a cell as one line shows it: " / ".
QString oneLine(QString cell);

// A JSON array written one element at a time, each as soon as it is given, indented as a whole
// document would be: a long listing never sits whole in memory.
class JsonArrayWriter
{
public:
    explicit JsonArrayWriter(QTextStream& out);
    void add(const QJsonObject& object);
    void finish();

private:
    QTextStream& m_out;
    bool m_first = true;
};

// What a filter selects, in words, for the top of a report: "Filtre : code contenant « S25 », ...",
// or "Filtre : aucun (tout le journal)".
QString filterDescription(const Filter& filter);
// "Établi le 11/12/2026 à 09:12:30 (heure locale)": when a report was made.
QString madeAtDescription(const QDateTime& utc);

// The rows of a view of the search to a CSV file, written whole or not at all. Error with the reason.
void exportCsv(Search& search, View view, const QString& path, CsvEncoding encoding);
// The same as a PDF table (A4, landscape when its columns need it): the title, the filter and the
// time of the export on top of every page, every cell whole (wrapped in its column). Error with the
// reason.
void exportPdf(Search& search, View view, const QString& path, const QString& title);

} // namespace pelorin::journal
