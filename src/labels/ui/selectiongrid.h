#pragma once
#include <QTableWidget>

namespace pelorin {

class SelectionMarks;

// A grid laid out like the sheet, one cell per label, showing a selection's marks: "X" in bold red
// on the colour of buttons, 2-pixel lines, no headers and no scroll bars. The marks model is the one
// source of truth: the grid redraws from it whenever it changes, and a double-click toggles the mark
// of the current cell in the model.
class SelectionGrid : public QTableWidget
{
    Q_OBJECT

public:
    // The grid has a fixed outer size; the cells and their lines fill it (see fitCells).
    SelectionGrid(SelectionMarks& marks, QSize outerSize, QWidget* parent = nullptr);
    // A grid laid out in a window's form: its size is the form's, its marks are given next.
    explicit SelectionGrid(QWidget* parent = nullptr);
    // The marks shown and toggled (once, before the grid is used).
    void setMarks(SelectionMarks& marks);

    // Sizes the cells for a sheet of that many columns and rows so that they and their lines fill the
    // grid: (outer size - 2 x count - 2) / count, the remainder dropped. Error("Division by zero") for
    // a count of zero, the sizes left as they were.
    void fitCells(int columns, int rows);

    // The size of one cell without its lines, as last fitted.
    int cellWidth() const { return m_cellWidth; }
    int cellHeight() const { return m_cellHeight; }
    // The width of the lines between and around the cells.
    static constexpr int kLineWidth = 2;

signals:
    // The operator toggled the mark of a label.
    void markToggled(int column, int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void updateGeometries() override;

private:
    void syncFromMarks();
    void toggleCurrent();

    SelectionMarks* m_marks = nullptr;
    int m_cellWidth = 0;
    int m_cellHeight = 0;
};

} // namespace pelorin
