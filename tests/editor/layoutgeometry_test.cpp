#include "editor/layoutgeometry.h"

#include <QSizeF>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

// A label of 100 x 50 mm holding one other object at 20..40 x 10..20 mm.
Snapping labelSnapping()
{
    return snappingFor(QSizeF(100, 50), {QRectF(20, 10, 20, 10)}, 1.0);
}

void expectBox(const QRectF& got, const QRectF& want)
{
    EXPECT_NEAR(got.left(), want.left(), 1e-9);
    EXPECT_NEAR(got.top(), want.top(), 1e-9);
    EXPECT_NEAR(got.width(), want.width(), 1e-9);
    EXPECT_NEAR(got.height(), want.height(), 1e-9);
}

TEST(LayoutGeometry, HandlesAreFoundBeforeTheInside)
{
    const QRectF box(10, 10, 30, 20);
    const std::pair<QPointF, BoxHandle> cases[] = {
        {{25, 20}, BoxHandle::Move},        {{10.3, 20}, BoxHandle::Left},     {{40, 20.4}, BoxHandle::Right},
        {{25, 10}, BoxHandle::Top},         {{25, 30}, BoxHandle::Bottom},     {{10, 10}, BoxHandle::TopLeft},
        {{40.5, 9.5}, BoxHandle::TopRight}, {{10, 30}, BoxHandle::BottomLeft}, {{40, 30}, BoxHandle::BottomRight},
        {{50, 20}, BoxHandle::None},        {{12, 12}, BoxHandle::Move},
    };
    for (const auto& [point, handle] : cases)
        EXPECT_EQ(handleAt(box, point, 0.6), handle) << point.x() << ", " << point.y();
    // a box smaller than the reach is still resized by its corner
    EXPECT_EQ(handleAt(QRectF(0, 0, 0.5, 0.5), QPointF(0.5, 0.5), 0.6), BoxHandle::BottomRight);
}

TEST(LayoutGeometry, DragsSnapToEdgesThenToTheGrid)
{
    const Snapping on = labelSnapping();
    Snapping off = on;
    off.on = false;
    const QRectF box(50, 30, 10, 5);
    struct Case
    {
        const char* what;
        BoxHandle handle;
        QPointF delta;
        const Snapping& snapping;
        QRectF expected;
    };
    const Case cases[] = {
        {"move off", BoxHandle::Move, {0.33, -0.12}, off, QRectF(50.33, 29.88, 10, 5)},
        {"move on the grid", BoxHandle::Move, {0.33, -0.12}, on, QRectF(50.5, 30, 10, 5)},
        // the right edge 0.7 mm from the other object's left edge at 20... here its right at 40
        {"move to an edge", BoxHandle::Move, {-10.7, -9.6}, on, QRectF(40, 20, 10, 5)},
        {"move to the label's edge", BoxHandle::Move, {39.6, 14.8}, on, QRectF(90, 45, 10, 5)},
        {"resize the right edge", BoxHandle::Right, {2.2, 0}, on, QRectF(50, 30, 12, 5)},
        {"resize a corner", BoxHandle::TopLeft, {-1.3, -0.4}, on, QRectF(48.5, 29.5, 11.5, 5.5)},
        {"past the other edge", BoxHandle::Left, {30, 0}, off, QRectF(59.9, 30, 0.1, 5)},
        {"bottom to the label", BoxHandle::Bottom, {0, 14.5}, on, QRectF(50, 30, 10, 20)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        expectBox(draggedBox(box, c.handle, c.delta, c.snapping), c.expected);
    }
}

TEST(LayoutGeometry, ABoxDrawnEitherWayIsNormalisedAndSnapped)
{
    expectBox(drawnBox({30.2, 40.1}, {10.1, 20.7}, labelSnapping()), QRectF(10, 20, 20, 20));
    Snapping off = labelSnapping();
    off.on = false;
    expectBox(drawnBox({5, 5}, {5, 5}, off), QRectF(5, 5, 0.1, 0.1));
}

} // namespace
} // namespace pelorin
