#pragma once

#include "views/IViewBase.h"

#include <string>
#include <vector>

namespace app {

// One event type of a camera as the device-events controller keeps it: the
// entry of the camera's event selector, the names of the event's data
// properties and whether the event's notification is on. The dock reads the
// name and the flag only.
struct DeviceEventEntry {
    std::string name;
    std::vector<std::string> dataProperties;
    bool enabled = false;
};

// The dock that lists a camera's event types with a check box each and logs
// the events as they arrive. Names and lines are UTF-8 camera text, shown as
// plain text. Filling the list raises nothing; only the user's clicks do.
class IDeviceEventView : public IViewBase {
public:
    ~IDeviceEventView() override = default;

    // Replaces the list, one checkable item per entry, in order.
    virtual void setEvents(std::vector<DeviceEventEntry> events) = 0;
    // Makes the first item of that name the current one; an unknown name
    // changes nothing.
    virtual void selectEvent(const std::string& name) = 0;
    // Ticks or clears the first item of that name.
    virtual void setEventEnabled(const std::string& name, bool enabled) = 0;
    // Appends one line at the end of the log and scrolls to it. Callable from
    // any thread: the line is copied and shown at the GUI thread's next
    // event-loop turn, lines from one thread in the order they were appended.
    virtual void appendLog(const std::string& line) = 0;
    virtual void setEnabled(bool enabled) = 0;

    EventList<std::string> eventSelected;             // the user made another event current
    EventList<std::string, bool> eventEnabledChanged; // the user ticked (true) or cleared (false) an event
};

} // namespace app
