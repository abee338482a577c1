#pragma once
#include <QPointF>
#include <QRectF>
#include <vector>

// The geometry of moving and resizing an object on a label with the pointer or the keyboard, in
// millimetres from the label's top left corner: which part of a box the pointer holds, where a drag
// leaves the box, and how it snaps to a grid and to the edges of the other objects.
namespace pelorin {

// The part of a box held: its inside moves it, a handle moves one edge or one corner.
enum class BoxHandle { None, Move, Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };

// The handle of `box` under `point`; `reach` is how far from a handle's centre it still holds it
// (millimetres). Handles win over the inside, so a small box can still be resized.
BoxHandle handleAt(const QRectF& box, QPointF point, double reach);
// The centres of the eight handles, in the order of BoxHandle from Left.
std::vector<std::pair<BoxHandle, QPointF>> handlePoints(const QRectF& box);

// What a drag snaps to: the grid step and the edges (x of the vertical ones, y of the horizontal
// ones), within `reach`. Edges win over the grid; off, nothing snaps.
struct Snapping
{
    bool on = true;
    double grid = 0.5;
    double reach = 1.0;
    std::vector<double> xs, ys;
};

// The edges every object of a label may snap to: the label's, and those of the other boxes.
Snapping snappingFor(const QSizeF& label, const std::vector<QRectF>& others, double reach);

// Where a drag of `handle` by `delta` leaves `box`. A move snaps the nearer of its two edges on each
// axis; a resize snaps the edges it moves. No box becomes smaller than 0.1 mm.
QRectF draggedBox(const QRectF& box, BoxHandle handle, QPointF delta, const Snapping& snapping);

// The box drawn between two points, snapped like a resize.
QRectF drawnBox(QPointF from, QPointF to, const Snapping& snapping);

} // namespace pelorin
