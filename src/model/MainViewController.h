#pragma once

#include "app/TimeoutController.h"
#include "kyrgx/Vec2.h"

#include <memory>

namespace app {
class IMainView;
class MainModel;
} // namespace app

// The presenter of the application: wires the main window and the model. Its
// timer entries run from the main window's tick.
class MainViewController : public app::TimeoutController {
public:
    MainViewController(std::shared_ptr<app::IMainView> view, std::shared_ptr<app::MainModel> model);
    ~MainViewController();
    MainViewController(const MainViewController&) = delete;
    MainViewController& operator=(const MainViewController&) = delete;

    // The main view's first load: the cameras of the last run are reopened
    // ("configuration.json"). Later loads do nothing.
    void on_loaded();
    // The close sequence, run when the main window closes: the window
    // settings, then "configuration.json", then every camera is saved and
    // closed.
    void on_close();
    // The GUI tick: the model's (colour picks, lost and stalled cameras), then
    // this controller's timeout entries, then every plug-in's.
    void on_tick();
    // Writes "window_settings.json" from the current language and the last
    // position and size the window reported. Never throws.
    void save_window_settings();

    std::shared_ptr<app::MainModel> model() const { return model_; }
    std::shared_ptr<app::IMainView> view() const { return view_; }

private:
    void connect_view_events();

    std::shared_ptr<app::IMainView> view_;
    std::shared_ptr<app::MainModel> model_;
    kyrgx::Vec2<int> windowPosition_;
    kyrgx::Vec2<int> windowSize_;
    bool loaded_ = false;
};
