#pragma once

#include "kyrgx/Vec2.h"

#include <memory>
#include <nlohmann/json_fwd.hpp>

namespace kyrgx {
class Control;
class Graphics;
} // namespace kyrgx

namespace Measure {

class AnnotationLabel;

// One element of a camera's measurement document: a line, polyline, polygon,
// rectangle, circle, angle, annotation or the calibration line. Vertices are
// image pixels of the image as displayed; hit tests take window pixels.
//
// Threads: objects have no lock of their own. The owner (the workspace) holds
// its context's objectsMutex() around every call; the label handlers that the
// toolkit runs on the GUI thread take the same mutex themselves.
class IMeasureObject {
public:
    virtual ~IMeasureObject() = default;

    // Picks a vertex (its index) or, with edges, an edge or the circle's rim
    // (selected vertex 999) at the window point.
    virtual bool hitTest(float x, float y, bool edges) = 0;
    // Moves every vertex by the offset (image pixels); the label follows.
    virtual void moveBy(kyrgx::Vec2<float> offset) = 0;
    // Moves the vertex picked by the last hit test to the image point, kept
    // inside the image; the label stays where it is on screen.
    virtual void moveSelectedVertex(kyrgx::Vec2<float> point) = 0;
    // Draws the object and its label onto g. On screen the label is a child
    // of parent (the live view's control); offscreen the object draws a label
    // of its own in the context's offscreen UI root and parent is not used.
    virtual void render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent) = 0;
    // Where the label is drawn, image pixels.
    virtual kyrgx::Vec2<float> labelPosition() const = 0;
    // The on-screen label control; empty until the first draw on screen.
    virtual std::shared_ptr<AnnotationLabel> label() const = 0;
    // Replaces the value with the object's JSON form.
    virtual void toJson(nlohmann::json& value) const = 0;
    // Reads the object from its JSON form. Throws on missing keys, wrong types
    // and vertex counts that do not fit the type; the object is then unchanged.
    virtual void fromJson(const nlohmann::json& value) = 0;
    virtual int type() const = 0;
    virtual int id() const = 0;
    // relative points := vertices / size.
    virtual void updateRelativePoints(kyrgx::Vec2<float> size) = 0;
    // vertices := relative points × size.
    virtual void applyRelativePoints(kyrgx::Vec2<float> size) = 0;
    // Quarter turns and flips within an image of the given size.
    virtual void rotateClockwise(kyrgx::Vec2<float> size) = 0;
    virtual void rotateCounterClockwise(kyrgx::Vec2<float> size) = 0;
    virtual void flipVertical(kyrgx::Vec2<float> size) = 0;
    virtual void flipHorizontal(kyrgx::Vec2<float> size) = 0;
    // Copies line colour, handle colours, handle size and line width from the
    // appearance settings.
    virtual void loadAppearance() = 0;
    virtual void updateLabelPosition() = 0;
    virtual void resetLabelPosition() = 0;
    // Takes the label's window position as its new place relative to vertex 0.
    virtual void setLabelPosition(kyrgx::Vec2<float> windowPosition) = 0;
    virtual void updateLabelText() = 0;
};

} // namespace Measure
