#include "device/VideoDeviceController.h"

#include "device/CallbackGuard.h"
#include "device/FeatureAccess.h"

#include <spdlog/spdlog.h>

// The camera's property notifications: the controller's own handlers for the
// trigger mode and the LUT features, and the registrations of other components.

namespace app {

// ---------------------------------------------------------------- notifications

void VideoDeviceController::registerNotifications()
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber_ ? grabber_->devicePropertyMap(err) : vsx::PropertyMap();
    if (!map)
        return;
    if (has_feature(map, "TriggerMode")) {
        registerNotification("TriggerMode", [this](vsx::Property& p) { onTriggerMode(p); });
        vsx::Error local(vsx::Error::Record);
        if (const vsx::PropEnumeration mode = map.findEnumeration("TriggerMode", local)) {
            const vsx::Property entry = mode.selectedEntry(vsx::Error::ignoreRecord());
            triggerMode_ = entry && entry.name() == "On";
        }
    } else {
        triggerMode_ = false;
    }
    if (has_feature(map, "LUTSelector"))
        registerNotification("LUTSelector", [this](vsx::Property& p) { onLutSelector(p); });
    if (has_feature(map, "LUTEnable"))
        registerNotification("LUTEnable", [this](vsx::Property& p) { onLutEnable(p); });
    if (has_feature(map, "LUTValue"))
        registerNotification("LUTValue", [this](vsx::Property& p) { onLutValue(p, onLutValueChanged); });
    if (has_feature(map, "LUTIndex"))
        registerNotification("LUTIndex", [this](vsx::Property& p) { onLutValue(p, onLutIndexChanged); });
}

void* VideoDeviceController::registerNotification(const std::string& name,
                                                  const vsx::NotificationHandler& handler)
{
    try {
        if (!grabber_)
            return nullptr;
        vsx::Error err(vsx::Error::Record);
        const vsx::PropertyMap map = grabber_->devicePropertyMap(err);
        const vsx::Property feature = map ? map.find(name, err) : vsx::Property();
        if (!feature)
            return nullptr;
        // One registration per name: the one it replaces would call twice and
        // outlive the close.
        if (notifications_.count(name) != 0)
            unregisterNotification(name);
        // The handler reaches the controller (and whatever it captured) only
        // through the gate, which the controller closes when the registration
        // ends, whether or not the library lets go of it.
        auto gate = std::make_shared<NotificationGate>();
        void* token = feature.eventAddNotification([handler, gate](vsx::Property& p) {
            gate->pass(
                [&] { vsx::guard_callback("VideoDeviceController::notification", [&] { handler(p); }); });
        });
        if (token != nullptr)
            notifications_[name] = Registration{token, std::move(gate)};
        return token;
    } catch (const std::exception& e) {
        spdlog::error("Failed to register device notification: {} [{}]", name, e.what());
        return nullptr;
    }
}

void VideoDeviceController::unregisterNotification(const std::string& name)
{
    if (!grabber_)
        return;
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber_->devicePropertyMap(err);
    if (!map)
        return;
    const auto it = notifications_.find(name);
    if (it == notifications_.end())
        return;
    const Registration registration = it->second;
    notifications_.erase(it);
    registration.gate->close();
    if (const vsx::Property feature = map.find(name, err))
        feature.eventRemoveNotification(registration.token);
}

void VideoDeviceController::unregisterAllNotifications()
{
    std::map<std::string, Registration> registrations;
    registrations.swap(notifications_);
    for (const auto& entry : registrations)
        entry.second.gate->close();
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = grabber_ ? grabber_->devicePropertyMap(err) : vsx::PropertyMap();
    if (!map)
        return;
    for (const auto& [name, registration] : registrations) {
        try {
            vsx::Error local(vsx::Error::Record);
            if (const vsx::Property feature = map.find(name, local))
                feature.eventRemoveNotification(registration.token);
        } catch (const std::exception& e) {
            spdlog::error("Failed to unregister device notification: {} [{}]", name, e.what());
        }
    }
}

std::vector<std::string> VideoDeviceController::registeredNotifications() const
{
    std::vector<std::string> names;
    for (const auto& entry : notifications_)
        names.push_back(entry.first);
    return names;
}

void VideoDeviceController::onTriggerMode(vsx::Property& property)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropEnumeration mode = property.asEnumeration(err);
    const vsx::Property entry = mode ? mode.selectedEntry(err) : vsx::Property();
    if (!entry) {
        triggerMode_ = false;
        return;
    }
    const bool on = entry.name(err) == "On";
    triggerMode_ = on;
    // In trigger mode a quiet camera is waiting, not stalled.
    watchdog_.rearm(clock_(), !on);
}

void VideoDeviceController::onLutSelector(vsx::Property& property)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropEnumeration selector = property.asEnumeration(err);
    if (!selector || !onLutSelectorChanged)
        return;
    const vsx::Property entry = selector.selectedEntry(err);
    if (entry)
        onLutSelectorChanged(entry.name(vsx::Error::ignoreRecord()));
}

void VideoDeviceController::onLutEnable(vsx::Property& property)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropBoolean enable = property.asBoolean(err);
    if (!enable || !onLutEnableChanged)
        return;
    const bool value = enable.value(err);
    if (err.code != vsx::Error::kNoError) {
        spdlog::error("VideoDeviceController: LUTEnable could not be read: {}", err.message());
        return;
    }
    onLutEnableChanged(value);
}

void VideoDeviceController::onLutValue(vsx::Property& property, GuardedCallback<void(int64_t)>& callback)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropInteger feature = property.asInteger(err);
    if (!feature || !callback)
        return;
    const int64_t value = feature.value(err);
    if (err.code != vsx::Error::kNoError) {
        spdlog::error("VideoDeviceController: {} could not be read: {}",
                      property.name(vsx::Error::ignoreRecord()), err.message());
        return;
    }
    callback(value);
}

} // namespace app
