#pragma once

#include "kyrgx/Vec2.h"

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// FreeType's handle types, declared here so that users of fonts do not pull in
// FreeType's headers.
typedef struct FT_LibraryRec_* FT_Library;
typedef struct FT_FaceRec_* FT_Face;

namespace kyrgx {

class GraphicsDriver;
class Image;

// One rendered glyph of a page, placed in the page's atlas.
struct Glyph {
    float atlasX = 0.0f;
    float atlasY = 0.0f;
    // Horizontal advance in pixels, with its fraction.
    float advance = 0.0f;
    float leftBearing = 0.0f;
    // From the text's top line down to the bitmap's first row.
    float topOffset = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    int page = 0;
    // The glyph's rectangle in the atlas as fractions of the atlas size.
    float uMin = 0.0f;
    float uMax = 1.0f;
    float vMin = 0.0f;
    float vMax = 1.0f;
};

// The glyphs of 256 consecutive code points and the atlas they are drawn from.
struct GlyphPage {
    std::array<Glyph, 256> glyphs{};
    // Whether the face has a glyph for the code point.
    std::array<bool, 256> present{};
    std::unique_ptr<Image> atlas;
};

// The process-wide FreeType library, created on first use. Throws
// std::runtime_error "Failed to initialize FreeType." when FreeType cannot start.
FT_Library freetype_library();

// One TrueType face at one pixel size. Glyphs are rendered a page of 256 code
// points at a time, the first time any of them is needed, and packed into one
// atlas image (white, coverage in alpha) made through the driver, so the same
// font serves every driver. Several threads may ask for glyphs at once (fonts
// are shared through a FontCache); a page, once built, stays until the font
// goes.
class ImageFont {
    struct Private {};

public:
    // The largest pixel size a font is made at: a glyph page of 256 glyphs at
    // this size still fits one atlas.
    static constexpr int MAX_PIXEL_SIZE = 256;

    // Loads face 0 of the file at the pixel size (at most MAX_PIXEL_SIZE), or
    // at the largest smaller size the face accepts. Throws std::runtime_error
    // "Failed to load font (...) url=<path>" when the file cannot be opened, no
    // size is accepted, or FreeType cannot render every glyph of the first page
    // (a damaged file that opens but cannot draw).
    static std::shared_ptr<ImageFont> load(FT_Library library, const std::string& path, int pixelSize,
                                           int flags);

    ImageFont(Private, FT_Library library, FT_Face face, int flags, const std::string& path, int pixelSize);
    ~ImageFont();
    ImageFont(const ImageFont&) = delete;
    ImageFont& operator=(const ImageFont&) = delete;

    // The glyph of a code point, building its page on first use; null when the
    // face has none. Throws std::runtime_error "Error creating glyph page." when
    // FreeType cannot render a glyph of the page (the page is tried again later).
    const Glyph* glyph(GraphicsDriver* driver, char32_t code);
    // The atlas of the glyph's page.
    Image* pageImage(const Glyph& glyph) const;

    // (sum of the truncated advances, line height). Characters without a glyph add nothing.
    Vec2<float> measure(GraphicsDriver* driver, const std::wstring& text);
    // maxWidth 0: measure(), lines untouched. Otherwise lines := wrapText (mode 2
    // fills backwards) and the result is (widest line, (line height + 2) x lines - 2).
    Vec2<float> measureWrapped(GraphicsDriver* driver, const std::wstring& text, int maxWidth, int mode,
                               std::vector<std::wstring>& lines);

    int lineHeight() const { return lineHeight_; }
    int ascender() const { return ascender_; }
    // The size that was asked for (at most MAX_PIXEL_SIZE), also when a smaller
    // one was accepted.
    int pixelSize() const { return pixelSize_; }
    int flags() const { return flags_; }
    const std::string& fileName() const { return fileName_; }
    // Entries of the page vector: up to the page of the face's highest code point.
    size_t pageCount() const { return pages_.size(); }
    bool pageBuilt(size_t page) const;
    // Glyphs FreeType rendered for this font's pages so far (the check of the
    // first page at load does not count).
    int renderCount() const;

private:
    std::unique_ptr<GlyphPage> buildPage(GraphicsDriver* driver, int page);

    FT_Library library_;
    FT_Face face_;
    int flags_;
    int lineHeight_ = 0;
    int ascender_ = 0;
    int pixelSize_;
    mutable std::mutex pagesMutex_; // pages_ entries, renderCount_ and the face's glyph slot
    std::vector<std::unique_ptr<GlyphPage>> pages_;
    std::string fileName_;
    int renderCount_ = 0;
    // The font file's bytes: FreeType reads the face from them while it lives.
    std::shared_ptr<const std::string> fileBytes_;
};

} // namespace kyrgx
