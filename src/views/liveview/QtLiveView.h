#pragma once

#include "kyrgx/Panel.h"
#include "views/liveview/ILiveView.h"
#include "views/liveview/PaintRequests.h"

#include <memory>

namespace app {

// One camera's live view: a toolkit panel in the live-view panel's control
// tree. It draws its frame (#007ACC while selected, #3F3F46 otherwise), offers
// the image pass inside its border and the overlay pass after its children,
// and turns the toolkit's messages into the interface's lists; a right-button
// drag becomes drag movements. GUI thread only.
class QtLiveView : public kyrgx::Panel, public ILiveView {
public:
    // Made through make() (the toolkit's factory signature).
    QtLiveView(kyrgx::UiRoot* root, int x, int y, int width, int height, const std::wstring& text);
    ~QtLiveView() override;

    // A 1024 x 1024 view under the parent with a border of the width rounded
    // to whole pixels. The context is the panel's surface, the requests the
    // panel's record of what it has to paint.
    static std::shared_ptr<QtLiveView> make(kyrgx::UiRoot* root, std::shared_ptr<kyrgx::Control> parent,
                                            float borderWidth,
                                            std::shared_ptr<kyrgx::graphics_context> context,
                                            std::shared_ptr<PaintRequests> paints = {});

    // ILiveView.
    kyrgx::Vec2<float> size() const override;
    void setSelected(bool selected) override;
    kyrgx::UiRoot* uiRoot() const override;
    kyrgx::Graphics* graphics() const override;
    float borderWidth() const override { return borderWidth_; }
    std::shared_ptr<kyrgx::graphics_context> graphicsContext() const override { return context_; }
    void requestPaint(uint32_t reasons) override;

    // The toolkit's control.
    void draw(kyrgx::Graphics& g) override;
    void render(kyrgx::Graphics& g, int left, int top) override;
    void handleMessage(kyrgx::Message& message) override;

    // The drop-target highlight of an Alt-drag (the dock panel sets it).
    void setHighlighted(bool on);
    bool highlighted() const { return highlighted_; }
    bool dragging() const { return dragFlag_; }

    // The panel that owns the UI root is going away: the view keeps working
    // as an object but no longer reaches the root or its Graphics.
    void detachFromPanel() { detached_ = true; }

private:
    void applyBorder(float borderWidth);
    int border() const;

    float borderWidth_ = 1.0f;
    std::shared_ptr<kyrgx::graphics_context> context_;
    // Set once by make(), before any thread can reach the view.
    std::shared_ptr<PaintRequests> paints_;
    kyrgx::Vec2<float> lastDrag_{0.0f, 0.0f};
    bool dragFlag_ = false;
    bool highlighted_ = false;
    bool detached_ = false;
    // The absolute position of the last render, for the image pass's clip.
    int renderLeft_ = 0;
    int renderTop_ = 0;
};

} // namespace app
