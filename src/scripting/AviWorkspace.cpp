#include "scripting/AviWorkspace.h"

#include "app/AppFolders.h"
#include "app/IApplicationContext.h"
#include "app/Utf8.h"
#include "device/VideoDeviceController.h"
#include "filter/ImageTransform.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/graphics_context.h"
#include "model/PluginContext.h"
#include "model/PluginHost.h"
#include "views/liveview/LiveViewController.h"

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <fmt/format.h>
#include <spdlog/spdlog.h>
#include <system_error>

namespace app {

namespace {

size_t file_name_start(const std::wstring& path)
{
    const size_t separator = path.find_last_of(L"/\\");
    return separator == std::wstring::npos ? 0 : separator + 1;
}

// Ends the image being drawn, whatever the drawing did.
class ImageEnd {
public:
    explicit ImageEnd(kyrgx::Graphics& graphics) : graphics_(graphics) {}
    ~ImageEnd() { graphics_.context()->endImage(); }
    ImageEnd(const ImageEnd&) = delete;
    ImageEnd& operator=(const ImageEnd&) = delete;

private:
    kyrgx::Graphics& graphics_;
};

} // namespace

std::wstring path_with_extension(const std::wstring& path, const std::wstring& ext)
{
    const size_t start = file_name_start(path);
    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || dot < start)
        return path + ext;
    return path.substr(0, dot) + ext;
}

std::wstring video_file_for_codec(const std::wstring& path, const std::string& codec)
{
    if (codec != "H265")
        return path;
    const size_t start = file_name_start(path);
    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || dot < start)
        return path;
    std::wstring ext = path.substr(dot);
    for (wchar_t& c : ext)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return ext == L".avi" ? path_with_extension(path, L".mp4") : path;
}

std::wstring path_folder(const std::wstring& path)
{
    const size_t separator = path.find_last_of(L"/\\");
    if (separator == std::wstring::npos)
        return {};
    std::wstring folder = path.substr(0, separator);
    while (folder.size() > 1 && (folder.back() == L'/' || folder.back() == L'\\'))
        folder.pop_back();
    return folder.empty() ? path.substr(0, 1) : folder;
}

std::wstring path_file_name(const std::wstring& path)
{
    return path.substr(file_name_start(path));
}

AviWorkspace::AviWorkspace(Plugin::PluginContext* context) : IWorkspace(context)
{
    fileName_ = path_to_wide(path_from_wide(get_known_folder(kFolderDocuments)) / "video.avi");
}

AviWorkspace::~AviWorkspace()
{
    try {
        std::lock_guard lock(mutex_);
        stopLocked();
        graphics_.reset();
        target_.reset();
    } catch (const std::exception& e) {
        spdlog::error("AviWorkspace::~AviWorkspace() failed: {}", e.what());
    }
}

std::shared_ptr<VideoDeviceController> AviWorkspace::controller() const
{
    if (!context)
        return nullptr;
    for (const std::shared_ptr<VideoDeviceController>& camera : context->deviceControllers())
        if (camera && camera->deviceInfo() == device)
            return camera;
    return nullptr;
}

AviWorkspace::StartResult AviWorkspace::startCapture()
{
    std::lock_guard lock(mutex_);
    if (recording_)
        return StartResult::AlreadyRecording;
    const std::shared_ptr<VideoDeviceController> camera = controller();
    if (!camera)
        return StartResult::NoCamera;
    // A fresh home may have no Documents folder yet.
    const std::filesystem::path folder = path_from_wide(fileName_).parent_path();
    std::error_code error;
    if (!folder.empty() && !std::filesystem::exists(folder, error)) {
        std::filesystem::create_directories(folder, error);
        if (error)
            spdlog::error("AviWorkspace::startCapture(): cannot make the folder '{}': {}", folder.string(),
                          error.message());
    }
    if (!camera->aviStart(fileName_, codec_, hardwareEncoding_, quality_))
        return StartResult::Failed;
    recording_ = true;
    recorder_ = camera;
    return StartResult::Started;
}

void AviWorkspace::stopCapture()
{
    std::lock_guard lock(mutex_);
    stopLocked();
}

void AviWorkspace::stopLocked()
{
    if (!recording_)
        return;
    std::shared_ptr<VideoDeviceController> camera = recorder_.lock();
    if (!camera)
        camera = controller();
    if (!camera)
        return;
    camera->aviStop();
    recording_ = false;
    recorder_.reset();
}

void AviWorkspace::addFrame(const kyr_kelvane::image_descriptor& frame)
{
    std::lock_guard lock(mutex_);
    if (!recording_ || paused_)
        return;
    try {
        const std::shared_ptr<VideoDeviceController> camera = recorder_.lock();
        const std::shared_ptr<LiveViewController> live = context->liveViewForDevice(device);
        if (!camera || !live)
            return;
        const int32_t angle = static_cast<int32_t>(live->angle());
        const bool flipVertical = live->flipVertical();
        const bool flipHorizontal = live->flipHorizontal();
        // Blue first, as the writer takes RGB32 (YUV422 comes out red first).
        const std::shared_ptr<ImageUtil::Image> image =
            frame.format == kyrgx::PixelFormat::YUV422
                ? ImageUtil::transformImageSwapRB(frame, angle, flipVertical, flipHorizontal, target_)
                : ImageUtil::transformImage(frame, angle, flipVertical, flipHorizontal, target_);
        if (!image)
            throw std::runtime_error(
                fmt::format("a frame of pixel format {} cannot be recorded", static_cast<int>(frame.format)));
        const kyr_kelvane::image_descriptor view = ImageUtil::image_view_of(*image);

        if (graphics_ && (graphics_->width() != static_cast<int>(view.width) ||
                          graphics_->height() != static_cast<int>(view.height)))
            graphics_.reset();
        if (!graphics_) {
            graphics_ = application::get_context()->makeGraphics(view, true);
            if (!graphics_)
                throw std::runtime_error("no offscreen drawing");
        } else if (!graphics_->context()->beginImage(view.data, static_cast<int>(view.width),
                                                     static_cast<int>(view.height), view.pitch, view.format,
                                                     true)) {
            throw std::runtime_error("the frame could not be drawn on");
        } else {
            graphics_->reset();
        }
        {
            const ImageEnd end(*graphics_);
            Plugin::plugins_render(nullptr, device, *graphics_);
        }

        // A recording the camera's controller ends by itself (its file could
        // not be begun) is over; one it stops while closing is not reported.
        if (!camera->aviAddFrame(view)) {
            recording_ = false;
            recorder_.reset();
            if (recordingEnded)
                recordingEnded(fileName_);
        }
    } catch (const std::exception& e) {
        spdlog::error("AviWorkspace::addFrame: {}", e.what());
    }
}

std::wstring AviWorkspace::fileName() const
{
    std::lock_guard lock(mutex_);
    return fileName_;
}

void AviWorkspace::setFileName(const std::wstring& path)
{
    std::lock_guard lock(mutex_);
    fileName_ = path;
}

std::string AviWorkspace::codec() const
{
    std::lock_guard lock(mutex_);
    return codec_;
}

void AviWorkspace::setCodec(const std::string& codec)
{
    std::lock_guard lock(mutex_);
    codec_ = codec;
}

int32_t AviWorkspace::quality() const
{
    std::lock_guard lock(mutex_);
    return quality_;
}

void AviWorkspace::setQuality(int32_t quality)
{
    std::lock_guard lock(mutex_);
    quality_ = std::clamp(quality, 0, 100);
}

bool AviWorkspace::hardwareEncoding() const
{
    std::lock_guard lock(mutex_);
    return hardwareEncoding_;
}

void AviWorkspace::setHardwareEncoding(bool enabled)
{
    std::lock_guard lock(mutex_);
    hardwareEncoding_ = enabled;
}

AviWorkspace::State AviWorkspace::state() const
{
    std::lock_guard lock(mutex_);
    return {recording_, paused_};
}

bool AviWorkspace::togglePause()
{
    std::lock_guard lock(mutex_);
    if (!recording_)
        return false;
    paused_ = !paused_;
    return true;
}

} // namespace app
