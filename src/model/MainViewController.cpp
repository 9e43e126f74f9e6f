// Construction, the tick, the status bar, the close sequence and destruction.

#include "model/MainViewController.h"

#include "app/Clock.h"
#include "app/Localization.h"
#include "app/ProductInfo.h"
#include "app/Utf8.h"
#include "device/VideoDeviceController.h"
#include "device/VsxError.h"
#include "model/DeviceInstance.h"
#include "model/MainModel.h"
#include "model/PluginContext.h"
#include "model/PluginHost.h"
#include "model/RoiFormat.h"
#include "model/WindowSettings.h"
#include "views/IMainView.h"
#include "views/IPropertyTreeView.h"
#include "views/StatusBarInfo.h"
#include "views/liveview/LiveViewController.h"

#include <QCoreApplication>
#include <chrono>
#include <spdlog/spdlog.h>
#include <thread>
#include <vsxcore.h>

kyrgx::Vec2<int> MainViewController::pickedPoint{0, 0};
kyrgx::Color MainViewController::pickedColor{0, 0, 0, 0};

MainViewController::MainViewController(std::shared_ptr<app::IMainView> view,
                                       std::shared_ptr<app::MainModel> model,
                                       app::ControllerServices services)
    : view_(std::move(view)), model_(std::move(model)), services_(std::move(services))
{
    statusParameters_.addString(L"Zoom", L"");
    statusParameters_.addString(L"Angle", L"");
    roiFormat_ = std::make_shared<app::RoiFormat>(
        view_, model_, [this](kyrgx::Vec2<float> p) { return roi_view_to_image(p); },
        [this](kyrgx::Vec2<float> p) { return roi_image_to_view(p); });
    roiFormat_->selectionEnded = [this] { build_roi_button(); };

    // From here on every failing call of the camera library under the default
    // record throws; then the library is initialised (its result is not used:
    // calls that follow report a failure themselves).
    vsx::Error::setLibraryDefaultThrow(true);
    const vsx_init_config config{2, 0, 1, nullptr};
    vsx_init_library(&config);

    app::Plugin::install_plugin_context(std::make_unique<app::Plugin::PluginContext>(this));
    create_plugins(services_);

    view_->setTitle(app::utf8_to_wide(app::get_short_title()));
    const app::WindowSettings settings = app::load_window_settings();
    windowPosition_ = settings.topLeft;
    windowSize_ = settings.bottomRight - settings.topLeft;
    view_->setGeometry(windowPosition_, windowSize_);

    connect_view_events();
    connect_model_events();
    connect_capture_events();
    addTimeout(
        [this] {
            update_device_info();
            return true;
        },
        1000, -1);
    view_->loaded.push_back(gui([this](app::IViewBase*) { on_loaded(); }));
    build_device_tab();
}

MainViewController::~MainViewController()
{
    // A frame reaction still running is waited for; later ones, and every
    // reaction of the window, the model and the live views, do nothing.
    std::unique_lock lock(lifetime_->mutex);
    lifetime_->alive.store(false);
}

void MainViewController::create_plugins(const app::ControllerServices& services)
{
    // Each plug-in is registered right after it is made; they initialise (and
    // add their buttons) only once all of them exist.
    for (const app::PluginFactory& make : services.plugins) {
        if (!make)
            continue;
        std::shared_ptr<app::Plugin::PluginBase> plugin = make(app::Plugin::g_pluginContext);
        if (plugin)
            app::Plugin::register_plugin(std::move(plugin));
    }
    app::Plugin::plugins_initialize();
}

std::shared_ptr<app::VideoDeviceController> MainViewController::selected_camera() const
{
    if (!model_->has_selected_device())
        return nullptr;
    try {
        return model_->current_controller();
    } catch (const std::exception&) {
        return nullptr; // closed meanwhile
    }
}

void MainViewController::on_loaded()
{
    if (loaded_)
        return;
    loaded_ = true;
    model_->load_application_settings(); // never throws
    if (model_->open_device_infos().empty())
        open_device_dialog();
}

void MainViewController::on_tick()
{
    model_->tick(); // never throws
    if (const auto camera = selected_camera()) {
        const auto instance = model_->find_device(camera->deviceInfo());
        const int64_t now = app::steady_ms();
        if (instance && instance->sequence.isRunning() && now - lastSequenceTimerRefresh_ > 1000) {
            lastSequenceTimerRefresh_ = now;
            update_sequence_timer_view();
        }
        if (propertyViewController_)
            propertyViewController_->processTimeouts();
    }
    // The LUT and device-events controllers' posted camera notifications.
    for (const auto& panel : {lutViewController_, deviceEventsViewController_}) {
        if (panel)
            panel->processTimeouts();
    }
    // Work posted from frame, notification and plug-in code may change what
    // the live views draw (a created object selected, a camera's message):
    // they paint in this tick.
    size_t posted = processTimeouts();
    try {
        posted += app::Plugin::plugins_process_timeouts();
    } catch (const std::exception& e) {
        spdlog::error("MainViewController::on_tick() failed: {}", e.what());
    }
    if (posted > 0)
        view_->requestLiveViewPaint(app::PAINT_CONTENT);
}

void MainViewController::update_device_info()
{
    app::StatusBarInfo info;
    info.red = info.green = info.blue = 255;
    helper::ParameterContainer parameters;
    const auto camera = selected_camera();
    if (camera && !camera->isDeviceLost()) {
        try {
            const vsx::DeviceInfo device = camera->deviceInfo();
            info.firstText = app::utf8_to_wide(device.modelName() + " " + device.serial());
            info.pickedPoint = pickedPoint;
            info.red = pickedColor.r;
            info.green = pickedColor.g;
            info.blue = pickedColor.b;
            info.measuredFramerate = camera->measuredFramerate();
            if (camera->hasPixelformats())
                info.secondText = app::utf8_to_wide(camera->videoformat().text);
            if (camera->hasFramerate())
                info.framerate = static_cast<float>(camera->framerate());
            // Whichever view changed last, or whichever camera was lost: the
            // selected camera's own view.
            const app::ViewTransform transform = camera->viewTransform;
            statusParameters_.setString(L"Zoom", zoom_text(transform.zoom));
            statusParameters_.setString(L"Angle", angle_text(transform.rotation));
            parameters = statusParameters_;
        } catch (const std::exception& e) {
            spdlog::warn("Error in :.updateDevcieInfo(): {}", e.what());
        }
    }
    view_->updateStatusBar(info);
    view_->showStatusParameters(parameters);
}

void MainViewController::on_close()
{
    closing_ = true; // what fails from now on is logged, never shown in a box
    loaded_ = true;  // a first load still to come opens nothing
    save_window_settings();
    if (propertyTreeView_) {
        const std::shared_ptr<app::IPropertyTreeView> dock = propertyTreeView_;
        dock->closeView();
    }

    // The cameras close from a timer entry while the window keeps processing
    // events. The loop runs the entries itself: the window's tick may be held
    // by a box open in it. The entry ends the loop however closing went.
    auto done = std::make_shared<bool>(false);
    addTimeout(
        [this, done] {
            try {
                model_->close_all_devices();
            } catch (const std::exception& e) {
                spdlog::error("MainViewController::on_close() failed: {}", e.what());
            }
            *done = true;
            return false;
        },
        48, -1);
    while (!*done) {
        QCoreApplication::processEvents();
        processTimeouts();
        if (!*done)
            std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
}

void MainViewController::save_window_settings()
{
    try {
        app::write_window_settings(Localization::getLanguage(), windowPosition_, windowSize_);
    } catch (const std::exception& e) {
        spdlog::error("Failed to save file. what(): {}", e.what());
    }
}
