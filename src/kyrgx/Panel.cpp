#include "kyrgx/Panel.h"

#include "kyrgx/Style.h"
#include "kyrgx/UiRoot.h"

#include <atomic>

namespace kyrgx {

namespace {
std::atomic<int> g_panel_counter{0};
}

Panel::Panel(UiRoot* root, int x, int y, int width, int height, const std::wstring& text)
    : Control(root, x, y, width, height, text)
{
    style_ = root_->style("panel");
    updateBounds();
    name_ = L"Panel" + std::to_wstring(g_panel_counter++);
    updateBounds();
}

void Panel::draw(Graphics& g)
{
    style_->drawFrame(g, {position_.x, position_.y, position_.x + size_.x, position_.y + size_.y}, 1.0f);
    Control::draw(g);
}

} // namespace kyrgx
