#pragma once

#include "device/Property.h"
#include "panels/PropertyInterfaceBase.h"

#include <memory>

namespace VSXUtil {

// A wrapper's change notification: the registration with the camera library
// and the change callback it calls.
//
// The library's handler holds a shared relay (the callback slot and the
// wrapper's address), never the wrapper itself. Detaching empties the slot
// first, which waits for a call in flight, and only then ends the
// registration; so a wrapper can go even when the library refuses to end it.
class NotificationLink {
public:
    explicit NotificationLink(PropertyInterfaceBase* wrapper);
    ~NotificationLink();
    NotificationLink(const NotificationLink&) = delete;
    NotificationLink& operator=(const NotificationLink&) = delete;

    // Registers on the feature unless registered; throws vsx::VSXException on failure.
    void enable(const vsx::Property& feature);
    // Ends the registration if there is one; throws and keeps it on failure.
    void disable(const vsx::Property& feature);
    bool registered() const { return token_ != nullptr; }
    void setCallback(PropertyChangeCallback callback);
    // For the wrapper's destructor: empties the callback, then ends the
    // registration; a failure is logged. Only the first call does anything.
    void detach(const vsx::Property& feature) noexcept;

private:
    struct Relay;
    std::shared_ptr<Relay> relay_;
    void* token_ = nullptr;
    bool detached_ = false;
};

} // namespace VSXUtil
