#include "device/FormatEnumeration.h"

#include "device/FeatureAccess.h"
#include "device/PixelFormatTables.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <spdlog/spdlog.h>
#include <stdexcept>
#include <vsxcore.h>

namespace app {

namespace {

vsx::PropertyMap property_map_or_throw(const vsx::Grabber& grabber)
{
    vsx::Error err(vsx::Error::Record);
    vsx::PropertyMap map = grabber.devicePropertyMap(err);
    if (!map)
        throw std::runtime_error("Failed to get PropertyMap: " + err.message());
    return map;
}

// Puts the features that listing another format's sizes changes back as they
// were: the pixel format, then the size and the frame rate the camera may have
// clamped to fit it. Best effort: a value the camera refuses is passed over.
class FormatRestore {
public:
    explicit FormatRestore(const vsx::PropertyMap& map) : map_(map)
    {
        for (Saved& saved : saved_) {
            vsx::Error err(vsx::Error::Record);
            std::string value = map_.getValueString(saved.name, err);
            if (err.code == vsx::Error::kNoError)
                saved.value = std::move(value);
        }
    }
    ~FormatRestore()
    {
        try {
            for (const Saved& saved : saved_) {
                if (!saved.value)
                    continue;
                vsx::Error err(vsx::Error::Record);
                if (map_.getValueString(saved.name, err) != *saved.value)
                    map_.setValueString(saved.name, *saved.value, vsx::Error::ignoreRecord());
            }
        } catch (const std::exception& e) {
            spdlog::error("enumerate_resolutions: {}", e.what());
        }
    }
    FormatRestore(const FormatRestore&) = delete;
    FormatRestore& operator=(const FormatRestore&) = delete;

    const std::optional<std::string>& pixelformat() const { return saved_[0].value; }

private:
    struct Saved {
        const char* name;
        std::optional<std::string> value;
    };
    const vsx::PropertyMap& map_;
    Saved saved_[4] = {{"PixelFormat", {}}, {"Width", {}}, {"Height", {}}, {"AcquisitionFrameRate", {}}};
};

bool is_standard_size(int64_t width, int64_t height)
{
    return std::any_of(standard_frame_sizes.begin(), standard_frame_sizes.end(),
                       [&](const auto& size) { return size.first == width && size.second == height; });
}

} // namespace

std::vector<uint32_t> enumerate_pixelformats(const vsx::Grabber& grabber)
{
    const vsx::PropertyMap map = property_map_or_throw(grabber);
    vsx::Error err(vsx::Error::Record);
    const vsx::PropEnumeration feature = map.findEnumeration("PixelFormat", err);
    if (!feature)
        throw std::runtime_error("PixelFormat does not exist: " + err.message());
    const std::vector<vsx::Property> entries = feature.entries(err);
    if (err.code != vsx::Error::kNoError)
        throw std::runtime_error("PixelFormat has no entries: " + err.message());

    std::vector<uint32_t> codes;
    for (const vsx::Property& entry : entries) {
        vsx::Error entryErr(vsx::Error::Record);
        const int64_t code = entry.entryIntValue(entryErr);
        if (entryErr.code == vsx::Error::kNoError && sink_format_of_code(static_cast<uint32_t>(code)) != -1)
            codes.push_back(static_cast<uint32_t>(code));
    }
    std::stable_sort(codes.begin(), codes.end(),
                     [](uint32_t a, uint32_t b) { return vsx_pixelformat_bpp(a) < vsx_pixelformat_bpp(b); });
    return codes;
}

std::vector<Resolution> enumerate_resolutions(const vsx::Grabber& grabber, const std::string& pixelformat,
                                              uint32_t horizontalFactor, uint32_t verticalFactor)
{
    const vsx::PropertyMap map = property_map_or_throw(grabber);
    const FormatRestore restore(map);
    if (restore.pixelformat() != pixelformat)
        map.setValueString("PixelFormat", pixelformat);

    const vsx::PropInteger width = map.findInteger("Width");
    const vsx::PropInteger height = map.findInteger("Height");
    const int64_t minWidth = width.minimum();
    int64_t maxWidth = width.maximum();
    const int64_t incWidth = std::max<int64_t>(1, width.increment());
    const int64_t minHeight = height.minimum();
    int64_t maxHeight = height.maximum();
    const int64_t incHeight = std::max<int64_t>(1, height.increment());

    // A camera whose maximum is the whole sensor at any binning: divide here.
    vsx::Error err(vsx::Error::Record);
    if (const vsx::PropInteger sensor = map.findInteger("SensorWidth", err);
        sensor && sensor.value(vsx::Error::ignoreRecord()) == maxWidth)
        maxWidth /= std::max<uint32_t>(1, horizontalFactor);
    if (const vsx::PropInteger sensor = map.findInteger("SensorHeight", err);
        sensor && sensor.value(vsx::Error::ignoreRecord()) == maxHeight)
        maxHeight /= std::max<uint32_t>(1, verticalFactor);

    const bool standardMaximum = is_standard_size(maxWidth, maxHeight);
    const bool analogue = has_feature(map, "VideoNorm");
    std::vector<std::pair<int64_t, int64_t>> candidates;
    for (const auto& size : analogue ? analog_frame_sizes : standard_frame_sizes)
        candidates.emplace_back(size.first, size.second);
    if (!analogue && !standardMaximum)
        candidates.emplace_back(maxWidth, maxHeight);

    std::vector<Resolution> sizes;
    for (const auto& [w, h] : candidates) {
        if (w >= minWidth && w <= maxWidth && h >= minHeight && h <= maxHeight && w % incWidth == 0 &&
            h % incHeight == 0)
            sizes.emplace_back(static_cast<int>(w), static_cast<int>(h));
    }
    return sizes;
}

std::vector<double> framerate_steps(double minimum, double maximum)
{
    if (!std::isfinite(minimum) || !std::isfinite(maximum))
        return {};
    if (minimum >= maximum)
        return {minimum};
    std::vector<double> rates{minimum};
    double t = std::max(1.0, std::trunc(minimum));
    while (maximum > t) {
        const double step = t < 10 ? 1 : t < 20 ? 2 : t < 50 ? 5 : t < 100 ? 10 : t < 1000 ? 50 : 100;
        t += step;
        if (!(maximum > t))
            break;
        rates.push_back(t);
    }
    if (rates.back() != maximum)
        rates.push_back(maximum);
    return rates;
}

std::vector<double> enumerate_framerates(const vsx::Grabber& grabber)
{
    std::vector<double> rates;
    const vsx::PropertyMap map = grabber.devicePropertyMap();
    vsx::Error err(vsx::Error::Record);
    const vsx::Property feature = map.find("AcquisitionFrameRate", err);
    if (feature) {
        const int kind = feature.type();
        if (kind == vsx::Float) {
            const vsx::PropFloat rate = feature.asFloat();
            rates = framerate_steps(rate.minimum(), rate.maximum());
        } else if (kind == vsx::Enumeration) {
            for (const vsx::Property& entry : feature.asEnumeration().entries(err))
                rates.push_back(parse_decimal(entry.displayName()));
        }
    }
    if (rates.empty())
        spdlog::error("Failed to enumerate framerates");
    return rates;
}

double preferred_framerate(const std::vector<double>& rates)
{
    static constexpr double kPreferred[] = {60, 50, 30, 25, 20, 15};
    for (double rate : rates)
        for (double preferred : kPreferred)
            if (std::fabs(preferred - rate) < 5)
                return rate;
    return rates.empty() ? 0.0 : *std::max_element(rates.begin(), rates.end());
}

std::optional<Resolution> nearest_resolution(const std::vector<Resolution>& sizes, int64_t width,
                                             int64_t height)
{
    std::optional<Resolution> nearest;
    uint64_t best = 0;
    const int64_t target = width * height;
    for (const Resolution& size : sizes) {
        const int64_t area = int64_t{size.x} * size.y;
        const uint64_t difference =
            area > target ? static_cast<uint64_t>(area - target) : static_cast<uint64_t>(target - area);
        if (!nearest || difference < best) {
            best = difference;
            nearest = size;
        }
    }
    return nearest;
}

double nearest_framerate(const std::vector<double>& rates, double previous)
{
    double best = 999999;
    double choice = previous;
    for (double rate : rates) {
        if (std::fabs(rate - previous) < best) {
            best = std::fabs(rate - previous);
            choice = rate;
        }
    }
    return choice;
}

} // namespace app
