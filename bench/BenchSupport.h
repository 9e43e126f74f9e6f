#pragma once

// Shared helpers of the image benchmarks: frame buffers, the memcpy reference
// and the ratio counters printed beside every row.
//
// Every row reports x_memcpy, its time divided by the time of memcpy of the
// same output bytes (1.0 = as fast as copying the result), and, when OpenCV is
// available, x_opencv, its time divided by OpenCV's nearest equivalent on one
// thread (below 1.0 = faster than OpenCV). A kernel that reads more bytes
// than it writes (luminance, 16 to 8 bits) also reports x_memcpy_in, its time
// divided by memcpy of the input bytes: the bound its memory traffic sets.

#include "kyrgx/ImageDescriptor.h"
#include "kyrgx/PixelFormat.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

namespace quorel::bench {

// An image buffer with its view; filled with noise so no path sees zeros only.
class Frame {
public:
    Frame(kyrgx::PixelFormat format, uint32_t width, uint32_t height)
        : bytes_(static_cast<size_t>(width) * kyrgx::pixel_format_bytes(format) * height)
    {
        uint32_t x = 2463534242u ^ width ^ (height << 16);
        for (uint8_t& b : bytes_) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            b = static_cast<uint8_t>(x);
        }
        view_.format = format;
        view_.width = width;
        view_.height = height;
        view_.pitch = static_cast<int32_t>(width * kyrgx::pixel_format_bytes(format));
        view_.data = bytes_.data();
    }
    const kyr_kelvane::image_descriptor& view() const { return view_; }
    uint8_t* data() { return bytes_.data(); }
    size_t size() const { return bytes_.size(); }

private:
    std::vector<uint8_t> bytes_;
    kyr_kelvane::image_descriptor view_;
};

// Best of several runs of a piece of work, in seconds.
inline double best_seconds(const std::function<void()>& work, int runs = 15)
{
    work(); // warm caches and page mappings
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        work();
        const auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
    }
    return best;
}

// memcpy of this many bytes between two buffers, measured once per size.
inline double memcpy_seconds(size_t bytes)
{
    static std::map<size_t, double> cache;
    const auto it = cache.find(bytes);
    if (it != cache.end())
        return it->second;
    std::vector<uint8_t> a(bytes, 1), b(bytes, 2);
    const double s = best_seconds([&] {
        std::memcpy(b.data(), a.data(), bytes);
        benchmark::ClobberMemory();
    });
    cache[bytes] = s;
    return s;
}

// Runs the work in the benchmark loop, timing each iteration, and adds the
// ratio counters. referenceSeconds <= 0 leaves x_opencv out.
inline void run_timed(benchmark::State& state, const std::function<void()>& work, size_t outputBytes,
                      double referenceSeconds = 0, size_t inputBytes = 0)
{
    double total = 0;
    int64_t n = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        work();
        benchmark::ClobberMemory();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ++n;
    }
    const double mean = n > 0 ? total / static_cast<double>(n) : 0;
    state.counters["x_memcpy"] = mean / memcpy_seconds(outputBytes);
    if (inputBytes > outputBytes)
        state.counters["x_memcpy_in"] = mean / memcpy_seconds(inputBytes);
    if (referenceSeconds > 0)
        state.counters["x_opencv"] = mean / referenceSeconds;
    state.SetBytesProcessed(static_cast<int64_t>(outputBytes) * state.iterations());
}

} // namespace quorel::bench
