#pragma once

#include "app/ParameterContainer.h"
#include "kyrgx/ImageDescriptor.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>

namespace app {

// One camera's image-sequence settings, kept as parameters and stored in the
// camera's "_sequence.json", and the hooks through which a running sequence
// reaches its device instance:
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
// Capturing is not part of this version: a sequence never runs, and the
// frame handler's offer of each frame returns at once.
class ImageSequence : public helper::ParameterContainer {
public:
    ImageSequence();
    ImageSequence(const ImageSequence&) = delete;
    ImageSequence& operator=(const ImageSequence&) = delete;

    bool isRunning() const { return running_.load(std::memory_order_acquire); }

    // Offered every delivered frame of the camera (frame thread).
    void onFrame(const kyr_kelvane::image_descriptor& frame);

    // The path of the next capture: "targetDirectory" / "filenamePrefix", with
    // "_" and the running number when "indexEnabled", and the extension of
    // "imageFiletype".
    std::filesystem::path nextFileName() const;

    // Set by the device instance.
    std::function<bool(std::string folder, std::string fileName)> askOverwrite;
    std::function<void(ImageSequence*)> onStopped;
    std::function<void(ImageSequence*)> onStarted;
    std::function<void(const kyr_kelvane::image_descriptor&)> onCapture;

private:
    std::atomic<bool> running_{false};
};

} // namespace app
