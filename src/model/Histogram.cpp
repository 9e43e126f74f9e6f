#include "model/Histogram.h"

#include "app/Clock.h"
#include "app/TextFile.h"
#include "app/Utf8.h"
#include "kyrgx/Graphics.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace fs = std::filesystem;

namespace app {

namespace {

constexpr int kRed = 0;
constexpr int kGreen = 1;
constexpr int kBlue = 2;
constexpr int kGray = 3;
constexpr int kBinCount = HistogramBins::kChannelSize;

struct ChannelColors {
    kyrgx::Color fill;
    kyrgx::Color line;
};

constexpr ChannelColors kColors[4] = {
    {{160, 0, 0, 255}, {200, 0, 0, 255}},
    {{0, 120, 0, 255}, {0, 160, 0, 255}},
    {{8, 32, 196, 255}, {16, 64, 224, 255}},
    {{128, 128, 128, 255}, {128, 128, 128, 255}},
};

constexpr kyrgx::Color kZeroMarker{196, 196, 64, 255};

int channel_max(const float* values)
{
    return static_cast<int>(*std::max_element(values, values + kBinCount));
}

bool is_mono(int format)
{
    return format == static_cast<int>(kyrgx::PixelFormat::MONO8) ||
           format == static_cast<int>(kyrgx::PixelFormat::MONO16);
}

} // namespace

Histogram::Histogram() : clock_(steady_ms)
{
    showZeros_ = addBool(L"showZeros", false);
    channels_ = addList(L"channels", {L"RGB", L"R", L"G", L"B", L"Grayscale"}, L"RGB");
    displayMode_ = addList(L"displayMode", {L"Linear", L"Logarithmic"}, L"Linear");
}

Histogram::~Histogram() = default;

void Histogram::setClock(Clock clock)
{
    clock_ = std::move(clock);
}

void Histogram::update(const kyr_kelvane::image_descriptor& frame)
{
    HistogramBins counted;
    get_histogram(counted, frame);
    auto block = std::make_unique<HistogramBins>(counted);
    std::lock_guard lock(binsMutex_);
    pending_ = std::move(block);
    pendingFormat_ = static_cast<int>(frame.format);
}

void Histogram::swapPendingLocked()
{
    if (!pending_)
        return;
    current_ = std::move(pending_);
    currentFormat_ = pendingFormat_;
}

void Histogram::swapPending()
{
    std::lock_guard lock(binsMutex_);
    swapPendingLocked();
}

std::vector<float> Histogram::channel(int index)
{
    requested_.store(true, std::memory_order_release);
    std::lock_guard lock(binsMutex_);
    swapPendingLocked();
    if (!current_)
        return std::vector<float>(kBinCount, 0.0f);
    const float* first = current_->values.data() + index * kBinCount;
    return std::vector<float>(first, first + kBinCount);
}

std::vector<float> Histogram::redChannel()
{
    return channel(kRed);
}
std::vector<float> Histogram::greenChannel()
{
    return channel(kGreen);
}
std::vector<float> Histogram::blueChannel()
{
    return channel(kBlue);
}
std::vector<float> Histogram::grayChannel()
{
    return channel(kGray);
}

std::wstring Histogram::channels() const
{
    return channels_->value();
}
std::wstring Histogram::displayMode() const
{
    return displayMode_->value();
}
bool Histogram::showZeros() const
{
    return showZeros_->value();
}

void Histogram::setChannels(std::wstring value)
{
    std::lock_guard lock(settingsMutex_);
    channels_->setValue(value);
}

void Histogram::setDisplayMode(std::wstring value)
{
    std::lock_guard lock(settingsMutex_);
    displayMode_->setValue(value);
}

void Histogram::setShowZeros(bool value)
{
    std::lock_guard lock(settingsMutex_);
    showZeros_->setValue(value);
}

bool Histogram::takeRequest()
{
    return requested_.exchange(false, std::memory_order_acq_rel);
}

bool Histogram::updateDue()
{
    const int64_t now = clock_();
    const int64_t last = lastUpdate_.load(std::memory_order_relaxed);
    if (static_cast<uint64_t>(now) - static_cast<uint64_t>(last) < static_cast<uint64_t>(kUpdateInterval))
        return false;
    lastUpdate_.store(now, std::memory_order_relaxed);
    return true;
}

void Histogram::render(kyrgx::Graphics& g, int x, int y, int width, int height)
{
    std::wstring mode;
    std::wstring chosen;
    bool zeros = false;
    {
        std::lock_guard lock(settingsMutex_);
        mode = displayMode_->value();
        chosen = channels_->value();
        zeros = showZeros_->value();
    }

    bool haveBins = false;
    int format = 0;
    {
        std::lock_guard lock(binsMutex_);
        swapPendingLocked();
        if (current_) {
            haveBins = true;
            format = currentFormat_;
            if (mode == L"Linear") {
                display_ = current_->values;
            } else {
                static const double kLogBase = std::log(1.1);
                for (size_t i = 0; i < display_.size(); ++i) {
                    const float v = current_->values[i];
                    display_[i] =
                        v > 1.0f ? static_cast<float>(std::log(static_cast<double>(v)) / kLogBase) : v;
                }
            }
        }
    }
    if (haveBins) {
        hasDisplay_ = true;
        if (format != renderFormat_) {
            renderFormat_ = format;
            if (is_mono(format)) {
                std::lock_guard lock(settingsMutex_);
                channels_->setValue(L"Grayscale");
            }
        }
    }

    const float* values = display_.data();
    g.pushTransform();
    g.transform(1, 0, 0, 1, static_cast<float>(x), static_cast<float>(y));
    auto plot = [&](int channel, float offset, int plotHeight, int max) {
        drawChannel(g, values + channel * kBinCount, kColors[channel].fill, kColors[channel].line, 0.0f,
                    offset, width, plotHeight, max, zeros);
    };
    if (chosen == L"RGB") {
        const int max = std::max(
            {channel_max(values), channel_max(values + kBinCount), channel_max(values + 2 * kBinCount)});
        plot(kRed, 0.0f, height, max);
        plot(kGreen, static_cast<float>(height + kPlotGap), height, max);
        plot(kBlue, static_cast<float>(2 * (height + kPlotGap)), height - 1, max);
    } else if (chosen == L"R" || chosen == L"G" || chosen == L"B") {
        const int channel = chosen == L"R" ? kRed : (chosen == L"G" ? kGreen : kBlue);
        plot(channel, 0.0f, height, channel_max(values + channel * kBinCount));
    } else {
        plot(kGray, 0.0f, height, channel_max(values + kGray * kBinCount));
    }
    g.popTransform();
}

void Histogram::drawChannel(kyrgx::Graphics& g, const float* values, kyrgx::Color fill, kyrgx::Color line,
                            float x, float y, int width, int height, int max, bool showZeros)
{
    // Nothing to scale across fewer than two columns.
    if (!hasDisplay_ || width < 2)
        return;
    g.setBlendMode(1);
    g.setLineWidth(1.0f);
    g.pushTransform();
    g.transform(1, 0, 0, 1, x, y);

    const float step = 255.0f / static_cast<float>(width - 1);
    std::vector<int> top(static_cast<size_t>(width));
    float p = 0.0f;
    for (int i = 0; i < width; ++i, p += step) {
        const int i0 = std::min(static_cast<int>(p), kBinCount - 1);
        const int i1 = std::min(i0 + 1, kBinCount - 1);
        const float f = p - static_cast<float>(i0);
        const int v = static_cast<int>((values[i1] - values[i0]) * f) + static_cast<int>(values[i0]);
        // No counts at all: the plot lies flat on its base line.
        top[i] = max > 0 ? height - static_cast<int>(static_cast<float>(v) / static_cast<float>(max) *
                                                     static_cast<float>(height))
                         : height;
    }
    for (int i = 0; i < width; ++i) {
        const int j = std::min(i + 1, width - 1);
        g.setColor(fill);
        g.setAlpha(0.5f);
        g.fillRect(i, top[i], 1, std::max(1, height - top[i]));
        g.setColor(line);
        g.setAlpha(1.0f);
        g.drawLine(static_cast<float>(i), static_cast<float>(top[i]), static_cast<float>(j),
                   static_cast<float>(top[j]));
        g.fillRect(i, height, 1, 1);
    }
    if (showZeros) {
        g.setColor(kZeroMarker);
        p = 0.0f;
        for (int i = 0; i < width; ++i, p += step)
            if (values[std::min(static_cast<int>(p), kBinCount - 1)] < 1.0f)
                g.fillRect(i, 0, 1, height);
    }
    g.popTransform();
}

void Histogram::load(const fs::path& path)
{
    if (!fs::exists(path)) // throws the file system's error when the status cannot be read
        return;
    const std::string text = read_text_file(path_to_wide(path));
    if (!text.empty())
        deserialize(text);
}

void Histogram::save(const fs::path& path)
{
    const std::string text = serialize();
    if (text.empty())
        throw std::runtime_error("Histogram::save: the settings could not be serialised.");
    write_text_file(path_to_wide(path), text);
}

} // namespace app
