#pragma once
#include "editor/layoutgeometry.h"

#include <QRectF>
#include <QWidget>
#include <vector>

namespace pelorin {

namespace report {
class PagePreview;
}

// Lies over the page preview and lets the objects of the first label be picked, moved and resized
// with the pointer and the keyboard, and new ones drawn. It draws only the selection and its
// handles; the page itself stays the preview's. Everything it reports is in millimetres on the
// label; the window turns it into edits of the description.
class LayoutOverlay : public QWidget
{
    Q_OBJECT

public:
    explicit LayoutOverlay(report::PagePreview* preview);

    // The first label's place on the page (inches from the top left corner of the paper) and size
    // (millimetres), and the boxes of its objects in drawing order.
    void setLabel(QPointF originInches, QSizeF sizeMm, QSizeF pitchMm, int columns, int rows);
    void setBoxes(const std::vector<QRectF>& boxes);
    void setSelected(int index);
    int selected() const { return m_selected; }

    void setSnapping(bool on) { m_snapOn = on; }
    // The next drag draws a new box instead of picking.
    void setDrawing(bool on);
    bool drawing() const { return m_drawing; }

    // A point of this widget as millimetres on the first label.
    QPointF toLabel(QPointF pixels) const;
    // A point on the first label as a point of this widget.
    QPointF toPixels(QPointF mm) const;

signals:
    void picked(int index);
    // While the pointer drags: the box as it would be left.
    void dragging(const QRectF& box);
    void boxChanged(int index, const QRectF& box, bool byKeyboard);
    void drawn(const QRectF& box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    double pixelsPerMm() const;
    Snapping snapping() const;
    // The label cell under a point, its position brought back onto the first label.
    QPointF onFirstLabel(QPointF mm) const;

    report::PagePreview* m_preview;
    QPointF m_origin; // inches
    QSizeF m_label, m_pitch;
    int m_columns = 1, m_rows = 1;
    std::vector<QRectF> m_boxes;
    int m_selected = -1;
    bool m_snapOn = true;
    bool m_drawing = false;

    BoxHandle m_handle = BoxHandle::None;
    QPointF m_pressMm;
    QPointF m_labelOffset; // from the label pressed on to the first, millimetres
    QRectF m_dragBox;
    bool m_dragged = false;
};

} // namespace pelorin
