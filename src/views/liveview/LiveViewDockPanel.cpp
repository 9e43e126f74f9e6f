#include "views/liveview/LiveViewDockPanel.h"

#include "kyrgx/Keys.h"
#include "views/liveview/QtLiveView.h"

#include <cmath>

namespace app {

namespace {

constexpr int LEFT_ALT = 56;

} // namespace

LiveViewDockPanel::LiveViewDockPanel(kyrgx::UiRoot* root, int x, int y, int width, int height,
                                     const std::wstring& text)
    : kyrgx::Panel(root, x, y, width, height, text)
{
}

void LiveViewDockPanel::handleMessage(kyrgx::Message& m)
{
    if (m.handled)
        return;
    const kyrgx::Vec2<float> pos{m.mouse.x, m.mouse.y};
    const kyrgx::Vec2<int> pixel = m.mouse.pixel();
    const kyrgx::Vec2<int> origin = screenPosition();

    dropTarget_.reset();
    if (dragged_) {
        const bool pointer =
            m.type != kyrgx::MSG_KEY_DOWN && m.type != kyrgx::MSG_KEY_UP && m.type != kyrgx::MSG_KEY_PRESS;
        for (const auto& child : children()) {
            auto view = std::dynamic_pointer_cast<QtLiveView>(child);
            if (!view || view == dragged_)
                continue;
            const bool hit = pointer && view->hitTest(pixel.x, pixel.y, origin.x, origin.y) != nullptr;
            view->setHighlighted(hit);
            if (hit)
                dropTarget_ = view;
        }
    }

    auto view = std::dynamic_pointer_cast<QtLiveView>(m.target);
    if (!view || view->parent().get() != this)
        return;
    switch (m.type) {
    case kyrgx::MSG_KEY_DOWN:
        if (m.key == LEFT_ALT)
            altHeld_ = true;
        break;
    case kyrgx::MSG_KEY_UP:
        if (m.key == LEFT_ALT)
            altHeld_ = false;
        break;
    case kyrgx::MSG_DOWN:
        if (!animating_ && altHeld_) {
            leftDownAtStart_ = m.mouse.left == 0;
            if (leftDownAtStart_) {
                dragged_ = view;
                dragStart_ = view->positionF();
                grabOffset_ = {pos.x - dragStart_.x, pos.y - dragStart_.y};
            }
        }
        break;
    case kyrgx::MSG_MOVE:
        if (!animating_ && dragged_) {
            dragged_->setPositionF({pos.x - grabOffset_.x, pos.y - grabOffset_.y});
            m.handled = true;
        }
        break;
    case kyrgx::MSG_UP:
    case kyrgx::MSG_LEAVE:
        if (m.type == kyrgx::MSG_LEAVE && m.mouse.left == 0)
            break;
        if (!animating_ && dragged_) {
            if (dropTarget_) {
                dropTarget_->setHighlighted(false);
                slideA_ = {dragged_, dropTarget_->positionF()};
                slideB_ = {dropTarget_, dragStart_};
            } else {
                slideA_ = {dragged_, dragStart_};
            }
            animating_ = true;
            const std::shared_ptr<kyrgx::Control> dragged = dragged_;
            const std::shared_ptr<kyrgx::Control> target = dropTarget_;
            endDrag();
            if (target)
                raise_event(viewsSwapped, nullptr, dragged, target);
            m.handled = true;
        }
        break;
    default:
        break;
    }
}

void LiveViewDockPanel::endDrag()
{
    dragged_.reset();
    dropTarget_.reset();
    dragStart_ = {};
    grabOffset_ = {};
    leftDownAtStart_ = false;
}

void LiveViewDockPanel::tick()
{
    for (Slide* slide : {&slideA_, &slideB_}) {
        if (!slide->view)
            continue;
        const kyrgx::Vec2<float> p = slide->view->positionF();
        const float dx = slide->target.x - p.x;
        const float dy = slide->target.y - p.y;
        if (std::sqrt(dx * dx + dy * dy) > 0.5f) {
            slide->view->setPositionF({p.x + dx * 0.25f, p.y + dy * 0.25f});
        } else {
            slide->view->setPositionF(slide->target);
            *slide = {};
        }
    }
    animating_ = slideA_.view || slideB_.view;
    kyrgx::Control::tick();
}

void LiveViewDockPanel::forget(const std::shared_ptr<kyrgx::Control>& view)
{
    if (dragged_ == view || dropTarget_ == view)
        endDrag();
    for (Slide* slide : {&slideA_, &slideB_})
        if (slide->view == view)
            *slide = {};
    animating_ = slideA_.view || slideB_.view;
}

} // namespace app
