// The frame handler, the colour pick and the GUI tick.

#include "model/MainModel.h"

#include "app/Clock.h"
#include "device/VideoDeviceController.h"
#include "model/DeviceInstance.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <spdlog/spdlog.h>

namespace app {

namespace {

uint64_t pack_point(kyrgx::Vec2<float> point)
{
    uint32_t x = 0;
    uint32_t y = 0;
    std::memcpy(&x, &point.x, sizeof x);
    std::memcpy(&y, &point.y, sizeof y);
    return static_cast<uint64_t>(y) << 32 | x;
}

kyrgx::Vec2<float> unpack_point(uint64_t packed)
{
    const uint32_t x = static_cast<uint32_t>(packed);
    const uint32_t y = static_cast<uint32_t>(packed >> 32);
    kyrgx::Vec2<float> point;
    std::memcpy(&point.x, &x, sizeof x);
    std::memcpy(&point.y, &y, sizeof y);
    return point;
}

int truncate_coordinate(float value)
{
    if (std::isnan(value))
        return 0;
    constexpr float kLimit = 2147483520.0f; // the largest float below 2^31
    return static_cast<int>(std::max(-kLimit, std::min(kLimit, value)));
}

kyrgx::Color color_of(const std::array<uint8_t, 4>& rgba)
{
    return {rgba[0], rgba[1], rgba[2], rgba[3]};
}

// Restores a controller's stall check however the report ends.
class StallCheckPause {
public:
    explicit StallCheckPause(VideoDeviceController& controller) : controller_(controller)
    {
        controller_.setStallCheck(false);
    }
    ~StallCheckPause() { controller_.setStallCheck(true); }
    StallCheckPause(const StallCheckPause&) = delete;
    StallCheckPause& operator=(const StallCheckPause&) = delete;

private:
    VideoDeviceController& controller_;
};

} // namespace

kyrgx::Vec2<float> MainModel::pickPoint() const
{
    return unpack_point(pickPoint_.load(std::memory_order_acquire));
}

kyrgx::Vec2<int> MainModel::pickPixel() const
{
    const kyrgx::Vec2<float> point = pickPoint();
    return {truncate_coordinate(point.x), truncate_coordinate(point.y)};
}

void MainModel::on_image(VideoDeviceController& controller, const kyr_kelvane::image_descriptor& frame)
{
    // A subscriber's failure (the live view, the histogram, a plug-in's frame
    // hook) must not cost the frame its colour pick and its sequence capture.
    try {
        raise_event(frame_received, nullptr, &controller, frame);
    } catch (const std::exception& e) {
        report_frame_failure(e.what());
    }

    try {
        if (pickRequested_.load(std::memory_order_acquire)) {
            const auto selected = selected_instance();
            if (selected && selected->controller().get() == &controller) {
                const kyrgx::Vec2<int> pixel = pickPixel();
                pickedColor_.store(color_of(controller.pixelColor(pixel.x, pixel.y)).packed(),
                                   std::memory_order_relaxed);
                pickReady_.exchange(true, std::memory_order_acq_rel);
            }
        }
        if (const auto instance = instance_of(controller))
            instance->sequence.onFrame(frame);
    } catch (const std::exception& e) {
        spdlog::error("Failed to pick color. what(): {}", e.what());
    }
}

void MainModel::report_frame_failure(const char* what)
{
    const int64_t now = steady_ms();
    int64_t last = lastFrameFailureLog_.load(std::memory_order_relaxed);
    if (now - last < 1000 || !lastFrameFailureLog_.compare_exchange_strong(last, now)) {
        unreportedFrameFailures_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    const uint32_t unreported = unreportedFrameFailures_.exchange(0, std::memory_order_relaxed);
    if (unreported == 0)
        spdlog::error("MainModel::on_image() failed: {}", what);
    else
        spdlog::error("MainModel::on_image() failed: {} ({} more failures since the last report)", what,
                      unreported);
}

void MainModel::pick_color(vsx::DeviceInfo device, kyrgx::Vec2<float> point)
{
    pickPoint_.store(pack_point(point), std::memory_order_release);
    pickRequested_.exchange(true, std::memory_order_acq_rel);

    // A paused camera sends no frames: answer from its paused frame now.
    const auto instance = selected_instance();
    if (!instance)
        return;
    const auto controller = instance->controller();
    if (!controller->isPaused() || !(controller->deviceInfo() == device))
        return;
    const kyrgx::Vec2<int> pixel = pickPixel();
    const kyrgx::Color color = color_of(controller->pixelColor(pixel.x, pixel.y));
    raise_event(color_picked, nullptr, pixel, color);
}

void MainModel::tick()
{
    try {
        if (pickReady_.exchange(false, std::memory_order_acq_rel)) {
            const kyrgx::Color color = kyrgx::Color::fromPacked(pickedColor_.load(std::memory_order_relaxed));
            raise_event(color_picked, nullptr, pickPixel(), color);
        }
    } catch (const std::exception& e) {
        spdlog::error("MainModel::tick() failed: {}", e.what());
    }

    tickControllers_.clear();
    {
        std::lock_guard lock(mutex_);
        for (const auto& entry : devices_)
            tickControllers_.push_back(entry.second->controller());
    }
    lostControllers_.clear();
    for (const auto& controller : tickControllers_) {
        try {
            if (controller->isDeviceLost()) {
                lostControllers_.push_back(controller);
                raise_event(device_lost, nullptr, controller);
            } else if (controller->isStreamStalled()) {
                StallCheckPause pause(*controller);
                raise_event(no_images, nullptr, controller);
            }
        } catch (const std::exception& e) {
            spdlog::error("MainModel::tick() failed: {}", e.what());
        }
    }
    tickControllers_.clear();

    for (const auto& controller : lostControllers_) {
        try {
            close_device_by_info(controller->deviceInfo(), true, true);
        } catch (const std::exception& e) {
            spdlog::error("MainModel::tick() failed: {}", e.what());
        }
    }
    lostControllers_.clear();
}

} // namespace app
