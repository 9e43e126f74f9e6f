#pragma once

#include "kyrgx/Panel.h"
#include "kyrgx/Vec2.h"
#include "views/IViewBase.h"

#include <memory>

namespace app {

class QtLiveView;

// The root control of the live-view panel, parent of every camera's view. It
// lets the user reorder views: with Alt held, a view pressed with the left
// button follows the pointer; released over another view, both slide to each
// other's places and viewsSwapped is raised; released elsewhere, it slides
// back. Slides cover a quarter of the remaining distance per tick and end
// within half a pixel; no drag starts and no drop happens while one runs.
class LiveViewDockPanel : public kyrgx::Panel {
public:
    LiveViewDockPanel(kyrgx::UiRoot* root, int x, int y, int width, int height, const std::wstring& text);

    // Every message reaching a view passes here before the view raises it;
    // the toolkit's own handling does not run.
    void handleMessage(kyrgx::Message& message) override;
    // Moves the sliding views, once per paint.
    void tick() override;

    // Forgets a view leaving the panel (drag state, slides, drop target).
    void forget(const std::shared_ptr<kyrgx::Control>& view);

    bool animating() const { return animating_; }
    bool altHeld() const { return altHeld_; }
    std::shared_ptr<QtLiveView> draggedView() const { return dragged_; }

    // Raised with (null, dragged view, view it was dropped on).
    EventList<std::shared_ptr<kyrgx::Control>, std::shared_ptr<kyrgx::Control>> viewsSwapped;

private:
    struct Slide {
        std::shared_ptr<QtLiveView> view;
        kyrgx::Vec2<float> target;
    };

    void endDrag();

    Slide slideA_; // the dragged view
    Slide slideB_; // the view it was dropped on
    bool animating_ = false;
    bool altHeld_ = false;
    std::shared_ptr<QtLiveView> dragged_;
    kyrgx::Vec2<float> dragStart_{};
    kyrgx::Vec2<float> grabOffset_{};
    std::shared_ptr<QtLiveView> dropTarget_;
    bool leftDownAtStart_ = false;
};

} // namespace app
