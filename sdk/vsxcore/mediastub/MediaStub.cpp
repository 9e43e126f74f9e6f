// Placeholder writers: every call reports that file output is not built in.
#include "media/ImageFiles.h"
#include "media/VideoEncoder.h"

namespace vsxsim::media {

namespace {
Status unsupported()
{
    return Status{15, "Image and video files are not supported by this build"};
}
} // namespace

Status save_bmp(const ImageView&, const std::string&, uint32_t)
{
    return unsupported();
}
Status save_png(const ImageView&, const std::string&, int32_t)
{
    return unsupported();
}
Status save_jpeg(const ImageView&, const std::string&, int32_t)
{
    return unsupported();
}
Status save_tiff(const ImageView&, const std::string&, uint32_t)
{
    return unsupported();
}

VideoEncoder::VideoEncoder() = default;
VideoEncoder::~VideoEncoder() = default;
Status VideoEncoder::begin(const std::string&, uint32_t, uint32_t, uint32_t, double, const VideoSettings&)
{
    return unsupported();
}
Status VideoEncoder::add(const ImageView&)
{
    return unsupported();
}
Status VideoEncoder::finish()
{
    return Status{};
}
bool VideoEncoder::is_open() const
{
    return open_;
}

} // namespace vsxsim::media
