#include "filter/CpuFeatures.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define QUOREL_X86 1
#endif

namespace filter {

namespace {

#ifdef QUOREL_X86
uint64_t read_xcr0()
{
    uint32_t eax = 0;
    uint32_t edx = 0;
    __asm__ volatile("xgetbv" : "=a"(eax), "=d"(edx) : "c"(0));
    return (static_cast<uint64_t>(edx) << 32) | eax;
}
#endif

uint32_t query_mask()
{
    uint32_t mask = 0;
#ifdef QUOREL_X86
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return 0;
    const auto bit = [](unsigned reg, int n) { return ((reg >> n) & 1u) != 0; };
    if (bit(edx, 23))
        mask |= 1u << 0; // MMX
    if (bit(edx, 25))
        mask |= 1u << 1; // SSE
    if (bit(edx, 26))
        mask |= 1u << 2; // SSE2
    if (bit(ecx, 0))
        mask |= 1u << 3; // SSE3
    if (bit(ecx, 9))
        mask |= 1u << 4; // SSSE3
    if (bit(ecx, 19))
        mask |= 1u << 5; // SSE4.1
    if (bit(ecx, 20))
        mask |= 1u << 6; // SSE4.2
    // AVX needs the processor's support and the operating system's saving of
    // the XMM and YMM state (XCR0 bits 1 and 2).
    const bool avx = bit(ecx, 27) && bit(ecx, 28) && (read_xcr0() & 0x6) == 0x6;
    if (avx) {
        mask |= 1u << 8;
        if (bit(ecx, 12))
            mask |= 1u << 10; // FMA
        unsigned a7 = 0, b7 = 0, c7 = 0, d7 = 0;
        if (__get_cpuid_count(7, 0, &a7, &b7, &c7, &d7) && bit(b7, 5))
            mask |= 1u << 9; // AVX2
    }
#endif
    return mask;
}

std::atomic<int32_t> g_limit{static_cast<int32_t>(SimdLevel::Widest)};

// AVX-512 with byte permutes: foundation, byte/word and VBMI instructions, and
// the operating system saving the opmask and ZMM state (XCR0 bits 5 to 7).
bool has_avx512_vbmi()
{
#ifdef QUOREL_X86
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || ((ecx >> 27) & 1u) == 0)
        return false;
    if ((read_xcr0() & 0xE6) != 0xE6)
        return false;
    unsigned a7 = 0, b7 = 0, c7 = 0, d7 = 0;
    if (!__get_cpuid_count(7, 0, &a7, &b7, &c7, &d7))
        return false;
    return ((b7 >> 16) & 1u) != 0 && ((b7 >> 30) & 1u) != 0 && ((c7 >> 1) & 1u) != 0;
#else
    return false;
#endif
}

} // namespace

uint32_t CpuFeatures::mask()
{
    static const uint32_t value = query_mask();
    return value;
}

SimdLevel CpuFeatures::detected()
{
    static const SimdLevel level = [] {
        const uint32_t m = mask();
        if ((m & (1u << 9)) && has_avx512_vbmi())
            return SimdLevel::AVX512VBMI;
        if (m & (1u << 9))
            return SimdLevel::AVX2;
        if (m & (1u << 4))
            return SimdLevel::SSSE3;
        if (m & (1u << 2))
            return SimdLevel::SSE2;
        return SimdLevel::Plain;
    }();
    return level;
}

SimdLevel CpuFeatures::active()
{
    const int32_t cap = g_limit.load(std::memory_order_relaxed);
    const auto found = static_cast<int32_t>(detected());
    return static_cast<SimdLevel>(found < cap ? found : cap);
}

void CpuFeatures::setLimit(SimdLevel limit)
{
    g_limit.store(static_cast<int32_t>(limit), std::memory_order_relaxed);
}

SimdLevel CpuFeatures::limit()
{
    return static_cast<SimdLevel>(g_limit.load(std::memory_order_relaxed));
}

} // namespace filter
