#include "kyrgx/FontCache.h"

#include "kyrgx/ImageFont.h"

#include <algorithm>

namespace kyrgx {

FontCache::FontCache(size_t capacity) : capacity_(std::max<size_t>(capacity, 1)) {}

FontCache::~FontCache() = default;

std::shared_ptr<ImageFont> FontCache::get(const std::string& path, int pixelSize)
{
    std::lock_guard lock(mutex_);
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const Entry& e) { return e.pixelSize == pixelSize && e.path == path; });
    if (it != entries_.end()) {
        entries_.splice(entries_.begin(), entries_, it);
        return entries_.front().font;
    }
    // Loaded under the lock: two Graphics asking for a new font at once get
    // the same one, rendered once.
    std::shared_ptr<ImageFont> font = ImageFont::load(freetype_library(), path, pixelSize, 0);
    ++loads_;
    entries_.push_front(Entry{path, pixelSize, font});
    while (entries_.size() > capacity_)
        entries_.pop_back();
    return font;
}

size_t FontCache::size() const
{
    std::lock_guard lock(mutex_);
    return entries_.size();
}

size_t FontCache::loadCount() const
{
    std::lock_guard lock(mutex_);
    return loads_;
}

} // namespace kyrgx
