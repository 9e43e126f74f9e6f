#pragma once

#include "kyrgx/Affine2D.h"
#include "kyrgx/PixelFormat.h"

#include <memory>
#include <string>

namespace kyrgx {

class Image;

// How drawn pixels combine with the target.
enum BlendMode : int {
    BLEND_REPLACE = 0,
    BLEND_ALPHA = 1,
    BLEND_ADD = 2,
    BLEND_MULTIPLY = 3,
};

// How images are sampled; callers use FILTER_NEAREST and FILTER_LINEAR.
enum FilterMode : int {
    FILTER_NEAREST = 1,
    FILTER_NEAREST_2 = 2,
    FILTER_LINEAR = 3,
};

// The back end behind a kyrgx::Graphics. Coordinates are in the target's
// pixels and pass, for drawImageRect, drawImage, drawLine and fillRect, through
// the transform last given to setTransform. Colours are 0 to 255 as floats.
class GraphicsDriver {
public:
    virtual ~GraphicsDriver() = default;

    // An image owned by the caller alone.
    virtual std::unique_ptr<Image> createImage(int width, int height, PixelFormat format, int usage) = 0;
    virtual std::shared_ptr<Image> createSharedImage(int width, int height, PixelFormat format,
                                                     int usage) = 0;
    virtual bool supportsFeature() { return true; }
    // Whether the driver draws on the screen (the live view) rather than into
    // an image in memory.
    virtual bool drawsOnScreen() const { return false; }
    // Draws whatever is batched.
    virtual void flush() = 0;
    // Flushes and waits until drawing has completed.
    virtual void finish() = 0;
    // Fills the whole target opaque.
    virtual void clear(float red, float green, float blue) = 0;
    // The image to draw into, or null for the window.
    virtual void setRenderTarget(Image* image) = 0;
    virtual void setViewport(int x, int y, int width, int height) = 0;
    virtual void setClip(int x, int y, int width, int height) = 0;
    virtual void setTransform(const Affine2D& transform) = 0;
    virtual void setFilterMode(int mode) = 0;
    virtual void setBlendMode(int mode) = 0;
    // 0 to 1.
    virtual void setAlpha(float alpha) = 0;
    virtual void setColor(float red, float green, float blue) = 0;
    // The source rectangle of the image, in image pixels, drawn unscaled at (x, y).
    virtual void drawImageRect(Image* image, float x, float y, float sx, float sy, float sw, float sh) = 0;
    // The whole image with its top-left corner at (x, y).
    virtual void drawImage(Image* image, float x, float y) = 0;
    virtual void drawLine(float x1, float y1, float x2, float y2, float width) = 0;
    // Filled with the current colour and alpha.
    virtual void fillRect(float x, float y, float width, float height) = 0;
    virtual std::string rendererName() = 0;
    // Whether the driver draws this text itself; no driver of the program does.
    virtual bool hasNativeText(const std::wstring& /*text*/, float /*x*/, float /*y*/) { return false; }
    virtual void drawNativeText(const std::wstring& /*text*/, float /*x*/, float /*y*/,
                                const std::string& /*fontFile*/, int /*pixelSize*/)
    {
    }
};

} // namespace kyrgx
