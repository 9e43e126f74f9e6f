#include "media/ImageFiles.h"

#include "media/AtomicFile.h"
#include "media/PixelFormats.h"

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace vsxsim::media {

namespace {

constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

bool is_mono(uint32_t format)
{
    return format == pixfmt::Mono8 || format == pixfmt::Mono16;
}

bool is_16bit(uint32_t format)
{
    return format == pixfmt::Mono16 || format == pixfmt::BGRa16;
}

std::string size_text(const ImageView& image)
{
    return std::to_string(image.width) + "x" + std::to_string(image.height);
}

Status check_image(const ImageView& image, const char* file_kind)
{
    switch (image.pixel_format) {
    case pixfmt::Mono8:
    case pixfmt::Mono16:
    case pixfmt::BGR8:
    case pixfmt::BGRa8:
    case pixfmt::BGRa16:
        break;
    default:
        return {kNotSupported,
                "Pixel format " + pixfmt::describe(image.pixel_format) + " cannot be saved as " + file_kind};
    }
    if (!image.data)
        return {kInvalidParameter, "The image has no data"};
    if (image.width == 0 || image.height == 0)
        return {kInvalidParameter, "The image is empty (" + size_text(image) + ")"};
    const size_t row_bytes = size_t{image.width} * pixfmt::bytes_per_pixel(image.pixel_format);
    if (image.pitch < row_bytes)
        return {kInvalidParameter, "Pitch " + std::to_string(image.pitch) + " is smaller than a row of " +
                                       std::to_string(row_bytes) + " bytes"};
    return {};
}

const uint8_t* row_at(const ImageView& image, uint32_t y)
{
    return image.data + size_t{y} * image.pitch;
}

uint16_t load16(const uint8_t* p)
{
    uint16_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// The row layouts the writers put into files. 16-bit samples are native-endian.
enum class RowKind { Grey8, Grey16, BGR8, RGB8, RGB16 };

// Converts one row of a checked image (Mono8/16 to the grey kinds, the colour
// formats to the colour kinds). 16-bit samples going into 8-bit rows keep
// their high byte; alpha is dropped.
void convert_row(const uint8_t* src, uint32_t format, uint32_t width, RowKind kind, uint8_t* dst)
{
    switch (kind) {
    case RowKind::Grey8:
        if (format == pixfmt::Mono8) {
            std::memcpy(dst, src, width);
        } else {
            for (uint32_t x = 0; x < width; ++x)
                dst[x] = static_cast<uint8_t>(load16(src + 2 * x) >> 8);
        }
        return;
    case RowKind::Grey16:
        std::memcpy(dst, src, size_t{width} * 2);
        return;
    case RowKind::RGB16:
        for (uint32_t x = 0; x < width; ++x, src += 8, dst += 6) {
            std::memcpy(dst, src + 4, 2);
            std::memcpy(dst + 2, src + 2, 2);
            std::memcpy(dst + 4, src, 2);
        }
        return;
    case RowKind::BGR8:
    case RowKind::RGB8: {
        const bool swap = kind == RowKind::RGB8;
        const int b = swap ? 2 : 0;
        const int r = swap ? 0 : 2;
        if (format == pixfmt::BGRa16) {
            for (uint32_t x = 0; x < width; ++x, src += 8, dst += 3) {
                dst[b] = static_cast<uint8_t>(load16(src) >> 8);
                dst[1] = static_cast<uint8_t>(load16(src + 2) >> 8);
                dst[r] = static_cast<uint8_t>(load16(src + 4) >> 8);
            }
        } else if (format == pixfmt::BGR8 && !swap) {
            std::memcpy(dst, src, size_t{width} * 3);
        } else {
            const int step = format == pixfmt::BGRa8 ? 4 : 3;
            for (uint32_t x = 0; x < width; ++x, src += step, dst += 3) {
                dst[b] = src[0];
                dst[1] = src[1];
                dst[r] = src[2];
            }
        }
        return;
    }
    }
}

void put16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t value)
{
    put16(out, static_cast<uint16_t>(value));
    put16(out, static_cast<uint16_t>(value >> 16));
}

// ---- PNG ----------------------------------------------------------------

struct PngJob {
    const ImageView* image;
    AtomicFile* file;
    int level;
    char message[256];
};

void png_on_error(png_structp png, png_const_charp message)
{
    auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
    std::snprintf(job->message, sizeof job->message, "%s", message);
    png_longjmp(png, 1);
}

void png_on_warning(png_structp, png_const_charp) {}

void png_on_write(png_structp png, png_bytep data, png_size_t size)
{
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    if (!job->file->write(data, size))
        png_error(png, "write failed");
}

void png_on_flush(png_structp) {}

// Runs libpng over the whole image; false with job.message on failure. libpng
// leaves this function by longjmp, so it holds nothing that needs destroying.
bool run_png(png_structp png, png_infop info, PngJob& job)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    const ImageView& image = *job.image;
    const uint32_t format = image.pixel_format;
    const int depth = is_16bit(format) ? 16 : 8;
    const int colour = is_mono(format) ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB;
    png_set_write_fn(png, &job, png_on_write, png_on_flush);
    png_set_compression_level(png, job.level);
    png_set_IHDR(png, info, image.width, image.height, depth, colour, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // libpng copies each row before transforming it, so the caller's rows are
    // passed as they are: blue first, a fourth (alpha) sample to strip, and
    // native little-endian 16-bit samples.
    if (!is_mono(format))
        png_set_bgr(png);
    if (format == pixfmt::BGRa8 || format == pixfmt::BGRa16)
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    if (depth == 16 && kLittleEndian)
        png_set_swap(png);
    for (uint32_t y = 0; y < image.height; ++y)
        png_write_row(png, row_at(image, y));
    png_write_end(png, info);
    return true;
}

// ---- JPEG ---------------------------------------------------------------

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpeg_on_error(j_common_ptr info)
{
    auto* error = reinterpret_cast<JpegError*>(info->err);
    info->err->format_message(info, error->message);
    std::longjmp(error->jump, 1);
}

void jpeg_on_message(j_common_ptr) {}

struct JpegDestination {
    jpeg_destination_mgr manager;
    AtomicFile* file;
    JOCTET buffer[1 << 16];
};

void jpeg_init_destination(j_compress_ptr info)
{
    auto* destination = reinterpret_cast<JpegDestination*>(info->dest);
    destination->manager.next_output_byte = destination->buffer;
    destination->manager.free_in_buffer = sizeof destination->buffer;
}

boolean jpeg_empty_output_buffer(j_compress_ptr info)
{
    auto* destination = reinterpret_cast<JpegDestination*>(info->dest);
    if (!destination->file->write(destination->buffer, sizeof destination->buffer))
        ERREXIT(info, JERR_FILE_WRITE);
    jpeg_init_destination(info);
    return TRUE;
}

void jpeg_term_destination(j_compress_ptr info)
{
    auto* destination = reinterpret_cast<JpegDestination*>(info->dest);
    const size_t used = sizeof destination->buffer - destination->manager.free_in_buffer;
    if (!destination->file->write(destination->buffer, used))
        ERREXIT(info, JERR_FILE_WRITE);
}

struct JpegJob {
    const ImageView* image;
    int quality;
    JpegDestination* destination;
    uint8_t* row; // one converted row, for 16-bit images
};

// Runs libjpeg over the whole image; false with the error's message on
// failure. libjpeg leaves this function by longjmp, so it holds nothing that
// needs destroying.
bool run_jpeg(jpeg_compress_struct& info, JpegError& error, JpegJob& job)
{
    if (setjmp(error.jump))
        return false;
    jpeg_create_compress(&info);
    info.dest = &job.destination->manager;
    job.destination->manager.init_destination = jpeg_init_destination;
    job.destination->manager.empty_output_buffer = jpeg_empty_output_buffer;
    job.destination->manager.term_destination = jpeg_term_destination;

    const ImageView& image = *job.image;
    const uint32_t format = image.pixel_format;
    info.image_width = image.width;
    info.image_height = image.height;
    if (is_mono(format)) {
        info.input_components = 1;
        info.in_color_space = JCS_GRAYSCALE;
    } else if (format == pixfmt::BGRa8) {
        info.input_components = 4;
        info.in_color_space = JCS_EXT_BGRX;
    } else {
        info.input_components = 3;
        info.in_color_space = JCS_EXT_BGR;
    }
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, job.quality, TRUE);
    if (!is_mono(format)) {
        // 4:2:0: chroma at half the resolution both ways.
        info.comp_info[0].h_samp_factor = 2;
        info.comp_info[0].v_samp_factor = 2;
        for (int c = 1; c < 3; ++c) {
            info.comp_info[c].h_samp_factor = 1;
            info.comp_info[c].v_samp_factor = 1;
        }
    }
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        const uint8_t* src = row_at(image, info.next_scanline);
        if (is_16bit(format)) {
            convert_row(src, format, image.width, is_mono(format) ? RowKind::Grey8 : RowKind::BGR8, job.row);
            src = job.row;
        }
        JSAMPROW rows[1] = {const_cast<JSAMPROW>(src)};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

// ---- TIFF ---------------------------------------------------------------

struct TiffMessages {
    std::string first_error;
};

int tiff_on_error(TIFF*, void* user_data, const char* module, const char* format, va_list args)
{
    auto* messages = static_cast<TiffMessages*>(user_data);
    if (messages->first_error.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        messages->first_error = module && *module ? std::string(module) + ": " + text : std::string(text);
    }
    return 1;
}

int tiff_on_warning(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

tmsize_t tiff_read(thandle_t handle, void* data, tmsize_t size)
{
    return static_cast<tmsize_t>(static_cast<AtomicFile*>(handle)->read(data, static_cast<size_t>(size)));
}

tmsize_t tiff_write(thandle_t handle, void* data, tmsize_t size)
{
    return static_cast<AtomicFile*>(handle)->write(data, static_cast<size_t>(size)) ? size : -1;
}

toff_t tiff_seek(thandle_t handle, toff_t offset, int whence)
{
    const int64_t position = static_cast<AtomicFile*>(handle)->seek(static_cast<int64_t>(offset), whence);
    return position < 0 ? static_cast<toff_t>(-1) : static_cast<toff_t>(position);
}

int tiff_close(thandle_t)
{
    return 0;
}

toff_t tiff_size(thandle_t handle)
{
    const int64_t size = static_cast<AtomicFile*>(handle)->size();
    return size < 0 ? 0 : static_cast<toff_t>(size);
}

int tiff_map(thandle_t, void**, toff_t*)
{
    return 0;
}

void tiff_unmap(thandle_t, void*, toff_t) {}

} // namespace

Status save_bmp(const ImageView& image, const std::string& utf8_path, uint32_t /*flags*/)
{
    if (Status status = check_image(image, "BMP"); !status.ok())
        return status;
    const bool grey = is_mono(image.pixel_format);
    const uint64_t row_bytes = uint64_t{image.width} * (grey ? 1 : 3);
    const uint64_t padded = (row_bytes + 3) & ~uint64_t{3};
    const uint32_t header_bytes = 14 + 40 + (grey ? 256 * 4 : 0);
    const uint64_t file_bytes = header_bytes + padded * image.height;
    constexpr uint32_t kMaxSide = std::numeric_limits<int32_t>::max();
    if (image.width > kMaxSide || image.height > kMaxSide ||
        file_bytes > std::numeric_limits<uint32_t>::max())
        return {kInvalidParameter, "A " + size_text(image) + " image is too large for a BMP file"};

    std::vector<uint8_t> header;
    header.reserve(header_bytes);
    header.push_back('B');
    header.push_back('M');
    put32(header, static_cast<uint32_t>(file_bytes));
    put32(header, 0);
    put32(header, header_bytes);
    put32(header, 40);
    put32(header, image.width);
    put32(header, image.height); // positive: rows bottom-up
    put16(header, 1);
    put16(header, grey ? 8 : 24);
    put32(header, 0); // no compression
    put32(header, static_cast<uint32_t>(padded * image.height));
    put32(header, 2835); // 72 dots per inch
    put32(header, 2835);
    put32(header, grey ? 256 : 0);
    put32(header, 0);
    if (grey) {
        for (uint32_t i = 0; i < 256; ++i)
            put32(header, i * 0x010101u);
    }

    AtomicFile file(utf8_path);
    if (Status status = file.open(); !status.ok())
        return status;
    file.write(header.data(), header.size());
    std::vector<uint8_t> row(padded, 0);
    const RowKind kind = grey ? RowKind::Grey8 : RowKind::BGR8;
    for (uint32_t y = image.height; y-- > 0 && !file.failed();) {
        convert_row(row_at(image, y), image.pixel_format, image.width, kind, row.data());
        file.write(row.data(), row.size());
    }
    return file.commit();
}

Status save_png(const ImageView& image, const std::string& utf8_path, int32_t compression)
{
    if (Status status = check_image(image, "PNG"); !status.ok())
        return status;
    AtomicFile file(utf8_path);
    if (Status status = file.open(); !status.ok())
        return status;
    PngJob job{&image, &file, compression <= 0 ? 6 : std::min(compression, 9), {}};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, png_on_error, png_on_warning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return {kInternal, "Out of memory while saving '" + utf8_path + "'"};
    }
    const bool written = run_png(png, info, job);
    png_destroy_write_struct(&png, &info);
    if (file.failed())
        return file.commit();
    if (!written)
        return {kFileIO, "Cannot write '" + utf8_path + "': " + job.message};
    return file.commit();
}

Status save_jpeg(const ImageView& image, const std::string& utf8_path, int32_t quality)
{
    if (Status status = check_image(image, "JPEG"); !status.ok())
        return status;
    if (image.width > JPEG_MAX_DIMENSION || image.height > JPEG_MAX_DIMENSION)
        return {kInvalidParameter, "A " + size_text(image) + " image is too large for a JPEG file (at most " +
                                       std::to_string(JPEG_MAX_DIMENSION) + " pixels a side)"};
    AtomicFile file(utf8_path);
    if (Status status = file.open(); !status.ok())
        return status;
    std::vector<uint8_t> row(size_t{image.width} * 3);
    auto destination = std::make_unique<JpegDestination>();
    destination->file = &file;
    JpegError error{};
    jpeg_compress_struct info{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpeg_on_error;
    error.manager.output_message = jpeg_on_message;
    JpegJob job{&image, quality == 0 ? 75 : std::clamp(quality, 1, 100), destination.get(), row.data()};
    const bool written = run_jpeg(info, error, job);
    jpeg_destroy_compress(&info);
    if (file.failed())
        return file.commit();
    if (!written)
        return {kFileIO, "Cannot write '" + utf8_path + "': " + error.message};
    return file.commit();
}

Status save_tiff(const ImageView& image, const std::string& utf8_path, uint32_t compression)
{
    if (Status status = check_image(image, "TIFF"); !status.ok())
        return status;
    if (compression != 0 && compression != COMPRESSION_NONE)
        return {kNotSupported, "TIFF compression " + std::to_string(compression) + " is not supported"};
    AtomicFile file(utf8_path);
    if (Status status = file.open(); !status.ok())
        return status;

    const uint32_t format = image.pixel_format;
    const bool grey = is_mono(format);
    const int bits = is_16bit(format) ? 16 : 8;
    const int samples = grey ? 1 : 3;
    const RowKind kind = grey ? (bits == 16 ? RowKind::Grey16 : RowKind::Grey8)
                              : (bits == 16 ? RowKind::RGB16 : RowKind::RGB8);
    const size_t row_bytes = size_t{image.width} * samples * (bits / 8);
    // Classic TIFF addresses 4 GiB; larger images go into BigTIFF.
    const bool big = uint64_t{row_bytes} * image.height > 0xF0000000u;

    TiffMessages messages;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, tiff_on_error, &messages);
    TIFFOpenOptionsSetWarningHandlerExtR(options, tiff_on_warning, nullptr);
    TIFF* tiff = TIFFClientOpenExt(utf8_path.c_str(), big ? "w8" : "w", &file, tiff_read, tiff_write,
                                   tiff_seek, tiff_close, tiff_size, tiff_map, tiff_unmap, options);
    TIFFOpenOptionsFree(options);
    bool written = tiff != nullptr;
    if (tiff) {
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, image.width);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, image.height);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
        TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
        std::vector<uint8_t> row(row_bytes);
        for (uint32_t y = 0; y < image.height && written; ++y) {
            convert_row(row_at(image, y), format, image.width, kind, row.data());
            written = TIFFWriteScanline(tiff, row.data(), y, 0) == 1;
        }
        written = written && TIFFWriteDirectory(tiff) == 1;
        TIFFClose(tiff);
    }
    if (file.failed())
        return file.commit();
    if (!written || !messages.first_error.empty())
        return {kFileIO,
                "Cannot write '" + utf8_path + "': " +
                    (messages.first_error.empty() ? std::string("TIFF error") : messages.first_error)};
    return file.commit();
}

} // namespace vsxsim::media
