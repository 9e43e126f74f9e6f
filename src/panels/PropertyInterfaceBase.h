#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace VSXUtil {

class PropertyElement;

// The kind of a feature wrapper; the panel picks an element's wrapper by it.
enum class PropertyInterfaceType : int32_t {
    String = 4,
    Range = 5,
    Float = 6,
    Switch = 7,
    List = 8,
    Push = 9,
};

class PropertyInterfaceBase;
using PropertyChangeCallback = std::function<void(PropertyInterfaceBase*)>;

// One camera feature as the simple property panel sees it: cached values that
// getters return without asking the camera, writes that skip what did not
// change, and a change notification that calls the installed callback.
//
// Threads: everything runs on the GUI thread except the change callback,
// which the camera library calls on its notification thread. Installing or
// emptying the callback waits for a call in flight; once emptied, the previous
// callback is never called again.
class PropertyInterfaceBase {
public:
    virtual ~PropertyInterfaceBase() = default;

    // The camera's state of the feature; these throw vsx::VSXException when the
    // camera library fails.
    virtual bool isAvailable() = 0;
    virtual bool isReadOnly() = 0;
    virtual bool isLocked() = 0;
    virtual bool isVisible() = 0;
    // Reads the cached values from the camera; failures are logged.
    virtual void update() = 0;
    // Registers the change notification unless registered; throws when the
    // camera library refuses.
    virtual void enableNotification() = 0;
    // Ends the registration; throws (and stays registered) when it cannot.
    virtual void disableNotification() = 0;
    // An empty callback clears it.
    virtual void setChangeCallback(PropertyChangeCallback callback) = 0;

    virtual PropertyInterfaceType interfaceType() const = 0;
    // The element that holds the wrapper; null for a wrapper made on its own.
    virtual PropertyElement* owner() const = 0;
};

class PropertyRange : public PropertyInterfaceBase {
public:
    virtual int64_t value() const = 0;
    virtual int64_t min() const = 0;
    virtual int64_t max() const = 0;
    virtual void set_value(int64_t value) = 0;
    // Asks the camera at each call; empty unless the feature has a set of valid values.
    virtual std::vector<int64_t> valueSet() = 0;
    virtual int32_t representation() const = 0;
    virtual int64_t increment() const = 0;
};

class PropertyFloat : public PropertyInterfaceBase {
public:
    virtual double value() const = 0;
    virtual double min() const = 0;
    virtual double max() const = 0;
    virtual void set_value(double value) = 0;
    virtual std::string unit() const = 0;
    virtual int32_t representation() const = 0;
    virtual std::vector<double> valueSet() = 0;
    virtual double increment() const = 0;
};

class PropertyList : public PropertyInterfaceBase {
public:
    // Display name of the selected entry.
    virtual std::string value() const = 0;
    // Display names of the entries, in the camera's order.
    virtual std::vector<std::string> entries() const = 0;
    // Selects the entry with that display name.
    virtual void set_value(const std::string& displayName) = 0;
};

class PropertySwitch : public PropertyInterfaceBase {
public:
    virtual bool value() const = 0;
    virtual void set_value(bool value) = 0;
};

class PropertyPush : public PropertyInterfaceBase {
public:
    virtual void set_value() = 0;
};

class PropertyString : public PropertyInterfaceBase {
public:
    virtual std::string value() const = 0;
    virtual void set_value(const std::string& value) = 0;
    virtual int32_t maxLength() const = 0;
};

} // namespace VSXUtil
