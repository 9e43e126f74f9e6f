// The application context's offscreen drawing: Graphics over a caller's pixels
// with the context's one painter, one drawing job at a time, from any thread.

#include "app/Utf8.h"
#include "application/qt_context.h"
#include "kyrgx/FontCache.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/ImageDescriptor.h"
#include "kyrgx/ImageFont.h"
#include "kyrgx/Resources.h"
#include "kyrgx/graphics_context.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// An RGB32 frame as the camera path hands it over.
struct Frame {
    Frame(int width, int height)
        : width(width), height(height), pixels(static_cast<size_t>(width) * height * 4, 0)
    {
        for (size_t i = 3; i < pixels.size(); i += 4)
            pixels[i] = 255;
    }
    kyr_kelvane::image_descriptor view()
    {
        return {kyrgx::PixelFormat::RGB32,
                static_cast<uint32_t>(width),
                static_cast<uint32_t>(height),
                width * 4,
                false,
                pixels.data()};
    }
    // Blue, green, red of pixel (x, y).
    std::array<int, 3> bgr(int x, int y) const
    {
        const size_t i = (static_cast<size_t>(y) * width + x) * 4;
        return {pixels[i], pixels[i + 1], pixels[i + 2]};
    }
    int width;
    int height;
    std::vector<uint8_t> pixels;
};

class DrawingFactories : public ::testing::Test {
protected:
    void SetUp() override
    {
        kyrgx::set_resource_directory(
            app::path_to_wide(fs::read_symlink("/proc/self/exe").parent_path() / "data"));
    }
    application::qt_context context;
};

using Bgr = std::array<int, 3>;

} // namespace

TEST_F(DrawingFactories, GraphicsBurnsShapesAndTextIntoTheCallersPixels)
{
    Frame frame(640, 480);
    {
        const std::shared_ptr<kyrgx::Graphics> graphics = context.makeGraphics(frame.view(), false);
        EXPECT_EQ(graphics->width(), 640);
        EXPECT_EQ(graphics->height(), 480);
        graphics->setColor(kyrgx::Color(255, 0, 0));
        graphics->fillRect(10, 20, 100, 50);
        graphics->setColor(kyrgx::Color(0, 255, 0));
        graphics->setFont(graphics->getFont("arial.ttf", 32));
        graphics->drawText(L"Quorel", 200, 300);
    }
    EXPECT_EQ(frame.bgr(10, 20), (Bgr{0, 0, 255}));
    EXPECT_EQ(frame.bgr(109, 69), (Bgr{0, 0, 255}));
    EXPECT_EQ(frame.bgr(110, 70), (Bgr{0, 0, 0}));
    int green = 0;
    for (int y = 300; y < 340; ++y)
        for (int x = 200; x < 340; ++x)
            green += frame.bgr(x, y) == Bgr{0, 255, 0} ? 1 : 0;
    EXPECT_GT(green, 100);
    EXPECT_EQ(frame.bgr(600, 450), (Bgr{0, 0, 0}));
}

// Each saved image gets a Graphics of its own; the fonts are the context's,
// so the second image renders no glyph page again and gets the same text.
TEST_F(DrawingFactories, OffscreenGraphicsShareTheContextsFonts)
{
    Frame first(320, 80);
    Frame second(320, 80);
    kyrgx::ImageFont* font = nullptr;
    int rendered = 0;
    for (Frame* frame : {&first, &second}) {
        const auto graphics = context.makeGraphics(frame->view(), true);
        kyrgx::ImageFont* f = graphics->getFont("OpenSans-Regular.ttf", 24);
        if (font)
            EXPECT_EQ(f, font);
        else
            font = f;
        graphics->setColor(kyrgx::Color(255, 255, 0));
        graphics->setFont(f);
        graphics->drawText(L"L = 12.50 mm", 10, 20);
        if (frame == &first)
            rendered = font->renderCount();
    }
    EXPECT_EQ(font->renderCount(), rendered);
    EXPECT_EQ(context.offscreenFonts()->loadCount(), 1u);
    EXPECT_EQ(first.pixels, second.pixels);
    EXPECT_NE(first.pixels, Frame(320, 80).pixels) << "the text was drawn";
}

TEST_F(DrawingFactories, AFailedGraphicsLeavesThePainterFree)
{
    uint8_t yuv[16] = {};
    const kyr_kelvane::image_descriptor view{kyrgx::PixelFormat::YUV422, 4, 2, 8, false, yuv};
    EXPECT_THROW(context.makeGraphics(view, false), std::runtime_error);
    Frame frame(8, 8);
    EXPECT_NO_THROW(context.makeGraphics(frame.view(), false)->fillRect(0, 0, 8, 8));
    EXPECT_EQ(frame.bgr(7, 7), (Bgr{255, 255, 255}));
}

// Snaps are saved on the GUI thread while recordings burn overlays on frame
// threads: with one painter between them, each drawing job must have it alone.
TEST_F(DrawingFactories, ThreadsDrawingAtOnceGetTheirOwnPictures)
{
    constexpr int kRounds = 40;
    std::atomic<int> wrong{0};
    const auto draw = [&](kyrgx::Color colour, Bgr expected, int offset) {
        for (int round = 0; round < kRounds; ++round) {
            Frame frame(64, 48);
            {
                const auto graphics = context.makeGraphics(frame.view(), false);
                graphics->setColor(colour);
                for (int i = 0; i < 8; ++i)
                    graphics->fillRect(offset + i, 4 * i, 16, 4);
            }
            for (int i = 0; i < 8; ++i)
                wrong += frame.bgr(offset + i + 8, 4 * i + 2) == expected ? 0 : 1;
            wrong += frame.bgr(63 - offset, 47) == Bgr{0, 0, 0} ? 0 : 1;
        }
    };
    std::thread red([&] { draw(kyrgx::Color(255, 0, 0), Bgr{0, 0, 255}, 0); });
    std::thread blue([&] { draw(kyrgx::Color(0, 0, 255), Bgr{255, 0, 0}, 30); });
    draw(kyrgx::Color(0, 255, 0), Bgr{0, 255, 0}, 10);
    red.join();
    blue.join();
    EXPECT_EQ(wrong, 0);
}

// A recording keeps one Graphics from frame to frame (with its fonts): between
// its images it holds no lock, so a snapshot drawn meanwhile on another thread
// does not wait for the recording to end, and each image starts from the
// drawing state that reset() sets up.
TEST_F(DrawingFactories, AGraphicsKeptAcrossImagesHoldsTheLockOnlyWhileAnImageIsBegun)
{
    Frame first(32, 32);
    const auto kept = context.makeGraphics(first.view(), false);
    kyrgx::ImageFont* font = kept->getFont("arial.ttf", 12);
    kept->setColor(kyrgx::Color(255, 0, 0));
    kept->fillRect(0, 0, 4, 4);
    kept->context()->endImage();
    EXPECT_EQ(first.bgr(1, 1), (Bgr{0, 0, 255}));

    std::atomic<bool> snapped{false};
    std::thread snapshot([&] {
        Frame other(16, 16);
        context.makeGraphics(other.view(), false)->fillRect(0, 0, 16, 16);
        snapped = other.bgr(8, 8) == Bgr{255, 255, 255};
    });
    snapshot.join(); // would never return while the kept Graphics held the lock
    EXPECT_TRUE(snapped);

    Frame second(32, 32);
    ASSERT_TRUE(
        kept->context()->beginImage(second.pixels.data(), 32, 32, 32 * 4, kyrgx::PixelFormat::RGB32, false));
    kept->reset();
    kept->fillRect(8, 8, 4, 4);
    EXPECT_EQ(kept->getFont("arial.ttf", 12), font);
    kept->context()->endImage();
    EXPECT_EQ(second.bgr(9, 9), (Bgr{255, 255, 255}));
    EXPECT_EQ(second.bgr(1, 1), (Bgr{0, 0, 0}));
    EXPECT_EQ(first.bgr(9, 9), (Bgr{0, 0, 0}));
}

// Two recordings at once, each with its Graphics kept across its frames,
// draw every frame into their own pixels only.
TEST_F(DrawingFactories, KeptGraphicsOnTwoThreadsGetTheirOwnFrames)
{
    std::atomic<int> wrong{0};
    const auto record = [&](kyrgx::Color colour, Bgr expected) {
        Frame frame(48, 32);
        const auto graphics = context.makeGraphics(frame.view(), false);
        graphics->context()->endImage();
        for (int round = 0; round < 40; ++round) {
            std::fill(frame.pixels.begin(), frame.pixels.end(), uint8_t{0});
            if (!graphics->context()->beginImage(frame.pixels.data(), 48, 32, 48 * 4,
                                                 kyrgx::PixelFormat::RGB32, false)) {
                ++wrong;
                continue;
            }
            graphics->reset();
            graphics->setColor(colour);
            graphics->fillRect(0, 0, 24, 32);
            graphics->context()->endImage();
            wrong += frame.bgr(10, 10) == expected ? 0 : 1;
            wrong += frame.bgr(40, 10) == Bgr{0, 0, 0} ? 0 : 1;
        }
    };
    std::thread red([&] { record(kyrgx::Color(255, 0, 0), Bgr{0, 0, 255}); });
    record(kyrgx::Color(0, 0, 255), Bgr{255, 0, 0});
    red.join();
    EXPECT_EQ(wrong, 0);
}
