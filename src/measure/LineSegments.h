#pragma once

// Straight line segments in an 8-bit grey image, for snapping measurement
// points to edges.
//
// The detector computes the level-line angle of every 2 x 2 window from an
// integer gradient, grows regions of neighbouring pixels whose level lines are
// aligned within the angle tolerance (seeds in raster order), and fits a
// rectangle to each region of at least the minimal size, which follows from
// the image size. Every such region becomes a segment: there is no sub-sampling,
// no refinement and no false-alarm test. Angles, sines, cosines and the square
// root of the inner loops use fast single-precision approximations.
//
// The functions keep no state: any thread may call them, several at once.
// Each call works in its own working images (17 bytes per pixel); a caller
// that detects repeatedly may hand in a LineSegmentScratch to keep those
// images from one call to the next instead.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace Measure {

// Floats per segment in the detector's output: x1, y1, x2, y2 (the ends of
// the centre line, in pixel-centre coordinates), width (at least 1), the
// angle tolerance as a fraction of 180 degrees, and -1 (no false-alarm value
// is computed).
inline constexpr int kLineSegmentValues = 7;

// For each pixel the number (1, 2, 3, ... in output order) of the segment
// whose region holds it, 0 elsewhere; row by row, width x height.
struct LineSegmentLabels {
    std::vector<int32_t> labels;
    int width = 0;
    int height = 0;

    int32_t at(int x, int y) const { return labels[static_cast<size_t>(y) * width + x]; }
};

// Working images of the detector, kept by a caller between calls. They grow to
// the largest image seen and are never shrunk; their contents carry nothing
// from one call into the next. One scratch serves one call at a time.
class LineSegmentScratch {
public:
    LineSegmentScratch();
    ~LineSegmentScratch();
    LineSegmentScratch(LineSegmentScratch&&) noexcept;
    LineSegmentScratch& operator=(LineSegmentScratch&&) noexcept;
    LineSegmentScratch(const LineSegmentScratch&) = delete;
    LineSegmentScratch& operator=(const LineSegmentScratch&) = delete;

    // Pixels the working images have room for.
    size_t capacity() const;

    struct Images;
    // The working images with room for at least this many pixels.
    Images& reserve(size_t pixels);

private:
    std::unique_ptr<Images> images_;
};

// The segments of the image, kLineSegmentValues floats each, in the order
// found; count receives their number. pixels holds width x height grey values,
// each row width bytes long directly after the previous one. quantisation is
// the bound of the grey-level quantisation error (3 by default), angleTolerance
// the tolerance of level-line alignment in degrees (22.5 by default).
//
// With labels, it also receives the label image of the segments. With
// scratch, the working images are taken from it instead of allocated.
//
// A null image or a width or height below 1 has no segments (count 0, empty
// label image). A quantisation that is negative or not finite, or an angle
// tolerance outside (0, 180) degrees, throws std::invalid_argument. Failing
// allocations throw std::bad_alloc.
std::vector<float> detect_line_segments(int& count, const uint8_t* pixels, int width, int height,
                                        double quantisation, double angleTolerance,
                                        LineSegmentLabels* labels = nullptr,
                                        LineSegmentScratch* scratch = nullptr);

// detect_line_segments with quantisation 3 and an angle tolerance of 22.5
// degrees.
std::vector<float> detect_line_segments_default(int& count, const uint8_t* pixels, int width, int height,
                                                LineSegmentScratch* scratch = nullptr);

// One detected segment in the pixels of the analysed image.
struct LineSegment {
    float x1 = 0.0f;
    float y1 = 0.0f;
    float x2 = 0.0f;
    float y2 = 0.0f;
    float length = 0.0f; // |(x1, y1) - (x2, y2)|
};

// The segments of an 8-bit grey image (rows width bytes apart) with the default
// parameters, in the detector's order.
std::vector<LineSegment> find_line_segments(const uint8_t* pixels, int width, int height,
                                            LineSegmentScratch* scratch = nullptr);

} // namespace Measure
