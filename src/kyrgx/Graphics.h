#pragma once

#include "kyrgx/Affine2D.h"
#include "kyrgx/Color.h"
#include "kyrgx/PixelFormat.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace kyrgx {

class GraphicsDriver;
class FontCache;
class Image;
class ImageFont;
class graphics_context;

// The drawing context everything in the program draws through: it keeps the
// drawing state (transform and its stack, colour, alpha, blend and filter
// mode, viewport, clip, line width, font and a font cache) and turns each call
// into calls on its driver. Used by one thread at a time.
class Graphics {
public:
    struct Rect {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
    };

    Graphics(std::shared_ptr<GraphicsDriver> driver, std::shared_ptr<graphics_context> context);
    ~Graphics();
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    // Identity transform, viewport and clip over the surface, opaque white,
    // alpha blending and linear filtering.
    void reset();
    void clear(int red, int green, int blue);
    void clearColor(Color color);

    void pushTransform();
    // Restores the last pushed transform. Throws std::logic_error without one.
    void popTransform();
    void setTransform(const Affine2D& transform);
    // Concatenates onto the current transform: the given one applies to points first.
    void transform(float a, float b, float c, float d, float tx, float ty);
    const Affine2D& currentTransform() const { return transform_; }
    // The saved transforms, oldest first, read and replaced as a whole (a
    // caller that lets others draw puts back what it found).
    const std::deque<Affine2D>& transformStack() const { return stack_; }
    void setTransformStack(const std::deque<Affine2D>& stack) { stack_ = stack; }

    void setColor(Color color);
    // 0xAARRGGBB.
    void setColorARGB(uint32_t argb);
    void setColorRGB(float red, float green, float blue);
    void setAlpha(float alpha);
    // The stored colour with its alpha byte.
    Color color() const { return color_; }
    void setBlendMode(int mode);
    void setFilterMode(int mode);
    int blendMode() const { return blendMode_; }
    int filterMode() const { return filterMode_; }
    void setViewport(int x, int y, int width, int height);
    void setClip(int x, int y, int width, int height);
    // (x, y, x + width, y + height) of the clip.
    Rect clipRect() const;
    void setLineWidth(float width) { lineWidth_ = width; }
    float lineWidth() const { return lineWidth_; }

    void setFont(ImageFont* font) { font_ = font; }
    ImageFont* font() const { return font_; }
    // The font of the resource folder at the pixel size, loaded once and kept
    // for the life of this Graphics; with a shared cache it comes from there
    // (and is loaded only once for all Graphics sharing it). FreeType errors
    // propagate.
    ImageFont* getFont(const std::string& fileName, int pixelSize);
    // Fonts shared with other Graphics of the same kind of driver; set it
    // before the first getFont.
    void setFontCache(std::shared_ptr<FontCache> cache) { fontCache_ = std::move(cache); }
    const std::shared_ptr<FontCache>& fontCache() const { return fontCache_; }

    int width() const { return width_; }
    int height() const { return height_; }
    int id() const { return id_; }

    std::unique_ptr<Image> createImage(int width, int height, PixelFormat format, int usage);
    // An image of the resource folder, decoded to RGB32. Throws
    // std::runtime_error naming the file when it is missing, cannot be decoded,
    // or its header declares more than the file holds or a sane image can
    // have (decode_image_file).
    std::shared_ptr<Image> loadImage(const std::wstring& fileName);

    void drawLine(float x1, float y1, float x2, float y2);
    void fillRect(int x, int y, int width, int height);
    void fillRectF(float x, float y, float width, float height);
    // Outline of the circle as a closed chain of lines of the line width: 2 x
    // radius segments, at least 12 and at most 1024, rounded down to a multiple of 4.
    void drawCircle(float cx, float cy, float radius);
    // Places the image's origin at (x, y), scaled about its origin and turned
    // clockwise on screen by the angle in degrees.
    void drawImageTransformed(Image* image, float x, float y, float scaleX, float scaleY, float angle);
    // Draws the text from the current font's glyph atlases, tinted by the
    // current colour and alpha; (x, y) is the top-left of the line. Throws
    // std::logic_error "Invalid font." without a font.
    void drawText(const std::wstring& text, int x, int y);
    void drawText(const std::wstring& text, float x, float y);
    void flush();
    void finish();

    GraphicsDriver* driver() const { return driver_.get(); }
    graphics_context* context() const { return context_.get(); }

    // Called after a size change of the surface has been applied.
    std::function<void(int, int)> resized;
    // Forwarded from the surface's second notification.
    std::function<void(int, int)> notified;

private:
    void onSurfaceResized(int width, int height);

    Affine2D transform_;
    std::deque<Affine2D> stack_;
    std::shared_ptr<graphics_context> context_;
    std::shared_ptr<GraphicsDriver> driver_;
    int id_;
    int width_ = 0;
    int height_ = 0;
    ImageFont* font_ = nullptr;
    std::map<std::string, std::shared_ptr<ImageFont>> fonts_;
    std::shared_ptr<FontCache> fontCache_;
    Color color_{0, 0, 0, 255};
    int blendMode_ = 0;
    int filterMode_ = 3;
    int viewport_[4] = {0, 0, 0, 0}; // x, y, width, height
    int clip_[4] = {0, 0, 0, 0};
    float lineWidth_ = 1.0f;
};

} // namespace kyrgx
