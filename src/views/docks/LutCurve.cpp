#include "views/docks/LutCurve.h"

#include <algorithm>
#include <cmath>

namespace app::lut {

namespace {

using Point = kyrgx::Vec2<float>;

// Width over height of the plot in which chord lengths are measured: that of
// the dock's plot at its usual size, so that the curve looks there as the
// user drew it.
constexpr double kChordAspect = 1.75;
// Knots closer than this along the curve (in plot heights) are one knot.
constexpr double kMinChord = 1e-9;

// A curve value as a table entry: within 0 … valueRange, truncated; a value a
// rounding error below a whole number counts as that number.
int64_t entry_of(double value, int64_t valueRange)
{
    if (!(value > 0.0)) // NaN included
        return 0;
    const double top = static_cast<double>(valueRange);
    if (value >= top)
        return valueRange;
    return static_cast<int64_t>(std::floor(value + 1e-7));
}

// Natural cubic spline of one coordinate over knots h apart (all h > 0).
// Holds the knot values and the segment coefficients a and b.
class Spline {
public:
    Spline(const std::vector<double>& h, std::vector<double> v)
        : v_(std::move(v)), a_(v_.size()), b_(v_.size())
    {
        const size_t n = v_.size();
        // The knot slopes k solve a tridiagonal system (Thomas algorithm):
        // lower[i] k[i-1] + diag[i] k[i] + upper[i] k[i+1] = rhs[i].
        std::vector<double> upper(n), rhs(n), k(n);
        double diag = 2.0 / h[0];
        upper[0] = 1.0 / h[0];
        rhs[0] = 3.0 * (v_[1] - v_[0]) / (h[0] * h[0]);
        // Forward elimination: row i is divided by its reduced diagonal.
        upper[0] /= diag;
        rhs[0] /= diag;
        for (size_t i = 1; i < n; ++i) {
            const double lower = 1.0 / h[i - 1];
            double d = 0.0;
            double r = 0.0;
            double u = 0.0;
            if (i + 1 < n) {
                d = 2.0 * (1.0 / h[i - 1] + 1.0 / h[i]);
                u = 1.0 / h[i];
                r = 3.0 * ((v_[i] - v_[i - 1]) / (h[i - 1] * h[i - 1]) + (v_[i + 1] - v_[i]) / (h[i] * h[i]));
            } else {
                d = 2.0 / h[i - 1];
                r = 3.0 * (v_[i] - v_[i - 1]) / (h[i - 1] * h[i - 1]);
            }
            const double reduced = d - lower * upper[i - 1];
            upper[i] = u / reduced;
            rhs[i] = (r - lower * rhs[i - 1]) / reduced;
        }
        k[n - 1] = rhs[n - 1];
        for (size_t i = n - 1; i-- > 0;)
            k[i] = rhs[i] - upper[i] * k[i + 1];
        for (size_t i = 0; i + 1 < n; ++i) {
            const double dv = v_[i + 1] - v_[i];
            a_[i] = k[i] * h[i] - dv;
            b_[i] = dv - k[i + 1] * h[i];
        }
    }

    // The value in segment j at s = 0 … 1 along it.
    double at(size_t j, double s) const
    {
        const double r = 1.0 - s;
        return r * v_[j] + s * v_[j + 1] + s * r * (r * a_[j] + s * b_[j]);
    }

private:
    std::vector<double> v_;
    std::vector<double> a_;
    std::vector<double> b_;
};

// Straight lines between the points (sorted, first at 0, last at the end).
void linear_table(const std::vector<Point>& p, int64_t valueRange, std::vector<int64_t>& table)
{
    const size_t last = p.size() - 1;
    size_t j = 0;
    const int64_t count = static_cast<int64_t>(table.size());
    for (int64_t i = 0; i < count; ++i) {
        const double x = static_cast<double>(i);
        while (j + 1 < last && p[j + 1].x < x)
            ++j;
        const double x0 = p[j].x;
        const double x1 = p[j + 1].x;
        const double dx = x1 - x0;
        double y;
        if (dx > 0.0)
            y = p[j].y + (double(p[j + 1].y) - p[j].y) * std::clamp((x - x0) / dx, 0.0, 1.0);
        else // a vertical step: points at the same index
            y = p[j + 1].y;
        table[static_cast<size_t>(i)] = entry_of(y, valueRange);
    }
}

// A parametric natural cubic spline through the points over their chord
// lengths, sampled more finely than the entries; each entry takes the curve's
// height where the samples first reach its index, between the two samples
// around it. False when fewer than three distinct knots remain.
bool cubic_table(const std::vector<Point>& p, int64_t indexRange, int64_t valueRange,
                 std::vector<int64_t>& table)
{
    const double sx = indexRange > 0 ? kChordAspect / static_cast<double>(indexRange) : 0.0;
    const double sy = valueRange > 0 ? 1.0 / static_cast<double>(valueRange) : 0.0;
    std::vector<double> t{0.0}, h, xs{p[0].x}, ys{p[0].y};
    for (size_t i = 1; i < p.size(); ++i) {
        const double chord = std::hypot((double(p[i].x) - xs.back()) * sx, (double(p[i].y) - ys.back()) * sy);
        if (!(chord > kMinChord))
            continue; // the same point again: one knot
        h.push_back(chord);
        t.push_back(t.back() + chord);
        xs.push_back(p[i].x);
        ys.push_back(p[i].y);
    }
    if (xs.size() < 3)
        return false;

    const Spline splineX(h, std::move(xs));
    const Spline splineY(h, std::move(ys));
    const size_t knots = t.size();
    const int64_t count = static_cast<int64_t>(table.size());
    // Two samples per entry at least, so each entry has samples around it.
    const size_t samples = static_cast<size_t>(std::max<int64_t>(2 * count + 1, 256));
    const double total = t.back();
    size_t segment = 0;
    auto sample = [&](size_t k, double& x, double& y) {
        const double at = k + 1 == samples ? total : total * static_cast<double>(k) / double(samples - 1);
        while (segment + 2 < knots && at > t[segment + 1])
            ++segment;
        const double s = std::clamp((at - t[segment]) / h[segment], 0.0, 1.0);
        x = splineX.at(segment, s);
        y = splineY.at(segment, s);
    };

    double prevX = 0.0, prevY = 0.0, x = 0.0, y = 0.0;
    size_t k = 0;
    sample(0, x, y);
    bool hasPrevious = false;
    for (int64_t i = 0; i < count; ++i) {
        const double index = static_cast<double>(i);
        while (x < index && k + 1 < samples) {
            prevX = x;
            prevY = y;
            hasPrevious = true;
            sample(++k, x, y);
        }
        double value = y;
        // Every earlier sample lies below the index: interpolate between the
        // last of them and the first that reaches it (x − prevX > 0 then).
        if (x >= index && hasPrevious && prevX < index)
            value = prevY + (y - prevY) * (index - prevX) / (x - prevX);
        table[static_cast<size_t>(i)] = entry_of(value, valueRange);
    }
    return true;
}

} // namespace

int64_t range_between(int64_t minimum, int64_t maximum, int64_t cap)
{
    if (maximum <= minimum)
        return 0;
    int64_t difference = 0;
    if (__builtin_sub_overflow(maximum, minimum, &difference))
        return cap;
    return std::min(difference, cap);
}

std::vector<Point> sanitize_points(std::vector<Point> points, int64_t indexRange, int64_t valueRange)
{
    const float xMax = static_cast<float>(std::max<int64_t>(indexRange, 0));
    const float yMax = static_cast<float>(std::max<int64_t>(valueRange, 0));
    points.erase(std::remove_if(points.begin(), points.end(),
                                [](const Point& p) { return !std::isfinite(p.x) || !std::isfinite(p.y); }),
                 points.end());
    for (Point& p : points) {
        p.x = std::clamp(p.x, 0.0f, xMax);
        p.y = std::clamp(p.y, 0.0f, yMax);
    }
    std::stable_sort(points.begin(), points.end(), [](const Point& a, const Point& b) { return a.x < b.x; });
    if (points.size() < 2)
        return {Point(0.0f, 0.0f), Point(xMax, yMax)};
    points.front().x = 0.0f;
    points.back().x = xMax;
    return points;
}

bool is_curve_mode(const std::string& mode)
{
    return mode == "Cubic" || mode == "Linear";
}

std::vector<int64_t> compute_table(const std::vector<Point>& points, int64_t indexRange, int64_t valueRange,
                                   const std::string& mode)
{
    indexRange = std::clamp<int64_t>(indexRange, 0, kMaxIndexRange);
    valueRange = std::clamp<int64_t>(valueRange, 0, kMaxValueRange);
    const std::vector<Point> p = sanitize_points(points, indexRange, valueRange);
    std::vector<int64_t> table(static_cast<size_t>(indexRange) + 1, 0);
    if (p.size() == 2 || mode == "Linear" || !cubic_table(p, indexRange, valueRange, table))
        linear_table(p, valueRange, table);
    table.front() = entry_of(p.front().y, valueRange);
    table.back() = entry_of(p.back().y, valueRange);
    return table;
}

} // namespace app::lut
