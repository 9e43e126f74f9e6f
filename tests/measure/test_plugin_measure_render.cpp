// The measurement overlay on the real host: on the selected camera's live
// view the objects, the preview of the object being drawn, the rubber band and
// the snapping aids; in a saved image (the snap's own road through the model)
// the objects and their labels at their image pixels, also in a turned image,
// and none of the aids of drawing.

#include "MeasurePluginFixture.h"
#include "application/qt_context.h"
#include "kyrgx/Keys.h"
#include "measure/LineObject.h"
#include "model/SavedImages.h"
#include "support/TempHome.h"

using namespace quorel::test;
namespace fs = std::filesystem;

namespace {

const kyrgx::Color kRed{255, 0, 0};
const kyrgx::Color kWhite{255, 255, 255};
const kyrgx::Color kGreen{0, 255, 0};
const kyrgx::Color kBandEdge{0, 122, 204};
const kyrgx::Color kLabelBack{45, 45, 48};

// A uniform RGB32 frame of the camera's size.
OwnedFrame grey_frame(int width, int height, uint8_t level)
{
    OwnedFrame frame;
    frame.bytes.assign(static_cast<size_t>(width) * height * 4, level);
    for (size_t i = 3; i < frame.bytes.size(); i += 4)
        frame.bytes[i] = 255;
    frame.view = {kyrgx::PixelFormat::RGB32,
                  static_cast<uint32_t>(width),
                  static_cast<uint32_t>(height),
                  width * 4,
                  false,
                  frame.bytes.data()};
    return frame;
}

// Pixels of the decoded image in the rectangle with that colour.
int count(const Decoded& image, Rgb colour, int left, int top, int right, int bottom)
{
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            n += image.rgb(x, y) == colour ? 1 : 0;
    return n;
}

// Light pixels of the rectangle (text drawn in white, smoothed).
int bright(const Decoded& image, int left, int top, int right, int bottom)
{
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const Rgb c = image.rgb(x, y);
            n += c[0] > 180 && c[1] > 180 && c[2] > 180 ? 1 : 0;
        }
    return n;
}

// Pixels of the image outside the rectangle that are not the frame's grey.
int outside(const Decoded& image, int left, int top, int right, int bottom)
{
    int n = 0;
    for (int y = 0; y < image.image.height(); ++y)
        for (int x = 0; x < image.image.width(); ++x)
            if ((x < left || x >= right || y < top || y >= bottom) && image.rgb(x, y) != Rgb{64, 64, 64})
                ++n;
    return n;
}

class MeasureOverlayTest : public MeasurePluginTest {
protected:
    void SetUp() override
    {
        application::set_context(std::make_shared<application::qt_context>());
        MeasurePluginTest::SetUp();
    }
    void TearDown() override
    {
        MeasurePluginTest::TearDown();
        application::set_context(nullptr);
    }

    // The selected camera's live view drawn afresh.
    ViewScreen& paint(const char* name)
    {
        ViewScreen* screen = host->view->screenOf(host->viewOf(name));
        EXPECT_NE(screen, nullptr);
        screen->clear();
        host->controller->on_overlay_render(host->live(name).get(), *screen->g);
        return *screen;
    }
    // Snaps a grey frame of the camera through the model as the snap does,
    // with the camera's view transform, and reads the PNG back.
    Decoded snap(const char* name)
    {
        const auto camera = host->cameraNamed(name);
        const app::VideoFormat format = camera->videoformat();
        const OwnedFrame frame =
            grey_frame(static_cast<int>(format.width), static_cast<int>(format.height), 64);
        const fs::path path = make_temp_dir("snap") / "snap.png";
        host->model->save_image(frame.view, camera->viewTransform, camera->deviceInfo(),
                                app::path_to_wide(path), 100);
        host->model->wait_for_saves();
        return decode(path);
    }
    // Snapping results as a detection leaves them: one segment and the point
    // on it nearest to the pointer, in a patch at (600, 250).
    void fakeSnapResults()
    {
        std::lock_guard lock(plugin().snapMutex);
        plugin().patchOrigin = {600, 250};
        plugin().snapSegments = {{10, 10, 100, 10, 90}};
        plugin().snapPoint = {50, 10};
    }
};

} // namespace

TEST_F(MeasureOverlayTest, TheLiveViewShowsObjectsThePreviewTheBandAndTheSnappingAids)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    app::ILiveView* view = host->viewOf(kHdName);
    drawLine(kHdName, {700, 300}, {1000, 300}); // selected: red
    const Vec2f lineAt = windowOf(kHdName, {900, 300});
    ViewScreen* screen = &paint(kHdName);
    EXPECT_GE(screen->count(kRed, static_cast<int>(lineAt.x) - 40, static_cast<int>(lineAt.y) - 1,
                            static_cast<int>(lineAt.x) + 40, static_cast<int>(lineAt.y) + 2),
              75);

    // The preview of a line follows the pointer from its first point.
    button(L"Line").click();
    clickImage(kHdName, {700, 500});
    move(view, windowOf(kHdName, {1000, 500}), false);
    const Vec2f previewAt = windowOf(kHdName, {850, 500});
    const auto white_row = [&](ViewScreen& s) {
        return s.count(kWhite, static_cast<int>(previewAt.x) - 50, static_cast<int>(previewAt.y) - 1,
                       static_cast<int>(previewAt.x) + 50, static_cast<int>(previewAt.y) + 2);
    };
    screen = &paint(kHdName);
    EXPECT_GE(white_row(*screen), 95);

    // "ShowOverlay" off hides the objects, not the preview.
    MeasureAppearanceSettings::instance().setBool(MeasureAppearanceSettings::SHOW_OVERLAY, false);
    screen = &paint(kHdName);
    EXPECT_EQ(screen->count(kRed), 0);
    EXPECT_GE(white_row(*screen), 95);
    MeasureAppearanceSettings::instance().setBool(MeasureAppearanceSettings::SHOW_OVERLAY, true);

    // With Shift held: the segments found, the search area and a cross on the snap point.
    fakeSnapResults();
    keyDown(kHdName, {kyrgx::KEY_LEFTSHIFT});
    screen = &paint(kHdName);
    const Vec2f cross = windowOf(kHdName, {650, 260});
    EXPECT_GE(screen->count(kGreen, static_cast<int>(cross.x) - 12, static_cast<int>(cross.y) - 12,
                            static_cast<int>(cross.x) + 12, static_cast<int>(cross.y) + 12),
              20);
    keyUp(kHdName, {});
    screen = &paint(kHdName);
    EXPECT_EQ(screen->count(kGreen), 0) << "Shift released";

    // The band while it is spanned: its edges in the accent colour.
    button(L"Select").click();
    press(view, {40, 400});
    move(view, {140, 450}, true);
    screen = &paint(kHdName);
    EXPECT_GE(screen->count(kBandEdge, 40, 400, 141, 401), 95) << "top edge";
    EXPECT_GE(screen->count(kBandEdge, 40, 400, 41, 451), 45) << "left edge";
    EXPECT_NE(screen->at(90, 425), Canvas::ground) << "the translucent fill";
    release(view, {140, 450});
    screen = &paint(kHdName);
    EXPECT_EQ(screen->count(kBandEdge, 40, 400, 141, 451), 0) << "gone with the release";
}

TEST_F(MeasureOverlayTest, ASnapCarriesObjectsAndLabelsButNoAidsOfDrawing)
{
    // The scale bar, which a saved image does carry, is looked at on its own below.
    MeasureAppearanceSettings::instance().setBool(MeasureAppearanceSettings::SHOW_SCALE_BAR, false);
    ASSERT_TRUE(host->openAndShow(kHdName));
    app::ILiveView* view = host->viewOf(kHdName);
    drawLine(kHdName, {700, 300}, {1000, 300});
    // Everything the live view would show besides: a line being drawn with
    // its preview, Shift held with snapping results.
    button(L"Line").click();
    clickImage(kHdName, {700, 600});
    move(view, windowOf(kHdName, {1000, 600}), false);
    fakeSnapResults();
    keyDown(kHdName, {kyrgx::KEY_LEFTSHIFT});
    paint(kHdName); // as the window does every 16 ms: the labels take the appearance's colours

    const Decoded image = snap(kHdName);
    ASSERT_TRUE(image.ok());
    ASSERT_EQ(image.image.width(), 1920);
    ASSERT_EQ(image.image.height(), 1080);
    // The line at its image pixels (the selected line is red), right of its label.
    EXPECT_GE(count(image, {255, 0, 0}, 850, 299, 1000, 302), 145);
    // The label at its first point: the appearance's background with the text in it.
    EXPECT_GE(count(image, {45, 45, 48}, 690, 290, 820, 340), 400);
    EXPECT_GE(bright(image, 690, 290, 820, 340), 40) << "the text";
    // Nothing else: no preview, no segments, no search area, no cross, in
    // image or in window coordinates.
    EXPECT_EQ(outside(image, 690, 285, 1010, 345), 0);
    keyUp(kHdName, {});

    // A band being spanned is not in the image either.
    button(L"Select").click();
    press(view, {40, 500});
    move(view, {140, 560}, true);
    ASSERT_TRUE(plugin().rubberBandActive);
    const Decoded banded = snap(kHdName);
    ASSERT_TRUE(banded.ok());
    EXPECT_EQ(outside(banded, 690, 285, 1010, 345), 0);
    release(view, {140, 560});
}

TEST_F(MeasureOverlayTest, ATurnedSnapHasTheObjectsWhereTheViewShowsThem)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    drawLine(kHdName, {700, 300}, {1000, 300});
    host->controller->rotate_right();
    ASSERT_EQ(host->cameraNamed(kHdName)->viewTransform.rotation, 90.0f);

    const Decoded image = snap(kHdName);
    ASSERT_TRUE(image.ok());
    ASSERT_EQ(image.image.width(), 1080);
    ASSERT_EQ(image.image.height(), 1920);
    // Turned with the view: from (780, 700) down to (780, 1000).
    EXPECT_GE(count(image, {255, 0, 0}, 779, 850, 782, 1000), 145);
    EXPECT_EQ(count(image, {255, 0, 0}, 690, 290, 1010, 310), 0) << "nothing where it was before the turn";
}
