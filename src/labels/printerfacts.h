#pragma once
#include <QString>
#include <vector>

// What the print server tells of a printer: whether it is one of its queues, and the resolution it
// prints at. libcups is loaded the first time a printer is asked about, so that a program that draws
// to a file never loads it.
namespace pelorin::report {

// One printer as the print server answers for it.
struct PrinterFacts
{
    QString queue; // its queue's name ("name/instance" for an instance); empty when there is no such printer
    int dpi = 0;   // its resolution, as printerResolution(); 0 when it cannot be told
};

// The printer named (the default printer when empty): one look-up of the queue and, unless the
// queue's own options give it, one request for its default resolution.
PrinterFacts printerFacts(const QString& printer);

// The resolution, in dots per inch, at which the print server rasterises jobs for this printer (the
// default printer when the name is empty): the queue's own resolution option, else its
// printer-resolution-default IPP attribute. Any user may ask. 0 when it cannot be told.
int printerResolution(const QString& printer);

// Every resolution the printer offers (its printer-resolution-supported attribute, which CUPS fills
// from a driver's Resolution choices too), in dots per inch, ascending; empty when it cannot be told.
std::vector<int> printerResolutions(const QString& printer);

// The resolution a page for this printer is fitted and checked for: its own, kDefaultPrinterDpi
// when it does not tell.
int fittingResolution(const QString& printer);

// The queue a job for `printer` goes to (the default one when empty); empty when there is no such
// queue, so that nothing is printed.
QString printerQueue(const QString& printer);

} // namespace pelorin::report
