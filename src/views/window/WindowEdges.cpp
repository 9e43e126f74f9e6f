#include "views/window/WindowEdges.h"

namespace app::QtView {

namespace {

bool within(int value, int low, int high)
{
    return low <= value && value <= high;
}

} // namespace

int window_edge_at(QPoint point, const QRect& frame, int e)
{
    const int px = point.x();
    const int py = point.y();
    const int L = frame.x();
    const int T = frame.y();
    const int R = frame.x() + frame.width();
    const int B = frame.y() + frame.height();
    if (within(px, L - e, L + e) && within(py, T + e, B - e))
        return kEdgeLeft;
    if (within(px, R - e, R) && within(py, T + e, B - e))
        return kEdgeRight;
    if (within(px, L + e, R - e) && within(py, B - e, B))
        return kEdgeBottom;
    if (within(px, L + e, R - e) && within(py, T, T + e))
        return kEdgeTop;
    if (within(px, L, L + e) && within(py, B - e, B))
        return kEdgeBottomLeft;
    if (within(px, R - e, R) && within(py, B - e, B))
        return kEdgeBottomRight;
    if (within(px, R - e, R) && within(py, T, T + e))
        return kEdgeTopRight;
    if (within(px, L, L + e) && within(py, T, T + e))
        return kEdgeTopLeft;
    return kEdgeNone;
}

QRect window_resize_step(const QRect& start, int edge, QPoint pointer, QSize minimum, QPoint current)
{
    int left = start.left();
    int top = start.top();
    int right = start.right();
    int bottom = start.bottom();
    const int x = pointer.x();
    const int y = pointer.y();
    switch (edge) {
    case kEdgeLeft:
        left = x;
        break;
    case kEdgeRight:
        right = x;
        break;
    case kEdgeTop:
        top = y;
        break;
    case kEdgeBottom:
        bottom = y;
        break;
    case kEdgeTopLeft:
        top = y;
        left = x;
        break;
    case kEdgeTopRight:
        right = x;
        top = y;
        break;
    case kEdgeBottomLeft:
        bottom = y;
        left = x;
        break;
    case kEdgeBottomRight:
        bottom = y;
        right = x;
        break;
    default:
        break;
    }
    const QRect wanted(QPoint(left, top), QPoint(right, bottom));
    if (wanted.width() < minimum.width())
        left = current.x();
    else if (wanted.height() < minimum.height())
        top = current.y();
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

int window_edge_cursor_mode(int edge)
{
    switch (edge) {
    case kEdgeLeft:
    case kEdgeRight:
        return 3;
    case kEdgeTop:
    case kEdgeBottom:
        return 2;
    case kEdgeTopLeft:
    case kEdgeBottomRight:
        return 4;
    case kEdgeTopRight:
    case kEdgeBottomLeft:
        return 5;
    default:
        return 0;
    }
}

} // namespace app::QtView
