#pragma once

#include "device/Property.h"
#include "panels/NotificationLink.h"
#include "panels/PropertyInterfaceBase.h"
#include "panels/StrictRecord.h"

#include <spdlog/spdlog.h>
#include <string>
#include <utility>

namespace VSXUtil {

// Codes of the camera library the wrappers look at.
inline constexpr int kIncrementFixed = 0;
inline constexpr int kIncrementValidSet = 1;
inline constexpr int kVisibilityInvisible = 3;

// The name a wrapper's messages carry: "<item>/<element>" of its owner.
std::string property_log_path(const PropertyElement* owner);

// Binds a typed interface to one feature of the camera library: the handle,
// the state queries and the change notification, registered when the wrapper
// is made (a refusal throws out of the constructor).
//
// Every concrete wrapper calls detach() first thing in its destructor, so the
// notification is gone before any of its fields are.
template <typename Feature, typename Interface> class PropertyInterface : public Interface {
public:
    PropertyInterface(PropertyElement* owner, PropertyInterfaceType type, Feature feature)
        : owner_(owner), type_(type), property_(std::move(feature)), link_(this)
    {
        link_.enable(property_);
    }
    ~PropertyInterface() override { detach(); }
    PropertyInterface(const PropertyInterface&) = delete;
    PropertyInterface& operator=(const PropertyInterface&) = delete;

    bool isAvailable() override { return property_.isAvailable(strict_record()); }
    bool isReadOnly() override { return property_.isReadonly(strict_record()); }
    bool isLocked() override { return property_.isLocked(strict_record()); }
    bool isVisible() override { return property_.visibility(strict_record()) != kVisibilityInvisible; }
    void update() override {}
    void enableNotification() override { link_.enable(property_); }
    void disableNotification() override { link_.disable(property_); }
    void setChangeCallback(PropertyChangeCallback callback) override
    {
        link_.setCallback(std::move(callback));
    }
    PropertyInterfaceType interfaceType() const override { return type_; }
    PropertyElement* owner() const override { return owner_; }

    const Feature& feature() const { return property_; }
    bool notificationEnabled() const { return link_.registered(); }

protected:
    // Ends the change notification; only the first call does anything.
    void detach() noexcept { link_.detach(property_); }
    // Whether a write may go to the camera: available and not read-only.
    bool writable() { return isAvailable() && !isReadOnly(); }
    std::string logPath() const { return property_log_path(owner_); }
    // Runs the body of an update or a write. An exception is logged at error
    // level as message, whose placeholders take args and then its text.
    template <typename Body, typename... Args>
    void logFailure(Body&& body, const char* message, const Args&... args)
    {
        try {
            body();
        } catch (const std::exception& e) {
            spdlog::error(fmt::runtime(message), args..., e.what());
        }
    }

    PropertyElement* const owner_;
    const PropertyInterfaceType type_;
    const Feature property_;

private:
    NotificationLink link_;
};

} // namespace VSXUtil
