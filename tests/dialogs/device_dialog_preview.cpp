// Shows the device selection dialog over the simulated cameras in the
// program's dark theme, for a look at it (for example with the screenshot
// tool). Arguments: the serial number of a camera to select, "--browse" for
// the dialog without OK, "--incompatible SERIAL" to give a USB camera an
// incompatible driver first, "--grab FILE" to save the whole right-hand column
// (also what lies beyond its scroll range) as a PNG instead of running.
#include "app/AppFolders.h"
#include "application/qt_context.h"
#include "device/Grabber.h"
#include "device/VsxError.h"
#include "dialogs/DeviceSelectionDlg.h"

#include <QApplication>
#include <QScrollArea>
#include <QTreeWidget>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vsxcore.h>
#include <vsxsim.h>

int main(int argc, char** argv)
{
    setenv("VSXSIM_DETERMINISTIC", "1", 0);
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const std::filesystem::path exeDir = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    app::set_application_folders((exeDir / "data").wstring(), exeDir.wstring());
    application::qt_context context;
    context.loadStyleSheet();

    vsx::Error::setLibraryDefaultThrow(true);
    const vsx_init_config config{2, 0, 1, nullptr};
    if (!vsx_init_library(&config)) {
        std::fprintf(stderr, "The camera library did not start.\n");
        return 1;
    }
    bool browse = false;
    QString select;
    QString grab;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument == "--browse")
            browse = true;
        else if (argument == "--grab" && i + 1 < argc)
            grab = QString::fromLocal8Bit(argv[++i]);
        else if (argument == "--incompatible" && i + 1 < argc)
            vsxsim_set_driver_status(argv[++i], "IncompatibleDriver");
        else
            select = argument;
    }
    vsxsim_flush(5000);

    int code = 0;
    try {
        auto grabber = std::make_unique<vsx::Grabber>();
        DeviceSelectionDlg dialog(nullptr, browse ? nullptr : grabber.get(), {});
        QTreeWidget* tree = dialog.tree();
        for (int top = 0; top < tree->topLevelItemCount(); ++top)
            for (int child = 0; child < tree->topLevelItem(top)->childCount(); ++child)
                if (tree->topLevelItem(top)->child(child)->text(1) == select)
                    tree->setCurrentItem(tree->topLevelItem(top)->child(child));
        if (grab.isEmpty()) {
            code = dialog.exec();
        } else {
            dialog.show();
            QApplication::processEvents();
            QWidget* column = dialog.scrollArea()->widget();
            column->resize(column->width(), column->sizeHint().height());
            code = column->grab().save(grab) ? 0 : 3;
        }
        if (dialog.failed())
            std::fprintf(stderr, "Error: %s\n", dialog.errorText().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Error: %s\n", e.what());
        code = 2;
    }
    vsxsim_shutdown();
    return code;
}
