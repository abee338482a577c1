#pragma once
#include "labels/description.h"

#include <QRectF>
#include <QString>
#include <QStringList>
#include <vector>

// The page editor's execution report: one row per object of the description, where it sits on its
// label and what stands in the way of printing it as drawn (an image that cannot be read, a text
// larger than its box, a barcode a scanner may not read).
namespace pelorin {

class LabelValues;
class SelectionMarks;

struct ExecutionRow
{
    int object = -1; // index among the description's components
    QString type;    // as the objects list names it (« Texte fixe »)
    QString name;
    // On the label, in millimetres from its top-left corner; false when a value does not convert.
    QRectF boxMm;
    bool boxValid = false;
    // What was found, in the operator's words; empty when nothing was. A problem met on some labels
    // only names them.
    QStringList problems;
};

// Places every object of `description` on each label `marks` selects (the first label when none is),
// as the page build does with the live `values`, and checks what comes out: images are read, texts
// measured in the font the painter draws them with, barcodes graded for a printer of `dpi` dots per
// inch (below grade C is a problem). The rows follow the description's order. A format that cannot
// be read throws its Error, as the page build does.
std::vector<ExecutionRow> executionRows(const LabelDescription& description, const SelectionMarks& marks,
                                        const LabelValues& values, double dpi);

// The columns of the editor's list, and a row's cells in them: lengths as "12,5 mm" ("?" for a place
// that cannot be read). The problems are listed under the row.
QStringList executionColumns();
QStringList executionCells(const ExecutionRow& row);

} // namespace pelorin
