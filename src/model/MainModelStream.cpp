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

void MainModel::apply_stopped(const char* operation, const std::function<void(VideoDeviceController&)>& apply)
{
    const auto instance = selected_instance();
    if (!instance)
        return log_no_device(operation);
    VideoDeviceController& controller = *instance->controller();
    if (!controller.isLive()) {
        apply(controller);
        return;
    }
    stop();
    apply(controller); // a refused value leaves the stream stopped
    start();
}

void MainModel::set_framerate(float rate)
{
    apply_stopped("set_framerate", [&](VideoDeviceController& c) { c.setFramerate(rate); });
}

void MainModel::set_inputchannel(std::string name)
{
    apply_stopped("set_inputchannel", [&](VideoDeviceController& c) { c.set_inputchannel(name); });
}

void MainModel::set_videoformat(std::string pixelFormat, kyrgx::Vec2<int> size)
{
    apply_stopped("set_videoformat",
                  [&](VideoDeviceController& c) { c.setVideoformat(pixelFormat, size.x, size.y); });
}

void MainModel::set_videonorm(std::string name)
{
    apply_stopped("set_videonorm", [&](VideoDeviceController& c) { c.set_videonorm(name); });
}

void MainModel::set_BinningMode(std::string text)
{
    apply_stopped("set_BinningMode", [&](VideoDeviceController& c) { c.setBinningSkippingValue(text); });
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
