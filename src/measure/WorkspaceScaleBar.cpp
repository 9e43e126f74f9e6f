// The workspace's scale bar: the box with its bar and ticks, and its label.

#include "measure/Workspace.h"

#include "kyrgx/Graphics.h"
#include "kyrgx/GraphicsDriver.h"
#include "kyrgx/Label.h"
#include "kyrgx/Style.h"
#include "kyrgx/UiRoot.h"
#include "measure/ScaleBar.h"
#include "views/liveview/ILiveView.h"

#include <atomic>
#include <cmath>
#include <limits>
#include <spdlog/spdlog.h>

namespace Measure {

namespace {

constexpr const char* kScaleBarFont = "OpenSans-Regular.ttf";
constexpr float kScaleBarFontSize = 12.0f;

// A size in pixels truncated to an int; 0 when it is not a usable number.
int whole_pixels(float v)
{
    if (!std::isfinite(v) || v <= 0.0f)
        return 0;
    return v >= 1.0e9f ? 1000000000 : static_cast<int>(v);
}

// Takes an offscreen label out of its UI root's tree when the drawing is done.
struct DisposeAfterDrawing {
    std::shared_ptr<kyrgx::Label> label;
    ~DisposeAfterDrawing()
    {
        if (label)
            label->dispose();
    }
};

} // namespace

std::shared_ptr<kyrgx::Label> Workspace::makeScaleBarLabel(kyrgx::Graphics& g, app::ILiveView* view)
{
    std::lock_guard lock(mutex_);
    kyrgx::UiRoot* root = nullptr;
    if (view) {
        root = view->uiRoot();
        if (!root)
            return nullptr;
    }

    std::shared_ptr<kyrgx::Label> label;
    // The kept label, unless its view released it or it belongs to another view.
    if (root && scaleBarLabel_ && scaleBarLabel_->parent() && scaleBarLabel_->root() == root)
        label = scaleBarLabel_;
    if (!label) {
        if (!root)
            root = labels_.offscreenRoot(g);
        label = kyrgx::Control::create<kyrgx::Label>(root, 0, 0, 128, 50, L"100%");
        // Drawn only explicitly, never by the tree.
        label->setVisible(false);
        auto style = label->style()->clone();
        style->border = {0, 0, 0, 0};
        style->borderColor = {0, 0, 0, 0};
        style->backgroundColor = {0, 0, 0, 0};
        style->skinColor = {0, 0, 0, 0};
        style->textColor = {0, 0, 0, 255};
        label->setStyle(style);
    }

    const float ratio = view ? view->borderWidth() : 1.0f;
    const float size = kScaleBarFontSize * (std::isfinite(ratio) && ratio > 0.0f ? ratio : 1.0f);
    auto style = label->style();
    try {
        style->font = g.getFont(kScaleBarFont, size >= 1000.0f ? 1000 : static_cast<int>(size));
    } catch (const std::exception& e) {
        // Said once: the bar is drawn at every frame.
        static std::atomic<bool> logged{false};
        if (!logged.exchange(true))
            spdlog::error("Workspace::makeScaleBarLabel() failed: {}", e.what());
        style->font = nullptr;
    }
    label->setStyle(style);

    if (view) {
        if (scaleBarLabel_ && scaleBarLabel_ != label && scaleBarLabel_->parent())
            scaleBarLabel_->dispose();
        scaleBarLabel_ = label;
    }
    return label;
}

void Workspace::renderScaleBar(kyrgx::Graphics& g, app::ILiveView* view, int barLength, float value,
                               int unitIndex, int alignment)
{
    if (barLength < 1 || barLength > std::numeric_limits<int>::max() / 2 || !std::isfinite(value))
        return;
    std::lock_guard lock(mutex_);
    int width = g.width();
    int height = g.height();
    if (view) {
        const kyrgx::Vec2<float> size = view->size();
        width = whole_pixels(size.x);
        height = whole_pixels(size.y);
    }
    const int length = barLength;
    const int boxWidth = length + 13;
    const kyrgx::Vec2<int> at = scale_bar_position(width, height, length, alignment);
    const int left = at.x;
    const int top = at.y;

    g.setBlendMode(kyrgx::BLEND_ALPHA);
    // The frame.
    g.setColorARGB(0xFF000000u);
    g.setAlpha(0.65f);
    g.fillRect(left, top, boxWidth, 1);
    g.fillRect(left, top + 42, boxWidth, 1);
    g.fillRect(left, top, 1, 42);
    g.fillRect(left + boxWidth, top, 1, 43);
    // The box.
    g.setColorARGB(0xFFFFFFFFu);
    g.setAlpha(0.65f);
    g.fillRect(left + 1, top + 1, length + 12, 40);
    // The ticks and the bar.
    g.setColorARGB(0xFF000000u);
    g.setAlpha(1.0f);
    g.fillRect(left + 5, top + 25, 2, 10);
    g.fillRect(left + length + 5, top + 25, 2, 10);
    g.fillRect(left + 5, top + 29, length, 2);

    const std::shared_ptr<kyrgx::Label> label = makeScaleBarLabel(g, view);
    if (!label)
        return;
    const DisposeAfterDrawing offscreen{view ? nullptr : label};
    label->setPosition(left, top);
    label->setSize({length + 14, 40});
    label->setText(scale_bar_text(value, unitIndex));
    label->draw(g);
}

} // namespace Measure
