#include "scripting/ScriptAppInterface.h"

#include "app/Utf8.h"
#include "device/VideoDeviceController.h"
#include "kyrgx/graphics_context.h"
#include "model/Histogram.h"
#include "views/liveview/ILiveView.h"
#include "views/liveview/LiveViewController.h"

namespace ScriptImpl {

namespace {

int32_t cut_to_int(int64_t value)
{
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

} // namespace

ScriptAppInterface::~ScriptAppInterface() = default;

void ScriptAppInterface::bind(app::LiveViewController* live, app::VideoDeviceController* camera,
                              app::Histogram* histogram)
{
    live_ = live;
    camera_ = camera;
    histogram_.histogram = histogram;
    std::shared_ptr<kyrgx::graphics_context> context;
    if (live) {
        if (const std::shared_ptr<app::ILiveView> view = live->liveView())
            context = view->graphicsContext();
    }
    context_ = context;
}

LuaContext::IHistogram* ScriptAppInterface::histogram()
{
    return histogram_.histogram ? &histogram_ : nullptr;
}

float ScriptAppInterface::zoomFactor()
{
    return live_ ? live_->zoom() : 1.0f;
}

int ScriptAppInterface::angle()
{
    return live_ ? static_cast<int>(live_->angle()) : 0;
}

bool ScriptAppInterface::verticalFlip()
{
    return live_ && live_->flipVertical();
}

bool ScriptAppInterface::horizontalFlip()
{
    return live_ && live_->flipHorizontal();
}

kyrgx::Vec2<float> ScriptAppInterface::windowPointFromDataPoint(kyrgx::Vec2<float> point)
{
    return live_ ? live_->imageToView(point) : point;
}

kyrgx::Vec2<float> ScriptAppInterface::dataPointFromWindowPoint(kyrgx::Vec2<float> point)
{
    return live_ ? live_->viewToImage(point) : point;
}

kyrgx::Vec2<int> ScriptAppInterface::mousePosition()
{
    const std::shared_ptr<kyrgx::graphics_context> context = context_.lock();
    if (!context)
        return {0, 0};
    return context->mouseState().pixel();
}

bool ScriptAppInterface::isMouseButtonDown(int button)
{
    const std::shared_ptr<kyrgx::graphics_context> context = context_.lock();
    if (!context)
        return false;
    const kyrgx::MouseState state = context->mouseState();
    switch (button) {
    case 1:
        return state.left == 0;
    case 2:
        return state.middle == 0;
    case 3:
        return state.right == 0;
    default:
        return false;
    }
}

bool ScriptAppInterface::isKeyDown(int key)
{
    const std::shared_ptr<kyrgx::graphics_context> context = context_.lock();
    return context && context->isKeyDown(key);
}

kyrgx::MouseState ScriptAppInterface::mouseState()
{
    const std::shared_ptr<kyrgx::graphics_context> context = context_.lock();
    return context ? context->mouseState() : kyrgx::MouseState{};
}

std::wstring ScriptAppInterface::deviceName()
{
    if (!camera_)
        return {};
    vsx::Error err(vsx::Error::Record);
    return app::utf8_to_wide(camera_->deviceInfo().modelName(err));
}

std::wstring ScriptAppInterface::deviceSerial()
{
    if (!camera_)
        return {};
    vsx::Error err(vsx::Error::Record);
    return app::utf8_to_wide(camera_->deviceInfo().serial(err));
}

std::wstring ScriptAppInterface::videoFormat()
{
    return camera_ ? camera_->pixelFormatNameW() : std::wstring();
}

kyrgx::Vec2<int> ScriptAppInterface::videoFormatSize()
{
    if (!camera_)
        return {0, 0};
    const app::VideoFormat format = camera_->videoformat();
    return {cut_to_int(format.width), cut_to_int(format.height)};
}

std::vector<float> ScriptAppInterface::HistogramSource::redChannel()
{
    return histogram ? histogram->redChannel() : std::vector<float>(256, 0.0f);
}

std::vector<float> ScriptAppInterface::HistogramSource::greenChannel()
{
    return histogram ? histogram->greenChannel() : std::vector<float>(256, 0.0f);
}

std::vector<float> ScriptAppInterface::HistogramSource::blueChannel()
{
    return histogram ? histogram->blueChannel() : std::vector<float>(256, 0.0f);
}

std::vector<float> ScriptAppInterface::HistogramSource::grayChannel()
{
    return histogram ? histogram->grayChannel() : std::vector<float>(256, 0.0f);
}

} // namespace ScriptImpl
