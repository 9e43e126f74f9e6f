#pragma once

#include "measure/Appearance.h"
#include "measure/IMeasureObject.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace app {
class IViewBase;
}

namespace kyrgx {
class Style;
}

namespace Measure {

class ITransformContext;

// The common part of every measurement object: id, type, appearance and the
// measurand label with its text and placement.
//
// The label has two forms. On screen it is one draggable control, a child of
// the live view's control, made on the first draw on screen and touched only
// on the GUI thread. Offscreen (saved images, recorded frames, possibly on a
// camera's frame thread) the object draws a label of its own, made in the
// context's offscreen UI root for that one drawing.
class MeasureObject : public IMeasureObject {
public:
    using ObjectCallback = std::function<void(IMeasureObject*)>;
    using FocusListener = std::function<void(app::IViewBase*, IMeasureObject*)>;

    ~MeasureObject() override;
    MeasureObject(const MeasureObject&) = delete;
    MeasureObject& operator=(const MeasureObject&) = delete;

    bool hitTest(float x, float y, bool edges) override;
    // Raises movedCallback.
    void moveBy(kyrgx::Vec2<float> offset) override;
    // Raises vertexMovedCallback.
    void moveSelectedVertex(kyrgx::Vec2<float> point) override;
    // Draws the label.
    void render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent) override;
    kyrgx::Vec2<float> labelPosition() const override { return labelPosition_; }
    std::shared_ptr<AnnotationLabel> label() const override { return label_; }
    int type() const override { return type_; }
    int id() const override { return id_; }
    void loadAppearance() override;
    // With an on-screen label and a vertex 0: the label's place (vertex 0 plus
    // the offset), kept inside the displayed image.
    void updateLabelPosition() override;
    void resetLabelPosition() override;
    void setLabelPosition(kyrgx::Vec2<float> windowPosition) override;
    // One line per measurand whose gate in the appearance settings is on.
    void updateLabelText() override;

    // The window position moved so that the on-screen label lies inside the
    // image's window rectangle.
    kyrgx::Vec2<float> clampLabelToView(kyrgx::Vec2<float> windowPosition) const;
    void setLabelVisible(bool visible) { labelVisible_ = visible; }
    bool labelVisible() const { return labelVisible_; }
    // The line colour, or opaque red while the object is selected.
    kyrgx::Color currentLineColor();

    const Appearance& appearance() const { return appearance_; }
    const std::wstring& labelText() const { return labelText_; }
    kyrgx::Vec2<float> labelOffset() const { return labelOffset_; }
    kyrgx::Vec2<float> labelWindowPosition() const { return labelWindowPosition_; }
    ITransformContext* context() const { return context_; }

    ObjectCallback movedCallback;
    ObjectCallback vertexMovedCallback;
    // Raised with an empty view when the on-screen label gains focus.
    std::vector<FocusListener> labelFocusListeners;

protected:
    MeasureObject(ITransformContext* context, int32_t type);

    // Vertex 0, the label's anchor; false without vertices (then there is no label).
    virtual bool labelAnchor(kyrgx::Vec2<float>& anchor) const;
    // Called once for each on-screen label, after its own handlers are installed.
    virtual void onLabelCreated(const std::shared_ptr<AnnotationLabel>& label);

    ITransformContext* context_;
    int32_t type_;
    int32_t id_;
    std::wstring labelText_;
    Appearance appearance_;
    std::shared_ptr<AnnotationLabel> label_;
    kyrgx::Vec2<float> labelOffset_{};
    kyrgx::Vec2<float> labelPosition_{};
    kyrgx::Vec2<float> labelWindowPosition_{};
    bool labelVisible_ = true;

private:
    void renderScreenLabel(kyrgx::Graphics& g, const std::shared_ptr<kyrgx::Control>& parent);
    void renderOffscreenLabel(kyrgx::Graphics& g, kyrgx::Vec2<float> anchor);
    void createLabel(kyrgx::Graphics& g, const std::shared_ptr<kyrgx::Control>& parent);
    void configureLabel(AnnotationLabel& label, kyrgx::Graphics& g);
    void dropLabel();
};

} // namespace Measure
