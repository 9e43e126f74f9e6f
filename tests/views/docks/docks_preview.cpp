// A look at the main window's docks and the video format dialog without a
// camera: the device properties filled as the property controller fills them,
// the device events with a few logged events, a settings dock made from a
// parameter container, and the video format dialog. The dock named by the
// argument is made last, so it is the raised tab. For screenshots:
//   ../shared/tools/screenshot.sh out.png 4 build/bin/quorel_docks_preview
//       [--properties | --events | --settings | --dialog]

#include "app/Localization.h"
#include "app/ParameterContainer.h"
#include "support/PreviewApplication.h"
#include "views/QtMainView.h"
#include "views/dialogs/IVideoformatFramerateDialog.h"
#include "views/docks/IDeviceEventView.h"
#include "views/docks/IPropertyView.h"

#include <QApplication>
#include <QTimer>

#include <fmt/format.h>
#include <string>
#include <thread>

namespace {

// What the property controller does with a camera's features.
void fillDeviceProperties(app::IPropertyView& view, std::vector<std::shared_ptr<app::IViewBase>>& rows)
{
    view.beginUpdate();
    view.clear();
    for (const wchar_t* page : {L"Exposure", L"Image", L"Format", L"Trigger"})
        view.addCategory(page);
    auto exposure = view.addExposureParameter(L"Exposure", L"Exposure", L"Exposure Time", 0.004, 0.0001, 4,
                                              0.0001, false, false);
    exposure->setUnit(L"sec");
    rows.push_back(exposure);
    rows.push_back(view.addSwitchParameter(L"Exposure", L"Exposure", L"Exposure Auto", false));
    auto gain = view.addAbsParameter(L"Exposure", L"Gain", L"Gain", 12.5, 0, 48, 0.1, {}, 1, false, false);
    gain->setUnit(L"dB");
    rows.push_back(gain);
    rows.push_back(view.addSwitchParameter(L"Exposure", L"Gain", L"Gain Auto", true, false, false));
    rows.push_back(view.addAbsParameter(L"Image", L"Color", L"Gamma", 1.0, 0.1, 4));
    rows.push_back(view.addRangeParameter(L"Image", L"Color", L"Saturation", 64, 0, 200));
    auto balance = view.addPushParameter(L"Image", L"White Balance", L"Balance White Auto");
    balance->setButtonText(L"Once");
    rows.push_back(balance);
    rows.push_back(view.addListParameter(L"Format", L"Format", L"Pixel Format",
                                         {L"Mono8", L"Mono16", L"BayerRG8", L"RGB8"}, L"BayerRG8"));
    rows.push_back(
        view.addRangeParameter(L"Format", L"ROI", L"Offset X", 128, 0, 4096, 16, {}, 0, false, false));
    rows.push_back(
        view.addRangeParameter(L"Format", L"ROI", L"Offset Y", 64, 0, 3000, 2, {}, 0, true, false));
    rows.push_back(view.addListParameter(L"Trigger", L"Trigger", L"Trigger Mode", {L"Off", L"On"}, L"Off"));
    rows.push_back(view.addListParameter(L"Trigger", L"Trigger", L"Trigger Source", {L"Line1", L"Software"},
                                         L"Line1", false, true));
    view.endUpdate();
    view.expandCategory(L"Exposure");
    view.setDescription("Exposure - Exposure Time",
                        "Exposure time of the sensor, in seconds. Longer times give brighter images but "
                        "lower the highest frame rate the camera can reach.");
}

void fillDeviceEvents(app::IDeviceEventView& view)
{
    view.setEvents({{"ExposureStart", {}, true},
                    {"ExposureEnd", {"EventExposureEndTimestamp"}, true},
                    {"FrameStart", {}, false},
                    {"FrameTransferSkipped", {}, false},
                    {"Line1RisingEdge", {}, false}});
    view.selectEvent("ExposureEnd");
    // Lines come from the camera's notification thread.
    std::thread([&view] {
        for (int i = 0; i < 12; ++i)
            view.appendLog(fmt::format("{:02}:{:02}:{:02}.{:03} ExposureEnd Timestamp={}", 10, 42, 7 + i / 4,
                                       (i * 250) % 1000,
                                       1700000000ull + static_cast<unsigned long long>(i) * 33333));
    }).join();
}

std::shared_ptr<helper::ParameterContainer> overlaySettings()
{
    auto settings = std::make_shared<helper::ParameterContainer>();
    settings->addBool(L"Enabled", true); // gets no row
    settings->addInt(L"Line width", 1, 16, 2);
    settings->addFloat(L"Opacity", 0, 1, 0.8);
    settings->addBool(L"Show labels", true);
    settings->addList(L"Position", {L"Top left", L"Top right", L"Bottom left", L"Bottom right"},
                      L"Top right");
    settings->addString(L"Caption", L"Sample 17");
    settings->addColor(L"Colour", 0xFFE0B030);
    return settings;
}

} // namespace

int main(int argc, char** argv)
{
    quorel::test::prepare_preview_platform();
    QApplication application(argc, argv);
    quorel::test::set_up_preview_application();
    Localization::loadLanguage(L"en-US");

    const std::string mode = argc > 1 ? argv[1] : "--properties";
    app::QtMainView window(40, 40, 1280, 860);
    window.setTitle(L"Quorel 4.0");
    window.show();

    std::vector<std::shared_ptr<app::IViewBase>> rows;
    const auto settings = overlaySettings();
    auto properties = [&] { fillDeviceProperties(*window.devicePropertiesView(), rows); };
    auto events = [&] { fillDeviceEvents(*window.deviceEventView()); };
    auto overlay = [&] {
        window.newPropertyView(L"Overlay Settings")->addParameters(L"Overlay", settings->parameters());
    };
    if (mode == "--events") {
        properties();
        overlay();
        events();
    } else if (mode == "--settings") {
        properties();
        events();
        overlay();
    } else {
        events();
        overlay();
        properties();
    }

    std::shared_ptr<app::IVideoformatFramerateDialog> dialog;
    if (mode == "--dialog") {
        dialog = window.openVideoFormatDialog();
        dialog->pixelformats = [] { return std::vector<std::string>{"Mono8", "Mono16", "BayerRG8", "RGB8"}; };
        dialog->resolutions = [](const std::string&) {
            return std::vector<kyrgx::Vec2<int>>{{2448, 2048}, {1920, 1080}, {1280, 720}, {640, 480}};
        };
        dialog->framerates = [] { return std::vector<double>{60, 30, 15, 7.5, 3.75}; };
        dialog->initialize("QC-200", "41910027");
    }
    return QApplication::exec();
}
