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

// As run_timed, but the peer runs in the same loop, so both meet the same
// load of a shared machine and are timed the same number of times: every
// iteration runs the work once untimed and then kRuns times timed, and the
// peer likewise, so each kernel is timed as a stream of frames through it
// leaves the caches. Register the benchmark with UseManualTime(): an
// iteration's time is the mean of the work's timed runs. x_opencv is the
// work's fastest run divided by the peer's fastest run (the least disturbed
// run of each); x_opencv_median the same for the medians. An empty peer
// leaves both out. x_memcpy and x_memcpy_in are those of run_timed.
inline void run_paired(benchmark::State& state, const std::function<void()>& work,
                       const std::function<void()>& peer, size_t outputBytes, size_t inputBytes = 0)
{
    using Clock = std::chrono::steady_clock;
    constexpr int kRuns = 3;
    const auto timed = [](const std::function<void()>& f, std::vector<double>& runs) {
        f();
        double sum = 0;
        for (int i = 0; i < kRuns; ++i) {
            const auto t0 = Clock::now();
            f();
            benchmark::ClobberMemory();
            runs.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
            sum += runs.back();
        }
        return sum / kRuns;
    };
    std::vector<double> ours, theirs;
    double total = 0;
    for (auto _ : state) {
        const double s = timed(work, ours);
        state.SetIterationTime(s);
        total += s;
        if (peer)
            timed(peer, theirs);
    }
    if (ours.empty())
        return;
    const double mean = total / static_cast<double>(state.iterations());
    state.counters["x_memcpy"] = mean / memcpy_seconds(outputBytes);
    if (inputBytes > outputBytes)
        state.counters["x_memcpy_in"] = mean / memcpy_seconds(inputBytes);
    if (!theirs.empty()) {
        const auto median = [](std::vector<double> v) {
            std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
            return v[v.size() / 2];
        };
        state.counters["x_opencv"] =
            *std::min_element(ours.begin(), ours.end()) / *std::min_element(theirs.begin(), theirs.end());
        state.counters["x_opencv_median"] = median(ours) / median(theirs);
    }
    state.SetBytesProcessed(static_cast<int64_t>(outputBytes) * state.iterations());
}

} // namespace quorel::bench
