#pragma once
#include "editor/sheettemplates.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

// Finding a standard sheet among the database's hundreds: words searched in the reference and the
// description, the maker and the paper size as filters, and a drawing of the sheet's layout to check
// it by eye before the page is made.
namespace pelorin {

// The paper's name when it is a common size, either way round ("A4", "A5", "Letter US"), else its
// size in millimetres ("100 × 150 mm").
QString paperName(const SheetTemplate& sheet);

struct SheetFilter
{
    QString words; // every word must be in the reference or the description, letter case and accents aside
    QString brand; // empty: any maker
    QString paper; // a paperName(), empty: any size
};
bool matches(const SheetTemplate& sheet, const SheetFilter& filter);
// The positions of the sheets the filter lets through, in their order.
QList<int> filterSheets(const QList<SheetTemplate>& sheets, const SheetFilter& filter);

// The makers and the paper names of the sheets, each once, sorted.
QStringList sheetBrands(const QList<SheetTemplate>& sheets);
QStringList sheetPapers(const QList<SheetTemplate>& sheets);

// What the chooser says of a sheet: "8 étiquettes, 2 en largeur × 4 en hauteur, de 99,1 × 67,7 mm
// sur A4".
QString sheetSummary(const SheetTemplate& sheet);

// The sheet drawn to scale, centred in `area`: the paper and every label with its rounded corners.
void drawSheetLayout(QPainter& painter, const QRectF& area, const SheetTemplate& sheet);

} // namespace pelorin
