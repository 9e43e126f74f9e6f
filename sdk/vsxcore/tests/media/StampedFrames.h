#pragma once

#include "TestImages.h"
#include "VideoProbe.h"

#include <cstdint>
#include <vector>

namespace vsxsim::media::test {

// Frame `index` shows one bright block on black at grid cell `index` (row by
// row, cells of `block` pixels), so decoded frames tell their number.
struct Stamp {
    uint32_t width;
    uint32_t height;
    uint32_t block;
    uint32_t columns() const { return width / block; }
    uint32_t cells() const { return columns() * (height / block); }
};

TestImage stamped_frame(uint32_t format, const Stamp& stamp, uint32_t index, size_t extra_pitch = 0);
// The frames of the recorder that a test kills (RecordUntilKilled.cpp).
constexpr Stamp kRecorderStamp{160, 128, 8};

// The cell of the brightest block.
int read_stamp(const DecodedFrame& frame, const Stamp& stamp);
std::vector<int> stamps_of(const ProbedVideo& video, const Stamp& stamp);
// 0, 1, ..., n - 1.
std::vector<int> count_up(int n);

} // namespace vsxsim::media::test
