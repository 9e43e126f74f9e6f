#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace kyrgx {

// An image file decoded to 8-bit RGBA (red first), rows top to bottom.
struct DecodedImage {
    int width = 0;
    int height = 0;
    // width x height x 4 bytes.
    std::unique_ptr<uint8_t, void (*)(void*)> rgba{nullptr, nullptr};
};

// Decodes a PNG, JPEG or BMP file. Its header is checked before any pixels are
// decoded: an image of more than MAX_IMAGE_PIXELS pixels, a file larger than
// MAX_IMAGE_FILE_BYTES, and an uncompressed BMP shorter than its header
// declares are refused. Throws std::runtime_error "File does not exist: <path>",
// the refusal of app::read_file_bytes for what is no regular file or is past
// the cap ("'<path>' is a folder" ...), or "Failed to decode image: <path>"
// followed by the reason when there is one.
DecodedImage decode_image_file(const std::filesystem::path& path);

// 64 megapixels (8192 x 8192): far above any icon, cursor or overlay image.
constexpr uint64_t MAX_IMAGE_PIXELS = uint64_t{1} << 26;
constexpr uint64_t MAX_IMAGE_FILE_BYTES = uint64_t{256} << 20;

} // namespace kyrgx
