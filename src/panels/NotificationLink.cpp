#include "panels/NotificationLink.h"

#include "device/GuardedCallback.h"
#include "panels/StrictRecord.h"

#include <spdlog/spdlog.h>

namespace VSXUtil {

struct NotificationLink::Relay {
    explicit Relay(PropertyInterfaceBase* wrapper) : wrapper(wrapper) {}
    PropertyInterfaceBase* const wrapper;
    app::GuardedCallback<void(PropertyInterfaceBase*)> callback;
};

NotificationLink::NotificationLink(PropertyInterfaceBase* wrapper) : relay_(std::make_shared<Relay>(wrapper))
{
}

NotificationLink::~NotificationLink() = default;

void NotificationLink::enable(const vsx::Property& feature)
{
    if (token_)
        return;
    std::shared_ptr<Relay> relay = relay_;
    // Runs on the library's notification thread: it only hands the wrapper on.
    token_ = feature.eventAddNotification([relay](vsx::Property&) { relay->callback(relay->wrapper); },
                                          strict_record());
}

void NotificationLink::disable(const vsx::Property& feature)
{
    if (!token_)
        return;
    feature.eventRemoveNotification(token_, strict_record());
    token_ = nullptr;
}

void NotificationLink::setCallback(PropertyChangeCallback callback)
{
    relay_->callback = std::move(callback);
}

void NotificationLink::detach(const vsx::Property& feature) noexcept
{
    if (detached_)
        return;
    detached_ = true;
    try {
        relay_->callback = nullptr;
        disable(feature);
    } catch (const std::exception& e) {
        spdlog::error("~PropertyInterface(): {}", e.what());
    }
}

} // namespace VSXUtil
