#pragma once

#include "kyrgx/ImageDescriptor.h"
#include "model/IWorkspace.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace ImageUtil {
class Image;
}

namespace kyrgx {
class Graphics;
}

namespace app {

class VideoDeviceController;

// The recording plug-in's state for one camera: its output file, codec,
// quality and hardware-encoding choice, and whether it records and is paused.
// While it records, each frame of the camera is turned and flipped like the
// camera's live view, every plug-in draws its overlay onto it, and the camera's
// controller encodes it into the file.
//
// Threads: addFrame runs on the camera's frame thread, everything else on the
// GUI thread. One mutex guards every field; addFrame holds it for the whole
// composition of a frame, so start, stop and the setters wait for the frame
// being composed. The image and the offscreen Graphics are reused from frame
// to frame; the Graphics holds the process's offscreen drawing lock only while
// a frame is drawn.
class AviWorkspace : public Plugin::IWorkspace {
public:
    enum class StartResult { Started, AlreadyRecording, NoCamera, Failed };
    struct State {
        bool recording = false;
        bool paused = false;
    };

    // The file <Documents>/video.avi, H.264, quality 100, no hardware encoding.
    explicit AviWorkspace(Plugin::PluginContext* context);
    // Stops a recording that still runs.
    ~AviWorkspace() override;

    // The controller of this workspace's camera among the open cameras, or empty.
    std::shared_ptr<VideoDeviceController> controller() const;

    // Starts recording into the file with the workspace's codec, quality and
    // hardware encoding, unless it records already. Recording is set only when
    // the camera's controller started a recording.
    StartResult startCapture();
    // Finishes the file through the controller that started the recording
    // (paused stays as it is). Nothing while not recording.
    void stopCapture();
    // Frame thread: composes the frame and hands it to the controller; nothing
    // unless recording and not paused, or while no live view shows the camera.
    // Errors are logged and lose only this frame.
    void addFrame(const kyr_kelvane::image_descriptor& frame);

    std::wstring fileName() const;
    void setFileName(const std::wstring& path);
    std::string codec() const;
    void setCodec(const std::string& codec);
    int32_t quality() const;
    void setQuality(int32_t quality);
    bool hardwareEncoding() const;
    void setHardwareEncoding(bool enabled);
    State state() const;
    // Inverts paused while recording; false (and nothing changes) otherwise.
    bool togglePause();

    // Frame thread, under the workspace's mutex: the camera's controller ended
    // the recording of that file by itself (the file could not be begun);
    // recording is cleared already. Set once by the plug-in, before frames
    // arrive; it must not call back into the workspace.
    std::function<void(const std::wstring& file)> recordingEnded;

private:
    void stopLocked();

    mutable std::mutex mutex_;
    std::wstring fileName_;
    bool recording_ = false;
    bool paused_ = false;
    std::string codec_ = "H264";
    bool hardwareEncoding_ = false;
    int32_t quality_ = 100;
    std::shared_ptr<ImageUtil::Image> target_;
    std::shared_ptr<kyrgx::Graphics> graphics_;
    // The controller the running recording was started with.
    std::weak_ptr<VideoDeviceController> recorder_;
};

// The path with its file name's extension replaced by ext (".mp4").
std::wstring path_with_extension(const std::wstring& path, const std::wstring& ext);
// The file for a codec: H.265 cannot be stored in an AVI file, so a ".avi"
// path becomes ".mp4" for "H265"; any other path stays.
std::wstring video_file_for_codec(const std::wstring& path, const std::string& codec);
// The folder of a path: the text before its last slash or backslash, without
// trailing separators.
std::wstring path_folder(const std::wstring& path);
// The file name of a path: the text after its last slash or backslash.
std::wstring path_file_name(const std::wstring& path);

} // namespace app
