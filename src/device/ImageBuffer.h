#pragma once

#include "device/VsxError.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct vsx_imagebuffer;

namespace vsx {

// The type of an image: sink pixel-format code (PFNC), width and height.
struct ImageType {
    uint32_t pixelFormat = 0xFFFFFFFFu;
    uint32_t width = 0;
    uint32_t height = 0;
};

// One image buffer of the camera library. Releasing the last reference gives
// a queue sink's buffer back to the library.
class ImageBuffer {
public:
    explicit ImageBuffer(vsx_imagebuffer* handle);  // owns the handle's reference
    ~ImageBuffer();
    ImageBuffer(const ImageBuffer&) = delete;
    ImageBuffer& operator=(const ImageBuffer&) = delete;

    vsx_imagebuffer* handle() const { return handle_; }

    // The buffer's type, read from the library on first use (pixel format
    // 0xFFFFFFFF and size 0 × 0 until then).
    const ImageType& imageType() const { return type_; }
    bool readImageType(Error& err = Error::defaultRecord());
    // Bytes per row (0 on failure) and the first byte (null on failure).
    size_t pitch() const;
    void* ptr() const;

    // A buffer over the program's own pixels, without copying; the pixels must
    // outlive it. Empty on failure.
    static std::shared_ptr<ImageBuffer> wrapMemory(void* data, size_t size, size_t pitch, const ImageType& type,
                                                   Error& err = Error::defaultRecord());

    // Writes the image as a file of the given kind (the extension is not looked at).
    bool saveAsBmp(const std::wstring& path, Error& err = Error::defaultRecord()) const;
    bool saveAsPng(const std::wstring& path, Error& err = Error::defaultRecord()) const;
    bool saveAsJpeg(const std::wstring& path, int quality, Error& err = Error::defaultRecord()) const;
    bool saveAsTiff(const std::wstring& path, Error& err = Error::defaultRecord()) const;

private:
    vsx_imagebuffer* handle_;
    ImageType type_;
};

// A shared image buffer owning the handle's reference.
std::shared_ptr<ImageBuffer> make_image_buffer(vsx_imagebuffer* handle);

}  // namespace vsx
