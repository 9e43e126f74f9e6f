#pragma once

#include <atomic>
#include <cstdint>

namespace vsxsim {

enum class HandleKind : uint32_t {
    DevEnum = 1,
    DevItf,
    DevInfo,
    Grabber,
    PropMap,
    Prop,
    PropList,
    Sink,
    Display,
    ImageBuffer,
    VideoWriter,
};
constexpr int kHandleKindCount = 12;
const char* handle_kind_name(HandleKind kind);

// Header of every object behind an opaque vsx_ handle: a magic number and a kind
// tag that every entry point checks, and an intrusive reference count.
//
// add_ref/release are the internal counts; the API layer additionally counts the
// references held by the caller per kind (external_*), which the statistics report.
class Handle {
public:
    static constexpr uint32_t kMagic = 0x48585356u;

    explicit Handle(HandleKind kind) : kind_(kind) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HandleKind kind() const { return kind_; }

    virtual void add_ref() { refs_.fetch_add(1, std::memory_order_relaxed); }
    virtual void release()
    {
        if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1)
            on_last_release();
    }
    int ref_count() const { return refs_.load(std::memory_order_acquire); }

    // A reference that now belongs to the caller of an entry point.
    void hand_out();
    // The caller gives one reference back.
    void take_back();
    // An existing reference is handed to the caller.
    void count_external();

    // Checks a pointer received from the caller; null when it is not a live
    // handle of this kind.
    static Handle* check(const void* p, HandleKind kind);

    static int external_count(HandleKind kind);
    static void reset_external_counts();

protected:
    virtual ~Handle();
    virtual void on_last_release() { delete this; }
    void set_ref_count(int n) { refs_.store(n, std::memory_order_release); }

private:
    volatile uint32_t magic_ = kMagic;
    HandleKind kind_;
    std::atomic<int> refs_{1};
};

// The opaque C pointer of a handle.
template <class C> C* to_c(Handle* h)
{
    return reinterpret_cast<C*>(h);
}

template <class T> T* checked(const void* p, HandleKind kind)
{
    return static_cast<T*>(Handle::check(p, kind));
}

} // namespace vsxsim
