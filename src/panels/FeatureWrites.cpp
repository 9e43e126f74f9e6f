#include "panels/FeatureWrites.h"

#include <spdlog/spdlog.h>

namespace VSXUtil {

namespace {

// The common tail of every write: the record holds the refusal.
bool written(bool ok, const vsx::Error& record)
{
    if (!ok)
        spdlog::error("{}", record.message());
    return ok;
}

std::vector<vsx::Property> read_entries(const vsx::PropEnumeration& feature)
{
    vsx::Error record(vsx::Error::Record);
    try {
        std::vector<vsx::Property> entries = feature.entries(record);
        if (record.code == vsx::Error::kNoError)
            return entries;
    } catch (const vsx::VSXException&) {
    }
    return {};
}

// The entry's display name; false when it cannot be read.
bool read_display_name(const vsx::Property& entry, std::string& displayName)
{
    vsx::Error record(vsx::Error::Record);
    try {
        displayName = entry.displayName(record);
    } catch (const vsx::VSXException&) {
        return false;
    }
    return record.code == vsx::Error::kNoError;
}

} // namespace

bool write_integer(const vsx::PropInteger& feature, int64_t value)
{
    vsx::Error record(vsx::Error::Record);
    return written(feature.setValue(value, record), record);
}

bool write_float(const vsx::PropFloat& feature, double value)
{
    vsx::Error record(vsx::Error::Record);
    return written(feature.setValue(value, record), record);
}

bool write_entry(const vsx::PropEnumeration& feature, const std::string& entryName)
{
    vsx::Error record(vsx::Error::Record);
    return written(feature.setValue(entryName, record), record);
}

bool write_string(const vsx::PropString& feature, const std::string& value)
{
    vsx::Error record(vsx::Error::Record);
    return written(feature.setValue(value, record), record);
}

bool write_boolean(const vsx::PropBoolean& feature, bool value)
{
    vsx::Error record(vsx::Error::Record);
    return written(feature.setValue(value, record), record);
}

std::vector<std::string> entry_display_names(const vsx::PropEnumeration& feature)
{
    std::vector<std::string> names;
    for (const vsx::Property& entry : read_entries(feature)) {
        std::string displayName;
        if (read_display_name(entry, displayName))
            names.push_back(std::move(displayName));
    }
    return names;
}

std::string entry_name_for_display(const vsx::PropEnumeration& feature, const std::string& displayName)
{
    for (const vsx::Property& entry : read_entries(feature)) {
        std::string shown;
        if (!read_display_name(entry, shown) || shown != displayName)
            continue;
        vsx::Error record(vsx::Error::Record);
        try {
            std::string name = entry.name(record);
            if (record.code == vsx::Error::kNoError)
                return name;
        } catch (const vsx::VSXException&) {
        }
        return {};
    }
    return {};
}

} // namespace VSXUtil
