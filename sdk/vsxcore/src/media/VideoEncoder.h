#pragma once

#include "media/MediaTypes.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vsxsim::media {

struct VideoSettings {
    int codec = 0; // 0 H.264, 1 H.265
    bool bitrate_auto = true;
    int64_t bitrate_kbps = 5000;
    int64_t keyframe_interval = 0; // 0: two seconds' worth of frames
    int threads = 0;               // encoder threads; 0: libavcodec chooses (all cores)
};

// Writes one video file at a time. The container follows the extension
// (.mp4/.m4v/.mov, .mkv, .avi; MP4 otherwise). Frames are converted inside
// add() and encoded on a worker thread behind a queue of eight frames; add()
// blocks while the queue is full. An encoder or write failure is reported by
// the next add() and by finish(). All calls may come from any thread.
class VideoEncoder {
public:
    VideoEncoder();
    ~VideoEncoder(); // finishes an open file
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Starts a file for frames of this type. An open file is finished first
    // (or removed when no frame reached it). fps <= 0 or NaN means 25.
    Status begin(const std::string& utf8_path, uint32_t pixel_format, uint32_t width, uint32_t height,
                 double fps, const VideoSettings& settings);

    // Converts the frame (the caller's memory is not used after return) and
    // queues it. kInvalidState without a file, kInvalidParameter for a frame
    // of another type than begun.
    Status add(const ImageView& frame);

    // Encodes what is queued, completes and closes the file. Success when no
    // file is open.
    Status finish();

    bool is_open() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace vsxsim::media
