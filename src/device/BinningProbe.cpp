#include "device/BinningProbe.h"

#include "device/FeatureAccess.h"

#include <algorithm>
#include <functional>
#include <spdlog/spdlog.h>

namespace app {

namespace {

// Runs the restore step when the probe ends, however it ends.
class RestoreOnExit {
public:
    explicit RestoreOnExit(std::function<void()> restore) : restore_(std::move(restore)) {}
    ~RestoreOnExit()
    {
        try {
            restore_();
        } catch (const std::exception& e) {
            spdlog::error("enumerate_binning_values: {}", e.what());
        }
    }
    RestoreOnExit(const RestoreOnExit&) = delete;
    RestoreOnExit& operator=(const RestoreOnExit&) = delete;

private:
    std::function<void()> restore_;
};

bool write_and_read_back(const vsx::PropInteger& feature, int64_t value)
{
    vsx::Error err(vsx::Error::Record);
    if (!feature.setValue(value, err))
        return false;
    return feature.value(err) == value && err.code == vsx::Error::kNoError;
}

int64_t factor_on_device(const vsx::PropertyMap& map, const char* feature)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::Property found = map.find(feature, err);
    if (!found)
        return 1;
    const int64_t value = found.type(err) == vsx::Enumeration ? found.asEnumeration(err).intValue(err)
                                                              : found.asInteger(err).value(err);
    return err.code == vsx::Error::kNoError ? value : 1;
}

} // namespace

void enumerate_binning_values(const vsx::PropEnumeration& feature, int32_t mode,
                              std::vector<BinningEntry>& out)
{
    try {
        const int64_t saved = feature.intValue();
        const std::vector<vsx::Property> entries = feature.entries();
        const std::string name = feature.name();
        const RestoreOnExit restore([&] { feature.setIntValue(saved, vsx::Error::ignoreRecord()); });
        for (const vsx::Property& entry : entries) {
            const int64_t d = entry.entryIntValue();
            vsx::Error err(vsx::Error::Record);
            if (!feature.setIntValue(d, err))
                continue;
            if (feature.intValue(err) == d && err.code == vsx::Error::kNoError) {
                const auto factor = static_cast<uint32_t>(d);
                out.push_back({factor, factor, mode, name, entry.name()});
            }
        }
    } catch (const std::exception& e) {
        spdlog::error("enumerate_binning_values: {}", e.what());
    }
}

void enumerate_binning_values(const vsx::PropInteger& horizontal, const vsx::PropInteger& vertical,
                              int32_t mode, std::vector<BinningEntry>& out)
{
    try {
        if (horizontal && vertical) {
            const std::vector<int64_t> hValues = integer_value_list(horizontal);
            const std::vector<int64_t> vValues = integer_value_list(vertical);
            const int64_t savedH = horizontal.value();
            const int64_t savedV = vertical.value();
            const RestoreOnExit restore([&] {
                horizontal.setValue(savedH, vsx::Error::ignoreRecord());
                vertical.setValue(savedV, vsx::Error::ignoreRecord());
            });
            for (int64_t h : hValues) {
                for (int64_t v : vValues) {
                    vsx::Error err(vsx::Error::Record);
                    if (!horizontal.setValue(h, err) || !vertical.setValue(v, err))
                        continue;
                    const int64_t readH = horizontal.value(err);
                    const int64_t readV = vertical.value(err);
                    if (err.code == vsx::Error::kNoError && readH == h && readV == v)
                        out.push_back({static_cast<uint32_t>(h), static_cast<uint32_t>(v), mode});
                }
            }
            return;
        }
        const vsx::PropInteger& single = horizontal ? horizontal : vertical;
        if (!single)
            return;
        const std::vector<int64_t> values = integer_value_list(single);
        const int64_t saved = single.value();
        const RestoreOnExit restore([&] { single.setValue(saved, vsx::Error::ignoreRecord()); });
        for (int64_t value : values) {
            if (!write_and_read_back(single, value))
                continue;
            const auto factor = static_cast<uint32_t>(value);
            out.push_back(horizontal ? BinningEntry{factor, 1, mode} : BinningEntry{1, factor, mode});
        }
    } catch (const std::exception& e) {
        spdlog::error("enumerate_binning_values: {}", e.what());
    }
}

std::vector<BinningEntry> probe_binning_entries(const vsx::PropertyMap& map)
{
    std::vector<BinningEntry> binning;
    std::vector<BinningEntry> decimation;
    if (has_feature(map, "Binning"))
        enumerate_binning_values(map.findEnumeration("Binning", vsx::Error::ignoreRecord()),
                                 BinningEntry::Binning, binning);
    if (has_feature(map, "Decimation"))
        enumerate_binning_values(map.findEnumeration("Decimation", vsx::Error::ignoreRecord()),
                                 BinningEntry::Decimation, binning);
    if (has_feature(map, "BinningVertical") || has_feature(map, "BinningHorizontal"))
        enumerate_binning_values(map.findInteger("BinningHorizontal", vsx::Error::ignoreRecord()),
                                 map.findInteger("BinningVertical", vsx::Error::ignoreRecord()),
                                 BinningEntry::Binning, binning);
    if (has_feature(map, "DecimationVertical") || has_feature(map, "DecimationHorizontal"))
        enumerate_binning_values(map.findInteger("DecimationHorizontal", vsx::Error::ignoreRecord()),
                                 map.findInteger("DecimationVertical", vsx::Error::ignoreRecord()),
                                 BinningEntry::Decimation, decimation);

    if (binning.empty() || decimation.empty())
        return binning.empty() ? decimation : binning;
    std::vector<BinningEntry> merged{BinningEntry{1, 1, BinningEntry::Disabled}};
    for (const auto* list : {&binning, &decimation})
        for (const BinningEntry& entry : *list)
            if (entry.horizontal > 1 || entry.vertical > 1)
                merged.push_back(entry);
    return merged;
}

BinningEntry binning_on_device(const vsx::PropertyMap& map, const std::vector<BinningEntry>& entries)
{
    const int64_t bh = factor_on_device(map, "BinningHorizontal");
    const int64_t bv = factor_on_device(map, "BinningVertical");
    const int64_t dh = factor_on_device(map, "DecimationHorizontal");
    const int64_t dv = factor_on_device(map, "DecimationVertical");
    const int64_t binning = factor_on_device(map, "Binning");
    const int64_t decimation = factor_on_device(map, "Decimation");
    BinningEntry wanted{1, 1, BinningEntry::Disabled};
    if (bh > 1 || bv > 1)
        wanted = {static_cast<uint32_t>(bh), static_cast<uint32_t>(bv), BinningEntry::Binning};
    else if (dh > 1 || dv > 1)
        wanted = {static_cast<uint32_t>(dh), static_cast<uint32_t>(dv), BinningEntry::Decimation};
    else if (binning > 1)
        wanted = {static_cast<uint32_t>(binning), static_cast<uint32_t>(binning), BinningEntry::Binning};
    else if (decimation > 1)
        wanted = {static_cast<uint32_t>(decimation), static_cast<uint32_t>(decimation),
                  BinningEntry::Decimation};
    if (wanted.mode != BinningEntry::Disabled) {
        const auto found = std::find(entries.begin(), entries.end(), wanted);
        if (found != entries.end())
            return *found;
    }
    return entries.front();
}

} // namespace app
