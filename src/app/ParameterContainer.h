#pragma once

#include "app/Parameter.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <shared_mutex>
#include <string>
#include <vector>

namespace helper {

// Named, typed settings: a filter's parameters, a camera's sequence and
// histogram settings, the measurement and recording settings, a script's
// parameters. The container knows the kind and limits of each value, clamps
// what is set, tells its owner about every change through the change callback,
// and converts itself to and from JSON:
//
//   {"paramaters": {"<name>": {"type": "INT", "min": 0, "max": 255, "value": 10}, ...}}
//
// (keys in ascending byte order, indent 4, defaults not written).
//
// Threads: parameters may be added, looked up, read and set from any thread;
// the lookup is guarded by a reader/writer lock and the values are safe to read
// while another thread sets them (see helper::Parameter). Callbacks run without
// the container's lock held, on the thread that sets the value.
//
// Copying a container copies its lookup, its list and its change callback; the
// parameter objects are shared by both copies, so the copy reads current values.
class ParameterContainer {
public:
    using ChangeCallback = std::function<void(Parameter*)>;

    ParameterContainer();
    ParameterContainer(const ParameterContainer& other);
    ParameterContainer& operator=(const ParameterContainer& other);
    ~ParameterContainer();

    // Adding: the parameter's value starts at its default (not clamped). When
    // the container already holds a parameter of that name and kind, that
    // parameter is returned unchanged. A name held by another kind throws
    // std::runtime_error "Parameter already exists with different type: <name>".
    std::shared_ptr<IntParameter> addInt(const std::wstring& name, int64_t minimum, int64_t maximum,
                                         int64_t defaultValue);
    std::shared_ptr<floatParameter> addFloat(const std::wstring& name, double minimum, double maximum,
                                             double defaultValue);
    std::shared_ptr<boolParameter> addBool(const std::wstring& name, bool defaultValue);
    std::shared_ptr<listParameter> addList(const std::wstring& name, const std::vector<std::wstring>& entries,
                                           const std::wstring& defaultValue);
    std::shared_ptr<stringParameter> addString(const std::wstring& name, const std::wstring& defaultValue);
    std::shared_ptr<ColorParamater> addColor(const std::wstring& name, uint32_t defaultValue);

    // Creating with a value of its own: taken exactly as given (neither clamped
    // nor compared with the list's entries). Same rules for existing names.
    std::shared_ptr<IntParameter> createInt(const std::wstring& name, int64_t defaultValue, int64_t minimum,
                                            int64_t maximum, int64_t value);
    std::shared_ptr<floatParameter> createFloat(const std::wstring& name, double defaultValue, double minimum,
                                                double maximum, double value);
    std::shared_ptr<boolParameter> createBool(const std::wstring& name, bool defaultValue, bool value);
    std::shared_ptr<listParameter> createList(const std::wstring& name,
                                              const std::vector<std::wstring>& entries,
                                              const std::wstring& defaultValue, const std::wstring& value);
    std::shared_ptr<stringParameter> createString(const std::wstring& name, const std::wstring& defaultValue,
                                                  const std::wstring& value);
    std::shared_ptr<ColorParamater> createColor(const std::wstring& name, uint32_t defaultValue,
                                                uint32_t value);

    // Setting by name through the parameter's own setter (clamping, change
    // callback). Silently ignored when the container has no parameter of that
    // name and kind.
    void setInt(const std::wstring& name, int32_t value);
    void setInt64(const std::wstring& name, int64_t value);
    void setFloat(const std::wstring& name, double value);
    void setBool(const std::wstring& name, bool value);
    void setString(const std::wstring& name, const std::wstring& value);
    void setList(const std::wstring& name, const std::wstring& value);
    void setColor(const std::wstring& name, uint32_t value);

    // Reading by name. Without a parameter of that name and kind: a warning
    // ("Unknow BOOL Parameter: <name>", "Unknown int Parameters: <name>",
    // "Unknow Float Parameter: ", "Unknow COLOR Parameter: ",
    // "Unknow LIST Parameter: ", "Unknow STRING Parameter: ") and false, 0,
    // 0.0, 0 or an empty text.
    bool getBool(const std::wstring& name) const;
    int64_t getInt(const std::wstring& name) const;
    double getFloat(const std::wstring& name) const;
    uint32_t getColor(const std::wstring& name) const;
    std::wstring getList(const std::wstring& name) const;
    std::wstring getString(const std::wstring& name) const;

    // The parameter of that name (any kind), or an empty pointer.
    std::shared_ptr<Parameter> findParameter(const std::wstring& name) const;
    // A copy of the parameters in insertion order.
    std::vector<std::shared_ptr<Parameter>> parameters() const;

    // Called with the parameter after every set of a parameter this container
    // created (also when the value did not change, never when a list value was
    // refused). Empty by default.
    void setChangeCallback(ChangeCallback callback);

    // The JSON text; on failure logs "Failed to serialize parmeters. what(): ..."
    // and returns an empty string.
    std::string serialize() const;

    // Takes the "value" of each of the container's parameters from the JSON
    // text when its JSON type fits the kind (INT: an integer, clamped; FLOAT: a
    // floating-point number, clamped; BOOL; LIST: a string that is one of the
    // entries; STRING; COLOR: an integer, its low 32 bits), through the
    // setters, in name order. Other members and names are ignored. Text that
    // is not JSON, nests deeper than app::kMaxJsonDepth levels or has the wrong structure (a root,
    // "paramaters" or entry that is neither an object nor null) is logged as "Failed to desialize paramater
    // data. what(): ..." and changes nothing. Never throws.
    void deserialize(const std::string& text);

    // Reads and deserialises the file when it exists; a missing file changes
    // nothing. Failures are logged as "Failed to load ParameterContainer from
    // file: <path>". Never throws.
    void loadFromFile(const std::wstring& path);

    // Serialises and replaces the file atomically. When serialising or writing
    // fails, the previous file stays untouched, "Failed to save
    // ParameterContainer to file: <path>" is logged and the result is false.
    // Never throws.
    bool saveToFile(const std::wstring& path) const;

private:
    template <class T> std::shared_ptr<T> find(const std::wstring& name, ParameterKind kind) const;
    template <class T, class... Args>
    std::shared_ptr<T> create(const std::wstring& name, ParameterKind kind, Args&&... args);

    mutable std::shared_mutex mutex_;
    std::map<std::wstring, std::shared_ptr<Parameter>> lookup_;
    std::vector<std::shared_ptr<Parameter>> list_;
    std::shared_ptr<detail::ChangeNotifier> notifier_;
};

} // namespace helper
