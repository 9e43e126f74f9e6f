// The selected camera's stream: start, stop, pause, the format setters, snaps
// and autofocus.

#include "model/MainModel.h"

#include "device/VideoDeviceController.h"
#include "model/DeviceInstance.h"

#include <spdlog/spdlog.h>

namespace app {

namespace {

void log_no_device(const char* operation)
{
    spdlog::error("MainModel::{}() failed: No device selected.", operation);
}

} // namespace

void MainModel::start()
{
    const auto instance = selected_instance();
    if (!instance) {
        log_no_device("start");
        return;
    }
    const auto controller = instance->controller();
    try {
        raise_event(starting, nullptr, controller);
        controller->startLive();
    } catch (...) {
        try {
            raise_event(start_failed, nullptr, controller);
        } catch (const std::exception& e) {
            spdlog::error("MainModel::start() failed: {}", e.what());
        }
    }
}

void MainModel::stop()
{
    const auto instance = selected_instance();
    if (!instance) {
        log_no_device("stop");
        return;
    }
    try {
        instance->controller()->stopLive();
    } catch (...) {
    }
}

bool MainModel::pause_resume()
{
    const auto instance = selected_instance();
    if (!instance) {
        log_no_device("pause_resume");
        return true;
    }
    const auto controller = instance->controller();
    if (controller->isPaused()) {
        controller->resume();
        return true;
    }
    controller->pause();
    return false;
}

namespace {

// Applies a change the camera refuses while live: stops a live stream first
// and starts it again afterwards.
template <class Apply> void apply_stopped(MainModel& model, VideoDeviceController& controller, Apply apply)
{
    if (!controller.isLive()) {
        apply();
        return;
    }
    model.stop();
    apply();
    model.start();
}

} // namespace

void MainModel::set_framerate(float rate)
{
    const auto instance = selected_instance();
    if (!instance)
        return log_no_device("set_framerate");
    auto& controller = *instance->controller();
    apply_stopped(*this, controller, [&] { controller.setFramerate(rate); });
}

void MainModel::set_inputchannel(std::string name)
{
    const auto instance = selected_instance();
    if (!instance)
        return log_no_device("set_inputchannel");
    auto& controller = *instance->controller();
    apply_stopped(*this, controller, [&] { controller.set_inputchannel(name); });
}

void MainModel::set_videoformat(std::string pixelFormat, kyrgx::Vec2<int> size)
{
    const auto instance = selected_instance();
    if (!instance)
        return log_no_device("set_videoformat");
    auto& controller = *instance->controller();
    apply_stopped(*this, controller, [&] { controller.setVideoformat(pixelFormat, size.x, size.y); });
}

void MainModel::set_videonorm(std::string name)
{
    const auto instance = selected_instance();
    if (!instance)
        return log_no_device("set_videonorm");
    auto& controller = *instance->controller();
    apply_stopped(*this, controller, [&] { controller.set_videonorm(name); });
}

void MainModel::set_BinningMode(std::string text)
{
    const auto instance = selected_instance();
    if (!instance)
        return log_no_device("set_BinningMode");
    auto& controller = *instance->controller();
    apply_stopped(*this, controller, [&] { controller.setBinningSkippingValue(text); });
}

kyr_kelvane::image_descriptor MainModel::snap_image()
{
    const auto instance = selected_instance();
    if (!instance) {
        log_no_device("snap_image");
        return {};
    }
    return instance->controller()->snapImage();
}

void MainModel::startAutoFocus()
{
    const auto instance = selected_instance();
    if (!instance)
        return log_no_device("startAutoFocus");
    try {
        instance->controller()->startAutoFocus(pickPixel());
    } catch (const std::exception&) {
    }
}

void MainModel::startAutoFocus(bool on)
{
    const auto instance = selected_instance();
    if (!instance)
        return log_no_device("startAutoFocus");
    try {
        instance->controller()->setAutoFocusROI(on);
    } catch (const std::exception&) {
    }
}

} // namespace app
