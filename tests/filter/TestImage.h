#pragma once

// An image buffer for filter tests: owns its bytes and hands out a view.

#include "kyrgx/ImageDescriptor.h"
#include "kyrgx/PixelFormat.h"

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace quorel::test {

class TestImage {
public:
    // padding: extra bytes at the end of every row.
    TestImage(kyrgx::PixelFormat format, uint32_t width, uint32_t height, uint32_t padding = 0,
              uint8_t fill = 0)
        : bytes_(static_cast<size_t>(width * kyrgx::pixel_format_bytes(format) + padding) * height + 1, fill)
    {
        view_.format = format;
        view_.width = width;
        view_.height = height;
        view_.pitch = static_cast<int32_t>(width * kyrgx::pixel_format_bytes(format) + padding);
        view_.data = bytes_.data();
    }

    const kyr_kelvane::image_descriptor& view() const { return view_; }
    kyr_kelvane::image_descriptor& view() { return view_; }
    std::vector<uint8_t>& bytes() { return bytes_; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    int bpp() const { return kyrgx::pixel_format_bytes(view_.format); }

    // Pixel (x, y) of a top-down image.
    uint8_t* at(uint32_t x, uint32_t y)
    {
        return bytes_.data() + static_cast<size_t>(y) * view_.pitch + x * bpp();
    }
    const uint8_t* at(uint32_t x, uint32_t y) const
    {
        return bytes_.data() + static_cast<size_t>(y) * view_.pitch + x * bpp();
    }

    // Noise, four bytes from each draw (images of tens of megabytes fill fast).
    void randomize(uint32_t seed)
    {
        std::mt19937 rng(seed);
        for (size_t i = 0; i < bytes_.size(); i += 4) {
            const uint32_t r = rng();
            for (size_t k = 0; k < 4 && i + k < bytes_.size(); ++k)
                bytes_[i + k] = static_cast<uint8_t>(r >> (8 * k));
        }
    }

    void setPixel(uint32_t x, uint32_t y, const std::vector<uint8_t>& pixel)
    {
        std::memcpy(at(x, y), pixel.data(), pixel.size());
    }
    std::vector<uint8_t> pixel(uint32_t x, uint32_t y) const
    {
        return std::vector<uint8_t>(at(x, y), at(x, y) + bpp());
    }

    // The same picture stored bottom-up (last row first in memory).
    TestImage bottomUpCopy() const
    {
        TestImage copy = *this;
        copy.view_.data = copy.bytes_.data();
        for (uint32_t y = 0; y < view_.height; ++y)
            std::memcpy(copy.bytes_.data() + static_cast<size_t>(view_.height - 1 - y) * view_.pitch,
                        bytes_.data() + static_cast<size_t>(y) * view_.pitch, view_.pitch);
        copy.view_.bottom_up = true;
        return copy;
    }

    TestImage(const TestImage& other) : bytes_(other.bytes_), view_(other.view_)
    {
        view_.data = bytes_.data();
    }
    TestImage& operator=(const TestImage&) = delete;

private:
    std::vector<uint8_t> bytes_;
    kyr_kelvane::image_descriptor view_;
};

} // namespace quorel::test
