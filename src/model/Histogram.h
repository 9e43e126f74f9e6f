#pragma once

#include "app/ParameterContainer.h"
#include "kyrgx/Color.h"
#include "kyrgx/ImageDescriptor.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kyrgx {
class Graphics;
}

namespace app {

// Four channels of 256 bins, in the order red, green, blue, gray: bin v of a
// channel counts the samples whose 8-bit value is v.
struct HistogramBins {
    static constexpr int kChannelSize = 256;
    std::array<float, 4 * kChannelSize> values{};

    const float* red() const { return values.data(); }
    const float* green() const { return values.data() + kChannelSize; }
    const float* blue() const { return values.data() + 2 * kChannelSize; }
    const float* gray() const { return values.data() + 3 * kChannelSize; }
};

// Counts a frame into out, sampling about 128 x 128 points whatever its size:
// columns every max(1, W / 128), rows every max(1, H / 128), the last row and
// column never being an origin (a sample may read its right and lower
// neighbours). 16-bit values count by their high byte; gray is
// (79 R + 150 G + 27 B) >> 8; MONO8 fills gray only, MONO16 all four channels.
//
// Throws std::runtime_error "Unknown kyrgx::PixelFormat in get_histogram."
// for a format outside RGB24 to YUV422. A frame narrower or lower than 2
// pixels gives zero bins; a frame without pixels or with a pitch shorter than
// one row throws std::invalid_argument and reads nothing.
void get_histogram(HistogramBins& out, const kyr_kelvane::image_descriptor& frame);

// The YUV 4:2:2 case of get_histogram: pixel pairs Y0 U Y1 V, converted with
// the BT.601 studio-range constants, clamped to 0..255.
void get_histogram_yuv422(HistogramBins& out, const kyr_kelvane::image_descriptor& frame);

// One camera's histogram: the bins of its latest counted frame, the display
// settings "showZeros", "channels" and "displayMode", and the drawing of the
// histogram dock. Its device instance loads and saves the settings.
//
// Threads: update() and updateDue() run on the camera's frame thread; render,
// the setters and the settings getters on the GUI thread; the channel getters
// on any thread. The newest counted bins wait as "pending" until a render or a
// channel getter takes them over as "current"; both are guarded by the bins
// lock, the three settings by the settings lock.
class Histogram : public helper::ParameterContainer {
public:
    // Milliseconds on a monotonic clock (tests pass a manual one).
    using Clock = std::function<int64_t()>;

    static constexpr int kPlotGap = 16; // pixels between stacked channel plots
    static constexpr int64_t kUpdateInterval = 100;

    Histogram();
    ~Histogram();
    Histogram(const Histogram&) = delete;
    Histogram& operator=(const Histogram&) = delete;

    // Counts the frame and keeps the result as pending (an older pending block
    // not yet taken over is dropped). The counting's exceptions pass, and then
    // pending stays as it was.
    void update(const kyr_kelvane::image_descriptor& frame);
    // Makes pending the current bins; nothing when none is pending.
    void swapPending();

    // Draws the channels chosen in "channels" at (x, y): "RGB" stacks red,
    // green and blue (the blue plot one pixel lower than the others) on one
    // scale, "R", "G" or "B" draws that channel, anything else the gray
    // channel. height is the height of one plot. The first render after a
    // MONO8 or MONO16 frame switches "channels" to "Grayscale" for the next one.
    void render(kyrgx::Graphics& g, int x, int y, int width, int height);
    // One plot of 256 values scaled so that max fills height: a filled column
    // and a line per pixel, markers for empty bins when showZeros is set.
    // Draws nothing before the first render that found bins, and nothing at a
    // width below 2; a max of 0 or less draws the plot flat.
    void drawChannel(kyrgx::Graphics& g, const float* values, kyrgx::Color fill, kyrgx::Color line, float x,
                     float y, int width, int height, int max, bool showZeros);

    // The 256 bins of a channel of the current bins (zeros before any); each
    // call also asks the frame path to count the camera's next due frame.
    std::vector<float> redChannel();
    std::vector<float> greenChannel();
    std::vector<float> blueChannel();
    std::vector<float> grayChannel();

    // The settings (GUI thread).
    std::wstring channels() const;
    std::wstring displayMode() const;
    bool showZeros() const;
    // A text that is not one of the list's entries is ignored.
    void setChannels(std::wstring value);
    void setDisplayMode(std::wstring value);
    void setShowZeros(bool value);

    // True once after a channel getter asked for bins.
    bool takeRequest();
    // True, and the clock noted, when kUpdateInterval ms or more passed since
    // the last time it answered true (frame thread).
    bool updateDue();

    // Applies the settings file when it exists and is not empty (a malformed
    // file is logged by the parameter store and changes nothing). Throws the
    // file system's error when the file's status cannot be read.
    void load(const std::filesystem::path& path);
    // Writes the settings file atomically; throws std::runtime_error on failure.
    void save(const std::filesystem::path& path);

    // Replaces the clock of updateDue (before frames arrive).
    void setClock(Clock clock);

private:
    std::vector<float> channel(int index);
    void swapPendingLocked();

    std::mutex binsMutex_;
    mutable std::mutex settingsMutex_;
    std::shared_ptr<helper::boolParameter> showZeros_;
    std::shared_ptr<helper::listParameter> channels_;
    std::shared_ptr<helper::listParameter> displayMode_;

    // The render's own (GUI thread).
    bool hasDisplay_ = false;
    int renderFormat_ = 0;
    std::array<float, 4 * HistogramBins::kChannelSize> display_{};

    // Guarded by binsMutex_.
    std::unique_ptr<HistogramBins> current_;
    int currentFormat_ = 0;
    std::unique_ptr<HistogramBins> pending_;
    int pendingFormat_ = 0;

    std::atomic<bool> requested_{false};
    std::atomic<int64_t> lastUpdate_{0};
    Clock clock_;
};

} // namespace app
