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

// Every form of new and delete is replaced, so that memory always comes from
// and goes back to malloc and free (the sanitizers report a pair that mixes a
// replaced form with one of the library's).
namespace quorel::test::detail {

inline void* counted_malloc(std::size_t size, std::size_t alignment) noexcept
{
    ++t_allocations;
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (alignment <= alignof(std::max_align_t))
        return std::malloc(size == 0 ? 1 : size);
    const std::size_t rounded =
        (size + alignment - 1) / alignment * alignment; // aligned_alloc wants a multiple
    return std::aligned_alloc(alignment, rounded == 0 ? alignment : rounded);
}

inline void* counted_new(std::size_t size, std::size_t alignment)
{
    if (void* p = counted_malloc(size, alignment))
        return p;
    throw std::bad_alloc();
}

} // namespace quorel::test::detail

void* operator new(std::size_t size)
{
    return quorel::test::detail::counted_new(size, 0);
}
void* operator new[](std::size_t size)
{
    return quorel::test::detail::counted_new(size, 0);
}
void* operator new(std::size_t size, std::align_val_t al)
{
    return quorel::test::detail::counted_new(size, static_cast<std::size_t>(al));
}
void* operator new[](std::size_t size, std::align_val_t al)
{
    return quorel::test::detail::counted_new(size, static_cast<std::size_t>(al));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return quorel::test::detail::counted_malloc(size, 0);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return quorel::test::detail::counted_malloc(size, 0);
}
void* operator new(std::size_t size, std::align_val_t al, const std::nothrow_t&) noexcept
{
    return quorel::test::detail::counted_malloc(size, static_cast<std::size_t>(al));
}
void* operator new[](std::size_t size, std::align_val_t al, const std::nothrow_t&) noexcept
{
    return quorel::test::detail::counted_malloc(size, static_cast<std::size_t>(al));
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
void operator delete(void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    std::free(p);
}
