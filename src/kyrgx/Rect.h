#pragma once

namespace kyrgx {

// Four ints (left, top, right, bottom): a rectangle, or a quad of insets that
// is subtracted edge by edge from a rectangle. An inset of n pixels on every
// side is written (-n, -n, n, n).
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const Rect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const Rect& o) const { return !(*this == o); }
};

using Quad = Rect;

// The rectangle inside r after subtracting the quad edge by edge.
inline Rect inset(const Rect& r, const Quad& q)
{
    return {r.left - q.left, r.top - q.top, r.right - q.right, r.bottom - q.bottom};
}

// The intersection; all zeros when the rectangles do not overlap. Rectangles
// that only touch give a rectangle of zero width or height.
inline Rect rect_intersect(const Rect& a, const Rect& b)
{
    const Rect r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
                 a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    if (r.left > r.right || r.top > r.bottom)
        return {};
    return r;
}

// True when the rectangles overlap or touch.
inline bool rect_overlaps(const Rect& a, const Rect& b)
{
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

} // namespace kyrgx
