// Library initialisation, the last error and pixel-format names.
#include "ApiCommon.h"
#include "PixelFormat.h"

using namespace vsxsim;
using namespace vsxsim::api;

extern "C" {

VSX_API bool vsx_init_library(const vsx_init_config* config)
{
    return guarded(false, [&] { return finish(Library::instance().init(config)); });
}

VSX_API bool vsx_get_last_error(int* code, char* buffer, size_t* size)
{
    // Never changes the stored error.
    return guarded(false, [&] {
        if (code)
            *code = LastError::code();
        if (!size)
            return true;
        const std::string& text = LastError::message();
        size_t needed = text.size() + 1;
        if (!buffer) {
            *size = needed;
            return true;
        }
        if (*size < needed) {
            *size = needed;
            return false;
        }
        std::memcpy(buffer, text.data(), text.size());
        buffer[text.size()] = '\0';
        *size = needed;
        return true;
    });
}

VSX_API const char* vsx_pixelformat_tostring(uint32_t code)
{
    return guarded<const char*>(nullptr, [&]() -> const char* {
        if (!enter("vsx_pixelformat_tostring"))
            return nullptr;
        const PixelFormatInfo* f = find_pixel_format(code);
        if (!f) {
            char text[64];
            std::snprintf(text, sizeof text, "Unknown pixel format 0x%08X", code);
            fail(kNotSupported, text);
            return nullptr;
        }
        succeed();
        return f->name;
    });
}

VSX_API int vsx_pixelformat_bpp(uint32_t code)
{
    return guarded(0, [&] {
        if (!enter("vsx_pixelformat_bpp"))
            return 0;
        const PixelFormatInfo* f = find_pixel_format(code);
        if (!f) {
            char text[64];
            std::snprintf(text, sizeof text, "Unknown pixel format 0x%08X", code);
            fail(kNotSupported, text);
            return 0;
        }
        succeed();
        return static_cast<int>((code >> 16) & 0xFFu);
    });
}

} // extern "C"
