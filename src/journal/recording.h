#pragma once
#include <QList>
#include <QString>

#include "journal/entry.h"

// The entries of the program's two roads: a page printed or exported, a code taken by a scan.
namespace pelorin {
class CodeDecoder;
}

namespace pelorin::journal {

// A code taken by the scan window, `pelorin scan` or an import, decoded as the scan grid decodes it.
// A read that is not a whole code that decodes (readProblem() in scan/decode.h) is a misread, with
// the reason as its error; only the others are scans.
Entry scanEntry(const QString& code, const CodeDecoder& decoder, const QString& source);
// The same from texts already decoded (a code the scan session took), `error` being the read's
// problem: a misread when it is not empty, or when the read is no whole code that decodes.
Entry scanEntry(const QString& code, const std::array<QString, kDecodedCount>& texts, const QString& error,
                const QString& source);

// What a printed (or exported) page carried.
struct PrintedPage
{
    QString code;
    QString operatorText;
    QString model;     // the description's file name
    QList<int> labels; // numbers of the marked labels
    QString firstText; // the incremental list's lines on the first and last marked labels
    QString lastText;
    QStringList allTexts; // the line of every marked label, when the page prints the list
    Medium medium = Medium::Printer;
    QString output; // the printer's name or the file's path
    int copies = 1;
    int dpi = 0;            // the printer's resolution, 0 when unknown
    QByteArray description; // the page description's bytes as printed
    QString reprintOf;      // the id of the print this one repeats
};
Entry printEntry(const PrintedPage& page, const CodeDecoder& decoder);

} // namespace pelorin::journal
