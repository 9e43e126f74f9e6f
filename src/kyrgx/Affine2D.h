#pragma once

#include "kyrgx/Vec2.h"

#include <cmath>

namespace kyrgx {

// The toolkit's 2-D affine transform. A point maps as
//   x' = a*x + c*y + tx,   y' = b*x + d*y + ty.
// nonIdentity is false only while the six numbers are exactly the identity
// (compared as floats, so a NaN anywhere counts as non-identity); every
// operation that changes the numbers recomputes it.
//
// concatenate() post-multiplies: the given transform applies to points first
// and the existing one after it. So translate(10, 0) followed by scale(2, 2)
// maps (1, 0) to (12, 0): the point is scaled first, then moved.
struct Affine2D {
    float a = 1.0f;
    float b = 0.0f;
    float c = 0.0f;
    float d = 1.0f;
    float tx = 0.0f;
    float ty = 0.0f;
    bool nonIdentity = false;

    constexpr Affine2D() = default;
    Affine2D(float a_, float b_, float c_, float d_, float tx_, float ty_)
        : a(a_), b(b_), c(c_), d(d_), tx(tx_), ty(ty_)
    {
        updateIdentity();
    }

    // Copies the six numbers of another transform and recomputes the flag.
    void set(const Affine2D& o)
    {
        a = o.a;
        b = o.b;
        c = o.c;
        d = o.d;
        tx = o.tx;
        ty = o.ty;
        updateIdentity();
    }

    void setIdentity() { set(Affine2D()); }

    // this = this * N, with N = (na, nb, nc, nd, ntx, nty).
    void concatenate(float na, float nb, float nc, float nd, float ntx, float nty)
    {
        const float ra = a * na + c * nb;
        const float rb = b * na + d * nb;
        const float rc = a * nc + c * nd;
        const float rd = b * nc + d * nd;
        const float rtx = a * ntx + c * nty + tx;
        const float rty = b * ntx + d * nty + ty;
        a = ra;
        b = rb;
        c = rc;
        d = rd;
        tx = rtx;
        ty = rty;
        updateIdentity();
    }

    void concatenate(const Affine2D& n) { concatenate(n.a, n.b, n.c, n.d, n.tx, n.ty); }

    void translate(float x, float y) { concatenate(1.0f, 0.0f, 0.0f, 1.0f, x, y); }
    // Rotation by r radians.
    void rotate(float r) { concatenate(std::cos(r), std::sin(r), -std::sin(r), std::cos(r), 0.0f, 0.0f); }
    void scale(float sx, float sy) { concatenate(sx, 0.0f, 0.0f, sy, 0.0f, 0.0f); }

    Vec2<float> map(Vec2<float> p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }

    bool isIdentity() const { return !nonIdentity; }

    // Recomputes nonIdentity from the six numbers.
    void updateIdentity()
    {
        nonIdentity = !(a == 1.0f && b == 0.0f && c == 0.0f && d == 1.0f && tx == 0.0f && ty == 0.0f);
    }
};

} // namespace kyrgx
