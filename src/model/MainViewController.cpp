#include "model/MainViewController.h"

#include "app/Localization.h"
#include "app/ProductInfo.h"
#include "app/Utf8.h"
#include "device/VsxError.h"
#include "model/MainModel.h"
#include "model/PluginHost.h"
#include "model/WindowSettings.h"
#include "views/IMainView.h"

#include <spdlog/spdlog.h>
#include <vsxcore.h>

MainViewController::MainViewController(std::shared_ptr<app::IMainView> view,
                                       std::shared_ptr<app::MainModel> model)
    : view_(std::move(view)), model_(std::move(model))
{
    // From here on every failing call of the camera library under the default
    // record throws; then the library is initialised (its result is not used:
    // calls that follow report a failure themselves).
    vsx::Error::setLibraryDefaultThrow(true);
    const vsx_init_config config{2, 0, 1, nullptr};
    vsx_init_library(&config);

    view_->setTitle(app::utf8_to_wide(app::get_short_title()));

    const app::WindowSettings settings = app::load_window_settings();
    windowPosition_ = settings.topLeft;
    windowSize_ = settings.bottomRight - settings.topLeft;
    view_->setGeometry(windowPosition_, windowSize_);

    connect_view_events();
}

MainViewController::~MainViewController() = default;

void MainViewController::connect_view_events()
{
    view_->closing.push_back([this](app::IViewBase*) {
        on_close();
        try {
            app::Plugin::plugins_shutdown();
        } catch (const std::exception& e) {
            spdlog::error("MainViewController::plugins_shutdown() failed: {}", e.what());
        }
    });
    view_->loaded.push_back([this](app::IViewBase*) { on_loaded(); });
    view_->resized.push_back([this](app::IViewBase*, kyrgx::Vec2<int> size) { windowSize_ = size; });
    view_->moved.push_back(
        [this](app::IViewBase*, kyrgx::Vec2<int> position) { windowPosition_ = position; });
    view_->tick.push_back([this](app::IViewBase*) { on_tick(); });
    view_->languageSelected.push_back([](app::IViewBase*, std::wstring code) {
        try {
            Localization::loadLanguage(code);
        } catch (const std::exception& e) {
            spdlog::error("MainViewController::languageSelected() failed: {}", e.what());
        }
    });
}

void MainViewController::on_loaded()
{
    if (loaded_)
        return;
    loaded_ = true;
    model_->load_application_settings(); // never throws
}

void MainViewController::on_close()
{
    save_window_settings();
    try {
        model_->close_all_devices();
    } catch (const std::exception& e) {
        spdlog::error("MainViewController::on_close() failed: {}", e.what());
    }
}

void MainViewController::on_tick()
{
    model_->tick(); // never throws
    processTimeouts();
    try {
        app::Plugin::plugins_process_timeouts();
    } catch (const std::exception& e) {
        spdlog::error("MainViewController::on_tick() failed: {}", e.what());
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
