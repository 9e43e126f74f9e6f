// The application context's whole run, in this process: Qt application, style
// sheet, window settings, translation, model, window, controller, event loop
// and the restart after a language change.

#include "FakeDesktopServices.h"
#include "app/AppFolders.h"
#include "app/Localization.h"
#include "app/Utf8.h"
#include "app/context/qt_context.h"
#include "device/VideoDeviceController.h"
#include "model/WindowSettings.h"
#include "views/QtMainView.h"

#include <QApplication>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

namespace fs = std::filesystem;

namespace {

std::function<void()> g_whenQtStarts;

// Runs for every QApplication the context creates.
void when_qt_starts()
{
    if (g_whenQtStarts)
        g_whenQtStarts();
}

app::QtMainView* main_window()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* view = dynamic_cast<app::QtMainView*>(widget))
            return view;
    return nullptr;
}

}  // namespace

TEST(ContextRun, LanguageChangeRestartsInTheChosenLanguage)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const fs::path data = app::path_from_wide(app::get_application_directory()) / "data";
    app::set_application_folders(app::path_to_wide(data), L"");
    fs::remove(app::path_from_wide(app::window_settings_path()));
    app::write_window_settings(L"en-US", {100, 120}, {800, 500});

    QRect geometry;
    QString title;
    bool styled = false;
    g_whenQtStarts = [&] {
        QTimer::singleShot(0, [&] {
            app::QtMainView* view = main_window();
            ASSERT_NE(view, nullptr);
            geometry = view->geometry();
            title = view->windowTitle();
            styled = qApp->styleSheet().contains("#2d2d30");
            view->selectLanguage(L"Japanese");
        });
    };
    qAddPreRoutine(when_qt_starts);

    auto desktop = std::make_shared<quorel::test::FakeDesktopServices>();
    auto context = std::make_shared<application::qt_context>();
    context->setDesktopServices(desktop);
    context->setTitle("Quorel 4.0.0.180");
    char a0[] = "quorel", a1[] = "--camera=usb-color", a2[] = "more";
    char* argv[] = {a0, a1, a2, nullptr};
    context->run(3, argv);
    g_whenQtStarts = nullptr;

    EXPECT_EQ(geometry, QRect(100, 120, 800, 500));
    EXPECT_EQ(title, "Quorel 4.0");
    EXPECT_TRUE(styled);
    ASSERT_EQ(desktop->started.size(), 1u);
    EXPECT_EQ(desktop->started[0].second, QStringList{"--camera=usb-color"});
    EXPECT_EQ(Localization::getLanguage(), L"ja-JP");
    EXPECT_EQ(app::load_window_settings().language, L"ja-JP");
    EXPECT_EQ(context->mainView(), nullptr);  // the window went with the Qt application
    context->deleteController();
}

// The running program's camera controllers build the simple panel's feature list.
TEST(ContextRun, CameraControllersBuildTheFeatureItemList)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const fs::path data = app::path_from_wide(app::get_application_directory()) / "data";
    app::set_application_folders(app::path_to_wide(data), L"");
    app::write_window_settings(L"en-US", {100, 120}, {800, 500});

    size_t items = 0;
    bool scheduled = false; // the start routine may be registered more than once
    g_whenQtStarts = [&] {
        if (std::exchange(scheduled, true))
            return;
        QTimer::singleShot(0, [&] {
            auto controller = std::make_shared<app::VideoDeviceController>();
            if (controller->openDevice(L"QU3-C13B"))
                items = controller->getPropertyItems().size();
            controller->closeDevice();
            if (app::QtMainView* view = main_window())
                view->close();
        });
    };
    qAddPreRoutine(when_qt_starts);

    auto context = std::make_shared<application::qt_context>();
    context->setDesktopServices(std::make_shared<quorel::test::FakeDesktopServices>());
    char a0[] = "quorel";
    char* argv[] = {a0, nullptr};
    context->run(1, argv);
    g_whenQtStarts = nullptr;
    context->deleteController();
    EXPECT_GT(items, 0u);
}
