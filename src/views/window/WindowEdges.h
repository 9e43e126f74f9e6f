#pragma once

#include <QRect>
#include <QSize>

namespace app::QtView {

// The edges of a frameless window that a drag resizes, as bit values.
enum WindowEdge : int {
    kEdgeNone = 0,
    kEdgeLeft = 1,
    kEdgeTop = 2,
    kEdgeRight = 4,
    kEdgeBottom = 8,
    kEdgeTopLeft = 16,
    kEdgeTopRight = 32,
    kEdgeBottomLeft = 64,
    kEdgeBottomRight = 128,
};

// The edge under a point (global coordinates) of a window frame, with bands e
// pixels wide. Edges are tested before corners (left, right, bottom, top, then
// bottom-left, bottom-right, top-right, top-left), every range inclusive with
// L + W and T + H one past the frame: the left band reaches e pixels outside
// the frame, the others end at its edge.
int window_edge_at(QPoint point, const QRect& frame, int e);

// One step of an edge drag: the rectangle started from `start` with the
// dragged edge (or corner) moved to the pointer. When the result is narrower
// than the minimum width its left edge stays at the window's current x;
// otherwise, when it is lower than the minimum height, its top stays at the
// current y.
QRect window_resize_step(const QRect& start, int edge, QPoint pointer, QSize minimum, QPoint current);

// The cursor mode (IMainView::setCursorMode) of an edge: 3 left and right,
// 2 top and bottom, 4 top-left and bottom-right, 5 top-right and bottom-left,
// 0 none.
int window_edge_cursor_mode(int edge);

} // namespace app::QtView
