#include "device/VideoDeviceController.h"

#include "device/FeatureAccess.h"

#include <array>
#include <optional>
#include <spdlog/spdlog.h>
#include <stdexcept>

// One-push autofocus in both feature families.

namespace app {

// ---------------------------------------------------------------- autofocus

int32_t VideoDeviceController::transportLayerType() const
{
    if (!grabber_)
        return 0;
    vsx::Error err(vsx::Error::Record);
    const vsx::DeviceInfo info = grabber_->deviceInfo(err);
    const vsx::DeviceInterface itf = info ? info.deviceInterface(err) : vsx::DeviceInterface();
    if (itf.empty())
        return 0;
    const int type = itf.tlType(err);
    return err.code == vsx::Error::kNoError ? type : 0;
}

std::pair<int32_t, int32_t> VideoDeviceController::sensorOffset() const
{
    std::pair<int32_t, int32_t> offset{0, 0};
    if (!grabber_)
        return offset;
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber_->devicePropertyMap(err);
    if (!map)
        return offset;
    const auto read = [&](const char* name, int32_t& out) {
        vsx::Error local(vsx::Error::Record);
        if (const vsx::PropInteger feature = map.findInteger(name, local)) {
            const int64_t value = feature.value(local);
            if (local.code == vsx::Error::kNoError)
                out = static_cast<int32_t>(value);
        }
    };
    read("OffsetX", offset.first);
    read("OffsetY", offset.second);
    return offset;
}

bool VideoDeviceController::hasAutoFocus()
{
    checkDevice();
    try {
        if (transportLayerType() != 0)
            return hasProperty("FocusAuto") || hasProperty("AutoFocusROIEnable");
        return hasProperty("Focus_One_Push") || hasProperty("Focus_Enable_Region_of_Interest");
    } catch (const std::exception& e) {
        spdlog::error("{}", e.what());
        return false;
    }
}

void VideoDeviceController::setAutoFocusROI(bool enable)
{
    checkDevice();
    const char* feature =
        transportLayerType() != 0 ? "AutoFocusROIEnable" : "Focus_Enable_Region_of_Interest";
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber_->devicePropertyMap(err);
    const vsx::PropBoolean region = map ? map.findBoolean(feature, err) : vsx::PropBoolean();
    if (!region || !region.setValue(enable, err))
        throw std::runtime_error("Focus_Enable_Region_of_Interest / AutoFocusROIEnable is not available.");
}

void VideoDeviceController::startAutoFocus(kyrgx::Vec2<int> point)
{
    checkDevice();
    if (transportLayerType() != 0)
        focusAutoAt(point);
    else
        focusOnePushAt(point);
}

namespace {

// The features of one focus run, found before anything is written.
struct FocusFeatures {
    vsx::PropCommand run;
    vsx::PropBoolean region;
    vsx::PropInteger values[4];
};

// Finds the run's features; logs the library's message and gives nothing when
// one of them is missing.
std::optional<FocusFeatures> find_focus_features(const vsx::Grabber& grabber, const char* command,
                                                 const char* region, const std::array<const char*, 4>& values)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber.devicePropertyMap(err);
    FocusFeatures found;
    bool complete = static_cast<bool>(map);
    if (complete)
        complete = static_cast<bool>(found.run = map.findCommand(command, err));
    if (complete)
        complete = static_cast<bool>(found.region = map.findBoolean(region, err));
    for (size_t i = 0; complete && i < values.size(); ++i)
        complete = static_cast<bool>(found.values[i] = map.findInteger(values[i], err));
    if (!complete) {
        spdlog::error("{}", err.message());
        return std::nullopt;
    }
    return found;
}

// Switches the region on, writes its four values and runs the command.
void run_focus(const FocusFeatures& focus, const std::array<int64_t, 4>& values)
{
    vsx::Error err(vsx::Error::Record);
    if (!focus.region.setValue(true, err)) {
        spdlog::error("{}", err.message());
        return;
    }
    for (size_t i = 0; i < values.size(); ++i)
        set_integer_clamped(focus.values[i], values[i]);
    if (!focus.run.execute(err))
        spdlog::error("{}", err.message());
}

} // namespace

void VideoDeviceController::focusAutoAt(kyrgx::Vec2<int> point)
{
    checkDevice();
    const auto focus = find_focus_features(
        *grabber_, "FocusAuto", "AutoFocusROIEnable",
        {"AutoFocusROILeft", "AutoFocusROITop", "AutoFocusROIWidth", "AutoFocusROIHeight"});
    if (!focus)
        return;
    const auto [offsetX, offsetY] = sensorOffset();
    const int64_t x = int64_t{point.x} + offsetX;
    const int64_t y = int64_t{point.y} + offsetY;
    run_focus(*focus, {x - 16, y - 16, 32, 32});
}

void VideoDeviceController::focusOnePushAt(kyrgx::Vec2<int> point)
{
    checkDevice();
    const auto focus = find_focus_features(*grabber_, "Focus_One_Push", "Focus_Enable_Region_of_Interest",
                                           {"Focus_Left", "Focus_Top", "Focus_Right", "Focus_Bottom"});
    if (!focus)
        return;
    int64_t x = point.x;
    int64_t y = point.y;
    // The region is in sensor pixels: undo the binning first.
    if (currentBinning_.horizontal != 0 || currentBinning_.vertical != 0) {
        x *= currentBinning_.horizontal;
        y *= currentBinning_.vertical;
    }
    const auto [offsetX, offsetY] = sensorOffset();
    x += offsetX;
    y += offsetY;
    run_focus(*focus, {x - 64, y - 64, x + 64, y + 64});
}

} // namespace app
