#pragma once

#include "device/Property.h"

#include <memory>

namespace vsx::ui_util {

// One change notification of a camera feature, owned by a tree node or an
// editor on the GUI thread.
//
// The camera library calls the handler on its notification thread. The
// library's registration holds a shared relay, never the owner: remove()
// first empties the relay, which waits for a call in flight, and only then
// ends the registration. Once remove() has returned the handler is never
// called again, even when the library refuses to end the registration.
class FeatureNotification {
public:
    FeatureNotification() = default;
    ~FeatureNotification() { remove(); }
    FeatureNotification(const FeatureNotification&) = delete;
    FeatureNotification& operator=(const FeatureNotification&) = delete;

    // Registers the handler on the feature with the error record; false (and
    // the record's behaviour) when the library refuses. Registers at most once.
    bool add(const Property& feature, NotificationHandler handler, Error& err = Error::defaultRecord());
    bool registered() const { return token_ != nullptr; }
    // Empties the handler, then ends the registration with the ignoring record.
    void remove() noexcept;

private:
    struct Relay;
    std::shared_ptr<Relay> relay_;
    Property feature_;
    void* token_ = nullptr;
};

} // namespace vsx::ui_util
