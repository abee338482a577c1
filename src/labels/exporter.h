#pragma once
#include <QImage>
#include <QString>

#include "labels/barcodecheck.h"
#include "labels/executedpage.h"

// Renderers without windows: a raster image of the whole paper and a vector PDF.
namespace pelorin::report {

// The whole paper at `dpi` dots per inch on white (the image carries its resolution).
QImage renderImage(const ExecutedPage& page, double dpi);

// Writes the page as PNG at `dpi`, or as a PDF whose page is the paper without margins. The file is
// replaced only once complete: Error with the reason otherwise, and an existing file is kept.
// The PDF's barcodes are fitted to the dots of a printer of `printerDpi` dots per inch, the
// geometry that printer will print; the PDF's creator names that resolution (pdfCreator).
void exportPng(const ExecutedPage& page, const QString& path, double dpi);
void exportPdf(const ExecutedPage& page, const QString& path, int printerDpi = kDefaultPrinterDpi);

// "Pelorin (codes-barres ajustés à 300 points par pouce)"
QString pdfCreator(int printerDpi);

} // namespace pelorin::report
