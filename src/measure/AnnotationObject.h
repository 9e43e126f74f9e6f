#pragma once

#include "measure/VertexObject.h"

#include <mutex>
#include <string>

namespace Measure {

// A text placed on the image: one vertex (the anchor) and a label showing the
// text whatever the measurand gates say. Dragging the label on screen drags
// the anchor along, kept inside the image.
class AnnotationObject : public VertexObject {
public:
    AnnotationObject(ITransformContext* context, std::vector<kyrgx::Vec2<float>> points);

    // The label only (no outline, no handles).
    void render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent) override;
    // Adds "userText" (UTF-8).
    void toJson(nlohmann::json& value) const override;
    // Reads "userText" before anything else.
    void fromJson(const nlohmann::json& value) override;
    // The label text is the annotation's text.
    void updateLabelText() override;

    // The text; the appearance dialog sets it on the GUI thread while a frame
    // thread may draw it.
    std::wstring text() const;
    void setText(const std::wstring& text);

protected:
    VertexRule vertexRule() const override { return {1, 1}; }
    void onLabelCreated(const std::shared_ptr<AnnotationLabel>& label) override;

private:
    mutable std::mutex textMutex_;
    std::wstring text_ = L"Enter Text in Appearance Dialog...";
};

} // namespace Measure
