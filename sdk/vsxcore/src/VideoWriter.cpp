#include "VideoWriter.h"

#include "FeatureBuilder.h"
#include "FeatureHost.h"
#include "ImageBuffer.h"
#include "Library.h"
#include "PixelFormat.h"
#include "PropertyMap.h"
#include "TextUtil.h"
#include "media/VideoEncoder.h"

#include <atomic>
#include <cmath>

namespace vsxsim {

// The features of one writer; locked while a file is open.
class WriterSettings : public FeatureHost {
public:
    std::atomic<bool> file_open{false};
    Feature* hardware = nullptr;
    Feature* bitrate_auto = nullptr;
    Feature* bitrate = nullptr;
    Feature* keyframes = nullptr;

    media::VideoSettings snapshot(int codec)
    {
        std::lock_guard<std::mutex> lock(mutex());
        media::VideoSettings s;
        s.codec = codec;
        s.bitrate_auto = bitrate_auto->slot().i != 0;
        s.bitrate_kbps = bitrate->slot().i;
        s.keyframe_interval = keyframes->slot().i;
        return s;
    }

protected:
    EventExecutor& executor() override { return Library::instance().system_executor(); }
};

VideoWriter::VideoWriter(int codec) : Handle(HandleKind::VideoWriter), codec_(codec)
{
    settings_ = std::make_shared<WriterSettings>();
    map_ = new PropertyMap(settings_.get(), "writer");
    map_->set_keep_alive(settings_);
    FeatureBuilder b(*map_);
    WriterSettings* s = settings_.get();
    s->hardware = b.boolean(nullptr, "UseHardwareAcceleration", false);
    Feature* active = b.boolean(nullptr, "HardwareAccelerationActive", false, 1);
    active->read_only = true;
    active->persistent = false;
    s->bitrate_auto = b.boolean(nullptr, "BitRateAuto", true);
    s->bitrate = b.integer(nullptr, "BitRate", 64, 200000, 1, 5000);
    s->bitrate->unit = "kbit/s";
    s->keyframes = b.integer(nullptr, "KeyFrameInterval", 0, 10000, 1, 0, 1);
    s->keyframes->tooltip = "Frames between key frames; 0: two seconds worth of frames";
    for (Feature* f : {s->hardware, s->bitrate_auto, s->bitrate, s->keyframes})
        f->locked_if = [s]() -> const char* {
            return s->file_open.load() ? "while a file is open" : nullptr;
        };
    encoder_ = std::make_unique<media::VideoEncoder>();
}

VideoWriter::~VideoWriter()
{
    finish();
    encoder_.reset();
    map_->release();
}

Status VideoWriter::begin(const std::string& path, const vsx_image_type& type, double fps)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (buffer_bytes_per_pixel(type.pixel_format) == 0) {
        char text[64];
        std::snprintf(text, sizeof text, "Unknown pixel format 0x%08X", type.pixel_format);
        return {kNotSupported, text};
    }
    if (type.width == 0 || type.height == 0 || type.width > 16384 || type.height > 16384)
        return {kInvalidParameter,
                "Invalid image size " + std::to_string(type.width) + "x" + std::to_string(type.height)};
    if (open_) {
        media::Status st = encoder_->finish();
        open_ = false;
        settings_->file_open = false;
        Library::instance().writer_files(-1);
        if (!st.ok())
            return {st.code, st.message};
    }
    std::string ext;
    if (auto dot = path.find_last_of('.');
        dot != std::string::npos && path.find('/', dot) == std::string::npos)
        ext = text::lower(path.substr(dot));
    if (ext == ".avi" && codec_ == 1)
        return {kEncoder, "H.265 cannot be stored in an AVI file; use .mp4 or .mkv"};
    if (!(fps > 0.0) || !std::isfinite(fps))
        fps = 25.0;
    media::Status st =
        encoder_->begin(path, type.pixel_format, type.width, type.height, fps, settings_->snapshot(codec_));
    if (!st.ok())
        return {st.code, st.message};
    open_ = true;
    type_ = type;
    settings_->file_open = true;
    Library::instance().writer_files(1);
    return {};
}

Status VideoWriter::add(ImageBuffer& frame)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_)
        return {kInvalidState, "No file begun"};
    const vsx_image_type& t = frame.type();
    if (t.pixel_format != type_.pixel_format || t.width != type_.width || t.height != type_.height)
        return {kInvalidParameter, "The frame's image type " + std::to_string(t.width) + "x" +
                                       std::to_string(t.height) + " differs from the file's " +
                                       std::to_string(type_.width) + "x" + std::to_string(type_.height)};
    media::ImageView view{t.pixel_format, t.width, t.height, frame.pitch(), frame.data()};
    media::Status st = encoder_->add(view);
    if (!st.ok())
        return {st.code, st.message};
    return {};
}

Status VideoWriter::finish()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_)
        return {};
    media::Status st = encoder_->finish();
    open_ = false;
    settings_->file_open = false;
    Library::instance().writer_files(-1);
    if (!st.ok())
        return {st.code, st.message};
    return {};
}

} // namespace vsxsim
