#pragma once
#include <QSizeF>
#include <QString>
#include <vector>

#include "labels/executedpage.h"
#include "labels/printerfacts.h"

// The printer renderer: the executed page on a CUPS printer through QPrinter.
namespace pelorin::report {

// Where and how a page is printed.
struct PrintJob
{
    QString printer; // a CUPS queue; empty for the default printer
    int copies = 1;
    QString name; // the job's title, as the print queue lists it
    // the printer's stored calibration (offset and scale) moves what is printed; the calibration
    // page itself is printed without it, so that what the operator measures is the printer's own
    bool calibrated = true;
    // the resolution asked of the printer, one of printerResolutions(); 0 keeps the queue's own
    int dpi = 0;
};

// "Pelorin <code> <page name>": the title of a page's print job.
QString jobName(const QString& code, const QString& pageName);

// Prints the whole paper without a dialog, exactly as the preview draws it, moved and scaled by the
// printer's calibration on this workstation (calibration.h). Error when the named
// printer is no queue of the print server, and Error(noPrinterMessage()), nothing printed, when no
// printer can be opened (none installed).
void printPage(const ExecutedPage& page, const PrintJob& job = PrintJob());

// "Aucune imprimante n'est installée."
QString noPrinterMessage();

// The default printer's paper, upright, in inches; A4 when there is no printer. What a new page
// takes as its paper.
QSizeF defaultPrinterPaperInches();
// The same for the printer named (the default one when empty). Each printer is asked once a session.
QSizeF printerPaperInches(const QString& printer);

} // namespace pelorin::report
