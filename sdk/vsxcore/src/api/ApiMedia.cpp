// Image files and the video writer: handle, type and path checks here, the
// encoding in the media library.
#include "ApiCommon.h"
#include "ImageBuffer.h"
#include "PixelFormat.h"
#include "PropertyMap.h"
#include "TextUtil.h"
#include "VideoWriter.h"
#include "media/ImageFiles.h"

using namespace vsxsim;
using namespace vsxsim::api;

namespace {

VideoWriter* writer(vsx_videowriter* w)
{
    return checked<VideoWriter>(w, HandleKind::VideoWriter);
}

template <class Save>
bool save_image(const char* function, vsx_imagebuffer* b, const wchar_t* path, Save&& save)
{
    if (!enter(function))
        return false;
    auto* buffer = checked<ImageBuffer>(b, HandleKind::ImageBuffer);
    if (!buffer)
        return invalid_handle();
    if (!path || !*path)
        return invalid_argument("path");
    auto utf8 = text::wide_to_utf8(path);
    if (!utf8)
        return fail(kInvalidParameter, "The path is not valid text");
    const vsx_image_type& t = buffer->type();
    switch (t.pixel_format) {
    case pixel::kMono8:
    case pixel::kMono16:
    case pixel::kBGR8:
    case pixel::kBGRa8:
    case pixel::kBGRa16:
        break;
    default: {
        char text[80];
        std::snprintf(text, sizeof text, "Images of pixel format 0x%08X cannot be saved", t.pixel_format);
        return fail(kNotSupported, text);
    }
    }
    media::ImageView view{t.pixel_format, t.width, t.height, buffer->pitch(), buffer->data()};
    media::Status st = save(view, *utf8);
    return st.ok() ? succeed() : fail(st.code == 0 ? kInternal : st.code, st.message);
}

} // namespace

extern "C" {

VSX_API bool vsx_imagebuffer_save_as_bmpW(vsx_imagebuffer* b, const wchar_t* path,
                                          const vsx_save_bmp_options* o)
{
    return guarded(false, [&] {
        uint32_t flags = o ? o->flags : 0;
        return save_image(
            "vsx_imagebuffer_save_as_bmpW", b, path,
            [&](const media::ImageView& v, const std::string& p) { return media::save_bmp(v, p, flags); });
    });
}

VSX_API bool vsx_imagebuffer_save_as_pngW(vsx_imagebuffer* b, const wchar_t* path,
                                          const vsx_save_png_options* o)
{
    return guarded(false, [&] {
        int32_t compression = o ? o->compression : 0;
        return save_image("vsx_imagebuffer_save_as_pngW", b, path,
                          [&](const media::ImageView& v, const std::string& p) {
                              return media::save_png(v, p, compression);
                          });
    });
}

VSX_API bool vsx_imagebuffer_save_as_jpegW(vsx_imagebuffer* b, const wchar_t* path,
                                           const vsx_save_jpeg_options* o)
{
    return guarded(false, [&] {
        int32_t quality = o ? o->quality : 0;
        quality = quality == 0 ? 75 : std::max(1, std::min(quality, 100));
        return save_image(
            "vsx_imagebuffer_save_as_jpegW", b, path,
            [&](const media::ImageView& v, const std::string& p) { return media::save_jpeg(v, p, quality); });
    });
}

VSX_API bool vsx_imagebuffer_save_as_tiffW(vsx_imagebuffer* b, const wchar_t* path,
                                           const vsx_save_tiff_options* o)
{
    return guarded(false, [&] {
        uint32_t compression = o ? o->compression : 0;
        return save_image("vsx_imagebuffer_save_as_tiffW", b, path,
                          [&](const media::ImageView& v, const std::string& p) {
                              return media::save_tiff(v, p, compression);
                          });
    });
}

VSX_API bool vsx_videowriter_create(int type, vsx_videowriter** out)
{
    return guarded(false, [&] {
        if (!enter("vsx_videowriter_create"))
            return false;
        if (!out)
            return invalid_argument("out");
        if (type != 0 && type != 1)
            return fail(kInvalidParameter, "Unknown writer type " + std::to_string(type));
        auto* w = new VideoWriter(type);
        w->hand_out();
        w->release();
        *out = to_c<vsx_videowriter>(w);
        return succeed();
    });
}

VSX_API void vsx_videowriter_ref(vsx_videowriter* w)
{
    guarded_void([&] {
        if (auto* h = writer(w))
            h->hand_out();
    });
}

VSX_API void vsx_videowriter_unref(vsx_videowriter* w)
{
    guarded_void([&] {
        if (auto* h = writer(w))
            h->take_back();
    });
}

VSX_API bool vsx_videowriter_get_property_map(vsx_videowriter* w, vsx_propmap** out)
{
    return guarded(false, [&] {
        if (!enter("vsx_videowriter_get_property_map"))
            return false;
        VideoWriter* h = writer(w);
        if (!h)
            return invalid_handle();
        if (!out)
            return invalid_argument("out");
        h->map()->hand_out();
        *out = to_c<vsx_propmap>(h->map());
        return succeed();
    });
}

VSX_API bool vsx_videowriter_begin_fileW(vsx_videowriter* w, const wchar_t* path, const vsx_image_type* type,
                                         double fps)
{
    return guarded(false, [&] {
        if (!enter("vsx_videowriter_begin_fileW"))
            return false;
        VideoWriter* h = writer(w);
        if (!h)
            return invalid_handle();
        if (!path || !*path || !type)
            return invalid_argument(type ? "path" : "type");
        auto utf8 = text::wide_to_utf8(path);
        if (!utf8)
            return fail(kInvalidParameter, "The path is not valid text");
        return finish(h->begin(*utf8, *type, fps));
    });
}

VSX_API bool vsx_videowriter_add_frame(vsx_videowriter* w, vsx_imagebuffer* frame)
{
    return guarded(false, [&] {
        if (!enter("vsx_videowriter_add_frame"))
            return false;
        VideoWriter* h = writer(w);
        auto* b = checked<ImageBuffer>(frame, HandleKind::ImageBuffer);
        if (!h || !b)
            return invalid_handle();
        return finish(h->add(*b));
    });
}

VSX_API bool vsx_videowriter_finish_file(vsx_videowriter* w)
{
    return guarded(false, [&] {
        if (!enter("vsx_videowriter_finish_file"))
            return false;
        VideoWriter* h = writer(w);
        if (!h)
            return invalid_handle();
        return finish(h->finish());
    });
}

} // extern "C"
