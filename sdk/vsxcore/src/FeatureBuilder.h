#pragma once

#include "Feature.h"

#include <string>
#include <vector>

namespace vsxsim {

class PropertyMap;

// Small helpers that create features of a map with their ranges and defaults.
class FeatureBuilder {
public:
    struct Entry {
        std::string name;
        int64_t value;
        std::string display_name; // empty: the name
    };

    explicit FeatureBuilder(PropertyMap& map);

    Feature* root() const;
    Feature* category(Feature* parent, const std::string& name, int visibility = 0);
    Feature* integer(Feature* cat, const std::string& name, int64_t min, int64_t max, int64_t inc,
                     int64_t value, int visibility = 0);
    Feature* floating(Feature* cat, const std::string& name, double min, double max, double value,
                      const std::string& unit = "", int visibility = 0);
    Feature* boolean(Feature* cat, const std::string& name, bool value, int visibility = 0);
    Feature* enumeration(Feature* cat, const std::string& name, const std::vector<Entry>& entries,
                         size_t selected = 0, int visibility = 0);
    Feature* string(Feature* cat, const std::string& name, const std::string& value, int64_t max_length,
                    int visibility = 0);
    Feature* command(Feature* cat, const std::string& name, int visibility = 0);
    Feature* reg(Feature* cat, const std::string& name, size_t size, int visibility = 0);
    // Gives f one value slot per entry of the selector, each starting as the current one.
    static void select_by(Feature* f, Feature* selector);
    // Entries 0..n-1 named as given, values = positions.
    static std::vector<Entry> positional(const std::vector<std::string>& names);

private:
    PropertyMap& map_;
};

} // namespace vsxsim
