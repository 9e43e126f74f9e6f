#include "measure/LineSegments.h"

#include "measure/Geometry.h"
#include "measure/LineSegmentsGradient.h"
#include "measure/LineSegmentsMath.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace Measure {

namespace {

using detail::kNotDef;
constexpr float kThreeHalfPi = 4.71238899f;
constexpr double kPiDouble = 3.14159265358979323846;

struct RegionPoint {
    int32_t x;
    int32_t y;
};

} // namespace

struct LineSegmentScratch::Images {
    std::unique_ptr<float[]> angles;       // level-line angle per 2 x 2 window, or kNotDef
    std::unique_ptr<int32_t[]> weights;    // squared gradient norm / 2 per window
    std::unique_ptr<uint8_t[]> used;       // 0 free, detail::kTaken, or detail::kNoAngle
    std::unique_ptr<RegionPoint[]> region; // the region being grown, in joining order
    size_t capacity = 0;
};

LineSegmentScratch::LineSegmentScratch() = default;
LineSegmentScratch::~LineSegmentScratch() = default;
LineSegmentScratch::LineSegmentScratch(LineSegmentScratch&&) noexcept = default;
LineSegmentScratch& LineSegmentScratch::operator=(LineSegmentScratch&&) noexcept = default;

size_t LineSegmentScratch::capacity() const
{
    return images_ ? images_->capacity : 0;
}

LineSegmentScratch::Images& LineSegmentScratch::reserve(size_t pixels)
{
    if (!images_)
        images_ = std::make_unique<Images>();
    Images& im = *images_;
    if (im.capacity < pixels) {
        im = Images{}; // the old images go before the new ones come
        im.angles.reset(new float[pixels]);
        im.weights.reset(new int32_t[pixels]);
        im.used.reset(new uint8_t[pixels]);
        im.region.reset(new RegionPoint[pixels]);
        im.capacity = pixels;
    }
    return im;
}

namespace {

// One detection's view of the image and its working images.
struct Detection {
    const uint8_t* pixels;
    int width;
    int height;
    float* angles;
    int32_t* weights;
    uint8_t* used;
    RegionPoint* region;
    float prec; // angle tolerance in radians
    float p;    // angle tolerance as a fraction of 180 degrees

    size_t index(int x, int y) const { return static_cast<size_t>(y) * width + x; }
};

// The fitted rectangle of one region.
struct Rectangle {
    float x1, y1, x2, y2; // ends of the centre line
    float width;
    float cx, cy;
    float theta;
    float dx, dy;
    float prec;
    float p;
};

// Grows the region of aligned pixels from the seed into d.region, marking its
// pixels used; returns its size and leaves its mean level-line angle in
// regionAngle. Each joining pixel updates the angle before the next test.
size_t grow_line_region(const Detection& d, int seedX, int seedY, float& regionAngle)
{
    const int X = d.width;
    const int Y = d.height;
    RegionPoint* region = d.region;
    size_t size = 1;
    region[0] = {seedX, seedY};
    float angle = d.angles[d.index(seedX, seedY)];
    float sumdx = fast::cos(angle);
    float sumdy = fast::sin(angle);
    d.used[d.index(seedX, seedY)] = detail::kTaken;

    for (size_t i = 0; i < size; ++i) {
        const int px = region[i].x;
        const int py = region[i].y;
        const int xa = std::max(px - 1, 0);
        const int xb = std::min(px + 1, X - 1);
        const int ya = std::max(py - 1, 0);
        const int yb = std::min(py + 1, Y - 1);
        for (int y = ya; y <= yb; ++y) {
            for (int x = xa; x <= xb; ++x) {
                const size_t k = d.index(x, y);
                if (d.used[k]) // taken, or no angle
                    continue;
                const float a = d.angles[k];
                float diff = std::fabs(angle - a);
                if (diff > kThreeHalfPi)
                    diff = std::fabs(diff - fast::kTwoPi);
                if (diff > d.prec)
                    continue;
                d.used[k] = detail::kTaken;
                region[size++] = {x, y};
                sumdx += fast::cos(a);
                sumdy += fast::sin(a);
                angle = fast::atan2(sumdy, sumdx);
            }
        }
    }
    regionAngle = angle;
    return size;
}

// Direction of the principal axis of the region's weighted pixels, turned to
// run along the region's level lines.
float region_angle(const Detection& d, size_t size, float cx, float cy, float regionAngle)
{
    double ixx = 0.0;
    double iyy = 0.0;
    double ixy = 0.0;
    for (size_t i = 0; i < size; ++i) {
        const RegionPoint pt = d.region[i];
        const double w = d.weights[d.index(pt.x, pt.y)];
        const double ex = pt.x - static_cast<double>(cx);
        const double ey = pt.y - static_cast<double>(cy);
        ixx += ey * ey * w;
        iyy += ex * ex * w;
        ixy -= ex * ey * w;
    }
    const float Ixx = static_cast<float>(ixx);
    const float Iyy = static_cast<float>(iyy);
    const float Ixy = static_cast<float>(ixy);

    const float lambda = 0.5f * (Ixx + Iyy - fast::sqrt((Ixx - Iyy) * (Ixx - Iyy) + 4.0f * Ixy * Ixy));
    float theta =
        std::fabs(Ixx) > std::fabs(Iyy) ? fast::atan2(lambda - Ixx, Ixy) : fast::atan2(Ixy, lambda - Iyy);
    float t = theta - regionAngle;
    if (t <= -fast::kPi)
        t += fast::kTwoPi;
    else if (t > fast::kPi)
        t -= fast::kTwoPi;
    if (std::fabs(t) > d.prec)
        theta += fast::kPi;
    return theta;
}

// The rectangle that holds the region: its weighted centre, its axis and the
// extent of its pixels along and across the axis.
Rectangle region_to_rectangle(const Detection& d, size_t size, float regionAngle)
{
    // Sums in double: a long region's weighted sums outgrow a float's digits.
    double sum = 0.0;
    double sumX = 0.0;
    double sumY = 0.0;
    for (size_t i = 0; i < size; ++i) {
        const RegionPoint pt = d.region[i];
        const double w = d.weights[d.index(pt.x, pt.y)];
        sum += w;
        sumX += pt.x * w;
        sumY += pt.y * w;
    }
    Rectangle r{};
    r.cx = static_cast<float>(sumX / sum);
    r.cy = static_cast<float>(sumY / sum);
    r.theta = region_angle(d, size, r.cx, r.cy, regionAngle);
    r.dx = std::cos(r.theta);
    r.dy = std::sin(r.theta);

    float lMin = 0.0f;
    float lMax = 0.0f;
    float wMin = 0.0f;
    float wMax = 0.0f;
    for (size_t i = 0; i < size; ++i) {
        const float ex = static_cast<float>(d.region[i].x) - r.cx;
        const float ey = static_cast<float>(d.region[i].y) - r.cy;
        const float l = ex * r.dx + ey * r.dy;
        const float w = ey * r.dx - ex * r.dy;
        lMin = std::min(lMin, l);
        lMax = std::max(lMax, l);
        wMin = std::min(wMin, w);
        wMax = std::max(wMax, w);
    }
    r.x1 = r.cx + lMin * r.dx;
    r.y1 = r.cy + lMin * r.dy;
    r.x2 = r.cx + lMax * r.dx;
    r.y2 = r.cy + lMax * r.dy;
    r.width = std::max(wMax - wMin, 1.0f);
    r.prec = d.prec;
    r.p = d.p;
    return r;
}

// Gradient threshold: the squared norm / 2 a window needs for its angle to
// be trusted against quantisation noise of q grey levels.
int gradient_threshold(double quantisation, float prec)
{
    if (quantisation == 0.0)
        return 0;
    const double rho = quantisation / std::sin(static_cast<double>(prec));
    const double t = rho * rho;
    return t < static_cast<double>(INT_MAX) ? static_cast<int>(t) : INT_MAX;
}

// Smallest region that may become a segment in an image of this size; p is
// the angle tolerance as a fraction of 180 degrees, in (0, 1).
size_t minimal_region_size(int width, int height, double p)
{
    const double logNT =
        5.0 * (std::log10(static_cast<double>(height)) + std::log10(static_cast<double>(width))) / 2.0 +
        std::log10(11.0);
    const double logP = std::log10(p);
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (!(logP < 0.0)) // a tolerance within rounding of 180 degrees: no region is small enough
        return pixels + 1;
    const double size = -logNT / logP;
    return size < static_cast<double>(pixels) ? static_cast<size_t>(size) : pixels + 1;
}

} // namespace

std::vector<float> detect_line_segments(int& count, const uint8_t* pixels, int width, int height,
                                        double quantisation, double angleTolerance, LineSegmentLabels* labels,
                                        LineSegmentScratch* scratch)
{
    if (!std::isfinite(quantisation) || quantisation < 0.0)
        throw std::invalid_argument("Line segment detection: the quantisation must be a finite number >= 0.");
    if (!(angleTolerance > 0.0 && angleTolerance < 180.0))
        throw std::invalid_argument(
            "Line segment detection: the angle tolerance must lie between 0 and 180 degrees.");

    count = 0;
    std::vector<float> out;
    if (labels) {
        labels->labels.clear();
        labels->width = 0;
        labels->height = 0;
    }
    if (!pixels || width < 1 || height < 1)
        return out;

    const size_t total = static_cast<size_t>(width) * static_cast<size_t>(height);
    LineSegmentScratch local;
    LineSegmentScratch::Images& images = (scratch ? *scratch : local).reserve(total);

    Detection d{};
    d.pixels = pixels;
    d.width = width;
    d.height = height;
    d.angles = images.angles.get();
    d.weights = images.weights.get();
    d.used = images.used.get();
    d.region = images.region.get();
    d.prec = static_cast<float>(angleTolerance * kPiDouble / 180.0);
    d.p = static_cast<float>(angleTolerance / 180.0);

    if (labels) {
        labels->labels.assign(total, 0);
        labels->width = width;
        labels->height = height;
    }

    // The used image starts with every pixel free that has an angle.
    detail::level_line_angles(pixels, width, height, gradient_threshold(quantisation, d.prec), d.angles,
                              d.weights, d.used);
    const size_t minRegion = minimal_region_size(width, height, angleTolerance / 180.0);

    // Seeds in raster order: rows lie back to back, so that is the order of
    // the free bytes of the used image.
    for (size_t k = 0; k < total; ++k) {
        const void* free = std::memchr(d.used + k, 0, total - k);
        if (!free)
            break;
        k = static_cast<size_t>(static_cast<const uint8_t*>(free) - d.used);
        const int x = static_cast<int>(k % static_cast<size_t>(width));
        const int y = static_cast<int>(k / static_cast<size_t>(width));
        float regionAngle = 0.0f;
        const size_t size = grow_line_region(d, x, y, regionAngle);
        if (size < minRegion)
            continue;
        const Rectangle r = region_to_rectangle(d, size, regionAngle);
        if (out.empty())
            out.reserve(kLineSegmentValues);
        out.insert(out.end(), {r.x1 + 0.5f, r.y1 + 0.5f, r.x2 + 0.5f, r.y2 + 0.5f, r.width, r.p, -1.0f});
        ++count;
        if (labels) {
            for (size_t i = 0; i < size; ++i)
                labels->labels[d.index(d.region[i].x, d.region[i].y)] = count;
        }
    }
    return out;
}

std::vector<float> detect_line_segments_default(int& count, const uint8_t* pixels, int width, int height,
                                                LineSegmentScratch* scratch)
{
    return detect_line_segments(count, pixels, width, height, 3.0, 22.5, nullptr, scratch);
}

std::vector<LineSegment> find_line_segments(const uint8_t* pixels, int width, int height,
                                            LineSegmentScratch* scratch)
{
    int n = 0;
    const std::vector<float> raw = detect_line_segments_default(n, pixels, width, height, scratch);
    std::vector<LineSegment> segments;
    segments.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const float* v = raw.data() + static_cast<size_t>(i) * kLineSegmentValues;
        segments.push_back({v[0], v[1], v[2], v[3], distance({v[0], v[1]}, {v[2], v[3]})});
    }
    return segments;
}

} // namespace Measure
