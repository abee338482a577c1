#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <vector>

// Which labels of a sheet receive their components, and whether the page shows the sheet's margin
// frame and the outline of every label. The main window and the page editor each own one; their
// grids show it and change it, the page build reads it.
namespace pelorin {

class LabelDescription;

class SelectionMarks : public QObject
{
    Q_OBJECT

public:
    // The text of a marked cell.
    static inline const QString kMark = QStringLiteral("X");

    explicit SelectionMarks(QObject* parent = nullptr);

    int columns() const { return m_columns; }
    int rows() const { return m_rows; }

    // The cell (c, r) counted from 0, column from the left and row from the top; empty outside the
    // grid.
    QString cell(int c, int r) const;
    void setCell(int c, int r, const QString& text);
    // "X" becomes empty, anything else becomes "X". Nothing outside the grid.
    void toggle(int c, int r);
    // A label is marked when its cell lies inside the grid and holds exactly "X": a label added
    // to the description since the last rebuild counts as unmarked.
    bool isMarked(int c, int r) const;
    // Label numbers run from 1, left to right then row after row.
    bool isLabelMarked(int labelNumber) const;

    // The grid keeps at least one column and one row; cells inside both sizes keep their text.
    void resize(int columns, int rows);
    void markAll();
    // Every cell emptied: no label receives its components (a sheet to feed again whole).
    void unmarkAll();

    // Rebuilds from a description: `Ligne` then `Colonne` as integers, the grid resized, every cell
    // marked.
    //  - no description loaded: Error("No active document"), nothing changes;
    //  - a count that is no integer: its conversion message, nothing changes;
    //  - a count of zero: the grid takes the new counts (at least 1), then Error("Division by zero")
    //    before any cell is marked, as the grids cannot size their cells. Views follow `changed()`,
    //    so both grids show the new counts and then the message.
    void rebuild(const LabelDescription& description);

    bool marginFrame() const { return m_marginFrame; }
    void setMarginFrame(bool on);
    bool outlines() const { return m_outlines; }
    void setOutlines(bool on);

signals:
    // Counts, cells or switches changed.
    void changed();

private:
    int m_columns = 1;
    int m_rows = 1;
    std::vector<QString> m_cells; // row after row
    bool m_marginFrame = true;
    bool m_outlines = true;
};

// The size of a grid's cells when `count` of them and their 2-pixel lines fill `outerPixels`
// (the remainder dropped); Error("Division by zero") for a count of zero.
int gridCellExtent(int outerPixels, int count);

} // namespace pelorin
