// Shows a property grid with a row of each kind in an accordion, in the
// program's dark theme, for a look at it (for example with the screenshot
// tool). "--grab FILE" saves the window as a PNG instead of running.
#include "app/AppFolders.h"
#include "app/Localization.h"
#include "application/qt_context.h"
#include "views/grid/ExposureParameter.h"
#include "views/grid/FloatParameter.h"
#include "views/grid/IntParameter.h"
#include "views/grid/PropertyGrid.h"
#include "views/grid/QtAccordion.h"
#include "views/grid/QtAccordionPage.h"
#include "views/grid/StringParameter.h"

#include <QApplication>
#include <QVBoxLayout>
#include <climits>
#include <clocale>
#include <filesystem>

using namespace app::QtView;

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const std::filesystem::path exeDir = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    app::set_application_folders((exeDir / "data").wstring(), exeDir.wstring());
    application::qt_context context;
    context.loadStyleSheet();
    Localization::loadLanguage(L"en-US");

    QString grab;
    for (int i = 1; i + 1 < argc; ++i)
        if (QString(argv[i]) == "--grab")
            grab = QString::fromLocal8Bit(argv[i + 1]);

    QWidget window;
    window.setWindowTitle("Property grid");
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* accordion = new QtAccordion(&window);
    layout->addWidget(accordion);

    QtAccordionPage* camera = accordion->addPage(L"Camera");
    auto* grid = new PropertyGrid(nullptr);
    camera->contentLayout()->addWidget(grid);
    grid->addExposure(L"Exposure time", 0.0001, 4, 0.004f, 0.0001, false, false);
    grid->addFloat(L"Gain", 0, 48, 12.5, 0.1, {}, 1, false, false).second->setUnit(L"dB");
    grid->addFloat(L"Gamma", 0.1, 4, 1);
    grid->addInt(L"Offset X", 0, 4096, 128, 16, {}, 0, false, false);
    grid->addInt(L"Timestamp", LLONG_MIN, LLONG_MAX, 9007199254740993LL, 1, {}, 3, false, true);
    grid->addInt(L"Register", 0, 0xFFFF, 0xBEEF, 1, {}, 4, false, false);
    grid->addInt(L"Current IP address", 0, 0xFFFFFFFFLL, 0xC0A80164LL, 1, {}, 5, false, true);
    grid->addInt(L"MAC address", 0, 0xFFFFFFFFFFFFLL, 0x00163EA1B2C3LL, 1, {}, 6, false, true);
    grid->addBool(L"Reverse X", true);
    grid->addBool(L"Auto exposure (locked)", false, true, false);
    grid->addList(L"Pixel format", {L"Mono8", L"Mono16", L"BayerRG8", L"RGB8"}, L"BayerRG8");
    grid->addList(L"Device scan type", {L"Areascan"}, L"Areascan", false, true);
    grid->addFloat(L"Black level (locked)", 0, 100, 4, 1, {}, 1, true, false);
    grid->addString(L"Device user ID", L"Line camera 2");
    grid->addFilename(L"Image folder", L"/home/user/Pictures/Quorel");
    grid->addPush(L"Trigger software");
    grid->addInfo(L"A label long enough to wrap onto a second line", L"Read-only information text");
    // The page takes the size its widgets have, so they get theirs first.
    grid->adjustSize();
    camera->updateSizeHint();

    QtAccordionPage* presets = accordion->addPage(L"Presets");
    auto* presetGrid = new PropertyGrid(nullptr);
    presets->contentLayout()->addWidget(presetGrid);
    presetGrid->addDynList(L"Presets", {L"Daylight", L"Fluorescent", L"Microscope 40x"}, L"Fluorescent");
    presetGrid->setMinimumHeight(220);
    presetGrid->adjustSize();
    presets->updateSizeHint();
    accordion->addPage(L"Trigger");

    window.resize(560, 1120);
    window.show();
    QApplication::processEvents();
    camera->setExpanded(true);
    presets->setExpanded(true);
    QApplication::processEvents();
    if (!grab.isEmpty())
        return window.grab().save(grab) ? 0 : 3;
    return QApplication::exec();
}
