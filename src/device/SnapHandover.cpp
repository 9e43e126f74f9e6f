#include "device/SnapHandover.h"

#include <cstring>

namespace app {

kyr_kelvane::image_descriptor SnapHandover::request(std::chrono::milliseconds timeout)
{
    std::lock_guard serial(requestMutex_);
    std::unique_lock lock(mutex_);
    isReady_ = false;
    request_.store(true);
    if (!ready_.wait_for(lock, timeout, [this] { return isReady_; })) {
        request_.store(false);
        snapped_ = {};
        return {};
    }
    return snapped_;
}

bool SnapHandover::offer(const kyr_kelvane::image_descriptor& frame)
{
    if (!request_.load())
        return false;
    {
        std::lock_guard lock(mutex_);
        if (!request_.load())
            return false; // withdrawn meanwhile
        const size_t bytes = frame.byte_size();
        if (buffer_.size() != bytes)
            buffer_.resize(bytes);
        if (bytes > 0 && frame.data)
            std::memcpy(buffer_.data(), frame.data, bytes);
        snapped_ = frame;
        snapped_.data = buffer_.data();
        request_.store(false);
        isReady_ = true;
    }
    ready_.notify_all();
    return true;
}

kyr_kelvane::image_descriptor SnapHandover::snapped() const
{
    std::lock_guard lock(mutex_);
    return snapped_;
}

} // namespace app
