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

bool SnapHandover::post(Receiver receiver)
{
    std::lock_guard lock(mutex_);
    if (receiver_)
        return false;
    receiver_ = std::move(receiver);
    posted_.store(static_cast<bool>(receiver_));
    return true;
}

bool SnapHandover::withdraw()
{
    Receiver dropped; // let go outside the lock
    std::lock_guard lock(mutex_);
    dropped = std::move(receiver_);
    receiver_ = nullptr;
    posted_.store(false);
    return static_cast<bool>(dropped);
}

bool SnapHandover::offer(const kyr_kelvane::image_descriptor& frame)
{
    if (!request_.load() && !posted_.load())
        return false;
    bool copied = false;
    Receiver receiver;
    {
        std::lock_guard lock(mutex_);
        if (request_.load()) {
            const size_t bytes = frame.byte_size();
            if (buffer_.size() != bytes)
                buffer_.resize(bytes);
            if (bytes > 0 && frame.data)
                std::memcpy(buffer_.data(), frame.data, bytes);
            snapped_ = frame;
            snapped_.data = buffer_.data();
            request_.store(false);
            isReady_ = true;
            copied = true;
        }
        receiver = std::move(receiver_);
        receiver_ = nullptr;
        posted_.store(false);
    }
    if (copied)
        ready_.notify_all();
    // The receiver may take its time (a large copy): neither a request nor a
    // new receiver waits for it.
    if (receiver)
        receiver(frame);
    return copied || static_cast<bool>(receiver);
}

kyr_kelvane::image_descriptor SnapHandover::snapped() const
{
    std::lock_guard lock(mutex_);
    return snapped_;
}

} // namespace app
