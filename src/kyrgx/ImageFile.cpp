#include "kyrgx/ImageFile.h"

#include "app/TextFile.h"

#include <stb/stb_image.h>

#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>

namespace fs = std::filesystem;

namespace kyrgx {

namespace {

uint32_t little_endian(const std::string& bytes, size_t at, size_t count)
{
    uint32_t value = 0;
    for (size_t i = 0; i < count; ++i)
        value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
    return value;
}

// The bytes an uncompressed BMP needs (pixel data offset + rows), or 0 when
// the file is no BMP, is compressed, or its header is too short to tell (the
// decoder then judges it).
uint64_t bmp_declared_size(const std::string& bytes)
{
    if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M')
        return 0;
    const uint64_t offset = little_endian(bytes, 10, 4);
    const uint32_t header = little_endian(bytes, 14, 4);
    uint64_t width = 0;
    uint64_t height = 0;
    uint64_t bits = 0;
    if (header == 12) {
        width = little_endian(bytes, 18, 2);
        height = little_endian(bytes, 20, 2);
        bits = little_endian(bytes, 24, 2);
    } else {
        if (bytes.size() < 34)
            return 0;
        const uint32_t compression = little_endian(bytes, 30, 4);
        if (compression != 0 && compression != 3 && compression != 6) // plain rows, bit fields
            return 0;
        const auto w = static_cast<int32_t>(little_endian(bytes, 18, 4));
        const auto h = static_cast<int32_t>(little_endian(bytes, 22, 4));
        width = static_cast<uint64_t>(w < 0 ? -static_cast<int64_t>(w) : w);
        height = static_cast<uint64_t>(h < 0 ? -static_cast<int64_t>(h) : h); // negative: top-down rows
        bits = little_endian(bytes, 28, 2);
    }
    const uint64_t stride = (width * bits + 31) / 32 * 4;
    return offset + stride * height;
}

[[noreturn]] void refuse(const fs::path& path, const std::string& reason)
{
    throw std::runtime_error("Failed to decode image: " + path.string() +
                             (reason.empty() ? "" : " (" + reason + ")"));
}

} // namespace

DecodedImage decode_image_file(const fs::path& path)
{
    // Refuses folders, FIFOs, devices and files past the cap without waiting on them.
    const std::optional<std::string> read = app::read_file_bytes(path.string(), MAX_IMAGE_FILE_BYTES);
    if (!read)
        throw std::runtime_error("File does not exist: " + path.string());
    const std::string& bytes = *read;
    if (bytes.empty() || bytes.size() > static_cast<size_t>(INT32_MAX))
        refuse(path, "");
    const int length = static_cast<int>(bytes.size());

    const uint64_t declared = bmp_declared_size(bytes);
    if (declared > bytes.size())
        refuse(path, "the file has " + std::to_string(bytes.size()) + " bytes, its header declares " +
                         std::to_string(declared));

    int w = 0;
    int h = 0;
    int channels = 0;
    const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
    if (stbi_info_from_memory(data, length, &w, &h, &channels) == 0 || w <= 0 || h <= 0)
        refuse(path, "");
    const uint64_t pixels = static_cast<uint64_t>(w) * static_cast<uint64_t>(h);
    if (pixels > MAX_IMAGE_PIXELS)
        refuse(path, "it declares " + std::to_string(w) + " x " + std::to_string(h) + " pixels, more than " +
                         std::to_string(MAX_IMAGE_PIXELS) + " in all");

    stbi_set_flip_vertically_on_load(0);
    DecodedImage image;
    image.rgba = std::unique_ptr<uint8_t, void (*)(void*)>(
        stbi_load_from_memory(data, length, &image.width, &image.height, &channels, 4), stbi_image_free);
    if (!image.rgba || image.width != w || image.height != h)
        refuse(path, "");
    return image;
}

} // namespace kyrgx
