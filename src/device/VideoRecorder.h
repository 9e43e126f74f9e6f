#pragma once

#include "device/PropertyMap.h"
#include "device/VideoWriter.h"
#include "kyrgx/ImageDescriptor.h"
#include "kyrgx/PixelFormat.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace app {

// A camera's video recording through the camera library's writer: started and
// stopped on the GUI thread, fed frames on the camera's frame thread (each
// frame is encoded from the caller's memory, without a copy of its own). The
// three operations take one lock, so they never overlap.
class VideoRecorder {
public:
    VideoRecorder() = default;
    // Finishes a recording that still runs, so its file is complete.
    ~VideoRecorder();
    VideoRecorder(const VideoRecorder&) = delete;
    VideoRecorder& operator=(const VideoRecorder&) = delete;

    // Makes a writer (H.265 for codec "H265", else H.264) and sets it up: quality
    // 0 lets the writer choose the bit rate, above 0 sets it from the pixel rate.
    // The file is begun with the first frame. False (and logged) when no
    // recording could be started, a recording already running included.
    bool start(const std::wstring& fileName, const std::string& codec, bool hardwareAcceleration,
               int32_t quality, double framerate, int64_t width, int64_t height);
    // Encodes the frame into the running recording; does nothing without one.
    // False when this frame ended the recording: its file could not be begun.
    bool addFrame(const kyr_kelvane::image_descriptor& frame);
    // Finishes the file; does nothing without a running recording.
    void stop();

    bool isRecording() const;
    int32_t framesWritten() const;
    // The current writer's features (empty without a writer).
    vsx::PropertyMap writerProperties() const;

private:
    mutable std::mutex mutex_;
    std::unique_ptr<vsx::VideoWriter> writer_;
    bool recording_ = false;
    int32_t frames_ = 0;
    std::wstring fileName_;
    double framerate_ = -1.0;
};

// The bit rate (kbit/s) for a quality: in proportion to the pixel rate
// (frames per second, at least 1, times width times height), half of it for
// "H265". 1920 x 1080 at 24 frames per second gives 500 + quality squared.
int32_t video_bitrate(int32_t quality, double framerate, int64_t width, int64_t height,
                      const std::string& codec);

// The writer's image type (PFNC code) for frames of a display format.
uint32_t writer_pixel_format(kyrgx::PixelFormat format);

} // namespace app
