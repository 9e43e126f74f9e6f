// The model under load (fast clock): cameras stream on their frame threads,
// whose subscribers and plug-in hooks read the model and post work to the GUI
// side, while the GUI thread opens, switches, selects, picks and closes
// cameras and runs the ticks. Meant for ThreadSanitizer (./test.sh --tsan).

#include "ModelCameras.h"
#include "app/Localization.h"
#include "model/Histogram.h"
#include "model/MainViewController.h"
#include "model/PluginContext.h"
#include "model/PluginHost.h"
#include "support/FakeMainView.h"

#include <atomic>
#include <chrono>
#include <thread>

using namespace quorel::test;
namespace Plugin = app::Plugin;

namespace {

// Does on every frame what the plug-ins do: asks the context about the
// camera and posts work for the GUI tick.
class BusyPlugin : public Plugin::PluginBase {
public:
    using PluginBase::PluginBase;
    void initialize() override {}
    void shutdown() override {}
    void onFrame(const vsx::DeviceInfo& device, const kyr_kelvane::image_descriptor&) override
    {
        if (app::Histogram* histogram = context->histogramForDevice(device))
            histogram->takeRequest();
        context->currentInstance();
        addOnce([this] { ++ran; });
        ++frames;
    }

    std::atomic<int> frames{0};
    std::atomic<int> ran{0};
};

} // namespace

TEST(ModelThreads, CamerasStreamWhileTheGuiThreadChangesThem)
{
    init_model_cameras("fast");
    std::filesystem::remove_all(settings_folder());
    const auto data = app::path_from_wide(app::get_application_directory()) / "data";
    app::set_application_folders(app::path_to_wide(data), L"");
    Localization::loadLanguage(L"en-US");
    auto model = std::make_shared<app::MainModel>();
    auto view = std::make_shared<FakeMainView>();
    auto controller = std::make_unique<MainViewController>(view, model);
    Plugin::PluginContext context(controller.get());
    auto plugin = std::make_shared<BusyPlugin>(&context);
    Plugin::register_plugin(plugin);
    Plugin::plugins_initialize();

    // What the main controller does with every frame on the frame thread.
    std::atomic<int> frames{0};
    std::atomic<int> posted{0};
    app::TimeoutController gui;
    model->frame_received.push_back(
        [&](app::IViewBase*, app::VideoDeviceController* camera, kyr_kelvane::image_descriptor frame) {
            ++frames;
            const vsx::DeviceInfo device = camera->deviceInfo();
            model->device_count();
            if (app::Histogram* histogram = model->histogram_of(device))
                if (histogram->updateDue())
                    histogram->update(frame);
            Plugin::plugins_new_frame(device, frame);
            gui.addOnce([&] { ++posted; });
        });

    auto open_and_start = [&](const char* name) {
        ASSERT_TRUE(model->open_device_by_name(app::utf8_to_wide(name), true)) << name;
        model->start();
    };
    open_and_start(kUsbName);
    open_and_start(kGigeName);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    for (int i = 0; i < 36 || frames < 200; ++i) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << frames.load() << " frames";
        switch (i % 6) {
        case 0:
            open_and_start(kAnalogName);
            break;
        case 1:
            ASSERT_TRUE(model->switch_device(app::utf8_to_wide(kOddName)));
            model->start();
            break;
        case 2:
            model->select_device(camera_info(kUsbSerial));
            model->pick_color(camera_info(kUsbSerial), {4.0f, 4.0f});
            break;
        case 3:
            model->close_device_by_info(camera_info(kOddSerial), true, true);
            break;
        case 4:
            if (app::Histogram* histogram = model->histogram_of(camera_info(kGigeSerial)))
                histogram->grayChannel();
            model->set_live_view_order(model->open_device_infos());
            break;
        default:
            model->select_device(camera_info(kGigeSerial));
            break;
        }
        app::raise_event(view->tick, view.get()); // the model's tick, then the plug-ins'
        gui.processTimeouts();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }

    app::raise_event(view->closing, view.get()); // closes every camera, then shuts the plug-ins down
    gui.processTimeouts();
    EXPECT_TRUE(model->devices().empty());
    EXPECT_TRUE(Plugin::plugin_list.empty());
    EXPECT_GT(posted.load(), 0);
    EXPECT_GT(plugin->frames.load(), 0);
    EXPECT_GT(plugin->ran.load(), 0);

    controller.reset();
    model.reset();
}
