// A look at the device-events dock driven by its controller and a simulated
// camera (a GigE camera whose "Overtemperature" event carries data of every
// kind): the events listed with their switches, and a few fired events logged
// from the camera's thread. Not a test; for screenshots:
//   ../shared/tools/screenshot.sh out.png 5 build/bin/quorel_device_events_preview

#include "PanelControllers.h"
#include "app/Localization.h"
#include "panels/DeviceEventsViewController.h"
#include "support/PreviewApplication.h"
#include "views/QtMainView.h"
#include "views/docks/IDeviceEventView.h"
#include "views/docks/QtDeviceEventView.h"

#include <QApplication>
#include <QListWidget>
#include <QTimer>

int main(int argc, char** argv)
{
    quorel::test::prepare_preview_platform();
    QApplication application(argc, argv);
    quorel::test::set_up_preview_application();
    Localization::loadLanguage(L"en-US");

    vsx::Error::setLibraryDefaultThrow(true);
    const vsx_init_config config{2, 0, 1, nullptr};
    if (!vsx_init_library(&config) || !vsxsim_configure(quorel::test::kPanelControllerCameras))
        return 1;
    auto model = std::make_shared<app::MainModel>();
    if (!model->open_device_by_name(app::utf8_to_wide(quorel::test::kHotName), true))
        return 1;

    app::QtMainView window(40, 40, 1280, 860);
    window.setTitle(L"Quorel 4.0");
    window.show();
    const std::shared_ptr<app::IDeviceEventView> view = window.deviceEventView();
    auto controller = app::device_events_view_controller_factory()(*view, *model);

    // The user ticks two events and picks one in the dock's list; the camera fires them.
    auto* dock = dynamic_cast<app::QtView::QtDeviceEventView*>(view.get());
    if (!dock)
        return 1;
    for (const char* name : {"FrameTriggerMissed", "Overtemperature"})
        for (QListWidgetItem* item : dock->eventList()->findItems(name, Qt::MatchExactly))
            item->setCheckState(Qt::Checked);
    dock->eventList()->setCurrentRow(3);
    const char* serial = quorel::test::kHotSerial;
    for (int i = 0; i < 3; ++i)
        vsxsim_fire_event(serial, "FrameTriggerMissed");
    vsxsim_camera_write(serial, "EventOvertemperatureActive", "true");
    vsxsim_camera_write(serial, "EventOvertemperatureLevel", "Critical");
    vsxsim_camera_write(serial, "EventOvertemperatureCelsius", "85.5");
    vsxsim_camera_write(serial, "EventOvertemperatureZone", "sensor");
    vsxsim_fire_event(serial, "Overtemperature");

    // The main controller's tick.
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { controller->processTimeouts(); });
    tick.start(16);
    const int code = QApplication::exec();
    controller.reset();
    model.reset();
    return code;
}
