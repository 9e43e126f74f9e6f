// A look at the device-properties dock as the property panel fills it for a
// simulated camera, in the main window and the dark theme. The window's tick
// drives the panel as the main controller does; the dock's Update and Reset
// buttons work. For screenshots:
//   ../shared/tools/screenshot.sh out.png 5 build/bin/quorel_property_panel_preview
//       [serial] [--page <title>] [--auto] [--hover <row label>] [--language <code>]
// --page opens that page; --auto lets the camera switch its automatic
// exposure on after a second (the exposure row then locks); --hover shows the
// description of that row as when the pointer rests on it.

#include "app/Localization.h"
#include "app/Utf8.h"
#include "device/DeviceEnum.h"
#include "device/Grabber.h"
#include "device/VideoDeviceController.h"
#include "panels/PropertyItemBuilder.h"
#include "panels/PropertyViewController.h"
#include "support/PreviewApplication.h"
#include "views/QtMainView.h"
#include "views/docks/QtPropertyView.h"
#include "views/grid/PropertyGridLabelBase.h"
#include "views/grid/QtAccordion.h"
#include "views/grid/QtAccordionPage.h"
#include "views/grid/QtCategoryButton.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <spdlog/spdlog.h>
#include <string>
#include <vsxcore.h>
#include <vsxsim.h>

namespace {

struct Options {
    std::string serial = "41000001";
    std::wstring page;
    bool automatic = false;
    QString hover;
    std::wstring language = L"en-US";
};

Options parse(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--page" && i + 1 < argc)
            options.page = app::utf8_to_wide(argv[++i]);
        else if (arg == "--language" && i + 1 < argc)
            options.language = app::utf8_to_wide(argv[++i]);
        else if (arg == "--auto")
            options.automatic = true;
        else if (arg == "--hover" && i + 1 < argc)
            options.hover = QString::fromUtf8(argv[++i]);
        else
            options.serial = arg;
    }
    return options;
}

// The pointer enters the first row label of that text.
void hover(QWidget* dock, const QString& text)
{
    for (QLabel* label : dock->findChildren<QLabel*>()) {
        if (dynamic_cast<app::QtView::PropertyGridLabelBase*>(label) && label->text() == text) {
            QEvent enter(QEvent::Enter);
            QCoreApplication::sendEvent(label, &enter);
            return;
        }
    }
}

void openPage(app::QtView::QtPropertyView* dock, const std::wstring& title)
{
    if (!dock)
        return;
    for (app::QtView::QtAccordionPage* page : dock->accordion()->pages())
        if (page->title() == title)
            page->headerButton()->click();
}

} // namespace

int main(int argc, char** argv)
{
    setenv("VSXSIM_DETERMINISTIC", "1", 0);
    const Options options = parse(argc, argv);
    quorel::test::prepare_preview_platform();
    QApplication application(argc, argv);
    quorel::test::set_up_preview_application();
    Localization::loadLanguage(options.language);

    vsx::Error::setLibraryDefaultThrow(true);
    const vsx_init_config config{2, 0, 1, nullptr};
    if (!vsx_init_library(&config))
        return 1;
    app::VideoDeviceController::setPropertyItemsBuilder(VSXUtil::init_properties);
    auto camera = std::make_shared<app::VideoDeviceController>();
    if (!camera->openDevice(app::utf8_to_wide(options.serial))) {
        bool found = false;
        for (const vsx::DeviceInfo& info : vsx::DeviceEnum::enumDevices()) {
            if (info.serial() == options.serial) {
                auto grabber = std::make_shared<vsx::Grabber>();
                grabber->deviceOpen(info);
                camera->openGrabber(grabber);
                found = true;
            }
        }
        if (!found) {
            spdlog::error("No simulated camera {}", options.serial);
            return 2;
        }
    }

    app::QtMainView window(40, 40, 1280, 860);
    window.setTitle(L"Quorel 4.0");
    window.show();

    // What the main controller does when the user opens the dock.
    const std::shared_ptr<app::IPropertyView> dock = window.devicePropertiesView();
    auto panel = std::make_shared<app::PropertyViewController>(dock.get());
    panel->setDevice(camera.get());
    // The user opens another page by its header once its rows are there.
    if (!options.page.empty())
        QTimer::singleShot(
            800, [&] { openPage(dynamic_cast<app::QtView::QtPropertyView*>(dock.get()), options.page); });
    window.tick.push_back([&](app::IViewBase*) {
        if (panel)
            panel->processTimeouts();
    });
    window.updateDeviceRequested.push_back([&](app::IViewBase*) {
        if (panel)
            panel->refreshAll();
    });
    window.resetDeviceRequested.push_back([&](app::IViewBase*) {
        if (!panel || !camera->isDeviceOpen())
            return;
        camera->resetDevice();
        panel->refreshAll();
    });
    dock->closed.push_back([&](app::IViewBase*) {
        if (!panel)
            return;
        panel->close();
        panel.reset();
    });

    if (options.automatic)
        QTimer::singleShot(
            1000, [&] { vsxsim_camera_write(options.serial.c_str(), "ExposureAuto", "Continuous"); });
    if (!options.hover.isEmpty()) {
        auto* widget = dynamic_cast<QWidget*>(dock.get());
        QTimer::singleShot(1500, [widget, text = options.hover] { hover(widget, text); });
    }

    const int code = QApplication::exec();
    if (panel)
        panel->close();
    panel.reset();
    camera->closeDevice();
    return code;
}
