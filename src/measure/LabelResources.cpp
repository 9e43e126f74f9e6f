#include "measure/LabelResources.h"

#include "kyrgx/Graphics.h"
#include "kyrgx/Label.h"
#include "kyrgx/Style.h"
#include "kyrgx/UiRoot.h"
#include "measure/MeasureAppearanceSettings.h"

#include <algorithm>
#include <spdlog/spdlog.h>

namespace Measure {

namespace {

constexpr const char* kLabelFont = "OpenSans-Regular.ttf";
constexpr float kHintFontSize = 14.0f;

} // namespace

LabelResources::LabelResources() = default;

LabelResources::~LabelResources()
{
    if (hintLabel_ && hintLabel_->parent())
        hintLabel_->dispose();
}

kyrgx::ImageFont* LabelResources::font(kyrgx::Graphics& g, float pixelSize)
{
    // The integer part, never below one pixel.
    const int size = pixelSize >= 1.0f ? static_cast<int>(std::min(pixelSize, 1000.0f)) : 1;
    try {
        return g.getFont(kLabelFont, size);
    } catch (const std::exception& e) {
        if (!fontFailureLogged_)
            spdlog::error("LabelResources::font() failed: {}", e.what());
        fontFailureLogged_ = true;
        return nullptr;
    }
}

kyrgx::UiRoot* LabelResources::offscreenRoot(kyrgx::Graphics& g)
{
    if (!offscreenRoot_ || offscreenGraphicsId_ != g.id()) {
        offscreenRoot_.reset();
        offscreenRoot_ = std::make_unique<kyrgx::UiRoot>(&g);
        offscreenGraphicsId_ = g.id();
    }
    return offscreenRoot_.get();
}

std::weak_ptr<kyrgx::Style> LabelResources::labelStyle(kyrgx::Graphics& g, kyrgx::UiRoot* liveRoot,
                                                       float scale)
{
    if (!style_) {
        kyrgx::UiRoot* root = liveRoot ? liveRoot : offscreenRoot(g);
        style_ = root->style("label")->clone();
        style_->border = {-1, -1, 1, 1};
        style_->padding = {-5, -5, 5, 5};
        style_->margin = {0, 0, 0, 0};
        style_->borderColor = root->color("selected");
    }
    const auto fontSize = static_cast<float>(
        MeasureAppearanceSettings::instance().getInt(MeasureAppearanceSettings::FONT_SIZE));
    style_->font = font(g, fontSize * scale);
    return style_;
}

std::shared_ptr<kyrgx::Label> LabelResources::calibrationHintLabel(kyrgx::Graphics& g,
                                                                   kyrgx::UiRoot* liveRoot, float scale,
                                                                   const std::wstring& text)
{
    std::shared_ptr<kyrgx::Label> label = liveRoot ? hintLabel_ : nullptr;
    // A kept label whose view released its controls is made again.
    if (label && !label->parent())
        label.reset();
    if (!label) {
        kyrgx::UiRoot* root = liveRoot;
        if (root)
            offscreenRoot_.reset();
        else
            root = offscreenRoot(g);
        label = kyrgx::Control::create<kyrgx::Label>(root, 0, 0, 256, 50, text);
        label->setVisible(true);
        auto style = label->style()->clone();
        style->border = {-2, -2, 2, 2};
        style->borderColor = root->color("selected");
        style->padding = {-8, -8, 8, 8};
        label->setStyle(style);
        label->setAutoSize(true);
        label->multiLine = true;
        label->splitAtNewlines = true;
        label->draggable = false;
        label->setAlignment(kyrgx::ALIGN_TOP_LEFT);
    }
    auto style = label->style();
    style->font = font(g, kHintFontSize * scale);
    label->setStyle(style);
    if (liveRoot)
        hintLabel_ = label;
    return label;
}

} // namespace Measure
