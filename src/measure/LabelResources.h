#pragma once

#include <memory>
#include <string>

namespace kyrgx {
class Graphics;
class ImageFont;
class Label;
class Style;
class UiRoot;
} // namespace kyrgx

namespace Measure {

// The label resources of one workspace: the measurand label style shared by
// the labels of all its objects, the calibration hint label, and the UI root
// in which labels drawn offscreen are made. Whoever uses it holds the
// workspace's objects mutex.
class LabelResources {
public:
    LabelResources();
    ~LabelResources();
    LabelResources(const LabelResources&) = delete;
    LabelResources& operator=(const LabelResources&) = delete;

    // The measurand label style. On first use: a copy of the theme style
    // "label" of liveRoot (of an offscreen UI root for g without one), with
    // border (-1, -1, 1, 1), padding (-5, -5, 5, 5), no margin and the theme
    // colour "selected" as border colour. On every call its font becomes
    // "OpenSans-Regular.ttf" at FontSize × scale pixels, made by g.
    std::weak_ptr<kyrgx::Style> labelStyle(kyrgx::Graphics& g, kyrgx::UiRoot* liveRoot, float scale);

    // The calibration hint label with the text: multi-line, auto-sized, top
    // left aligned, not draggable, with a style of its own (border 2 in the
    // theme colour "selected", padding 8) and "OpenSans-Regular.ttf" at 14 ×
    // scale pixels. On screen (liveRoot given) it is made once in liveRoot and
    // kept; offscreen a new one is made in the offscreen UI root for g at
    // every call, so a drawing off the GUI thread never touches the on-screen label.
    std::shared_ptr<kyrgx::Label> calibrationHintLabel(kyrgx::Graphics& g, kyrgx::UiRoot* liveRoot,
                                                       float scale, const std::wstring& text);

    // A UI root for labels drawn offscreen onto g: made (theme loaded) on the
    // first call for g, and replaced when another graphics object asks.
    kyrgx::UiRoot* offscreenRoot(kyrgx::Graphics& g);

    std::shared_ptr<kyrgx::Style> style() const { return style_; }

private:
    kyrgx::ImageFont* font(kyrgx::Graphics& g, float pixelSize);

    std::shared_ptr<kyrgx::Style> style_;
    std::shared_ptr<kyrgx::Label> hintLabel_;
    std::unique_ptr<kyrgx::UiRoot> offscreenRoot_;
    int offscreenGraphicsId_ = 0;
    bool fontFailureLogged_ = false;
};

} // namespace Measure
