#include "panels/LutViewController.h"

#include "device/Grabber.h"
#include "device/VideoDeviceController.h"

#include <cmath>
#include <fmt/format.h>
#include <limits>
#include <spdlog/spdlog.h>
#include <stdexcept>
#include <vsxcore.h>

// The LUT controller's access to the camera: the tables' descriptions, the
// selector and switch, and the whole-table register write.

namespace app {

namespace {

// Entries of a table whose index runs from min to max; 0 for a range that is
// empty or does not fit.
int64_t entry_count(int64_t min, int64_t max)
{
    int64_t span = 0;
    if (max < min || __builtin_sub_overflow(max, min, &span) || span == std::numeric_limits<int64_t>::max())
        return 0;
    return span + 1;
}

// Identity tables are built in memory; a camera reporting more entries than
// any look-up table has gets none.
constexpr int64_t kMaxTableEntries = int64_t(1) << 24;

} // namespace

std::vector<uint8_t> lut_register_block(const std::vector<int64_t>& values, int64_t registerSize,
                                        int64_t entryCount)
{
    const int64_t width = entryCount >= 1 && registerSize >= 0 ? registerSize / entryCount : 0;
    if (width < 1 || width > 8)
        throw std::invalid_argument(fmt::format(
            "a register of {} bytes cannot hold {} entries of 1 to 8 bytes each", registerSize, entryCount));
    const auto w = static_cast<size_t>(width);
    std::vector<uint8_t> block(static_cast<size_t>(registerSize), 0);
    const size_t count = std::min(values.size(), static_cast<size_t>(entryCount));
    for (size_t i = 0; i < count; ++i) {
        const auto value = static_cast<uint64_t>(values[i]);
        for (size_t k = 0; k < w; ++k)
            block[i * w + k] = static_cast<uint8_t>(value >> (8 * k));
    }
    return block;
}

std::vector<int64_t> identity_lut_values(const LutData& data)
{
    const int64_t count = entry_count(data.indexMin, data.indexMax);
    if (count < 1 || count > kMaxTableEntries)
        throw std::invalid_argument(
            fmt::format("no identity table for the index range {} to {}", data.indexMin, data.indexMax));
    std::vector<int64_t> values(static_cast<size_t>(count));
    if (count == 1) {
        values[0] = data.valueMax;
        return values;
    }
    // In long double: value ranges of any 64-bit size stay exact enough and
    // cannot overflow on the way.
    const long double low = static_cast<long double>(data.valueMin);
    const long double step =
        (static_cast<long double>(data.valueMax) - low) / static_cast<long double>(count - 1);
    for (int64_t i = 0; i < count; ++i)
        values[static_cast<size_t>(i)] = std::llround(low + step * static_cast<long double>(i));
    values.back() = data.valueMax;
    return values;
}

std::vector<kyrgx::Vec2<float>> identity_lut_points(const LutData& data)
{
    return {{static_cast<float>(data.indexMin), static_cast<float>(data.valueMin)},
            {static_cast<float>(data.indexMax), static_cast<float>(data.valueMax)}};
}

vsx::PropertyMap LutViewController::propertyMap(vsx::Error& err) const
{
    const std::shared_ptr<VideoDeviceController> device = device_.lock();
    const std::shared_ptr<vsx::Grabber> grabber = device ? device->grabber() : nullptr;
    if (!grabber)
        return {};
    return grabber->devicePropertyMap(err);
}

bool LutViewController::deviceGetLutDataDescs(std::vector<LutDataDesc>& descs)
{
    const vsx::PropertyMap map = propertyMap(vsx::Error::defaultRecord());
    if (!map)
        return false;
    vsx::Error err(vsx::Error::Record);
    const vsx::PropEnumeration selector = map.findEnumeration("LUTSelector", err);
    hasSelector_ = static_cast<bool>(selector);
    if (!hasSelector_) {
        // One table without a name.
        LutDataDesc desc;
        if (!deviceGetLutDataDesc("", desc))
            return false;
        descs.push_back(desc);
        return true;
    }
    vsx::Error listErr(vsx::Error::Record);
    const std::vector<vsx::Property> entries = selector.entries(listErr);
    if (listErr.code != vsx::Error::kNoError) {
        spdlog::error("LutViewController::deviceGetLutDataDescs: {}", listErr.message());
        return false;
    }
    // Each table reports its ranges while it is selected.
    for (const vsx::Property& entry : entries) {
        vsx::Error entryErr(vsx::Error::Record);
        const std::string name = entry.name(entryErr);
        if (entryErr.code != vsx::Error::kNoError || !selector.setValue(name, entryErr))
            continue;
        const std::string selected = selector.selectedEntryName(entryErr);
        LutDataDesc desc;
        if (!deviceGetLutDataDesc(selected, desc))
            return false;
        descs.push_back(desc);
    }
    if (!entries.empty())
        selector.setValue(entries.front().name(), vsx::Error::defaultRecord());
    return true;
}

bool LutViewController::deviceGetLutDataDesc(const std::string& selector, LutDataDesc& desc)
{
    const vsx::PropertyMap map = propertyMap(vsx::Error::defaultRecord());
    if (!map)
        return false;
    vsx::Error err(vsx::Error::Record);
    const vsx::PropInteger index = map.findInteger("LUTIndex", err);
    const vsx::PropInteger value = map.findInteger("LUTValue", err);
    const vsx::PropBoolean enable = map.findBoolean("LUTEnable", err);
    for (const auto& [found, name] : {std::pair<bool, const char*>{static_cast<bool>(index), "LUTIndex"},
                                      {static_cast<bool>(value), "LUTValue"},
                                      {static_cast<bool>(enable), "LUTEnable"}}) {
        if (!found) {
            spdlog::error("{} is not available.", name);
            return false;
        }
    }
    // The selected table's values; one that cannot be read counts as 0.
    vsx::Error& ignore = vsx::Error::ignoreRecord();
    desc.selector = selector;
    desc.enable = enable.value(ignore);
    desc.indexMin = index.minimum(ignore);
    desc.indexMax = index.maximum(ignore);
    desc.valueMin = value.minimum(ignore);
    desc.valueMax = value.maximum(ignore);
    return true;
}

void LutViewController::deviceSetLutSelector(const std::string& name)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = propertyMap(err);
    if (!map)
        return;
    const vsx::PropEnumeration selector = map.findEnumeration("LUTSelector", err);
    if (!selector) {
        spdlog::error("LUTSelector is not available.");
        return;
    }
    vsx::Error readErr(vsx::Error::Record);
    if (selector.selectedEntryName(readErr) == name && readErr.code == vsx::Error::kNoError)
        return;
    vsx::Error writeErr(vsx::Error::Record);
    if (!selector.setValue(name, writeErr))
        spdlog::error("Failed to set LUTSelector: {}", name);
}

void LutViewController::deviceSetLutEnable(bool value)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = propertyMap(err);
    if (!map)
        return;
    const vsx::PropBoolean enable = map.findBoolean("LUTEnable", err);
    if (!enable) {
        spdlog::error("LUTEnable is not available.");
        return;
    }
    vsx::Error writeErr(vsx::Error::Record);
    if (!enable.setValue(value, writeErr))
        spdlog::error("Failed to set LUTEnable.");
}

void LutViewController::deviceSetLutValueAll(const std::vector<int64_t>& values)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::PropertyMap map = propertyMap(err);
    if (!map)
        return;
    const vsx::PropInteger index = map.findInteger("LUTIndex", err);
    if (!index) {
        spdlog::error("Failed to get LUTIndex: {}", err.message());
        return;
    }
    vsx::Error registerErr(vsx::Error::Record);
    const vsx::Property reg = map.findRegister("LUTValueAll", registerErr);
    if (!reg)
        return;

    vsx::Error readErr(vsx::Error::Record);
    int64_t size = 0;
    if (!readErr.check(vsx_prop_register_get_size(reg.handle(), &size))) {
        spdlog::error("deviceSetLutValueAll: {}", readErr.message());
        return;
    }
    const int64_t min = index.minimum(readErr);
    const int64_t max = readErr.code == vsx::Error::kNoError ? index.maximum(readErr) : 0;
    if (readErr.code != vsx::Error::kNoError) {
        spdlog::error("deviceSetLutValueAll: {}", readErr.message());
        return;
    }
    std::vector<uint8_t> block;
    try {
        block = lut_register_block(values, size, entry_count(min, max));
    } catch (const std::invalid_argument& e) {
        spdlog::error("deviceSetLutValueAll: {}", e.what());
        return;
    }
    vsx::Error writeErr(vsx::Error::Record);
    if (!writeErr.check(vsx_prop_register_set_value(reg.handle(), block.data(), block.size()))) {
        // The table written is the camera's selected one (while resetting not the current one).
        vsx::Error nameErr(vsx::Error::Record);
        const vsx::PropEnumeration selector =
            hasSelector_ ? map.findEnumeration("LUTSelector", nameErr) : vsx::PropEnumeration();
        const std::string table = selector ? selector.selectedEntryName(nameErr) : current_;
        spdlog::error("Failed to set LUTValueAll: {}: {}", table, writeErr.message());
    }
}

} // namespace app
