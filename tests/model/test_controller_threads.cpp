// The main controller under load (fast clock): two cameras stream into their
// live views, the histogram and a plug-in that asks the context about them on
// every frame, while the GUI thread opens and closes cameras, switches one,
// selects, zooms and turns views, minimises the window and runs the ticks.
// Meant for ThreadSanitizer (./test.sh --tsan).

#include "ControllerFixture.h"
#include "model/Histogram.h"

#include <chrono>
#include <thread>

using namespace quorel::test;

namespace {

// Does on every frame what plug-ins do there: asks the context about the
// camera and its live view, and posts work for the GUI tick.
class BusyPlugin : public app::Plugin::PluginBase {
public:
    using PluginBase::PluginBase;
    void initialize() override {}
    void shutdown() override {}
    void onFrame(const vsx::DeviceInfo& device, const kyr_kelvane::image_descriptor&) override
    {
        if (app::Histogram* histogram = context->histogramForDevice(device))
            histogram->takeRequest();
        context->liveViewForDevice(device);
        context->currentInstance();
        addOnce([this] { ++ran; });
        ++frames;
    }

    std::atomic<int> frames{0};
    std::atomic<int> ran{0};
};

class ControllerThreadsTest : public MainControllerTest {
protected:
    void SetUp() override
    {
        init_model_cameras("fast");
        MainControllerTest::SetUp();
    }
};

} // namespace

TEST_F(ControllerThreadsTest, TwoCamerasStreamWhileViewsComeAndGo)
{
    std::shared_ptr<BusyPlugin> busy;
    app::ControllerServices services;
    services.plugins.push_back([&](app::Plugin::PluginContext* context) {
        busy = std::make_shared<BusyPlugin>(context);
        return busy;
    });
    controller = std::make_unique<MainViewController>(view, model, services);
    controller->setClock([this] { return app::steady_ms() + clockOffset.load(); });

    openAndShow(kUsbName);
    openAndShow(kGigeName);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    for (int i = 0; i < 48 || busy->frames < 300; ++i) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << busy->frames.load() << " frames";
        switch (i % 8) {
        case 0:
            openAndShow(kAnalogName);
            break;
        case 1:
            controller->update_device(app::utf8_to_wide(kOddName)); // the analog camera's view shows it
            break;
        case 2:
            if (const auto v = view->viewOf(kUsbSerial))
                app::raise_event(view->liveViewSelected, v.get());
            app::raise_event(view->zoomInRequested, view.get());
            app::raise_event(view->rotateRightRequested, view.get());
            break;
        case 3:
            model->close_device_by_info(camera_info(kOddSerial), true, true);
            break;
        case 4:
            view->minimized = true;
            if (app::Histogram* histogram = model->histogram_of(camera_info(kGigeSerial)))
                histogram->grayChannel();
            break;
        case 5:
            view->minimized = false;
            app::raise_event(view->zoomFit, view.get());
            break;
        case 6:
            if (const auto v = view->viewOf(kGigeSerial))
                app::raise_event(view->liveViewSelected, v.get());
            app::raise_event(view->flipHorizontalRequested, view.get());
            break;
        default:
            // The selected camera closes and comes back.
            app::raise_event(view->closeDeviceRequested, view.get());
            after(40);
            openAndShow(kGigeName);
            break;
        }
        tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }

    app::raise_event(view->closing, view.get()); // every camera closes, then the plug-ins shut down
    EXPECT_TRUE(model->devices().empty());
    EXPECT_TRUE(view->views.empty());
    EXPECT_TRUE(app::Plugin::plugin_list.empty());
    EXPECT_GT(busy->ran.load(), 0);
}
