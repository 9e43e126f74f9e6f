#pragma once

#include "scripting/IAppInterface.h"

#include <memory>

namespace app {
class Histogram;
class LiveViewController;
class VideoDeviceController;
} // namespace app

namespace kyrgx {
class graphics_context;
}

namespace ScriptImpl {

// One camera as its overlay scripts see it: the live view that shows it (zoom,
// rotation, flips, point mapping, the pointer and the keys of the view), its
// histogram, and the camera's name, serial number and video format.
//
// The overlay plug-in binds it before scripts run. The bound objects belong to
// the main controller and the model and live while the camera is open; the
// plug-in drops the workspace holding this interface when the camera closes,
// before the camera's live view goes. The live view's surface is held weakly:
// the view may go first, and the pointer and key queries then answer zeros.
// Used under the plug-in's render mutex, so by one thread at a time.
class ScriptAppInterface : public LuaContext::IAppInterface {
public:
    ScriptAppInterface() = default;
    ~ScriptAppInterface() override;
    ScriptAppInterface(const ScriptAppInterface&) = delete;
    ScriptAppInterface& operator=(const ScriptAppInterface&) = delete;

    LuaContext::IHistogram* histogram() override;
    float zoomFactor() override;
    int angle() override;
    bool verticalFlip() override;
    bool horizontalFlip() override;
    kyrgx::Vec2<float> windowPointFromDataPoint(kyrgx::Vec2<float> point) override;
    kyrgx::Vec2<float> dataPointFromWindowPoint(kyrgx::Vec2<float> point) override;
    kyrgx::Vec2<int> mousePosition() override;
    bool isMouseButtonDown(int button) override;
    bool isKeyDown(int key) override;
    kyrgx::MouseState mouseState() override;
    std::wstring deviceName() override;
    std::wstring deviceSerial() override;
    std::wstring videoFormat() override;
    kyrgx::Vec2<int> videoFormatSize() override;

    // Takes the camera's live view controller, device controller and histogram
    // (which may be null) and keeps the live view's surface weakly, replacing
    // the previous binding. Allocates nothing.
    void bind(app::LiveViewController* live, app::VideoDeviceController* camera, app::Histogram* histogram);

    app::LiveViewController* liveView() const { return live_; }
    app::VideoDeviceController* camera() const { return camera_; }

private:
    // The model's histogram as the script functions read it.
    class HistogramSource : public LuaContext::IHistogram {
    public:
        std::vector<float> redChannel() override;
        std::vector<float> greenChannel() override;
        std::vector<float> blueChannel() override;
        std::vector<float> grayChannel() override;

        app::Histogram* histogram = nullptr;
    };

    app::LiveViewController* live_ = nullptr;
    app::VideoDeviceController* camera_ = nullptr;
    HistogramSource histogram_;
    std::weak_ptr<kyrgx::graphics_context> context_;
};

} // namespace ScriptImpl
