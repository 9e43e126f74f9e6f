// A look at the live views without cameras: the main window with four views
// fed generated frames (RGB32, an 8-bit mosaic, YUV422 and MONO16), one of
// them turned and zoomed, with on-screen messages; "--single" shows the
// selected one alone with the tab bar. For screenshots:
//   ../shared/tools/screenshot.sh out.png 4 build/bin/liveview_demo [--single]

#include "app/Localization.h"
#include "device/DeviceEnum.h"
#include "support/PreviewApplication.h"
#include "views/QtMainView.h"
#include "views/liveview/LiveViewController.h"
#include "views/liveview/QLiveViewPanel.h"
#include "views/liveview/QtLiveView.h"

#include <QApplication>
#include <QTimer>

#include <vsxcore.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

using kyrgx::PixelFormat;

namespace {

struct Source {
    Source(PixelFormat format, uint32_t w, uint32_t h)
        : bytes(static_cast<size_t>(w) * kyrgx::pixel_format_bytes(format) * h)
    {
        view.format = format;
        view.width = w;
        view.height = h;
        view.pitch = static_cast<int32_t>(w * kyrgx::pixel_format_bytes(format));
        view.data = bytes.data();
    }
    uint8_t* row(uint32_t y) { return bytes.data() + static_cast<size_t>(y) * view.pitch; }
    std::vector<uint8_t> bytes;
    kyr_kelvane::image_descriptor view;
};

uint8_t wave(double v)
{
    return static_cast<uint8_t>(127.5 + 127.5 * std::sin(v));
}

// Moving colour rings, a sensor's mosaic of them, colour bars and a grey ramp.
void render(Source& s, double t)
{
    const uint32_t w = s.view.width;
    const uint32_t h = s.view.height;
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* r = s.row(y);
        for (uint32_t x = 0; x < w; ++x) {
            const double dx = x - w / 2.0;
            const double dy = y - h / 2.0;
            const double d = std::sqrt(dx * dx + dy * dy) / 18.0 - t;
            switch (s.view.format) {
            case PixelFormat::RGB32:
                r[4 * x + 0] = wave(d + 4.0);
                r[4 * x + 1] = wave(d + 2.0);
                r[4 * x + 2] = wave(d);
                r[4 * x + 3] = 255;
                break;
            case PixelFormat::RGGB8: {
                const int colour = (y % 2) * 2 + (x % 2); // 0 red, 1 and 2 green, 3 blue
                r[x] = wave(d + (colour == 0 ? 0.0 : colour == 3 ? 4.0 : 2.0));
                break;
            }
            case PixelFormat::YUV422: {
                static const uint8_t bars[7][3] = {{235, 128, 128}, {210, 16, 146},  {170, 166, 16},
                                                   {145, 54, 34},   {106, 202, 222}, {81, 90, 240},
                                                   {41, 240, 110}};
                const auto& b = bars[(x * 7 / w + static_cast<uint32_t>(t * 7.0 / 6.2831853)) % 7];
                r[2 * x] = b[0];
                r[2 * x + 1] = x % 2 ? b[2] : b[1];
                break;
            }
            default: { // MONO16
                const uint16_t v =
                    static_cast<uint16_t>((x * 65535 / w + static_cast<uint32_t>(t * 10000)) & 0xFFFF);
                std::memcpy(r + 2 * x, &v, 2);
                break;
            }
            }
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    quorel::test::prepare_preview_platform();
    QApplication application(argc, argv);
    quorel::test::set_up_preview_application();
    Localization::loadLanguage(L"en-US"); // the ribbon\'s texts

    const vsx_init_config config{2, 0, 1, nullptr};
    vsx_init_library(&config);
    const auto cameras = vsx::DeviceEnum::enumDevicesNoThrow();

    app::QtMainView window(40, 40, 1200, 800);
    window.setTitle(L"Quorel 4.0");
    window.show();

    // Eight phases of each picture, made once; the timer cycles through them.
    constexpr size_t PHASES = 8;
    const PixelFormat formats[] = {PixelFormat::RGB32, PixelFormat::RGGB8, PixelFormat::YUV422,
                                   PixelFormat::MONO16};
    std::vector<std::vector<Source>> sources;
    for (PixelFormat format : formats) {
        sources.emplace_back();
        for (size_t phase = 0; phase < PHASES; ++phase) {
            sources.back().emplace_back(format, 640, 480);
            render(sources.back().back(), static_cast<double>(phase) * 6.2831853 / PHASES);
        }
    }
    std::vector<std::shared_ptr<app::LiveViewController>> controllers;
    for (size_t i = 0; i < sources.size(); ++i) {
        auto view = window.createLiveView(L"");
        if (i < cameras.size())
            view->deviceInfo = cameras[i];
        window.addLiveView(view);
        controllers.push_back(std::make_shared<app::LiveViewController>(view));
    }
    controllers[0]->setZoom(0.6f);
    controllers[1]->setAngle(90.0f);
    controllers[1]->setZoom(0.5f);
    controllers[2]->setZoom(0.5f);
    controllers[3]->toggleFlipHorizontal();
    controllers[3]->setZoom(0.5f);

    QTimer frames;
    size_t phase = 0;
    QObject::connect(&frames, &QTimer::timeout, [&] {
        phase = (phase + 1) % PHASES;
        for (size_t i = 0; i < sources.size(); ++i) {
            controllers[i]->setViewCount(static_cast<int>(sources.size()));
            controllers[i]->updateBuffer(sources[i][phase].view, false);
        }
    });
    frames.start(40);
    QTimer::singleShot(1500, [&] { controllers[2]->zoomIn(); });
    QTimer::singleShot(2500, [&] {
        controllers[0]->addMessage(L"Image saved: /home/user/Pictures/Image_0001.bmp");
        controllers[0]->addMessage(L"Image saved: /home/user/Pictures/Image_0002.bmp");
    });
    // "--single": the selected view alone, with the tab bar.
    if (argc > 1 && std::strcmp(argv[1], "--single") == 0)
        QTimer::singleShot(1000, [&] { window.liveViewPanel()->setSingleView(true); });
    const int code = QApplication::exec();
    controllers.clear();
    return code;
}
