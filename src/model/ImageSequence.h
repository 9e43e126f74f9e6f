#pragma once

#include "app/ParameterContainer.h"
#include "kyrgx/ImageDescriptor.h"
#include "views/SequenceViewData.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace app {

// One camera's timed image sequence: its settings, kept as parameters and
// stored in the camera's "_sequence.json", its running state, and the hooks
// through which it reaches its device instance.
//
//   "targetDirectory"      string  the Pictures folder
//   "filenamePrefix"       string  "Image"
//   "indexEnabled"         bool    true
//   "index"                int     0..9999999, 0
//   "timestampEnabled"     bool    false
//   "timestampFormat"      string  "HH_MM_SS"
//   "imageFiletype"        string  "BMP"
//   "jpgQuality"           int     0..100, 100
//   "hotkey"               string  "Space"
//   "intervallMinutes"     int     0..60, 0
//   "intervallSeconds"     int     0..59, 20
//   "endAfterTimeEnabled"  bool    false
//   "endTimeMinutes"       int     0..60, 0
//   "endTimeSeconds"       int     0..59, 20
//   "endAfterFramesEnabled" bool   false
//   "endFrames"            int     0..9999999, 0
//
// A started run captures the first frame one interval after the start and
// then one frame per interval (every frame for an interval of 0:00) until it
// is stopped or an end condition holds at a capture; a single capture takes
// the next frame and ends. Intervals and end times are measured on a steady
// clock, the time stamps of file names come from the wall clock.
//
// Threads: onFrame and the hooks it calls run on the camera's frame thread,
// everything else on the GUI thread. One mutex guards the state and every
// read or write of the settings made here; no hook is called with it held.
class ImageSequence : public helper::ParameterContainer {
public:
    // The clocks of a sequence; tests replace them.
    struct Clocks {
        std::function<int64_t()> steadyMs;        // intervals and end times
        std::function<std::time_t()> wallSeconds; // time stamps of file names
    };

    ImageSequence();
    ImageSequence(const ImageSequence&) = delete;
    ImageSequence& operator=(const ImageSequence&) = delete;

    // Replaces the clocks (an empty one keeps its current clock).
    void setClocks(Clocks clocks);

    // The settings for the sequence docks.
    SequenceViewData viewData() const;
    // Takes all sixteen settings (numbers clamped to their ranges) and asks
    // about existing files again at the next start.
    void setViewData(const SequenceViewData& data);

    bool isRunning() const;
    // The capture interval in seconds.
    int32_t intervalSeconds() const;
    // Milliseconds until the next capture (negative when it is overdue); 0
    // when not running.
    int64_t remainingMilliseconds() const;
    // The JPEG quality for the writer.
    int jpgQuality() const;

    // The full path of the next capture: "targetDirectory" / prefix, "_" and
    // "index" + captures when "indexEnabled", "_" day "_" month "_" year when
    // "timestampEnabled" with "DD_MM_YY" in "timestampFormat", "_" hour "_"
    // minute "_" second when "timestampEnabled", and ".bmp", ".jpg", ".png"
    // or ".tiff" by "imageFiletype" (any letter case). A '/' in the prefix
    // becomes '_' (logged once per prefix), so the file stays in the folder.
    std::filesystem::path nextFileName() const;
    // The end conditions for the timer dock: "On user request", "After <n>
    // more frames.", "After <m> minutes and <s> seconds." or both joined by
    // "or after"; frames and time left never go below 0.
    std::wstring summaryText() const;

    // Arms a capture of the next frame, unless something is armed already.
    void captureSingle();
    // Begins a run. The first time after the settings were given (and until
    // the user once agrees), existing files of the next capture's type whose
    // names contain its name stem are looked for, and askOverwrite decides
    // whether to go on. A missing target folder is created. Throws
    // std::runtime_error naming the folder when it cannot be made or listed;
    // the sequence then stays idle.
    void start();
    // Ends a run or an armed single capture; calls onStopped in any case.
    void stop();
    // Offered every delivered frame of the camera (frame thread). An exception
    // of onCapture leaves it before the capture is counted.
    void onFrame(const kyr_kelvane::image_descriptor& frame);

    // A run whose images cannot be written, one after the other, ends: a
    // folder that refuses files or a full disk would fail every image to come.
    static constexpr uint32_t kFailuresInARowToStop = 3;
    // The run a capture belongs to; it changes with every start. Any thread.
    uint64_t runId() const;
    // What the writer made of an image captured in that run (the writer's
    // thread). A written image clears the count of failures in a row; the
    // kFailuresInARowToStop-th failure in a row ends the run, if it still
    // runs, through onStopped and gives true. Images of an earlier run, and
    // failures of single captures, end nothing.
    bool imageSaved(uint64_t runId, bool written);

    // Set by the device instance.
    std::function<bool(std::string folder, std::string fileName)> askOverwrite;
    std::function<void(ImageSequence*)> onStopped;
    std::function<void(ImageSequence*)> onStarted;
    std::function<void(const kyr_kelvane::image_descriptor&)> onCapture;

private:
    std::filesystem::path nextFileNameLocked() const;
    int64_t intervalMsLocked() const;
    int64_t endTimeMsLocked() const;
    // Asks about files the run could overwrite; false when the user said no.
    bool confirmOverwrite(const std::filesystem::path& next);

    mutable std::mutex mutex_;
    Clocks clocks_;
    bool clashCheckPending_ = true;
    bool running_ = false;
    bool singleShot_ = false;
    int64_t lastCapture_ = 0;
    int64_t startTime_ = 0;
    uint32_t count_ = 0;
    uint64_t run_ = 0;    // changes with every start, stop, end and armed single capture
    uint64_t starts_ = 0; // changes with every start
    uint32_t failuresInARow_ = 0;
    mutable std::wstring warnedPrefix_;

    std::shared_ptr<helper::stringParameter> targetDirectory_;
    std::shared_ptr<helper::stringParameter> filenamePrefix_;
    std::shared_ptr<helper::boolParameter> indexEnabled_;
    std::shared_ptr<helper::IntParameter> index_;
    std::shared_ptr<helper::boolParameter> timestampEnabled_;
    std::shared_ptr<helper::stringParameter> timestampFormat_;
    std::shared_ptr<helper::stringParameter> imageFiletype_;
    std::shared_ptr<helper::IntParameter> jpgQuality_;
    std::shared_ptr<helper::stringParameter> hotkey_;
    std::shared_ptr<helper::IntParameter> intervallMinutes_;
    std::shared_ptr<helper::IntParameter> intervallSeconds_;
    std::shared_ptr<helper::boolParameter> endAfterTimeEnabled_;
    std::shared_ptr<helper::IntParameter> endTimeMinutes_;
    std::shared_ptr<helper::IntParameter> endTimeSeconds_;
    std::shared_ptr<helper::boolParameter> endAfterFramesEnabled_;
    std::shared_ptr<helper::IntParameter> endFrames_;
};

} // namespace app
