#include "editor/ui/layoutoverlay.h"

#include "labels/description.h"
#include "labels/ui/pagepreview.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace pelorin {

namespace {
constexpr double kHandlePixels = 4.0; // half the side of a handle, and how far from it the pointer holds it
constexpr double kSnapPixels = 6.0;   // how near an edge must come to snap, on screen
} // namespace

LayoutOverlay::LayoutOverlay(report::PagePreview* preview) : QWidget(preview->widget()), m_preview(preview)
{
    setObjectName(QStringLiteral("layoutOverlay"));
    setAccessibleName(QStringLiteral("Objets de l'étiquette"));
    setAccessibleDescription(
        QStringLiteral("Cliquer pour choisir un objet, glisser pour le déplacer, les poignées pour le redimensionner ; "
                       "flèches : 0,1 mm, Maj + flèches : 1 mm."));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    // it covers the canvas whatever the zoom
    preview->widget()->installEventFilter(this);
    resize(preview->widget()->size());
}

bool LayoutOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        resize(static_cast<QWidget*>(watched)->size());
    return QWidget::eventFilter(watched, event);
}

void LayoutOverlay::setLabel(QPointF originInches, QSizeF sizeMm, QSizeF pitchMm, int columns, int rows)
{
    m_origin = originInches;
    m_label = sizeMm;
    m_pitch = pitchMm;
    m_columns = std::max(1, columns);
    m_rows = std::max(1, rows);
    update();
}

void LayoutOverlay::setBoxes(const std::vector<QRectF>& boxes)
{
    m_boxes = boxes;
    if (m_selected >= int(m_boxes.size()))
        m_selected = -1;
    update();
}

void LayoutOverlay::setSelected(int index)
{
    m_selected = index >= 0 && index < int(m_boxes.size()) ? index : -1;
    update();
}

void LayoutOverlay::setDrawing(bool on)
{
    m_drawing = on;
    setCursor(on ? Qt::CrossCursor : Qt::ArrowCursor);
}

double LayoutOverlay::pixelsPerMm() const
{
    return m_preview->pixelsPerInch() / kMillimetresPerInch;
}

QPointF LayoutOverlay::toLabel(QPointF pixels) const
{
    return pixels / pixelsPerMm() - m_origin * kMillimetresPerInch;
}

QPointF LayoutOverlay::toPixels(QPointF mm) const
{
    return (mm + m_origin * kMillimetresPerInch) * pixelsPerMm();
}

QPointF LayoutOverlay::onFirstLabel(QPointF mm) const
{
    // the other labels repeat the first: a point on any of them stands for the same point on it
    const int c = m_pitch.width() > 0 ? std::clamp(int(std::floor(mm.x() / m_pitch.width())), 0, m_columns - 1) : 0;
    const int r = m_pitch.height() > 0 ? std::clamp(int(std::floor(mm.y() / m_pitch.height())), 0, m_rows - 1) : 0;
    return mm - QPointF(c * m_pitch.width(), r * m_pitch.height());
}

Snapping LayoutOverlay::snapping() const
{
    std::vector<QRectF> others;
    for (int i = 0; i < int(m_boxes.size()); ++i)
        if (i != m_selected)
            others.push_back(m_boxes[size_t(i)]);
    Snapping s = snappingFor(m_label, others, kSnapPixels / pixelsPerMm());
    s.on = m_snapOn;
    return s;
}

void LayoutOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const double scale = pixelsPerMm();
    const auto onScreen = [&](const QRectF& mm) { return QRectF(toPixels(mm.topLeft()), mm.size() * scale); };
    // every object of the first label faintly, so that an empty text can still be found
    painter.setPen(QPen(QColor(0, 120, 215, 90), 1, Qt::DotLine));
    for (const QRectF& box : m_boxes)
        painter.drawRect(onScreen(box));
    if (m_drawing && m_handle == BoxHandle::None && m_dragged) {
        painter.setPen(QPen(QColor(0, 120, 215), 1, Qt::DashLine));
        painter.drawRect(onScreen(m_dragBox));
    }
    if (m_selected < 0)
        return;
    const QRectF box = m_handle != BoxHandle::None && m_dragged ? m_dragBox : m_boxes[size_t(m_selected)];
    painter.setPen(QPen(QColor(0, 120, 215), 1.5));
    painter.drawRect(onScreen(box));
    painter.setBrush(Qt::white);
    painter.setPen(QPen(QColor(0, 120, 215), 1));
    for (const auto& [handle, at] : handlePoints(box)) {
        const QPointF c = toPixels(at);
        painter.drawRect(QRectF(c - QPointF(kHandlePixels, kHandlePixels), QSizeF(2, 2) * kHandlePixels));
    }
}

void LayoutOverlay::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    m_dragged = false;
    m_handle = BoxHandle::None;
    m_pressMm = toLabel(event->position());
    m_labelOffset = QPointF();
    if (m_drawing) {
        m_dragBox = QRectF(m_pressMm, QSizeF());
        return;
    }
    const double reach = kHandlePixels / pixelsPerMm();
    // the selection's handles first, then the topmost object under the pointer
    if (m_selected >= 0) {
        m_handle = handleAt(m_boxes[size_t(m_selected)], m_pressMm, reach);
        if (m_handle != BoxHandle::None) {
            m_dragBox = m_boxes[size_t(m_selected)];
            return;
        }
    }
    m_labelOffset = m_pressMm - onFirstLabel(m_pressMm);
    m_pressMm -= m_labelOffset;
    for (int i = int(m_boxes.size()) - 1; i >= 0; --i)
        if (m_boxes[size_t(i)].contains(m_pressMm)) {
            m_selected = i;
            m_handle = BoxHandle::Move;
            m_dragBox = m_boxes[size_t(i)];
            update();
            emit picked(i);
            return;
        }
    update();
}

void LayoutOverlay::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        // the pointer tells what a press would hold
        Qt::CursorShape shape = m_drawing ? Qt::CrossCursor : Qt::ArrowCursor;
        if (!m_drawing && m_selected >= 0) {
            switch (handleAt(m_boxes[size_t(m_selected)], toLabel(event->position()), kHandlePixels / pixelsPerMm())) {
            case BoxHandle::Move:
                shape = Qt::SizeAllCursor;
                break;
            case BoxHandle::Left:
            case BoxHandle::Right:
                shape = Qt::SizeHorCursor;
                break;
            case BoxHandle::Top:
            case BoxHandle::Bottom:
                shape = Qt::SizeVerCursor;
                break;
            case BoxHandle::TopLeft:
            case BoxHandle::BottomRight:
                shape = Qt::SizeFDiagCursor;
                break;
            case BoxHandle::TopRight:
            case BoxHandle::BottomLeft:
                shape = Qt::SizeBDiagCursor;
                break;
            case BoxHandle::None:
                break;
            }
        }
        setCursor(shape);
        return;
    }
    QPointF at = toLabel(event->position());
    if (m_drawing) {
        m_dragBox = drawnBox(m_pressMm, at, snapping());
    } else if (m_handle != BoxHandle::None && m_selected >= 0) {
        // on the label the press was on
        at -= m_labelOffset;
        m_dragBox = draggedBox(m_boxes[size_t(m_selected)], m_handle, at - m_pressMm, snapping());
    } else {
        return;
    }
    m_dragged = true;
    update();
    emit dragging(m_dragBox);
}

void LayoutOverlay::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    const bool dragged = m_dragged;
    const BoxHandle handle = m_handle;
    m_dragged = false;
    m_handle = BoxHandle::None;
    update();
    if (!dragged)
        return;
    if (m_drawing) {
        emit drawn(m_dragBox);
    } else if (handle != BoxHandle::None && m_selected >= 0 && m_dragBox != m_boxes[size_t(m_selected)]) {
        emit boxChanged(m_selected, m_dragBox, false);
    }
}

void LayoutOverlay::keyPressEvent(QKeyEvent* event)
{
    QPointF step;
    switch (event->key()) {
    case Qt::Key_Left:
        step = {-1, 0};
        break;
    case Qt::Key_Right:
        step = {1, 0};
        break;
    case Qt::Key_Up:
        step = {0, -1};
        break;
    case Qt::Key_Down:
        step = {0, 1};
        break;
    default:
        return QWidget::keyPressEvent(event);
    }
    if (m_selected < 0)
        return QWidget::keyPressEvent(event);
    // a tenth of a millimetre, or one with Shift; the keyboard never snaps, so that it can always
    // reach the position the operator wants
    step *= event->modifiers() & Qt::ShiftModifier ? 1.0 : 0.1;
    emit boxChanged(m_selected, m_boxes[size_t(m_selected)].translated(step), true);
    event->accept();
}

} // namespace pelorin
