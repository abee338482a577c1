#pragma once
#include "labels/executedpage.h"

#include <QFont>

class QPainter;

// The one painting routine of the report layer: the screen, the printer, PDF and PNG all draw
// through it.
namespace pelorin::report {

// Draws the whole page with the paper's top-left corner at the painter's origin, one inch being
// `unitsPerInch` units of the painter's current coordinates (device pixels for an image or a
// printer at its resolution, screen pixels times the zoom for the preview). The paper is filled
// white first. Edges of rectangles are snapped to whole units, so they stay crisp on any raster
// device.
// Barcodes are fitted to the dots of the device that prints them (placeBarcode): `deviceDotsPerInch`
// is that device's resolution (a printer's own), so that a preview or a PDF shows exactly the bars
// the printer will get; 0 takes the painter's own units for a raster image, else
// kDefaultPrinterDpi.
void paintPage(QPainter& painter, const ExecutedPage& page, double unitsPerInch, double deviceDotsPerInch = 0.0);

// The resolution barcodes are fitted for by paintPage with these arguments.
double barcodeDotsPerInch(const QPainter& painter, double unitsPerInch, double deviceDotsPerInch);

// The font of a description's text: its family (Arial when it names none) and weight, at no size
// yet. Every drawing and measuring of a label's text takes its face from here.
QFont descriptionFont(const QString& family, bool bold);

// The face a text or memo component is drawn in, before it is sized: what paintPage draws it with
// and what a measure of the text must take.
QFont componentFont(const ExecutedComponent& component);

// The character cell of Arial (ascent and descent) in ems.
double fontCellPerEm();

// The character cell of a font height in pixels at 96 per inch is that many 96ths of an inch
// high (6 points for 8); 0 is the default Arial 10 points. Gives the em size in inches.
double fontEmInches(int fontHeightPx);

} // namespace pelorin::report
