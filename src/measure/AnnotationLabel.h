#pragma once

#include "kyrgx/Label.h"

#include <atomic>
#include <memory>
#include <string>

namespace Measure {

// True from the moment any measurand label starts a drag until that drag
// ends; the pointer handling reads it so that a label drag does not also start
// a rubber band.
extern std::atomic<bool> labelDragging;

// The label control of a measurement object. As a child of the live view's
// control it receives the toolkit's pointer messages (it can be dragged and
// focused), but the toolkit's drawing of the control tree skips it: each label
// is drawn only by its object, right after the object's outline.
class AnnotationLabel : public kyrgx::Label {
public:
    AnnotationLabel(kyrgx::UiRoot* root, int x, int y, int width, int height, const std::wstring& text);
    ~AnnotationLabel() override;

    // Makes a label attached as the last child of the parent (the UI root's
    // root control when the parent is empty) and runs its created hook.
    static std::shared_ptr<AnnotationLabel> create(kyrgx::UiRoot* root, int x, int y, int width, int height,
                                                   const std::wstring& text,
                                                   std::shared_ptr<kyrgx::Control> parent);

    // Draws nothing: the object draws its label itself.
    void render(kyrgx::Graphics& g, int left, int top) override;
};

} // namespace Measure
