#pragma once

#include "Handle.h"
#include "Status.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vsxsim {

class FeatureHost;
class PropertyMap;
class Registration;

enum class FeatureKind : int {
    Integer = 1,
    Float = 2,
    Enumeration = 3,
    Boolean = 4,
    String = 5,
    Command = 6,
    Category = 7,
    Register = 8,
    EnumEntry = 9,
};
const char* kind_name(FeatureKind kind);

// One stored value (the kind decides which member counts): Integer and Boolean
// in i, Enumeration the selected entry's index in i, Float in f, String in s,
// Register in bytes.
struct FeatureValue {
    int64_t i = 0;
    double f = 0.0;
    std::string s;
    std::vector<uint8_t> bytes;
};

// A camera feature; the object is the vsx_prop handle. Features live in the
// property map that owns them, and references to a feature count on that map, so
// one handle pointer stands for the feature as long as its map exists.
//
// Metadata is fixed once the map is built; ranges, values and registrations
// are guarded by the host's mutex.
class Feature : public Handle {
public:
    Feature(FeatureKind kind, std::string name);
    ~Feature() override;

    void add_ref() override;
    void release() override;

    bool is(FeatureKind k) const { return kind == k; }
    // The storage slot of the currently selected selector entry.
    FeatureValue& slot();
    const FeatureValue& slot() const;
    size_t slot_index() const;
    Feature* entry_by_name(const std::string& symbolic) const;
    Feature* entry_by_value(int64_t value) const;
    int entry_index(const Feature* entry) const;

    // identity and metadata
    FeatureKind kind;
    std::string name;
    std::string display_name;
    std::string tooltip;
    std::string description;
    std::string unit;
    int visibility = 0;     // 0 Beginner, 1 Expert, 2 Guru, 3 Invisible
    int representation = 0; // integers 0..6, floats 0..2 (configured ones 0..6)
    int notation = 0;       // floats: 0 automatic, 1 fixed, 2 scientific
    int precision = 2;
    int inc_mode = 0; // 0 fixed increment, 1 valid-value set, 2 none
    bool read_only = false;
    bool likely_locked_by_stream = false;
    bool stream_locked = false;
    bool persistent = true; // written to property-map files
    bool simulation = false;

    PropertyMap* map = nullptr;
    FeatureHost* host = nullptr;
    Feature* parent = nullptr;      // category
    std::vector<Feature*> children; // categories: their features in order
    std::vector<Feature*> entries;  // enumerations: their entries
    Feature* owner = nullptr;       // entries: their enumeration
    int64_t entry_value = 0;        // entries: integer value

    // ranges (host mutex)
    int64_t imin = 0, imax = 0, iinc = 1;
    std::vector<int64_t> ivalid;
    double fmin = 0.0, fmax = 0.0, finc = 0.0;
    std::vector<double> fvalid;
    int64_t max_length = 0;
    size_t register_size = 0;

    // values: one slot, or one per entry of the selector (host mutex)
    Feature* selector = nullptr;
    std::vector<FeatureValue> values;

    // behaviour, run with the host mutex held
    std::function<bool()> available_if;     // default: available
    std::function<const char*()> locked_if; // reason text when locked now, else null
    std::function<void(FeatureValue&)> read_hook;
    std::function<Status(FeatureValue&)> validate_hook;    // may adjust the value before it is stored
    std::function<Status(const FeatureValue&)> store_hook; // replaces the plain store
    std::function<void()> after_write;
    std::function<Status()> execute_hook;
    // Ranges that follow another feature's value (the look-up table features
    // follow the selected table): integer bounds in place of imin and imax, a
    // register's size in place of register_size.
    std::function<void(int64_t& min, int64_t& max)> range_hook;
    std::function<size_t()> size_hook;

    std::vector<std::shared_ptr<Registration>> registrations; // host mutex
};

} // namespace vsxsim
