#include "device/ImageBuffer.h"

#include <vsxcore.h>

namespace vsx {

ImageBuffer::ImageBuffer(vsx_imagebuffer* handle) : handle_(handle) {}

ImageBuffer::~ImageBuffer() { vsx_imagebuffer_unref(handle_); }

bool ImageBuffer::readImageType(Error& err)
{
    vsx_image_type type{};
    if (!err.check(vsx_imagebuffer_get_image_type(handle_, &type)))
        return false;
    type_ = {type.pixel_format, type.width, type.height};
    return true;
}

size_t ImageBuffer::pitch() const { return vsx_imagebuffer_get_pitch(handle_); }

void* ImageBuffer::ptr() const { return vsx_imagebuffer_get_ptr(handle_); }

std::shared_ptr<ImageBuffer> ImageBuffer::wrapMemory(void* data, size_t size, size_t pitch, const ImageType& type,
                                                     Error& err)
{
    const vsx_image_type sdkType{type.pixelFormat, type.width, type.height};
    vsx_imagebuffer* handle = nullptr;
    if (!err.check(vsx_imagebuffer_wrap_memory(&handle, data, size, pitch, &sdkType, nullptr, nullptr)))
        return nullptr;
    auto buffer = make_image_buffer(handle);
    buffer->type_ = type;
    return buffer;
}

bool ImageBuffer::saveAsBmp(const std::wstring& path, Error& err) const
{
    const vsx_save_bmp_options options{};
    return err.check(vsx_imagebuffer_save_as_bmpW(handle_, path.c_str(), &options));
}

bool ImageBuffer::saveAsPng(const std::wstring& path, Error& err) const
{
    const vsx_save_png_options options{};
    return err.check(vsx_imagebuffer_save_as_pngW(handle_, path.c_str(), &options));
}

bool ImageBuffer::saveAsJpeg(const std::wstring& path, int quality, Error& err) const
{
    vsx_save_jpeg_options options{};
    options.quality = quality;
    return err.check(vsx_imagebuffer_save_as_jpegW(handle_, path.c_str(), &options));
}

bool ImageBuffer::saveAsTiff(const std::wstring& path, Error& err) const
{
    const vsx_save_tiff_options options{};
    return err.check(vsx_imagebuffer_save_as_tiffW(handle_, path.c_str(), &options));
}

std::shared_ptr<ImageBuffer> make_image_buffer(vsx_imagebuffer* handle) { return std::make_shared<ImageBuffer>(handle); }

}  // namespace vsx
