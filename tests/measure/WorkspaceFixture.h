#pragma once

// The camera a workspace test runs against: a simulated camera's identity, a
// live view controller over a live view that the test makes, replaces or
// drops, the video-format size and the file stem, all handed to the workspace
// through its host lookups. The live view is a toolkit panel on a canvas whose
// driver counts as the screen, so labels drawn on it are the view's children.

#include "Canvas.h"
#include "device/DeviceEnum.h"
#include "device/VsxError.h"
#include "kyrgx/Panel.h"
#include "measure/WorkspaceHost.h"
#include "views/liveview/ILiveView.h"
#include "views/liveview/LiveViewController.h"

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vsxcore.h>
#include <vsxsim.h>

namespace quorel::test {

// The built-in simulated cameras plus one whose unique name holds characters
// that no file name may.
inline const char* kWorkspaceCameras = R"({
  "extends": "default",
  "cameras": [
    {"id": "slashed", "template": "usb-mono16", "serial": "41000078", "uniqueName": "A:B/C", "sensor": [320, 240]}
  ]
})";

inline constexpr const char* kCameraA = "QU3-C13B-41000001";
inline constexpr const char* kCameraB = "QGE-C16X-52000003";

// The identity of a simulated camera by unique name (empty when unknown).
inline vsx::DeviceInfo simulated_camera(const std::string& uniqueName)
{
    static const bool initialised = [] {
        setenv("VSXSIM_DETERMINISTIC", "1", 1);
        const vsx_init_config config{2, 0, 1, nullptr};
        return vsx_init_library(&config) && vsxsim_configure(kWorkspaceCameras);
    }();
    if (!initialised)
        return {};
    vsx::Error err(vsx::Error::Record);
    for (const vsx::DeviceInfo& device : vsx::DeviceEnum::enumDevices(err))
        if (device.uniqueName(err) == uniqueName)
            return device;
    return {};
}

// The QPainter driver taken for the live view's screen.
class OnScreenDriver : public app::QtView::QtGraphicsDriver {
public:
    using QtGraphicsDriver::QtGraphicsDriver;
    bool drawsOnScreen() const override { return true; }
};

// A canvas that counts as the screen, with a UI root.
class ScreenCanvas : public Canvas {
public:
    ScreenCanvas(int width, int height) : Canvas(width, height)
    {
        g = std::make_unique<kyrgx::Graphics>(std::make_shared<OnScreenDriver>(&painter, QRect(0, 0, w, h)),
                                              surface);
        root = std::make_unique<kyrgx::UiRoot>(g.get());
    }
    ~ScreenCanvas() { root.reset(); }
    std::unique_ptr<kyrgx::UiRoot> root;
};

// A live view: a toolkit panel of the canvas, 640 x 480.
class TestLiveView : public kyrgx::Panel, public app::ILiveView {
public:
    TestLiveView(kyrgx::UiRoot* root, int x, int y, int width, int height, const std::wstring& text)
        : kyrgx::Panel(root, x, y, width, height, text), root_(root)
    {
    }
    kyrgx::Vec2<float> size() const override { return {640.0f, 480.0f}; }
    void setSelected(bool) override {}
    kyrgx::UiRoot* uiRoot() const override { return root_; }
    kyrgx::Graphics* graphics() const override { return nullptr; }
    float borderWidth() const override { return 1.0f; }
    std::shared_ptr<kyrgx::graphics_context> graphicsContext() const override { return nullptr; }
    void requestPaint(uint32_t) override {}

private:
    kyrgx::UiRoot* root_;
};

class FakeCamera {
public:
    // A live view showing an image of the camera size turned by the angle.
    void makeView(float imageWidth, float imageHeight, float angle = 0.0f)
    {
        if (!screen)
            screen = std::make_unique<ScreenCanvas>(640, 480);
        view = kyrgx::Control::create<TestLiveView>(screen->root.get(), 0, 0, 640, 480, L"");
        controller = std::make_shared<app::LiveViewController>(view);
        controller->setImageSize(static_cast<int>(imageWidth), static_cast<int>(imageHeight));
        controller->setAngle(angle);
    }
    void dropView()
    {
        controller.reset();
        if (view)
            view->dispose();
        view.reset();
    }

    Measure::WorkspaceHost host()
    {
        Measure::WorkspaceHost h;
        h.liveView = [this](const vsx::DeviceInfo&) { return controller; };
        h.videoFormatSize = [this](const vsx::DeviceInfo&) { return format; };
        h.fileStem = [this](const vsx::DeviceInfo&) { return stem; };
        return h;
    }

    std::unique_ptr<ScreenCanvas> screen;
    std::shared_ptr<TestLiveView> view;
    std::shared_ptr<app::LiveViewController> controller;
    std::optional<kyrgx::Vec2<float>> format;
    std::wstring stem = L"camera";
};

} // namespace quorel::test
