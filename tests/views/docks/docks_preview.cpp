// A look at the main window's docks and the video format dialog without a
// camera: the device properties filled as the property controller fills them,
// the device events with a few logged events, a settings dock made from a
// parameter container, the sequence settings and timer, the filter dock with
// a brightness filter, the LUT editor with a curve, the histogram of a
// synthetic frame, and the video format dialog. The dock named by the
// argument is made last, so it is the raised tab. For screenshots:
//   ../shared/tools/screenshot.sh out.png 4 build/bin/quorel_docks_preview
//       [--properties | --events | --settings | --dialog | --sequence | --timer
//        | --filter | --lut | --lut-raw | --histogram | --histogram-mono]

#include "app/Localization.h"
#include "app/ParameterContainer.h"
#include "filter/BrightnessContastFilter.h"
#include "filter/InvertFilter.h"
#include "kyrgx/ImageDescriptor.h"
#include "model/Histogram.h"
#include "support/PreviewApplication.h"
#include "views/QtMainView.h"
#include "views/dialogs/IVideoformatFramerateDialog.h"
#include "views/docks/IDeviceEventView.h"
#include "views/docks/IHistogramSettingsView.h"
#include "views/docks/ILutView.h"
#include "views/docks/IParameterView.h"
#include "views/docks/IPropertyView.h"
#include "views/docks/ISequenceSettingsView.h"
#include "views/docks/ISequenceTimerView.h"
#include "views/docks/QtSequenceSettingsView.h"
#include "views/grid/QtAccordion.h"
#include "views/grid/QtAccordionPage.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <cmath>

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

app::SequenceViewData sequenceRecord()
{
    app::SequenceViewData data;
    data.targetDirectory = L"/home/lab/Pictures/Sample 17";
    data.filenamePrefix = L"Probe_ä";
    data.index = 42;
    data.timestampEnabled = true;
    data.imageFiletype = L"JPG";
    data.jpgQuality = 90;
    data.intervallSeconds = 30;
    data.endAfterFramesEnabled = true;
    data.endFrames = 120;
    return data;
}

void fillSequenceTimer(app::ISequenceTimerView& view)
{
    view.setData({L"Probe_ä_0042_10_42_07.jpg", L"after 120 images", 90, 17});
    view.setButtonsEnabled(false, true, true);
}

void fillFilter(app::IParameterView& view, const std::vector<std::shared_ptr<filter::FilterBase>>& filters)
{
    std::vector<std::wstring> names;
    for (const auto& f : filters)
        names.push_back(f->name());
    view.setEntries(names);
    view.clearParameters();
    view.setParameters(filters.front()->parameters());
    view.setEntryEnabled(filters.front()->isEnabled());
}

void fillLut(app::ILutView& view, bool raw)
{
    app::LutData data;
    data.indexMax = 1023;
    data.valueMax = 4095;
    data.points = {{0, 0}, {180, 1400}, {520, 2300}, {800, 3700}, {1023, 4095}};
    data.enable = true;
    view.setData({L"Luminance", L"Red", L"Green", L"Blue"}, L"Luminance", data);
    if (raw) {
        // What the camera reports when its table was written elsewhere.
        for (int64_t i = 0; i <= 1023; ++i) {
            view.setRawIndex(i);
            view.setRawValue((i / 128) * 512 + 100);
        }
    }
}

// A synthetic colour frame: smooth shading with noise, a warm subject on a
// cooler background, so each channel has a broad, different histogram.
std::vector<uint8_t> histogramFrame(int width, int height)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3);
    uint32_t noise = 2463534242u;
    auto next = [&noise] {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        return static_cast<int>(noise % 41) - 20;
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 3];
            const double dx = (x - width / 2.0) / width, dy = (y - height / 2.0) / height;
            const double subject = std::exp(-(dx * dx + dy * dy) * 12.0);
            auto channel = [&](double base, double gain) {
                return static_cast<uint8_t>(
                    std::clamp(static_cast<int>(base + gain * subject) + next(), 0, 255));
            };
            p[0] = channel(40 + 50.0 * x / width, 170);
            p[1] = channel(60 + 40.0 * y / height, 110);
            p[2] = channel(90, 30);
        }
    return pixels;
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

    // The docks of the sequence, filter, LUT and histogram, the named one last.
    auto sequence = [&] {
        auto view = window.sequenceSettingsView(sequenceRecord());
        view->setData(sequenceRecord());
        // Every page open, for the look.
        if (auto* dock = dynamic_cast<app::QtView::QtSequenceSettingsView*>(view.get()))
            for (app::QtView::QtAccordionPage* page : dock->accordion()->pages())
                page->setExpanded(true);
    };
    auto timer = [&] { fillSequenceTimer(*window.sequenceTimerView({})); };
    const std::vector<std::shared_ptr<filter::FilterBase>> filters = {
        std::make_shared<filter::BrightnessContastFilter>(), std::make_shared<filter::InvertFilter>()};
    auto filterDock = [&] { fillFilter(*window.filterSettingsView(), filters); };
    auto lut = [&](bool raw) { fillLut(*window.lutView(), raw); };
    app::Histogram histogram;
    const int frameWidth = 640, frameHeight = 480;
    std::vector<uint8_t> pixels = histogramFrame(frameWidth, frameHeight);
    auto histogramDock = [&](bool mono) {
        kyr_kelvane::image_descriptor frame;
        frame.format = kyrgx::PixelFormat::RGB24;
        frame.width = frameWidth;
        frame.height = frameHeight;
        frame.pitch = frameWidth * 3;
        frame.data = pixels.data();
        histogram.update(frame);
        auto view = window.histogramSettingsView();
        view->setState(histogram.showZeros(), histogram.displayMode(), mono ? L"Grayscale" : L"RGB");
        histogram.setChannels(mono ? L"Grayscale" : L"RGB");
        view->setColorChannels(!mono);
        view->paintRequested.push_back(
            [&histogram, mono](app::IViewBase*, kyrgx::Graphics* g, int width, int height) {
                const int plot = (height - 2 * app::Histogram::kPlotGap) / 3;
                histogram.render(*g, 8, 8, width - 16, mono ? height - 16 : plot);
            });
        view->repaint();
    };
    if (mode == "--sequence" || mode == "--timer" || mode == "--filter" || mode == "--lut" ||
        mode == "--lut-raw" || mode == "--histogram" || mode == "--histogram-mono") {
        const bool mono = mode == "--histogram-mono";
        if (mode != "--histogram" && !mono)
            histogramDock(false);
        if (mode != "--lut" && mode != "--lut-raw")
            lut(false);
        if (mode != "--filter")
            filterDock();
        if (mode != "--timer")
            timer();
        if (mode != "--sequence")
            sequence();
        if (mode == "--sequence")
            sequence();
        else if (mode == "--timer")
            timer();
        else if (mode == "--filter")
            filterDock();
        else if (mode == "--lut" || mode == "--lut-raw")
            lut(mode == "--lut-raw");
        else
            histogramDock(mono);
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
