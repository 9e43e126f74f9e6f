#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>

namespace kyrgx {

class ImageFont;

// Fonts shared by several Graphics, so that a font file is opened and its
// glyph pages are rendered once per file and pixel size rather than once per
// Graphics (every offscreen drawing of a saved image or recorded frame makes a
// Graphics of its own). Thread-safe: Graphics on different threads may ask at
// once, and the fonts guard their own pages.
//
// The glyph atlases of a font are images of the driver that first drew with
// it, so one cache serves the Graphics of one kind of driver only.
//
// Holds at most `capacity` fonts; asking for one more forgets the one asked
// for longest ago. A Graphics keeps the fonts it got, so forgetting one never
// pulls it from under a drawing.
class FontCache {
public:
    static constexpr size_t kDefaultCapacity = 32;

    explicit FontCache(size_t capacity = kDefaultCapacity);
    ~FontCache();
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;

    // The font of the file at the pixel size, loaded on first use. Loading
    // errors propagate (ImageFont::load) and nothing is kept for them.
    std::shared_ptr<ImageFont> get(const std::string& path, int pixelSize);

    size_t size() const;
    size_t capacity() const { return capacity_; }
    // Fonts loaded so far (a font loaded again after it was forgotten counts again).
    size_t loadCount() const;

private:
    struct Entry {
        std::string path;
        int pixelSize;
        std::shared_ptr<ImageFont> font;
    };

    const size_t capacity_;
    mutable std::mutex mutex_;
    std::list<Entry> entries_; // most recently asked first
    size_t loads_ = 0;
};

} // namespace kyrgx
