#include "ImageDecoders.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace vsxsim::media::test {

namespace {

uint32_t le32(const std::vector<uint8_t>& b, size_t at)
{
    return b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 | uint32_t{b.at(at + 3)} << 24;
}

uint16_t le16(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint16_t>(b.at(at) | b.at(at + 1) << 8);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// libpng and libjpeg report errors by longjmp; these readers keep every
// object with a destructor outside the functions that call setjmp.
bool png_rows(png_structp png, png_infop info, DecodedImage& out, std::vector<uint8_t>& raw, std::FILE* file)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_read_info(png, info);
    out.width = png_get_image_width(png, info);
    out.height = png_get_image_height(png, info);
    out.bits = png_get_bit_depth(png, info);
    out.channels = png_get_channels(png, info);
    if (out.bits == 16)
        png_set_swap(png);
    const size_t row_bytes = png_get_rowbytes(png, info);
    raw.resize(row_bytes * out.height);
    for (uint32_t y = 0; y < out.height; ++y)
        png_read_row(png, raw.data() + y * row_bytes, nullptr);
    png_read_end(png, nullptr);
    return true;
}

struct JpegReadError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void jpeg_read_failed(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegReadError*>(info->err)->jump, 1);
}

bool jpeg_rows(jpeg_decompress_struct& info, JpegReadError& error, std::FILE* file, DecodedImage& out,
               std::vector<uint8_t>& raw)
{
    if (setjmp(error.jump))
        return false;
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    out.luma_h = info.comp_info[0].h_samp_factor;
    out.luma_v = info.comp_info[0].v_samp_factor;
    out.progressive = info.progressive_mode;
    jpeg_start_decompress(&info);
    out.width = info.output_width;
    out.height = info.output_height;
    out.channels = info.output_components;
    out.bits = 8;
    raw.resize(size_t{out.width} * out.height * out.channels);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = raw.data() + size_t{info.output_scanline} * out.width * out.channels;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

} // namespace

std::vector<uint8_t> read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

DecodedImage read_bmp(const std::string& path)
{
    const std::vector<uint8_t> b = read_file(path);
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M')
        throw std::runtime_error("not a BMP file");
    if (le32(b, 2) != b.size())
        throw std::runtime_error("BMP file size field is wrong");
    const uint32_t offset = le32(b, 10);
    const int32_t width = static_cast<int32_t>(le32(b, 18));
    const int32_t height = static_cast<int32_t>(le32(b, 22));
    const int bits = le16(b, 28);
    if (le32(b, 14) != 40 || le32(b, 30) != 0 || width <= 0 || height <= 0 || (bits != 8 && bits != 24))
        throw std::runtime_error("unexpected BMP header");
    DecodedImage out;
    out.width = static_cast<uint32_t>(width);
    out.height = static_cast<uint32_t>(height);
    out.bits = 8;
    out.channels = bits == 8 ? 1 : 3;
    if (bits == 8) {
        for (uint32_t i = 0; i < 256; ++i) {
            const size_t at = 54 + 4 * i;
            if (b.at(at) != i || b.at(at + 1) != i || b.at(at + 2) != i)
                throw std::runtime_error("BMP palette is not grey");
        }
    }
    const size_t row_bytes = (size_t{out.width} * (bits / 8) + 3) & ~size_t{3};
    if (offset + row_bytes * out.height != b.size())
        throw std::runtime_error("BMP pixel data has the wrong size");
    out.samples.resize(size_t{out.width} * out.height * out.channels);
    for (uint32_t y = 0; y < out.height; ++y) {
        const uint8_t* row = b.data() + offset + (out.height - 1 - y) * row_bytes; // bottom-up
        for (uint32_t x = 0; x < out.width; ++x) {
            uint16_t* dst = out.samples.data() + (size_t{y} * out.width + x) * out.channels;
            if (bits == 8) {
                dst[0] = row[x];
            } else {
                dst[0] = row[3 * x + 2];
                dst[1] = row[3 * x + 1];
                dst[2] = row[3 * x];
            }
        }
    }
    return out;
}

DecodedImage read_png(const std::string& path)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw std::runtime_error("cannot open " + path);
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    DecodedImage out;
    std::vector<uint8_t> raw;
    const bool ok = png_rows(png, info, out, raw, file.get());
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok)
        throw std::runtime_error("cannot decode PNG " + path);
    out.samples.resize(size_t{out.width} * out.height * out.channels);
    for (size_t i = 0; i < out.samples.size(); ++i) {
        if (out.bits == 16)
            std::memcpy(&out.samples[i], raw.data() + 2 * i, 2);
        else
            out.samples[i] = raw[i];
    }
    return out;
}

DecodedImage read_jpeg(const std::string& path)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw std::runtime_error("cannot open " + path);
    jpeg_decompress_struct info{};
    JpegReadError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpeg_read_failed;
    DecodedImage out;
    std::vector<uint8_t> raw;
    const bool ok = jpeg_rows(info, error, file.get(), out, raw);
    jpeg_destroy_decompress(&info);
    if (!ok)
        throw std::runtime_error("cannot decode JPEG " + path);
    out.samples.assign(raw.begin(), raw.end());
    return out;
}

DecodedImage read_tiff(const std::string& path)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (!tiff)
        throw std::runtime_error("cannot open TIFF " + path);
    DecodedImage out;
    uint16_t bits = 0, samples = 0, photometric = 0, planar = 0, compression = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &out.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &out.height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    const bool expected = planar == PLANARCONFIG_CONTIG && compression == COMPRESSION_NONE &&
                          ((samples == 1 && photometric == PHOTOMETRIC_MINISBLACK) ||
                           (samples == 3 && photometric == PHOTOMETRIC_RGB));
    if (!expected) {
        TIFFClose(tiff);
        throw std::runtime_error("unexpected TIFF layout");
    }
    out.bits = bits;
    out.channels = samples;
    std::vector<uint8_t> row(static_cast<size_t>(TIFFScanlineSize(tiff)));
    out.samples.resize(size_t{out.width} * out.height * out.channels);
    for (uint32_t y = 0; y < out.height; ++y) {
        if (TIFFReadScanline(tiff, row.data(), y, 0) != 1) {
            TIFFClose(tiff);
            throw std::runtime_error("cannot read TIFF row");
        }
        uint16_t* dst = out.samples.data() + size_t{y} * out.width * out.channels;
        for (size_t i = 0; i < size_t{out.width} * out.channels; ++i) {
            if (bits == 16)
                std::memcpy(dst + i, row.data() + 2 * i, 2);
            else
                dst[i] = row[i];
        }
    }
    TIFFClose(tiff);
    return out;
}

} // namespace vsxsim::media::test
