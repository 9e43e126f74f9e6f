#include "measure/AnnotationLabel.h"

namespace Measure {

std::atomic<bool> labelDragging{false};

AnnotationLabel::AnnotationLabel(kyrgx::UiRoot* root, int x, int y, int width, int height,
                                 const std::wstring& text)
    : kyrgx::Label(root, x, y, width, height, text)
{
    updateBounds();
}

AnnotationLabel::~AnnotationLabel() = default;

std::shared_ptr<AnnotationLabel> AnnotationLabel::create(kyrgx::UiRoot* root, int x, int y, int width,
                                                         int height, const std::wstring& text,
                                                         std::shared_ptr<kyrgx::Control> parent)
{
    return kyrgx::Control::create<AnnotationLabel>(root, x, y, width, height, text, std::move(parent));
}

void AnnotationLabel::render(kyrgx::Graphics&, int, int) {}

} // namespace Measure
