#pragma once

#include "media/MediaTypes.h"

#include <cstdint>
#include <string>

// Image file writers. Each takes Mono8, Mono16, BGR8, BGRa8 or BGRa16 images
// (top-down rows, any pitch), writes an opaque image (alpha is dropped) in its
// own format whatever the extension of the path, and replaces the file only
// once it is complete. Failures: kInvalidParameter for a malformed view,
// kNotSupported for other pixel formats, kFileIO with the path and the reason.
namespace vsxsim::media {

// 24-bit BGR bottom-up (8-bit grey palette for Mono8 and Mono16); 16-bit
// samples keep their high byte. No flags are defined yet; they are ignored.
Status save_bmp(const ImageView& image, const std::string& utf8_path, uint32_t flags);

// 8-bit RGB, 16-bit RGB, 8- or 16-bit grey. Compression 1..9 is the zlib
// level (higher is clamped to 9); 0 or below is the default level.
Status save_png(const ImageView& image, const std::string& utf8_path, int32_t compression);

// Baseline JPEG, 4:2:0, grey for mono. Quality 0 means 75; others are clamped to 1..100.
Status save_jpeg(const ImageView& image, const std::string& utf8_path, int32_t quality);

// Uncompressed RGB or grey, 8 or 16 bits per sample, contiguous. Compression 0
// (default) and 1 (none) are accepted; other schemes are kNotSupported.
Status save_tiff(const ImageView& image, const std::string& utf8_path, uint32_t compression);

} // namespace vsxsim::media
