#pragma once

#include <utility>

namespace vsx {

// One reference to a reference-counted handle of the camera library: made from
// a handle it takes a reference, destroyed it releases it, copied it takes
// another. A null handle is allowed everywhere.
template <typename T, void (*Ref)(T*), void (*Unref)(T*)>
class SdkHandle {
public:
    SdkHandle() = default;
    explicit SdkHandle(T* handle) : handle_(handle) { Ref(handle_); }
    SdkHandle(const SdkHandle& other) : handle_(other.handle_) { Ref(handle_); }
    SdkHandle(SdkHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    SdkHandle& operator=(SdkHandle other) noexcept
    {
        std::swap(handle_, other.handle_);
        return *this;
    }
    ~SdkHandle() { Unref(handle_); }

    // For a handle the library handed out with a reference of its own: that
    // reference becomes this object's.
    static SdkHandle adopt(T* handle)
    {
        SdkHandle owner;
        owner.handle_ = handle;
        return owner;
    }

    T* get() const { return handle_; }

private:
    T* handle_ = nullptr;
};

}  // namespace vsx
