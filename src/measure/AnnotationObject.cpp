#include "measure/AnnotationObject.h"

#include "app/Utf8.h"
#include "measure/AnnotationLabel.h"
#include "measure/ITransformContext.h"
#include "measure/ObjectJson.h"
#include "measure/ToolKind.h"

#include <nlohmann/json.hpp>

namespace Measure {

AnnotationObject::AnnotationObject(ITransformContext* context, std::vector<kyrgx::Vec2<float>> points)
    : VertexObject(context, kind_id(ToolKind::Annotation), std::move(points))
{
}

void AnnotationObject::render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent)
{
    MeasureObject::render(g, std::move(parent));
    if (context_->drawsOnScreen(g) && label_)
        label_->setVisible(true);
}

void AnnotationObject::onLabelCreated(const std::shared_ptr<AnnotationLabel>& label)
{
    // Runs after the label's own drag handler, which has placed the label.
    label->onDragMove.push_back([this](const kyrgx::Control::Sender& sender, const kyrgx::event_args&) {
        std::lock_guard lock(context_->objectsMutex());
        selectedVertex_ = 0;
        VertexObject::moveSelectedVertex(context_->windowToImage(sender->positionF()));
    });
}

void AnnotationObject::updateLabelText()
{
    std::lock_guard lock(textMutex_);
    labelText_ = text_;
}

std::wstring AnnotationObject::text() const
{
    std::lock_guard lock(textMutex_);
    return text_;
}

void AnnotationObject::setText(const std::wstring& text)
{
    std::lock_guard lock(textMutex_);
    text_ = text;
}

void AnnotationObject::toJson(nlohmann::json& value) const
{
    VertexObject::toJson(value);
    value["userText"] = app::wide_to_utf8(text());
}

void AnnotationObject::fromJson(const nlohmann::json& value)
{
    const std::wstring text = app::utf8_to_wide(object_json::member(value, "userText").get<std::string>());
    VertexObject::fromJson(value);
    setText(text);
}

} // namespace Measure
