// Shows the main window's chrome in the program's dark theme, for a look at it
// with the screenshot tool:
//   ../shared/tools/screenshot.sh out.png 3 build/bin/quorel_window_preview [OPTIONS]
// Options: "--tab N" shows ribbon tab N (0 Device, 1 Capture, 2 View);
// "--no-camera" disables the items a camera needs, as the program does while
// none is selected; "--menu language|zoom" opens that drop-down list;
// "--status" fills the status bar as a streaming camera does.
#include "app/AppFolders.h"
#include "app/Localization.h"
#include "app/ParameterContainer.h"
#include "application/qt_context.h"
#include "kyrgx/Resources.h"
#include "views/QtMainView.h"
#include "views/window/QTitleBar.h"
#include "views/window/QtMenuListButton.h"
#include "views/window/Ribbon.h"

#include <QApplication>
#include <QTimer>
#include <clocale>
#include <filesystem>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const std::filesystem::path exeDir = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    app::set_application_folders((exeDir / "data").wstring(), exeDir.wstring());
    kyrgx::set_resource_directory((exeDir / "data").wstring()); // the live-view panel's shaders
    application::qt_context context;
    context.loadStyleSheet();
    Localization::loadLanguage(L"en-US");

    int tab = 0;
    bool noCamera = false;
    bool status = false;
    QString menu;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == "--tab" && i + 1 < argc)
            tab = QString(argv[++i]).toInt();
        else if (arg == "--menu" && i + 1 < argc)
            menu = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--no-camera")
            noCamera = true;
        else if (arg == "--status")
            status = true;
    }

    app::QtMainView window(40, 40, 1100, 700);
    window.setTitle(L"Quorel 4.0");
    window.ribbon()->setCurrentIndex(tab);
    if (noCamera) {
        window.enableCaptureItems(false);
        window.enableViewItems(false);
        window.enableDeviceItems(false);
    }
    window.setFlipChecked(false, true);
    if (status) {
        app::StatusBarInfo info;
        info.firstText = L"QU3-C13B (41000001)";
        info.secondText = L"BayerRG8 (1280x960)";
        info.framerate = 30.0f;
        info.measuredFramerate = 29.97f;
        info.pickedPoint = {1024, 768};
        info.red = 212;
        info.green = 96;
        info.blue = 40;
        window.updateStatusBar(info);
        helper::ParameterContainer parameters;
        parameters.addString(L"Zoom", L"73%");
        window.showStatusParameters(parameters);
    }
    window.show();

    if (!menu.isEmpty()) {
        QTimer::singleShot(500, &window, [&window, menu] {
            for (auto* button : window.findChildren<app::QtMenuListButton*>())
                if (button->objectName().compare(menu, Qt::CaseInsensitive) == 0)
                    button->showMenu();
        });
    }
    return QApplication::exec();
}
