#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

#include "journal/search.h"

// What a search shows, written for others: CSV for spreadsheets, tab-separated lines and JSON for
// scripts, PDF for paper.
namespace pelorin::journal {

enum class CsvEncoding {
    Windows1252, // what a spreadsheet of a French Windows opens without asking
    Utf8Bom,     // every character kept; the mark tells the spreadsheet the encoding
    Utf8,        // for scripts (the command line)
};

// One CSV line, ";"-separated (the list separator of French spreadsheets), cells quoted when they
// hold a separator, a quote or a line break, CR LF at the end. A cell a spreadsheet would take for
// a formula (=, +, -, @ first) is written with a leading apostrophe, so a scanned text cannot run
// one.
QString csvLine(const QStringList& cells);
QByteArray encodeCsv(const QString& text, CsvEncoding encoding);
// One tab-separated line, tabs and line breaks inside a cell written as blanks and " / ".
QString tsvLine(const QStringList& cells);

// The rows of a view of the search to a CSV file, written whole or not at all. Error with the reason.
void exportCsv(Search& search, View view, const QString& path, CsvEncoding encoding);
// The same as a PDF table, landscape A4, the title and the filters' description on top of every
// page. Error with the reason.
void exportPdf(Search& search, View view, const QString& path, const QString& title);

} // namespace pelorin::journal
