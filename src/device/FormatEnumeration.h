#pragma once

#include "device/Grabber.h"
#include "kyrgx/Vec2.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a camera can deliver: its supported pixel formats, the frame sizes of a
// pixel format and the frame rates of the current format, and the choices the
// device controller makes among them.

namespace app {

using Resolution = kyrgx::Vec2<int>; // width, height

// The device's "PixelFormat" codes that the program supports, sorted by
// ascending bits per pixel (formats of equal depth keep the camera's order).
// Throws std::runtime_error "Failed to get PropertyMap: ", "PixelFormat does
// not exist: " or "PixelFormat has no entries: " with the library's message.
std::vector<uint32_t> enumerate_pixelformats(const vsx::Grabber& grabber);

// The sizes the camera offers in the pixel format at the given binning
// factors: the standard sizes (the analogue ones for a camera with a video
// norm) that fit its width and height ranges and increments, then its own
// maximum when that is not a standard size. The camera is switched to the
// format to read its ranges and switched back afterwards, so its format, size
// and frame rate are what they were. Throws std::runtime_error "Failed to get
// PropertyMap: " + message, or vsx::VSXException when the camera refuses.
std::vector<Resolution> enumerate_resolutions(const vsx::Grabber& grabber, const std::string& pixelformat,
                                              uint32_t horizontalFactor, uint32_t verticalFactor);

// The frame rates of the camera's current format: the stepped range of a
// float "AcquisitionFrameRate" or the numbers of an enumeration's display
// names. An empty list is logged ("Failed to enumerate framerates").
std::vector<double> enumerate_framerates(const vsx::Grabber& grabber);

// The list a float rate range offers: the minimum, whole rates in steps of 1
// below 10, 2 below 20, 5 below 50, 10 below 100, 50 below 1000, 100 above,
// and the maximum.
std::vector<double> framerate_steps(double minimum, double maximum);

// The first rate within 5 of 60, 50, 30, 25, 20 or 15; else the highest; 0
// for an empty list.
double preferred_framerate(const std::vector<double>& rates);

// The size of the list nearest in pixel count to width x height (64-bit
// areas; the first of equal distances); nothing for an empty list.
std::optional<Resolution> nearest_resolution(const std::vector<Resolution>& sizes, int64_t width,
                                             int64_t height);

// The rate of the list nearest to previous (the first of equal distances);
// previous itself for an empty list.
double nearest_framerate(const std::vector<double>& rates, double previous);

} // namespace app
