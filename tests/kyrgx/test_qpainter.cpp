// The QPainter back end: drawing into a caller's pixels with a padded stride,
// glyph tinting, alpha, the surface's key and pointer state and the Qt key table.

#include "app/Utf8.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/Keys.h"
#include "kyrgx/Resources.h"
#include "kyrgx/qt/QtGraphicsContext.h"
#include "kyrgx/qt/QtGraphicsDriver.h"
#include "kyrgx/qt/QtImage.h"
#include "kyrgx/qt/QtKeyTable.h"

#include <QPainter>
#include <QWidget>

#include <array>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;
using app::QtView::QtGraphicsContext;
using app::QtView::QtGraphicsDriver;
using app::QtView::QtImage;
using kyrgx::PixelFormat;

namespace {

constexpr uint8_t SENTINEL = 0xAB;

// A caller's RGB32 frame whose rows are padded past Qt's own line length,
// followed by guard bytes; drawing must touch neither.
struct PaddedFrame {
    static constexpr int W = 40;
    static constexpr int H = 30;
    static constexpr int STRIDE = W * 4 + 12;
    static constexpr int GUARD = 256;
    std::vector<uint8_t> bytes = std::vector<uint8_t>(STRIDE * H + GUARD, SENTINEL);

    uint8_t* data() { return bytes.data(); }
    // Blue, green, red, alpha of pixel (x, y).
    std::array<int, 4> at(int x, int y) const
    {
        const size_t i = static_cast<size_t>(y * STRIDE + x * 4);
        return {bytes[i], bytes[i + 1], bytes[i + 2], bytes[i + 3]};
    }
    std::array<int, 3> bgr(int x, int y) const
    {
        const auto p = at(x, y);
        return {p[0], p[1], p[2]};
    }
    bool paddingUntouched() const
    {
        for (int y = 0; y < H; ++y)
            for (int i = W * 4; i < STRIDE; ++i)
                if (bytes[static_cast<size_t>(y * STRIDE + i)] != SENTINEL)
                    return false;
        for (size_t i = STRIDE * H; i < bytes.size(); ++i)
            if (bytes[i] != SENTINEL)
                return false;
        return true;
    }
};

class QPainterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kyrgx::set_resource_directory(
            app::path_to_wide(fs::read_symlink("/proc/self/exe").parent_path() / "data"));
        open(PixelFormat::RGB32, true);
    }

    void open(PixelFormat format, bool alpha)
    {
        context = std::make_shared<QtGraphicsContext>(&painter, frame.data(), PaddedFrame::W, PaddedFrame::H,
                                                      PaddedFrame::STRIDE, format, alpha);
        driver = std::make_shared<QtGraphicsDriver>(&painter, QRect(0, 0, PaddedFrame::W, PaddedFrame::H));
        graphics = std::make_shared<kyrgx::Graphics>(driver, context);
    }

    // Releases the Graphics and its surface: the pixels are complete afterwards.
    void close()
    {
        graphics.reset();
        driver.reset();
        context.reset();
    }

    PaddedFrame frame;
    QPainter painter;
    std::shared_ptr<QtGraphicsContext> context;
    std::shared_ptr<QtGraphicsDriver> driver;
    std::shared_ptr<kyrgx::Graphics> graphics;
};

using Bgr = std::array<int, 3>;

} // namespace

TEST(KyrgxQtFormats, PixelFormatToQImageFormat)
{
    struct Row {
        int format;
        bool alpha;
        QImage::Format expected;
    };
    const Row rows[] = {
        {1, false, QImage::Format_BGR888},      {2, true, QImage::Format_ARGB32},
        {2, false, QImage::Format_RGB32},       {3, false, QImage::Format_RGBA64},
        {4, false, QImage::Format_Grayscale8},  {8, true, QImage::Format_Grayscale8},
        {9, false, QImage::Format_Grayscale16}, {13, false, QImage::Format_Grayscale16},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.format);
        EXPECT_EQ(app::QtView::PixelFormatToQImageFormat(static_cast<PixelFormat>(row.format), row.alpha),
                  row.expected);
    }
    for (int bad : {0, 14, 15, 18}) {
        try {
            app::QtView::PixelFormatToQImageFormat(static_cast<PixelFormat>(bad), true);
            ADD_FAILURE() << bad;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "PixelFormatToQImageFormat: Pixelformat not supported.");
        }
    }
    EXPECT_THROW(QtImage(4, 4, PixelFormat::YUV422), std::runtime_error);
}

TEST_F(QPainterTest, ShapesLandInTheCallersRowsAndNowhereElse)
{
    EXPECT_EQ(graphics->width(), PaddedFrame::W);
    EXPECT_EQ(graphics->height(), PaddedFrame::H);
    graphics->clear(0, 0, 0);
    graphics->setColor(kyrgx::Color(255, 0, 0));
    graphics->fillRect(2, 2, 5, 4);
    graphics->setColor(kyrgx::Color(0, 255, 0));
    graphics->setLineWidth(1.2f);
    graphics->drawLine(0, 20, 40, 20);
    graphics->setColor(kyrgx::Color(0, 0, 255));
    graphics->setLineWidth(1.0f);
    graphics->drawCircle(30, 10, 5);
    // Shapes reaching past the edges are cut at the buffer.
    graphics->setColor(kyrgx::Color(255, 255, 0));
    graphics->fillRect(35, 25, 100, 100);
    graphics->fillRect(-50, -50, 51, 51);
    close();

    EXPECT_TRUE(frame.paddingUntouched());
    EXPECT_EQ(frame.bgr(2, 2), (Bgr{0, 0, 255}));
    EXPECT_EQ(frame.bgr(6, 5), (Bgr{0, 0, 255}));
    EXPECT_EQ(frame.bgr(7, 5), (Bgr{0, 0, 0}));
    EXPECT_EQ(frame.bgr(6, 6), (Bgr{0, 0, 0}));
    // A line 1.2 wide is painted 2 pixels wide.
    EXPECT_EQ(frame.bgr(10, 19), (Bgr{0, 255, 0}));
    EXPECT_EQ(frame.bgr(10, 20), (Bgr{0, 255, 0}));
    EXPECT_EQ(frame.bgr(10, 18), (Bgr{0, 0, 0}));
    EXPECT_EQ(frame.bgr(10, 21), (Bgr{0, 0, 0}));
    // The circle's rim, not its inside.
    EXPECT_EQ(frame.bgr(35, 10)[0] + frame.bgr(34, 10)[0] > 0, true);
    EXPECT_EQ(frame.bgr(30, 10), (Bgr{0, 0, 0}));
    EXPECT_EQ(frame.bgr(39, 29), (Bgr{0, 255, 255}));
    EXPECT_EQ(frame.bgr(0, 0), (Bgr{0, 255, 255}));
    EXPECT_EQ(frame.bgr(1, 1), (Bgr{0, 0, 0}));
}

TEST_F(QPainterTest, ImagesDrawnWhiteKeepTheirPixels)
{
    graphics->clear(0, 0, 0);
    auto image = graphics->createImage(2, 2, PixelFormat::RGB32, kyrgx::USAGE_DEFAULT);
    const uint8_t pixels[] = {10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255, 1, 2, 3, 255};
    image->uploadData(pixels, 2, 2, 8, PixelFormat::RGB32, 0);
    driver->drawImageRect(image.get(), 5, 5, 0, 0, 2, 2);
    driver->drawImage(image.get(), 10, 5);
    // Rectangles without area draw nothing.
    driver->drawImageRect(image.get(), 20, 5, 0, 0, 0, 2);
    close();
    EXPECT_EQ(frame.bgr(5, 5), (Bgr{10, 20, 30}));
    EXPECT_EQ(frame.bgr(6, 6), (Bgr{1, 2, 3}));
    EXPECT_EQ(frame.bgr(11, 5), (Bgr{40, 50, 60}));
    EXPECT_EQ(frame.bgr(20, 5), (Bgr{0, 0, 0}));
    EXPECT_TRUE(frame.paddingUntouched());
}

TEST_F(QPainterTest, GlyphsAreTintedOncePerAtlasAndColour)
{
    graphics->clear(0, 0, 0);
    graphics->setFont(graphics->getFont("arial.ttf", 24));
    graphics->setColor(kyrgx::Color(255, 0, 0));
    graphics->drawText(L"HI", 1, 1);
    EXPECT_EQ(driver->tintCount(), 1);
    graphics->drawText(L"IH", 1, 1);
    EXPECT_EQ(driver->tintCount(), 1);
    graphics->setColor(kyrgx::Color(0, 0, 255));
    graphics->drawText(L"I", 30, 1);
    EXPECT_EQ(driver->tintCount(), 2);
    close();
    int red = 0;
    int blue = 0;
    for (int y = 0; y < PaddedFrame::H; ++y)
        for (int x = 0; x < PaddedFrame::W; ++x) {
            red += frame.bgr(x, y) == Bgr{0, 0, 255} ? 1 : 0;
            blue += frame.bgr(x, y) == Bgr{255, 0, 0} ? 1 : 0;
        }
    EXPECT_GT(red, 20);
    EXPECT_GT(blue, 5);
    EXPECT_TRUE(frame.paddingUntouched());
}

TEST_F(QPainterTest, AlphaIsAppliedOnce)
{
    graphics->clear(0, 0, 0);
    graphics->setColor(kyrgx::Color(255, 0, 0, 128));
    graphics->fillRect(0, 0, 10, 10);
    graphics->setLineWidth(2.0f);
    graphics->drawLine(0, 15, 40, 15);
    graphics->setFont(graphics->getFont("arial.ttf", 28));
    graphics->drawText(L"I", 20, 0);
    close();
    EXPECT_NEAR(frame.bgr(5, 5)[2], 128, 1);
    EXPECT_NEAR(frame.bgr(5, 14)[2], 128, 1);
    int brightest = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = 20; x < PaddedFrame::W; ++x)
            brightest = std::max(brightest, frame.bgr(x, y)[2]);
    EXPECT_NEAR(brightest, 128, 2) << "a fully covered glyph pixel";
}

TEST_F(QPainterTest, Rgb64FramesKeepTheirChannelOrder)
{
    close();
    std::vector<uint16_t> pixels(static_cast<size_t>(8 * 4 * 4), 0x1234);
    QPainter p;
    {
        auto ctx = std::make_shared<QtGraphicsContext>(&p, pixels.data(), 8, 4, 64, PixelFormat::RGB64, true);
        auto drv = std::make_shared<QtGraphicsDriver>(&p, QRect(0, 0, 8, 4));
        kyrgx::Graphics g(drv, ctx);
        g.setColor(kyrgx::Color(255, 0, 0));
        g.fillRect(0, 0, 2, 2);
    }
    // Blue, green, red, alpha as 16-bit values; untouched pixels come back as they were.
    EXPECT_EQ(pixels[0], 0);
    EXPECT_EQ(pixels[1], 0);
    EXPECT_EQ(pixels[2], 0xFFFF);
    EXPECT_EQ(pixels[4 * 4], 0x1234);
    EXPECT_EQ(pixels[4 * 4 + 2], 0x1234);
}

TEST_F(QPainterTest, SurfaceKeysAndPointer)
{
    context->keyDown(511);
    EXPECT_TRUE(context->isKeyDown(600));
    EXPECT_FALSE(context->isKeyDown(-3));
    context->keyDown(0);
    EXPECT_TRUE(context->isKeyDown(-3));
    context->keyUp(30);
    context->keyUp(30);
    EXPECT_EQ(context->pressCount(30), 2);
    EXPECT_FALSE(context->isKeyDown(30));

    auto m = context->mouseState();
    EXPECT_EQ(m.left + m.right + m.middle, 3) << "all buttons up at construction";
    context->mousePress(Qt::LeftButton, 12.0f, 34.0f);
    context->mousePress(Qt::MiddleButton, 12.0f, 34.0f);
    context->mousePress(Qt::BackButton, 12.0f, 34.0f);
    context->wheel(120.0f);
    m = context->mouseState();
    EXPECT_EQ(m.left, 0);
    EXPECT_EQ(m.right, 1);
    EXPECT_EQ(m.middle, 0);
    EXPECT_EQ(m.x, 12.0f);
    EXPECT_EQ(m.y, 34.0f);
    EXPECT_FLOAT_EQ(m.wheel, 120.0f);
    // A release whose press no frame has seen waits for the end of the next
    // frame, so a click between two frames is still seen whole.
    context->mouseRelease(Qt::LeftButton, 12.0f, 34.0f);
    EXPECT_EQ(context->mouseState().left, 0);
    EXPECT_TRUE(context->hasHeldReleases());

    context->endFrame();
    EXPECT_EQ(context->pressCount(30), 0);
    EXPECT_FLOAT_EQ(context->mouseState().wheel, 0.0f);
    EXPECT_EQ(context->mouseState().left, 1);
    EXPECT_FALSE(context->hasHeldReleases());
    EXPECT_EQ(context->mouseState().middle, 0) << "a press a frame has seen stays down";
    context->mouseRelease(Qt::MiddleButton, 12.0f, 34.0f);
    EXPECT_EQ(context->mouseState().middle, 1) << "and its release comes at once";

    int w = 0;
    graphics->resized = [&](int width, int) { w = width; };
    context->resize(77, 55);
    EXPECT_EQ(w, 77);
    EXPECT_EQ(driver->rendererName(), "QPainter Driver");
    EXPECT_FALSE(driver->hasNativeText(L"x", 0, 0));
}

TEST(KyrgxQtSurface, WidgetSurfaceReportsDevicePixels)
{
    QWidget widget;
    widget.resize(120, 80);
    QtGraphicsContext context(&widget);
    EXPECT_EQ(context.width(), static_cast<int>(120 * widget.devicePixelRatioF()));
    EXPECT_EQ(context.height(), static_cast<int>(80 * widget.devicePixelRatioF()));
    EXPECT_EQ(context.painter(), nullptr);
}

TEST(KyrgxQtKeys, QtKeysToToolkitCodes)
{
    const std::pair<int, int> rows[] = {
        {Qt::Key_Escape, kyrgx::KEY_ESC},
        {Qt::Key_0, 11},
        {Qt::Key_Q, 16},
        {Qt::Key_F24, 194},
        {Qt::Key_Delete, kyrgx::KEY_DELETE_},
        {Qt::Key_Shift, 42}, // listed twice (42, 54): the first row holds
        {Qt::Key_Return, 28},
        {Qt::Key_Enter, 28},
        {Qt::Key_QuoteLeft, kyrgx::KEY_GRAVE},
        {Qt::Key_Igrave, kyrgx::KEY_GRAVE},
        {Qt::Key_Asterisk, kyrgx::KEY_KPASTERISK},
        {Qt::Key_multiply, kyrgx::KEY_KPASTERISK},
        {Qt::Key_MediaPlay, 240},
        {Qt::Key_unknown, 240},
    };
    for (const auto& [qt, code] : rows)
        EXPECT_EQ(app::qt_key_to_keys(qt), code) << qt;
}
