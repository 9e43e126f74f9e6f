// Saved images as the live view shows them: every quarter turn and flip, the
// YUV colours, the plug-ins' overlays at their image pixels, the file kinds
// and the JPEG quality, read back from the files the camera library wrote;
// and every image that cannot be saved reported through save_failed.

#include "ModelCameras.h"
#include "SavedImages.h"
#include "application/qt_context.h"
#include "filter/ImageTransform.h"
#include "kyrgx/Graphics.h"
#include "model/PluginHost.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using namespace quorel::test;
namespace fs = std::filesystem;
namespace Plugin = app::Plugin;

namespace {

// Draws its overlay in image pixels: an opaque red rectangle at (1, 0), two
// pixels wide and one high, and a half-transparent blue pixel at (0, 2).
class RectanglePlugin : public Plugin::PluginBase {
public:
    RectanglePlugin() : PluginBase(nullptr) {}
    void initialize() override {}
    void shutdown() override {}
    void render(app::ILiveView* view, vsx::DeviceInfo device, kyrgx::Graphics& g) override
    {
        if (fails)
            throw std::runtime_error("the overlay could not be drawn");
        drawnWithoutView = view == nullptr;
        drawnFor = device.handle();
        g.setColor(kyrgx::Color(255, 0, 0));
        g.fillRect(1, 0, 2, 1);
        g.setColor(kyrgx::Color(0, 0, 255, 128));
        g.fillRect(0, 2, 1, 1);
    }

    bool fails = false;
    bool drawnWithoutView = false;
    const void* drawnFor = nullptr;
};

// The source pixel that lands at (x, y) of a w x h frame flipped, then turned
// clockwise by degrees (0, 90, 180 or 270).
std::pair<int, int> source_of(int x, int y, int w, int h, int degrees, bool flipV, bool flipH)
{
    int sx = x;
    int sy = y;
    switch (degrees) {
    case 90:
        sx = y;
        sy = h - 1 - x;
        break;
    case 180:
        sx = w - 1 - x;
        sy = h - 1 - y;
        break;
    case 270:
        sx = w - 1 - y;
        sy = x;
        break;
    default:
        break;
    }
    if (flipH)
        sx = w - 1 - sx;
    if (flipV)
        sy = h - 1 - sy;
    return {sx, sy};
}

std::string bytes_of(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ImageSaving : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_model_cameras("manual");
        vsxsim_clear_faults();
        application::set_context(std::make_shared<application::qt_context>());
        dir = make_temp_dir("saved");
        model = std::make_shared<app::MainModel>();
        model->save_failed.push_back([this](app::IViewBase*, std::wstring& text) { reports.add(text); });
        device = vsx::DeviceEnum::enumDevices().front();
    }
    void TearDown() override
    {
        model.reset();
        Plugin::plugin_list.clear();
        application::set_context(nullptr);
    }

    // Saves and waits until the writer is done with everything queued.
    void saveAll(const std::function<void()>& saves)
    {
        saves();
        model->wait_for_saves();
    }
    // One image, written (or reported) before it returns: the queue never fills.
    void save(const OwnedFrame& frame, const app::ViewTransform& transform, const fs::path& path,
              int quality = 100)
    {
        model->save_image(frame.view, transform, device, app::path_to_wide(path), quality);
        model->wait_for_saves();
    }

    fs::path dir;
    std::shared_ptr<app::MainModel> model;
    vsx::DeviceInfo device;
    Reports reports;
};

} // namespace

TEST_F(ImageSaving, EveryQuarterTurnAndFlipIsSavedAsTheLiveViewShowsIt)
{
    constexpr int kW = 5;
    constexpr int kH = 3;
    const OwnedFrame frame = pattern_frame(kW, kH);
    struct Case {
        float rotation;
        int degrees;
        bool flipV;
        bool flipH;
    };
    std::vector<Case> cases;
    for (int degrees : {0, 90, 180, 270})
        for (int flips = 0; flips < 4; ++flips)
            cases.push_back({static_cast<float>(degrees), degrees, (flips & 2) != 0, (flips & 1) != 0});
    cases.push_back({90.9f, 90, false, false}); // truncated to 90
    cases.push_back({45.0f, 0, false, true});   // not a quarter turn: unturned
    cases.push_back({-90.0f, 0, true, false});

    saveAll([&] {
        for (size_t i = 0; i < cases.size(); ++i)
            save(frame, {1.5f, cases[i].rotation, cases[i].flipV, cases[i].flipH},
                 dir / ("turn" + std::to_string(i) + ".png"));
    });
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE("rotation " + std::to_string(c.rotation) + (c.flipV ? " flipV" : "") +
                     (c.flipH ? " flipH" : ""));
        const Decoded saved = decode(dir / ("turn" + std::to_string(i) + ".png"));
        ASSERT_TRUE(saved.ok());
        const bool sideways = c.degrees == 90 || c.degrees == 270;
        ASSERT_EQ(saved.image.width(), sideways ? kH : kW);
        ASSERT_EQ(saved.image.height(), sideways ? kW : kH);
        for (int y = 0; y < saved.image.height(); ++y)
            for (int x = 0; x < saved.image.width(); ++x) {
                const auto [sx, sy] = source_of(x, y, kW, kH, c.degrees, c.flipV, c.flipH);
                ASSERT_EQ(saved.rgb(x, y), pattern_at(sx, sy)) << "at " << x << "," << y;
                ASSERT_EQ(saved.alpha(x, y), 255);
            }
    }
    EXPECT_TRUE(reports.texts().empty());
}

TEST_F(ImageSaving, YuvFramesKeepTheirColours)
{
    OwnedFrame frame;
    frame.bytes.resize(4 * 2 * 2);
    for (size_t i = 0; i < frame.bytes.size(); i += 4) {
        frame.bytes[i] = 150;     // luma
        frame.bytes[i + 1] = 60;  // U
        frame.bytes[i + 2] = 150; // luma
        frame.bytes[i + 3] = 200; // V
    }
    frame.view = {kyrgx::PixelFormat::YUV422, 4, 2, 8, false, frame.bytes.data()};
    uint8_t rgb[4];
    ImageUtil::yuv_to_rgb(150, 60, 200, rgb);
    ASSERT_GT(rgb[0], rgb[2] + 50); // clearly red, so a swap would show

    saveAll([&] { save(frame, {}, dir / "yuv.png"); });
    const Decoded saved = decode(dir / "yuv.png");
    ASSERT_TRUE(saved.ok());
    EXPECT_EQ(saved.rgb(3, 1), (Rgb{rgb[0], rgb[1], rgb[2]}));
}

TEST_F(ImageSaving, PluginsDrawTheirOverlaysAtTheImagePixelsOfTheTurnedImage)
{
    auto plugin = std::make_shared<RectanglePlugin>();
    Plugin::register_plugin(plugin);
    const OwnedFrame frame = pattern_frame(4, 3);
    saveAll([&] { save(frame, {1.0f, 90.0f, false, false}, dir / "overlay.png"); });

    EXPECT_TRUE(plugin->drawnWithoutView);
    EXPECT_EQ(plugin->drawnFor, device.handle());
    const Decoded saved = decode(dir / "overlay.png");
    ASSERT_TRUE(saved.ok());
    ASSERT_EQ(saved.image.width(), 3);
    ASSERT_EQ(saved.image.height(), 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 3; ++x) {
            SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
            EXPECT_EQ(saved.alpha(x, y), 255);
            const auto [sx, sy] = source_of(x, y, 4, 3, 90, false, false);
            if (y == 0 && (x == 1 || x == 2)) {
                EXPECT_EQ(saved.rgb(x, y), (Rgb{255, 0, 0}));
            } else if (x == 0 && y == 2) {
                const Rgb under = pattern_at(sx, sy);
                const Rgb blended = saved.rgb(x, y);
                EXPECT_NEAR(blended[0], under[0] / 2, 2);
                EXPECT_NEAR(blended[2], (under[2] + 255) / 2, 2);
            } else {
                EXPECT_EQ(saved.rgb(x, y), pattern_at(sx, sy));
            }
        }
}

TEST_F(ImageSaving, AFailingOverlayQueuesNothingAndIsReported)
{
    auto plugin = std::make_shared<RectanglePlugin>();
    plugin->fails = true;
    Plugin::register_plugin(plugin);
    const OwnedFrame frame = pattern_frame(4, 3);
    EXPECT_NO_THROW(saveAll([&] { save(frame, {}, dir / "broken.png"); }));
    EXPECT_FALSE(fs::exists(dir / "broken.png"));
    EXPECT_EQ(reports.texts(),
              (std::vector<std::string>{"failed to save image: the overlay could not be drawn"}));
}

TEST_F(ImageSaving, TheExtensionChoosesTheKindOrTheImageIsReported)
{
    const struct {
        const char* name;
        const char* format; // as read back; empty: not written, reported
        bool lossless;
    } cases[] = {
        {"x.bmp", "bmp", true},     {"x.png", "png", true},   {"x.jpg", "jpeg", false},
        {"y.jpeg", "jpeg", false},  {"x.tiff", "tiff", true}, {"z.JPG", "jpeg", false},
        {"z.tif", "tiff", true},    {"a:b.png", "png", true}, {"x.gif", "", false},
        {"noextension", "", false},
    };
    const OwnedFrame frame = pattern_frame(6, 4);
    saveAll([&] {
        for (const auto& c : cases)
            save(frame, {}, dir / c.name);
    });
    int unsupported = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (*c.format == '\0') {
            EXPECT_FALSE(fs::exists(dir / c.name));
            ++unsupported;
            continue;
        }
        const Decoded saved = decode(dir / c.name);
        ASSERT_TRUE(saved.ok());
        EXPECT_EQ(saved.format, c.format);
        EXPECT_EQ(saved.image.size(), QSize(6, 4));
        if (c.lossless) {
            EXPECT_EQ(saved.rgb(5, 3), pattern_at(5, 3));
        }
    }
    const std::vector<std::string> texts = reports.texts();
    ASSERT_EQ(static_cast<int>(texts.size()), unsupported);
    EXPECT_NE(texts[0].find("x.gif' does not end in"), std::string::npos) << texts[0];
    EXPECT_NE(texts[1].find("noextension' does not end in"), std::string::npos) << texts[1];
}

TEST_F(ImageSaving, JpegQualityZeroIsWrittenAsOne)
{
    const OwnedFrame frame = pattern_frame(64, 48);
    saveAll([&] {
        save(frame, {}, dir / "q0.jpg", 0);
        save(frame, {}, dir / "q1.jpg", 1);
        save(frame, {}, dir / "q75.jpg", 75);
        save(frame, {}, dir / "q100.jpg", 100);
    });
    const std::string q1 = bytes_of(dir / "q1.jpg");
    ASSERT_FALSE(q1.empty());
    EXPECT_EQ(bytes_of(dir / "q0.jpg"), q1);
    EXPECT_NE(bytes_of(dir / "q75.jpg"), q1); // the library's own default for 0
    EXPECT_GT(bytes_of(dir / "q100.jpg").size(), q1.size());
}

// A folder that cannot be written costs one report; the next image, with a
// name beyond ASCII, is written.
TEST_F(ImageSaving, AnUnwritableFolderIsReportedOnceAndTheNextImageWritten)
{
    const fs::path notAFolder = dir / "file";
    std::ofstream(notAFolder) << "x";
    const OwnedFrame frame = pattern_frame(4, 3);
    const fs::path unicode = dir / u8"Prüfung_日本_Ω.png";
    saveAll([&] {
        save(frame, {}, notAFolder / "x.png");
        save(frame, {}, unicode);
    });
    const std::vector<std::string> texts = reports.texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind("failed to save image: ", 0), 0u) << texts[0];
    EXPECT_EQ(decode(unicode).rgb(3, 2), pattern_at(3, 2));
}

TEST_F(ImageSaving, FramesThatCannotBeReadAreReported)
{
    OwnedFrame frame = pattern_frame(4, 3);
    kyr_kelvane::image_descriptor noFormat = frame.view;
    noFormat.format = kyrgx::PixelFormat::NONE;
    kyr_kelvane::image_descriptor packed = frame.view;
    packed.format = kyrgx::PixelFormat::MONO12_PACKED_A;
    kyr_kelvane::image_descriptor shortRows = frame.view;
    shortRows.pitch = 8;
    saveAll([&] {
        for (const auto& view : {kyr_kelvane::image_descriptor{}, noFormat, packed, shortRows})
            model->save_image(view, {}, device, app::path_to_wide(dir / "bad.png"), 100);
    });
    EXPECT_FALSE(fs::exists(dir / "bad.png"));
    EXPECT_EQ(reports.texts(),
              (std::vector<std::string>{"failed to save image: a frame of pixel format 0 cannot be saved",
                                        "failed to save image: a frame of pixel format 0 cannot be saved",
                                        "failed to save image: a frame of pixel format 15 cannot be saved",
                                        "failed to save image: the frame's rows of 8 bytes are too short "
                                        "for 4 pixels"}));
}
