#pragma once

#include "kyrgx/Vec2.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kyrgx {
class Graphics;
class Style;
class UiRoot;
} // namespace kyrgx

namespace Measure {

class IMeasureObject;

// The window rectangle that the displayed image covers.
struct ImageRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// What a measurement object asks of its owner (the workspace): conversions
// between image, window and drawing coordinates, the calibration, the
// selection, the label resources and the lock that guards the objects.
class ITransformContext {
public:
    virtual ~ITransformContext() = default;

    virtual kyrgx::Vec2<float> imageToWindow(kyrgx::Vec2<float> point) = 0;
    // Where to draw an image point on g: window coordinates on screen, the
    // point itself offscreen (saved images and video frames are image pixels).
    virtual kyrgx::Vec2<float> imageToGraphics(kyrgx::Graphics& g, kyrgx::Vec2<float> point) = 0;
    virtual kyrgx::Vec2<float> windowToImage(kyrgx::Vec2<float> point) = 0;
    // Image pixels per unit of length of the selected calibration.
    virtual float dotsPerUnit() = 0;
    virtual std::shared_ptr<IMeasureObject> hoveredObject() = 0;
    virtual std::vector<std::shared_ptr<IMeasureObject>> selectedObjects() = 0;
    virtual ImageRect imageRect() = 0;
    // The measurand label style, its font made for g.
    virtual std::weak_ptr<kyrgx::Style> labelStyle(kyrgx::Graphics& g) = 0;
    virtual std::wstring unitAbbreviation() = 0;
    virtual float convertValue(float value) = 0;
    // The value as shown in labels (UTF-8).
    virtual std::string formatValue(float value) = 0;
    // Whether g draws the live view on screen (window coordinates). Labels
    // drawn on screen are the draggable controls of the live view, which only
    // the GUI thread may touch; any other drawing uses labels of its own.
    virtual bool drawsOnScreen(kyrgx::Graphics& g) = 0;
    // A UI root made for offscreen drawing onto g, never the live view's;
    // null when there is none (no label is drawn then).
    virtual kyrgx::UiRoot* offscreenRoot(kyrgx::Graphics& g) = 0;
    // The recursive lock over the objects, held by the owner while it draws,
    // edits or reads them, and by the objects' label handlers.
    virtual std::recursive_mutex& objectsMutex() = 0;

    // Lines through the image points (closed: back from the last to the first),
    // in the colour given as the bytes R, G, B, A of one 32-bit integer (-1 is
    // opaque white) and the line width of g. Fewer than two points draw nothing.
    void drawPolyline(kyrgx::Graphics& g, int colour, const std::vector<kyrgx::Vec2<float>>& points,
                      bool closed);
    // The circle around the image point as 12 to 1024 segments (twice the
    // radius in image pixels, a multiple of 4), in the colour as above.
    void drawCircle(kyrgx::Graphics& g, int colour, kyrgx::Vec2<float> centre, float radius);
};

} // namespace Measure
