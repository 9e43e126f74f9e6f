#include "dialogs/FeatureNotification.h"

#include "device/GuardedCallback.h"

#include <spdlog/spdlog.h>

namespace vsx::ui_util {

struct FeatureNotification::Relay {
    app::GuardedCallback<void(Property&)> handler;
};

bool FeatureNotification::add(const Property& feature, NotificationHandler handler, Error& err)
{
    if (token_)
        return true;
    auto relay = std::make_shared<Relay>();
    relay->handler = std::move(handler);
    // Runs on the library's notification thread.
    void* token = feature.eventAddNotification([relay](Property& changed) { relay->handler(changed); }, err);
    if (!token)
        return false;
    relay_ = std::move(relay);
    feature_ = feature;
    token_ = token;
    return true;
}

void FeatureNotification::remove() noexcept
{
    if (!token_)
        return;
    try {
        relay_->handler = nullptr;
        feature_.eventRemoveNotification(token_, Error::ignoreRecord());
    } catch (const std::exception& e) {
        // The library is gone (not initialised any more): no call can follow.
        spdlog::error("FeatureNotification::remove() failed: {}", e.what());
    }
    token_ = nullptr;
    relay_.reset();
    feature_ = Property();
}

} // namespace vsx::ui_util
