#pragma once

namespace vsx {
class Grabber;
}

namespace vsx::ui_util {

// The editor of one feature in the property tree's value column.
class IPropControl {
public:
    virtual ~IPropControl() = default;
    // Re-reads the feature and shows it.
    virtual void update_all() = 0;
    // Ends the editor's change notification at once (the view deletes editors later).
    virtual void remove_notification() = 0;
    // The camera's grabber the editor guards its writes with; may be null.
    virtual Grabber* stream_grabber() const = 0;
};

} // namespace vsx::ui_util
