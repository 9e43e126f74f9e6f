// Shows the property tree dock for a simulated camera in the program's dark
// theme, docked in a main window, so that it can be looked at (screenshots).
// Usage: quorel_property_tree_preview [serial [level [filter]]]
// (default: the GigE colour camera at Expert, no filter)

#include "device/DeviceEnum.h"
#include "device/Grabber.h"
#include "dialogs/GenICamPropertyDialog.h"
#include "dialogs/MyTreeView.h"
#include "dialogs/PropertyTreeModel.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <clocale>
#include <cstdlib>
#include <vsxcore.h>

int main(int argc, char** argv)
{
    setenv("VSXSIM_DETERMINISTIC", "1", 0);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QString dataDir = QCoreApplication::applicationDirPath() + "/data";
    QFile sheet(dataDir + "/dark-theme.txt");
    if (sheet.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(sheet.readAll()).replace("_DATA_PATH_", dataDir));

    vsx::Error::setLibraryDefaultThrow(true);
    const vsx_init_config config{2, 0, 1, nullptr};
    if (!vsx_init_library(&config))
        return 1;
    const std::string serial = argc > 1 ? argv[1] : "52000003";
    std::shared_ptr<vsx::Grabber> grabber;
    for (const vsx::DeviceInfo& info : vsx::DeviceEnum::enumDevices()) {
        if (info.serial() == serial) {
            grabber = std::make_shared<vsx::Grabber>();
            grabber->deviceOpen(info);
        }
    }
    if (!grabber)
        return 2;

    QMainWindow window;
    window.setObjectName("mainWindow");
    auto* central = new QLabel("live view");
    central->setAlignment(Qt::AlignCenter);
    window.setCentralWidget(central);
    auto dock = vsx::ui_util::make_property_tree_dock(grabber);
    window.addDockWidget(Qt::LeftDockWidgetArea, dock.get());
    if (argc > 2)
        dock->levelBox->setCurrentIndex(std::atoi(argv[2]));
    if (argc > 3)
        dock->filterEdit->setText(QString::fromLocal8Bit(argv[3]));
    window.resize(1400, 960);
    window.resizeDocks({dock.get()}, {520}, Qt::Horizontal);
    window.show();
    // The information box describes a feature, as after a click.
    const auto* model = dock->model;
    for (int row = 0; row < model->rowCount(model->index(0, 0)); ++row) {
        const QModelIndex category = dock->proxy.mapFromSource(model->index(row, 0, model->index(0, 0)));
        if (category.data().toString() == "Analog Control") {
            dock->on_clicked(dock->proxy.index(0, 0, category));
            break;
        }
    }
    return app.exec();
}
