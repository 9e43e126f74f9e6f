#include "kyrgx/ImageFont.h"

#include "app/TextFile.h"
#include "kyrgx/GraphicsDriver.h"
#include "kyrgx/Image.h"
#include "kyrgx/Pixmap.h"
#include "kyrgx/TextLayout.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>

namespace kyrgx {

namespace {

constexpr int ATLAS_ROW_LIMIT = 1024;
// Far above any font file, those with every CJK glyph included.
constexpr size_t MAX_FONT_FILE_BYTES = size_t{64} << 20;

// The smallest power of two not below n (1 for n <= 1).
int next_power_of_two(int n)
{
    int p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

// Whether FreeType renders every glyph of code points 0 to 255 at the face's
// current size. A damaged file can open and still fail here, and would then
// fail every text call that needs the page.
bool renders_first_page(FT_Face face)
{
    for (FT_ULong code = 0; code < 256; ++code)
        if (FT_Get_Char_Index(face, code) != 0 && FT_Load_Char(face, code, FT_LOAD_RENDER) != 0)
            return false;
    return true;
}

struct Library {
    FT_Library handle = nullptr;
    FT_Error error = 0;
    Library() { error = FT_Init_FreeType(&handle); }
};

} // namespace

FT_Library freetype_library()
{
    // Never shut down: fonts kept in caches of objects that live until the
    // process ends (the application context's) close their faces during
    // static destruction, which must find the library still there.
    static const Library* const library = new Library;
    if (library->error != 0 || !library->handle)
        throw std::runtime_error("Failed to initialize FreeType.");
    return library->handle;
}

std::shared_ptr<ImageFont> ImageFont::load(FT_Library library, const std::string& path, int pixelSize,
                                           int flags)
{
    pixelSize = std::min(pixelSize, MAX_PIXEL_SIZE);
    // Read through the checked reader: FreeType would wait on a FIFO for good.
    std::optional<std::string> read = app::read_file_bytes(path, MAX_FONT_FILE_BYTES);
    if (!read || read->empty())
        throw std::runtime_error("Failed to load font (FT_New_Face) url=" + path);
    auto bytes = std::make_shared<const std::string>(std::move(*read));
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(bytes->data()),
                           static_cast<FT_Long>(bytes->size()), 0, &face) != 0 ||
        !face)
        throw std::runtime_error("Failed to load font (FT_New_Face) url=" + path);
    bool sized = false;
    for (int size = pixelSize; size >= 1 && !sized; --size)
        sized = FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) == 0;
    if (!sized) {
        FT_Done_Face(face);
        throw std::runtime_error("Failed to load font (FT_Set_Pixel_Sizes) url=" + path);
    }
    if (!renders_first_page(face)) {
        FT_Done_Face(face);
        throw std::runtime_error("Failed to load font (FT_Load_Char) url=" + path);
    }
    auto font = std::make_shared<ImageFont>(Private{}, library, face, flags, path, pixelSize);
    font->fileBytes_ = std::move(bytes);
    return font;
}

ImageFont::ImageFont(Private, FT_Library library, FT_Face face, int flags, const std::string& path,
                     int pixelSize)
    : library_(library), face_(face), flags_(flags), pixelSize_(pixelSize), fileName_(path)
{
    lineHeight_ = static_cast<int>(face_->size->metrics.height / 64);
    ascender_ = static_cast<int>(face_->size->metrics.ascender / 64);
    FT_UInt index = 0;
    FT_ULong highest = 0;
    for (FT_ULong code = FT_Get_First_Char(face_, &index); index != 0;
         code = FT_Get_Next_Char(face_, code, &index))
        highest = std::max(highest, code);
    pages_.resize(highest / 256 + 1);
}

ImageFont::~ImageFont()
{
    pages_.clear();
    if (face_)
        FT_Done_Face(face_);
}

const Glyph* ImageFont::glyph(GraphicsDriver* driver, char32_t code)
{
    const size_t page = code / 256;
    if (page >= pages_.size())
        return nullptr;
    std::lock_guard lock(pagesMutex_);
    if (!pages_[page])
        pages_[page] = buildPage(driver, static_cast<int>(page));
    const GlyphPage& p = *pages_[page];
    const size_t slot = code % 256;
    return p.present[slot] ? &p.glyphs[slot] : nullptr;
}

Image* ImageFont::pageImage(const Glyph& glyph) const
{
    std::lock_guard lock(pagesMutex_);
    if (glyph.page < 0 || static_cast<size_t>(glyph.page) >= pages_.size() || !pages_[glyph.page])
        return nullptr;
    return pages_[glyph.page]->atlas.get();
}

bool ImageFont::pageBuilt(size_t page) const
{
    std::lock_guard lock(pagesMutex_);
    return page < pages_.size() && pages_[page] != nullptr;
}

int ImageFont::renderCount() const
{
    std::lock_guard lock(pagesMutex_);
    return renderCount_;
}

std::unique_ptr<GlyphPage> ImageFont::buildPage(GraphicsDriver* driver, int page)
{
    auto result = std::make_unique<GlyphPage>();
    std::vector<std::unique_ptr<Pixmap>> bitmaps(256);
    int penX = 0;
    int rowTop = 0;
    int rowHeight = 0;
    int widestRow = 0;
    int finishedHeight = 0;

    for (int i = 0; i < 256; ++i) {
        const FT_ULong code = static_cast<FT_ULong>(page) * 256 + static_cast<FT_ULong>(i);
        if (FT_Get_Char_Index(face_, code) == 0)
            continue;
        Glyph& g = result->glyphs[i];
        g = Glyph{};
        g.page = page;
        if (FT_Load_Char(face_, code, FT_LOAD_RENDER) != 0)
            throw std::runtime_error("Error creating glyph page.");
        ++renderCount_;
        const FT_GlyphSlot slot = face_->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        const int bw = static_cast<int>(bitmap.width);
        const int bh = static_cast<int>(bitmap.rows);
        if (penX + bw + 1 > ATLAS_ROW_LIMIT) {
            widestRow = std::max(widestRow, penX);
            finishedHeight += rowHeight;
            rowTop += rowHeight;
            penX = 0;
            rowHeight = 0;
        }
        g.leftBearing = static_cast<float>(slot->bitmap_left);
        g.topOffset = static_cast<float>(ascender_ - slot->bitmap_top);
        g.width = static_cast<float>(bw);
        g.height = static_cast<float>(bh);
        g.advance = static_cast<float>(slot->advance.x) * (1.0f / 64.0f);
        g.atlasX = static_cast<float>(penX);
        g.atlasY = static_cast<float>(rowTop);

        auto pix = std::make_unique<Pixmap>(bw, bh, bw * 4, PixelFormat::RGB32);
        if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bh > 0) {
            for (int y = 0; y < bh; ++y) {
                const unsigned char* src = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
                uint8_t* dst = pix->data() + static_cast<size_t>(y) * pix->stride();
                for (int x = 0; x < bw; ++x) {
                    dst[x * 4 + 0] = 255;
                    dst[x * 4 + 1] = 255;
                    dst[x * 4 + 2] = 255;
                    dst[x * 4 + 3] = src[x];
                }
            }
        }
        bitmaps[i] = std::move(pix);
        result->present[i] = true;
        rowHeight = std::max(rowHeight, bh + 1);
        penX += bw + 1;
    }

    const int usedWidth = std::max(widestRow, penX);
    const int usedHeight = penX > 0 ? finishedHeight + rowHeight : finishedHeight;
    const int atlasW = next_power_of_two(usedWidth);
    const int atlasH = next_power_of_two(usedHeight);

    Pixmap atlas(atlasW, atlasH, atlasW * 4, PixelFormat::RGB32);
    for (int i = 0; i < 256; ++i) {
        if (!result->present[i])
            continue;
        Glyph& g = result->glyphs[i];
        g.uMin = g.atlasX / static_cast<float>(atlasW);
        g.uMax = (g.atlasX + g.width) / static_cast<float>(atlasW);
        g.vMin = g.atlasY / static_cast<float>(atlasH);
        g.vMax = (g.atlasY + g.height) / static_cast<float>(atlasH);
        const Pixmap& bm = *bitmaps[i];
        for (uint32_t y = 0; y < bm.height(); ++y) {
            uint8_t* dst = atlas.data() + (static_cast<size_t>(g.atlasY) + y) * atlas.stride() +
                           static_cast<size_t>(g.atlasX) * 4;
            std::memcpy(dst, bm.data() + static_cast<size_t>(y) * bm.stride(), bm.width() * 4u);
        }
    }
    result->atlas = driver->createImage(atlasW, atlasH, PixelFormat::RGB32, USAGE_DEFAULT);
    if (result->atlas)
        result->atlas->uploadData(atlas.data(), atlasW, atlasH, atlasW * 4, PixelFormat::RGB32, 0);
    return result;
}

Vec2<float> ImageFont::measure(GraphicsDriver* driver, const std::wstring& text)
{
    int width = 0;
    for (wchar_t ch : text) {
        if (const Glyph* g = glyph(driver, static_cast<char32_t>(ch)))
            width += static_cast<int>(g->advance);
    }
    return {static_cast<float>(width), static_cast<float>(lineHeight_)};
}

Vec2<float> ImageFont::measureWrapped(GraphicsDriver* driver, const std::wstring& text, int maxWidth,
                                      int mode, std::vector<std::wstring>& lines)
{
    if (maxWidth == 0)
        return measure(driver, text);
    lines = wrapText(*this, driver, text, maxWidth, mode == 2);
    float widest = 0.0f;
    for (const std::wstring& line : lines)
        widest = std::max(widest, measure(driver, line).x);
    const int n = static_cast<int>(lines.size());
    return {widest, static_cast<float>((lineHeight_ + 2) * n - 2)};
}

} // namespace kyrgx
