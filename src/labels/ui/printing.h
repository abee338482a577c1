#pragma once
#include <QByteArray>
#include <QSizeF>
#include <QString>

#include "labels/pagestream.h"

// The printer renderer: the page stream on the system's default printer (CUPS through QPrinter).
namespace pelorin::report {

// Prints one copy of the whole paper on the default printer, without a dialog, exactly as the
// preview draws it. Returns false, printing nothing, when no printer can be opened (none installed):
// the caller then shows noPrinterMessage().
bool printPage(const ExecutedPage& page);
// Same from the stream (Error when it is corrupted).
bool printStream(const QByteArray& stream);

// "Aucune imprimante n'est installée."
QString noPrinterMessage();

// The default printer's paper, upright, in inches; A4 when there is no printer. What a new page
// takes as its paper.
QSizeF defaultPrinterPaperInches();

} // namespace pelorin::report
