#include "labels/ui/selectiongrid.h"

#include "labels/marks.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace pelorin {

namespace {

constexpr int kLabelNumberRole = Qt::UserRole + 1;

// Each section is a cell followed by its line on the right and below; the line before the first
// cell is the grid's own background showing through its margins.
class MarkDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QRect cell = option.rect.adjusted(0, 0, -SelectionGrid::kLineWidth, -SelectionGrid::kLineWidth);
        painter->save();
        painter->fillRect(option.rect, option.palette.color(QPalette::Dark));
        painter->fillRect(cell, option.palette.color(QPalette::Button));
        if (option.state & QStyle::State_HasFocus) {
            QPen pen(option.palette.color(QPalette::Highlight), 1, Qt::DotLine);
            painter->setPen(pen);
            painter->drawRect(cell.adjusted(1, 1, -2, -2));
        }
        QFont font = option.font;
        font.setBold(true);
        painter->setFont(font);
        painter->setPen(Qt::red);
        painter->drawText(cell, Qt::AlignCenter, index.data(Qt::DisplayRole).toString());
        // the label's number in the corner, small, so that a label can be found by the number the
        // sheet and the print report give it
        const QString number = index.data(kLabelNumberRole).toString();
        if (!number.isEmpty() && cell.height() >= 12) {
            QFont small = option.font;
            small.setBold(false);
            small.setPixelSize(qBound(7, cell.height() / 3, 11));
            painter->setFont(small);
            painter->setPen(option.palette.color(QPalette::ButtonText));
            painter->drawText(cell.adjusted(2, 1, -2, -1), Qt::AlignLeft | Qt::AlignTop, number);
        }
        painter->restore();
    }
};

} // namespace

SelectionGrid::SelectionGrid(SelectionMarks& marks, QSize outerSize, QWidget* parent) : SelectionGrid(parent)
{
    setFixedSize(outerSize);
    setMarks(marks);
}

SelectionGrid::SelectionGrid(QWidget* parent) : QTableWidget(parent)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->setMinimumSectionSize(1);
        header->setSectionResizeMode(QHeaderView::Fixed);
    }
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setShowGrid(false);
    setWordWrap(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new MarkDelegate(this));

    // the margins take the lines' colour, the cells the colour of buttons
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Dark));
    pal.setColor(QPalette::Base, pal.color(QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);

    const QString hint = QStringLiteral("Double clic pour afficher.");
    setToolTip(hint);
    setStatusTip(hint);
    setAccessibleDescription(hint);

    connect(this, &QTableWidget::cellDoubleClicked, this, [this](int, int) { toggleCurrent(); });
}

void SelectionGrid::setMarks(SelectionMarks& marks)
{
    if (m_marks)
        disconnect(m_marks, nullptr, this, nullptr);
    m_marks = &marks;
    connect(m_marks, &SelectionMarks::changed, this, &SelectionGrid::syncFromMarks);
    syncFromMarks();
}

void SelectionGrid::fitCells(int columns, int rows)
{
    const int width = gridCellExtent(this->width(), columns);
    const int height = gridCellExtent(this->height(), rows);
    m_cellWidth = width;
    m_cellHeight = height;
    horizontalHeader()->setDefaultSectionSize(width + kLineWidth);
    verticalHeader()->setDefaultSectionSize(height + kLineWidth);
    for (int c = 0; c < columnCount(); ++c)
        setColumnWidth(c, width + kLineWidth);
    for (int r = 0; r < rowCount(); ++r)
        setRowHeight(r, height + kLineWidth);
}

void SelectionGrid::syncFromMarks()
{
    if (!m_marks)
        return;
    if (columnCount() != m_marks->columns())
        setColumnCount(m_marks->columns());
    if (rowCount() != m_marks->rows())
        setRowCount(m_marks->rows());
    for (int r = 0; r < rowCount(); ++r) {
        for (int c = 0; c < columnCount(); ++c) {
            QTableWidgetItem* cell = item(r, c);
            if (!cell) {
                cell = new QTableWidgetItem;
                cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                setItem(r, c, cell);
            }
            const QString mark = m_marks->cell(c, r);
            if (cell->text() != mark)
                cell->setText(mark);
            // label numbers run left to right, then row after row
            const int number = r * columnCount() + c + 1;
            cell->setData(kLabelNumberRole, number);
            const QString spoken =
                QStringLiteral("Étiquette %1, %2")
                    .arg(number)
                    .arg(mark == SelectionMarks::kMark ? QStringLiteral("marquée") : QStringLiteral("non marquée"));
            if (cell->data(Qt::AccessibleTextRole).toString() != spoken)
                cell->setData(Qt::AccessibleTextRole, spoken);
        }
    }
}

void SelectionGrid::updateGeometries()
{
    // the table lays its headers out in the viewport's margins; with none shown, the margins hold
    // the line before the first column and above the first row
    QTableWidget::updateGeometries();
    setViewportMargins(kLineWidth, kLineWidth, 0, 0);
}

void SelectionGrid::toggleCurrent()
{
    const int r = currentRow();
    const int c = currentColumn();
    if (r < 0 || c < 0 || !m_marks)
        return;
    m_marks->toggle(c, r);
    emit markToggled(c, r);
}

void SelectionGrid::keyPressEvent(QKeyEvent* event)
{
    // the keyboard's double-click, for those who do not use a mouse
    const bool toggleKey =
        event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (toggleKey && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        toggleCurrent();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

} // namespace pelorin
