#include "labels/marks.h"

#include "base/error.h"
#include "labels/description.h"

#include <algorithm>

namespace pelorin {

SelectionMarks::SelectionMarks(QObject* parent) : QObject(parent), m_cells(1) {}

QString SelectionMarks::cell(int c, int r) const
{
    if (c < 0 || r < 0 || c >= m_columns || r >= m_rows)
        return QString();
    return m_cells[size_t(r) * size_t(m_columns) + size_t(c)];
}

void SelectionMarks::setCell(int c, int r, const QString& text)
{
    if (c < 0 || r < 0 || c >= m_columns || r >= m_rows)
        return;
    m_cells[size_t(r) * size_t(m_columns) + size_t(c)] = text;
    emit changed();
}

void SelectionMarks::toggle(int c, int r)
{
    setCell(c, r, cell(c, r) == kMark ? QString() : kMark);
}

bool SelectionMarks::isMarked(int c, int r) const
{
    return c >= 0 && r >= 0 && c < m_columns && r < m_rows &&
           m_cells[size_t(r) * size_t(m_columns) + size_t(c)] == kMark;
}

bool SelectionMarks::isLabelMarked(int labelNumber) const
{
    if (labelNumber < 1)
        return false;
    return isMarked((labelNumber - 1) % m_columns, (labelNumber - 1) / m_columns);
}

void SelectionMarks::resize(int columns, int rows)
{
    columns = std::max(columns, 1);
    rows = std::max(rows, 1);
    std::vector<QString> cells(size_t(columns) * size_t(rows));
    for (int r = 0; r < std::min(rows, m_rows); ++r)
        for (int c = 0; c < std::min(columns, m_columns); ++c)
            cells[size_t(r) * size_t(columns) + size_t(c)] = m_cells[size_t(r) * size_t(m_columns) + size_t(c)];
    m_cells = std::move(cells);
    m_columns = columns;
    m_rows = rows;
    emit changed();
}

void SelectionMarks::markAll()
{
    std::fill(m_cells.begin(), m_cells.end(), kMark);
    emit changed();
}

void SelectionMarks::unmarkAll()
{
    std::fill(m_cells.begin(), m_cells.end(), QString());
    emit changed();
}

void SelectionMarks::rebuild(const LabelDescription& description)
{
    const SheetFormat& format = description.format();
    const int rows = format.Ligne.integer();
    const int columns = format.Colonne.integer();
    checkLabelCount(rows, columns);
    resize(columns, rows);
    if (rows == 0 || columns == 0)
        throw Error(QStringLiteral("Division by zero"));
    markAll();
}

void SelectionMarks::setMarginFrame(bool on)
{
    if (m_marginFrame == on)
        return;
    m_marginFrame = on;
    emit changed();
}

void SelectionMarks::setOutlines(bool on)
{
    if (m_outlines == on)
        return;
    m_outlines = on;
    emit changed();
}

int gridCellExtent(int outerPixels, int count)
{
    if (count == 0)
        throw Error(QStringLiteral("Division by zero"));
    return (outerPixels - 2 * count - 2) / count;
}

} // namespace pelorin
