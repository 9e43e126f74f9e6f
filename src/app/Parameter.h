#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace helper {

class ParameterContainer;
class Parameter;

// The kinds of parameter; the codes are stored and compared as numbers.
enum class ParameterKind : int32_t {
    INT = 1,
    FLOAT = 2,
    BOOL = 3,
    LIST = 4,
    STRING = 5,
    COLOR = 6,
};

namespace detail {

// The owner's change callback, shared with the parameters it created, so that a
// parameter outliving its container (or set while the callback is replaced on
// another thread) never calls through a dangling owner.
class ChangeNotifier {
public:
    using Callback = std::function<void(Parameter*)>;

    void set(Callback callback);
    Callback get() const;
    void notify(Parameter* parameter) const;

private:
    mutable std::mutex mutex_;
    Callback callback_;
};

} // namespace detail

// A named, typed setting. Parameters are created only by a ParameterContainer
// and are held by shared pointers; views tell the kinds apart by kind() and
// cast to the typed classes below.
//
// Threads: the values of int, float, bool and colour parameters are atomics, so
// a camera thread may read them while the GUI thread sets them; string and list
// values are guarded by a lock of their own. Limits, entries and defaults never
// change after creation. The change callback runs on the thread that sets.
class Parameter {
public:
    // Lets only the container construct parameters (through std::make_shared).
    class Key {
        Key() {}
        friend class ParameterContainer;
    };

    virtual ~Parameter();
    Parameter(const Parameter&) = delete;
    Parameter& operator=(const Parameter&) = delete;

    const std::wstring& name() const { return name_; }
    ParameterKind kind() const { return kind_; }
    // The container that created the parameter; valid while that container lives.
    ParameterContainer* owner() const { return owner_; }

protected:
    Parameter(std::wstring name, ParameterKind kind, ParameterContainer* owner,
              std::weak_ptr<const detail::ChangeNotifier> notifier);

    // Calls the owner's change callback with this parameter, when one is installed.
    void notifyChanged();

private:
    std::wstring name_;
    ParameterKind kind_;
    ParameterContainer* owner_;
    std::weak_ptr<const detail::ChangeNotifier> notifier_;
};

// Clamping of int and float values: the minimum when the value is not greater
// than it (NaN included), then the maximum when the result is not less than it.
// A minimum above the maximum therefore gives the maximum.
int64_t clamp_parameter(int64_t value, int64_t minimum, int64_t maximum);
double clamp_parameter(double value, double minimum, double maximum);

class IntParameter : public Parameter {
public:
    IntParameter(Key, std::wstring name, ParameterContainer* owner,
                 std::weak_ptr<const detail::ChangeNotifier> n, int64_t defaultValue, int64_t minimum,
                 int64_t maximum, int64_t value);

    int64_t minimum() const { return minimum_; }
    int64_t maximum() const { return maximum_; }
    int64_t defaultValue() const { return default_; }
    int64_t value() const { return value_.load(std::memory_order_acquire); }
    // Stores the value clamped to [minimum, maximum], then calls the change callback.
    void setValue(int64_t value);

private:
    const int64_t minimum_;
    const int64_t maximum_;
    const int64_t default_;
    std::atomic<int64_t> value_;
};

class floatParameter : public Parameter {
public:
    floatParameter(Key, std::wstring name, ParameterContainer* owner,
                   std::weak_ptr<const detail::ChangeNotifier> n, double defaultValue, double minimum,
                   double maximum, double value);

    double minimum() const { return minimum_; }
    double maximum() const { return maximum_; }
    double defaultValue() const { return default_; }
    double value() const { return value_.load(std::memory_order_acquire); }
    // Stores the value clamped to [minimum, maximum] (NaN gives the minimum),
    // then calls the change callback.
    void setValue(double value);

private:
    const double minimum_;
    const double maximum_;
    const double default_;
    std::atomic<double> value_;
};

class boolParameter : public Parameter {
public:
    boolParameter(Key, std::wstring name, ParameterContainer* owner,
                  std::weak_ptr<const detail::ChangeNotifier> n, bool defaultValue, bool value);

    bool defaultValue() const { return default_; }
    bool value() const { return value_.load(std::memory_order_acquire); }
    // Stores the value, then calls the change callback.
    void setValue(bool value);

private:
    const bool default_;
    std::atomic<bool> value_;
};

class listParameter : public Parameter {
public:
    listParameter(Key, std::wstring name, ParameterContainer* owner,
                  std::weak_ptr<const detail::ChangeNotifier> n, std::vector<std::wstring> entries,
                  std::wstring defaultValue, std::wstring value);

    // A copy of the entries, in their order.
    std::vector<std::wstring> items() const { return entries_; }
    const std::wstring& defaultValue() const { return default_; }
    // A copy of the selected entry.
    std::wstring value() const;
    // Selects the text and calls the change callback when it equals one of the
    // entries; otherwise does nothing at all. True when it was taken.
    bool setValue(const std::wstring& value);

private:
    const std::vector<std::wstring> entries_;
    const std::wstring default_;
    mutable std::mutex mutex_;
    std::wstring value_;
};

class stringParameter : public Parameter {
public:
    stringParameter(Key, std::wstring name, ParameterContainer* owner,
                    std::weak_ptr<const detail::ChangeNotifier> n, std::wstring defaultValue,
                    std::wstring value);

    const std::wstring& defaultValue() const { return default_; }
    // A copy of the value.
    std::wstring value() const;
    // Stores the text, then calls the change callback.
    void setValue(const std::wstring& value);

private:
    const std::wstring default_;
    mutable std::mutex mutex_;
    std::wstring value_;
};

// A colour as one 32-bit value (the colour settings use 0xAARRGGBB); the store
// gives the bits no meaning.
class ColorParamater : public Parameter {
public:
    ColorParamater(Key, std::wstring name, ParameterContainer* owner,
                   std::weak_ptr<const detail::ChangeNotifier> n, uint32_t defaultValue, uint32_t value);

    uint32_t defaultValue() const { return default_; }
    uint32_t value() const { return value_.load(std::memory_order_acquire); }
    // Stores the value, then calls the change callback.
    void setValue(uint32_t value);
    // Stores the value without calling the change callback (the colour rows of
    // the parameter dock write colours this way).
    void storeValue(uint32_t value) { value_.store(value, std::memory_order_release); }

private:
    const uint32_t default_;
    std::atomic<uint32_t> value_;
};

} // namespace helper
