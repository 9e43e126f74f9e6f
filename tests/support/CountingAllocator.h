#pragma once

// Replaces the global allocation functions of a test binary with ones that
// count every allocation, per thread and in all. Include it in exactly one
// source file of a binary that checks a code path allocates nothing.

#include <atomic>
#include <cstdlib>
#include <new>

namespace quorel::test {

inline thread_local long t_allocations = 0;
inline std::atomic<long> g_allocations{0};

// Allocations made so far by the calling thread.
inline long thread_allocations()
{
    return t_allocations;
}
// Allocations made so far by all threads.
inline long all_allocations()
{
    return g_allocations.load(std::memory_order_relaxed);
}

} // namespace quorel::test

void* operator new(std::size_t size)
{
    ++quorel::test::t_allocations;
    quorel::test::g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
