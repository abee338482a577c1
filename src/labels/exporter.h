#pragma once
#include <QImage>
#include <QString>

#include "labels/executedpage.h"

// Renderers without windows: a raster image of the whole paper and a vector PDF.
namespace pelorin::report {

// The whole paper at `dpi` dots per inch on white (the image carries its resolution).
QImage renderImage(const ExecutedPage& page, double dpi);

// Writes the page as PNG at `dpi`, or as a PDF whose page is the paper without margins. The file is
// replaced only once complete: Error with the reason otherwise, and an existing file is kept.
void exportPng(const ExecutedPage& page, const QString& path, double dpi);
void exportPdf(const ExecutedPage& page, const QString& path, int resolution = 1200);

} // namespace pelorin::report
