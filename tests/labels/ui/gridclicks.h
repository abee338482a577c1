// The label selection grid clicked as a user clicks it.
#pragma once

#include "labels/ui/selectiongrid.h"

#include <QAbstractItemModel>
#include <QPoint>
#include <QTest>

namespace pelorin::test {

// A double-click on a cell; its first click selects the cell that the double-click then toggles.
inline void doubleClickCell(SelectionGrid* grid, int column, int row)
{
    const QPoint at = grid->visualRect(grid->model()->index(row, column)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

} // namespace pelorin::test
