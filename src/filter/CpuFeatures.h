#pragma once

#include <cstddef>
#include <cstdint>

namespace filter {

// The vector instruction sets the image kernels may use. Each kernel runs the
// widest path it has up to the active level; Plain runs the scalar loops that
// every vector path must match byte for byte.
enum class SimdLevel : int32_t {
    Plain = 0,
    SSE2 = 1,       // every x86-64 processor
    SSSE3 = 2,      // byte shuffles
    AVX2 = 3,       // 256-bit integer lanes
    AVX512VBMI = 4, // 512-bit lanes with byte permutes (table lookups)
    Widest = AVX512VBMI,
};

// From this many bytes of source and destination together (a 5 MP grey frame
// and its RGB24 or RGB32 copy; not yet a 1080p pair), an image pair crowds the
// last-level cache of common processors, so neither image is still cached
// when the next frame comes: the wide loops of the converter
// and the orientation transform then write the destination with streaming
// (non-temporal) stores, past the caches, which saves reading each
// destination line in before it is overwritten. Smaller images are written
// through the caches, where the next reader finds them.
constexpr size_t kStreamingBytes = size_t{16} << 20;

// What the processor offers, asked once per process.
//
// mask() bits: 0 MMX, 1 SSE, 2 SSE2, 3 SSE3, 4 SSSE3, 5 SSE4.1, 6 SSE4.2,
// 8 AVX (only when the operating system saves the vector registers), 9 AVX2
// and 10 FMA (fused multiply-add; each only together with AVX). Bit 7 is never
// set. A mask of 16 or more means at least SSSE3. Other architectures report 0.
class CpuFeatures {
public:
    static uint32_t mask();

    // Fused multiply-add, which the AVX2 loops that compute in floating point
    // also use.
    static bool fma() { return (mask() & (1u << 10)) != 0; }

    // The widest level the processor supports.
    static SimdLevel detected();

    // The level the kernels use: the detected level, lowered by limit().
    static SimdLevel active();

    // Caps the level the kernels use, for tests that compare the vector paths
    // with the plain loops and for benchmarks. Process-wide; the default is
    // AVX2 (no cap).
    static void setLimit(SimdLevel limit);
    static SimdLevel limit();
};

// Sets a limit for the life of the object and restores the previous one.
class ScopedSimdLimit {
public:
    explicit ScopedSimdLimit(SimdLevel limit) : previous_(CpuFeatures::limit())
    {
        CpuFeatures::setLimit(limit);
    }
    ~ScopedSimdLimit() { CpuFeatures::setLimit(previous_); }
    ScopedSimdLimit(const ScopedSimdLimit&) = delete;
    ScopedSimdLimit& operator=(const ScopedSimdLimit&) = delete;

private:
    SimdLevel previous_;
};

} // namespace filter
