#include "device/VideoRecorder.h"

#include "device/CallbackGuard.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <spdlog/spdlog.h>
#include <vsxcore.h>

namespace app {

namespace {

// A double truncated toward zero; the lowest int32 when it does not fit.
int32_t truncate_to_int32(double value)
{
    if (!(value > static_cast<double>(std::numeric_limits<int32_t>::min()) - 1.0) ||
        !(value < static_cast<double>(std::numeric_limits<int32_t>::max()) + 1.0))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

} // namespace

int32_t video_bitrate(int32_t quality, double framerate, int64_t width, int64_t height,
                      const std::string& codec)
{
    const int32_t fps = truncate_to_int32(framerate);
    const int64_t frames = fps > 1 ? fps : 1;
    // 64-bit: a large sensor at a high rate passes 2^31 pixels per second.
    const auto pixelRate = static_cast<float>(frames * height * width);
    const float perFullHd = 2.0093879e-8f; // 1 / (1920 x 1080 x 24)
    const auto squared = static_cast<float>(int64_t{quality} * quality);
    const float rate =
        squared * 0.001f * 1000000.0f * pixelRate * perFullHd + pixelRate * perFullHd * 500000.0f;
    const float kbit = codec == "H265" ? rate / 2000.0f : rate / 1000.0f;
    return truncate_to_int32(static_cast<double>(kbit));
}

uint32_t writer_pixel_format(kyrgx::PixelFormat format)
{
    switch (format) {
    case kyrgx::PixelFormat::RGB24:
        return 0x02180015u; // BGR8
    case kyrgx::PixelFormat::RGB64:
        return 0x02400051u; // BGRa16
    case kyrgx::PixelFormat::MONO8:
        return 0x01080001u;
    case kyrgx::PixelFormat::RGGB8:
        return 0x01080009u; // BayerRG8
    case kyrgx::PixelFormat::GRBG8:
        return 0x01080008u;
    case kyrgx::PixelFormat::GBRG8:
        return 0x0108000Au;
    case kyrgx::PixelFormat::BGGR8:
        return 0x0108000Bu;
    case kyrgx::PixelFormat::MONO16:
        return 0x01100007u;
    case kyrgx::PixelFormat::RGGB16:
        return 0x0110002Fu; // BayerRG16
    case kyrgx::PixelFormat::GRBG16:
        return 0x0110002Eu;
    case kyrgx::PixelFormat::GBRG16:
        return 0x01100030u;
    case kyrgx::PixelFormat::BGGR16:
        return 0x01100031u;
    case kyrgx::PixelFormat::YUV422:
        return 0x02100032u; // YUV422_8
    default:
        return 0x02200017u; // BGRa8
    }
}

VideoRecorder::~VideoRecorder()
{
    vsx::guard_callback("VideoRecorder::~VideoRecorder", [this] { stop(); });
}

bool VideoRecorder::start(const std::wstring& fileName, const std::string& codec, bool hardwareAcceleration,
                          int32_t quality, double framerate, int64_t width, int64_t height)
{
    std::lock_guard lock(mutex_);
    if (recording_) {
        spdlog::error("Failed to start AVI capture: Avi capture still running.");
        return false;
    }
    const int type = codec == "H265" ? vsx::VideoWriter::H265 : vsx::VideoWriter::H264;
    vsx::Error err(vsx::Error::Record);
    writer_.reset();
    writer_ = std::make_unique<vsx::VideoWriter>(type, err);
    if (writer_->handle() == nullptr) {
        spdlog::error("Failed to create vsx::VideoWriter: {}", err.message());
        return false;
    }
    const vsx::PropertyMap map = writer_->propertyMap(err);
    if (!map) {
        spdlog::error("Failed to get VideoWriter properties: {}", err.message());
        return false;
    }
    if (map.find("UseHardwareAcceleration", err))
        map.setValueBool("UseHardwareAcceleration", hardwareAcceleration);
    if (map.find("BitRateAuto", err))
        map.setValueBool("BitRateAuto", quality == 0);
    if (quality > 0) {
        if (const vsx::PropInteger bitRate = map.findInteger("BitRate", err)) {
            const int32_t wanted = video_bitrate(quality, framerate, width, height, codec);
            const auto maximum = static_cast<int32_t>(bitRate.maximum());
            const auto minimum = static_cast<int32_t>(bitRate.minimum());
            bitRate.setValue(std::max(std::min(wanted, maximum), minimum));
        }
    }
    fileName_ = fileName;
    framerate_ = framerate;
    frames_ = 0;
    recording_ = true;
    return true;
}

bool VideoRecorder::addFrame(const kyr_kelvane::image_descriptor& frame)
{
    std::lock_guard lock(mutex_);
    if (!recording_)
        return true;
    const vsx_image_type type{writer_pixel_format(frame.format), frame.width, frame.height};
    vsx::Error err(vsx::Error::Record);
    vsx_imagebuffer* handle = nullptr;
    if (!err.check(vsx_imagebuffer_wrap_memory(&handle, frame.data, frame.byte_size(),
                                               static_cast<size_t>(frame.pitch), &type, nullptr, nullptr))) {
        spdlog::error("Failed to create ImageBuffer in aviAddFrame(): {}", err.message());
        return true;
    }
    const vsx::ImageBuffer buffer(handle); // wraps the caller's pixels; released at the end
    if (frames_ == 0 &&
        !writer_->beginFile(fileName_, {type.pixel_format, type.width, type.height}, framerate_, err)) {
        spdlog::error("Failed to start AVI capture in aviStart(): {}", err.message());
        recording_ = false;
        return false;
    }
    if (writer_->addFrame(buffer, err))
        ++frames_;
    else
        spdlog::error("Failed to add frame to video file in aviAddFrame(): {}", err.message());
    return true;
}

void VideoRecorder::stop()
{
    std::lock_guard lock(mutex_);
    if (!recording_)
        return;
    recording_ = false;
    vsx::Error err(vsx::Error::Record);
    if (!writer_->finishFile(err))
        spdlog::error("Failed to finish recording in aviStop(): {}", err.message());
}

bool VideoRecorder::isRecording() const
{
    std::lock_guard lock(mutex_);
    return recording_;
}

int32_t VideoRecorder::framesWritten() const
{
    std::lock_guard lock(mutex_);
    return frames_;
}

vsx::PropertyMap VideoRecorder::writerProperties() const
{
    std::lock_guard lock(mutex_);
    vsx::Error err(vsx::Error::Record);
    return writer_ ? writer_->propertyMap(err) : vsx::PropertyMap();
}

} // namespace app
