#include "editor/layoutgeometry.h"

#include <QSizeF>
#include <algorithm>
#include <cmath>

namespace pelorin {

namespace {

constexpr double kSmallest = 0.1;

// The adjustment that brings `v` onto the nearest edge within reach, else onto the grid; and how
// far that is (infinite when nothing snaps).
struct Snap
{
    double shift = 0.0;
    double distance = INFINITY;
};

Snap snapOf(double v, const std::vector<double>& edges, const Snapping& s)
{
    Snap best;
    if (!s.on)
        return best;
    for (const double e : edges)
        if (std::abs(e - v) <= s.reach && std::abs(e - v) < best.distance)
            best = {e - v, std::abs(e - v)};
    if (std::isfinite(best.distance) || s.grid <= 0.0)
        return best;
    const double onGrid = std::round(v / s.grid) * s.grid;
    // the grid pulls less than an edge: an edge at one end wins over the grid at the other
    return {onGrid - v, std::abs(onGrid - v) + s.reach};
}

double snapped(double v, const std::vector<double>& edges, const Snapping& s)
{
    return v + snapOf(v, edges, s).shift;
}

// The shift that snaps whichever of the two ends comes nearer to something.
double snappedShift(double low, double high, const std::vector<double>& edges, const Snapping& s)
{
    const Snap a = snapOf(low, edges, s), b = snapOf(high, edges, s);
    return a.distance <= b.distance ? a.shift : b.shift;
}

} // namespace

std::vector<std::pair<BoxHandle, QPointF>> handlePoints(const QRectF& box)
{
    const QPointF c = box.center();
    return {
        {BoxHandle::Left, {box.left(), c.y()}},    {BoxHandle::Right, {box.right(), c.y()}},
        {BoxHandle::Top, {c.x(), box.top()}},      {BoxHandle::Bottom, {c.x(), box.bottom()}},
        {BoxHandle::TopLeft, box.topLeft()},       {BoxHandle::TopRight, box.topRight()},
        {BoxHandle::BottomLeft, box.bottomLeft()}, {BoxHandle::BottomRight, box.bottomRight()},
    };
}

BoxHandle handleAt(const QRectF& box, QPointF point, double reach)
{
    // corners before edges: on a tiny box they lie within reach of each other
    auto points = handlePoints(box);
    std::reverse(points.begin(), points.end());
    for (const auto& [handle, at] : points)
        if (std::abs(point.x() - at.x()) <= reach && std::abs(point.y() - at.y()) <= reach)
            return handle;
    return box.contains(point) ? BoxHandle::Move : BoxHandle::None;
}

Snapping snappingFor(const QSizeF& label, const std::vector<QRectF>& others, double reach)
{
    Snapping s;
    s.reach = reach;
    s.xs = {0.0, label.width()};
    s.ys = {0.0, label.height()};
    for (const QRectF& r : others) {
        s.xs.insert(s.xs.end(), {r.left(), r.right()});
        s.ys.insert(s.ys.end(), {r.top(), r.bottom()});
    }
    return s;
}

QRectF draggedBox(const QRectF& box, BoxHandle handle, QPointF delta, const Snapping& s)
{
    if (handle == BoxHandle::None)
        return box;
    if (handle == BoxHandle::Move) {
        QRectF moved = box.translated(delta);
        moved.translate(snappedShift(moved.left(), moved.right(), s.xs, s),
                        snappedShift(moved.top(), moved.bottom(), s.ys, s));
        return moved;
    }
    double left = box.left(), right = box.right(), top = box.top(), bottom = box.bottom();
    const bool l = handle == BoxHandle::Left || handle == BoxHandle::TopLeft || handle == BoxHandle::BottomLeft;
    const bool r = handle == BoxHandle::Right || handle == BoxHandle::TopRight || handle == BoxHandle::BottomRight;
    const bool t = handle == BoxHandle::Top || handle == BoxHandle::TopLeft || handle == BoxHandle::TopRight;
    const bool b = handle == BoxHandle::Bottom || handle == BoxHandle::BottomLeft || handle == BoxHandle::BottomRight;
    // an edge dragged past the opposite one stops just before it
    if (l)
        left = std::min(snapped(left + delta.x(), s.xs, s), right - kSmallest);
    if (r)
        right = std::max(snapped(right + delta.x(), s.xs, s), left + kSmallest);
    if (t)
        top = std::min(snapped(top + delta.y(), s.ys, s), bottom - kSmallest);
    if (b)
        bottom = std::max(snapped(bottom + delta.y(), s.ys, s), top + kSmallest);
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QRectF drawnBox(QPointF from, QPointF to, const Snapping& s)
{
    const QPointF a(snapped(from.x(), s.xs, s), snapped(from.y(), s.ys, s));
    const QPointF b(snapped(to.x(), s.xs, s), snapped(to.y(), s.ys, s));
    QRectF box = QRectF(a, b).normalized();
    box.setWidth(std::max(box.width(), kSmallest));
    box.setHeight(std::max(box.height(), kSmallest));
    return box;
}

} // namespace pelorin
