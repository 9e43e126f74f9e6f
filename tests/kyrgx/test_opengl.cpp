// The OpenGL back end under a real context (Mesa under Xvfb): every display
// format drawn through Graphics into an offscreen framebuffer, read back and
// compared with the program's CPU conversion,
// texture layouts, batching, scissor and pixel-buffer rules.

#include "GlContext.h"
#include "RecordingDriver.h"
#include "app/Utf8.h"
#include "filter/Converter.h"
#include "filter/Image.h"
#include "filter/ImageTransform.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/Pixmap.h"
#include "kyrgx/Resources.h"
#include "kyrgx/opengl/Pixelbuffer.h"
#include "kyrgx/opengl/glGraphics.h"
#include "kyrgx/opengl/glImage.h"
#include "kyrgx/opengl/glShader.h"

#include <GL/glew.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;
using kyrgx::PixelFormat;
using kyrgx::OpenGL::glGraphics;
using kyrgx::OpenGL::glImage;
using kyrgx::OpenGL::Pixelbuffer;
using quorel::test::FakeSurface;

namespace {

using Rgb = std::array<int, 3>;

std::vector<unsigned> g_draws; // index counts of the draw calls seen

void counting_draw(unsigned mode, int count, unsigned type, const void* indices)
{
    g_draws.push_back(static_cast<unsigned>(count));
    glDrawElements(mode, count, type, indices);
}

class GlTest : public ::testing::Test {
protected:
    static constexpr int W = 64;
    static constexpr int H = 48;

    void SetUp() override
    {
        ASSERT_TRUE(quorel::test::make_gl_context_current())
            << "no OpenGL context: run under an X server (xvfb-run)";
        kyrgx::set_resource_directory(
            app::path_to_wide(fs::read_symlink("/proc/self/exe").parent_path() / "data"));
        driver = std::make_shared<glGraphics>();
        target = std::make_unique<glImage>(W, H, PixelFormat::RGB32, kyrgx::USAGE_RENDER_TARGET);
        driver->setRenderTarget(target.get());
        graphics = std::make_shared<kyrgx::Graphics>(driver, std::make_shared<FakeSurface>(W, H));
        graphics->clear(0, 0, 0);
        g_draws.clear();
        glGraphics::setDrawElementsHook(&counting_draw);
    }

    void TearDown() override { glGraphics::setDrawElementsHook(nullptr); }

    // The render target's pixels, top row first, as red, green, blue, alpha.
    std::vector<uint8_t> readBack()
    {
        graphics->finish();
        std::vector<uint8_t> bottomUp(static_cast<size_t>(W * H * 4));
        glBindFramebuffer(GL_FRAMEBUFFER, target->framebuffer());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
        std::vector<uint8_t> topDown(bottomUp.size());
        for (int y = 0; y < H; ++y)
            std::memcpy(&topDown[static_cast<size_t>(y * W * 4)],
                        &bottomUp[static_cast<size_t>((H - 1 - y) * W * 4)], static_cast<size_t>(W * 4));
        return topDown;
    }

    static Rgb at(const std::vector<uint8_t>& px, int x, int y, int width = W)
    {
        const size_t i = static_cast<size_t>((y * width + x) * 4);
        return {px[i], px[i + 1], px[i + 2]};
    }

    std::shared_ptr<glGraphics> driver;
    std::unique_ptr<glImage> target;
    std::shared_ptr<kyrgx::Graphics> graphics;
};

// ---- Reference conversions on the CPU ----

// The colour of a mosaic sample grid at (x, y) from the 2x2 block below and to
// the right: red and blue from its red and blue sites, green from the upper row.
Rgb demosaic(const std::function<int(int, int)>& sample, int x, int y, int rx, int ry)
{
    const bool redColumn = (x & 1) == rx;
    const bool redRow = (y & 1) == ry;
    const int redX = redColumn ? x : x + 1;
    const int redY = redRow ? y : y + 1;
    const int blueX = redColumn ? x + 1 : x;
    const int blueY = redRow ? y + 1 : y;
    const int greenX = redRow ? blueX : redX;
    return {sample(redX, redY), sample(greenX, y), sample(blueX, blueY)};
}

struct Frame {
    PixelFormat format;
    int bytesPerRow;
    std::vector<uint8_t> data;

    kyr_kelvane::image_descriptor view(int w, int h)
    {
        kyr_kelvane::image_descriptor d;
        d.format = format;
        d.width = static_cast<uint32_t>(w);
        d.height = static_cast<uint32_t>(h);
        d.pitch = bytesPerRow;
        d.data = data.data();
        return d;
    }
};

Frame make_frame(PixelFormat format, int w, int h, std::mt19937& rng)
{
    const int f = static_cast<int>(format);
    const int bpr = f <= 14 ? w * kyrgx::pixel_format_bytes(format) : w * 3 / 2;
    Frame frame{format, bpr, std::vector<uint8_t>(static_cast<size_t>(bpr * h))};
    std::uniform_int_distribution<int> byte(0, 255);
    for (auto& b : frame.data)
        b = static_cast<uint8_t>(byte(rng));
    return frame;
}

int first_red_x(int f)
{
    const int order = (f - 18) % 4;
    return order == 1 || order == 3 ? 1 : 0;
}

int first_red_y(int f)
{
    return (f - 18) % 4 >= 2 ? 1 : 0;
}

int unpack12(const Frame& fr, int x, int y)
{
    const int f = static_cast<int>(fr.format);
    const size_t base = static_cast<size_t>(y * fr.bytesPerRow + (x / 2) * 3);
    const int b0 = fr.data[base];
    const int b1 = fr.data[base + 1];
    const int b2 = fr.data[base + 2];
    const bool highFirst = f == 16 || f >= 22;
    if ((x & 1) == 0)
        return highFirst ? (b0 << 4 | (b1 & 15)) : (b0 | (b1 & 15) << 8);
    return highFirst ? (b2 << 4 | b1 >> 4) : (b1 >> 4 | b2 << 4);
}

// The program's own conversion of a whole frame into red, green, blue per
// pixel: the format converter's demosaic for the mosaics, the orientation
// transform (which saved images go through) for every other display format.
std::vector<Rgb> cpu_colours(Frame& frame, int w, int h)
{
    const int f = static_cast<int>(frame.format);
    std::vector<Rgb> out(static_cast<size_t>(w * h));
    if ((f >= 5 && f <= 8) || (f >= 10 && f <= 13)) {
        ImageUtil::Image rgb(static_cast<uint32_t>(w), static_cast<uint32_t>(h), PixelFormat::RGB32);
        filter::Converter converter;
        EXPECT_TRUE(converter.selectKernel(frame.format, PixelFormat::RGB32));
        converter.apply(frame.view(w, h), ImageUtil::image_view_of(rgb));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t* p =
                    rgb.data() + static_cast<size_t>(y) * rgb.stride() + static_cast<size_t>(x) * 4;
                out[static_cast<size_t>(y * w + x)] = {p[2], p[1], p[0]};
            }
        return out;
    }
    std::shared_ptr<ImageUtil::Image> image;
    // The transform writes YUV422 red first; its swapped variant gives blue first like the rest.
    if (f == 14)
        ImageUtil::transformImageSwapRB(frame.view(w, h), 0, false, false, image);
    else
        ImageUtil::transformImage(frame.view(w, h), 0, false, false, image);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p =
                image->data() + static_cast<size_t>(y) * image->stride() + static_cast<size_t>(x) * 4;
            out[static_cast<size_t>(y * w + x)] = {p[2], p[1], p[0]};
        }
    return out;
}

// The packed 12-bit formats, which only the shader reads: samples scaled to 8
// bits, mosaics demosaiced like the converter does (the last row and column
// repeat their inner neighbour).
std::vector<Rgb> packed_colours(const Frame& frame, int w, int h)
{
    const int f = static_cast<int>(frame.format);
    const auto sample = [&](int sx, int sy) {
        return static_cast<int>(std::lround(unpack12(frame, sx, sy) * 255.0 / 4095.0));
    };
    std::vector<Rgb> out(static_cast<size_t>(w * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgb c;
            if (f == 15 || f == 16 || w < 2 || h < 2) {
                const int g = sample(x, y);
                c = {g, g, g};
            } else {
                c = demosaic(sample, std::min(x, w - 2), std::min(y, h - 2), first_red_x(f), first_red_y(f));
            }
            out[static_cast<size_t>(y * w + x)] = c;
        }
    return out;
}

} // namespace

// Every display format drawn unscaled shows exactly the colours the program's
// CPU conversion gives the same frame, the last row and column included: the
// live view shows what a saved image holds.
TEST_F(GlTest, EveryDisplayFormatShowsWhatTheCpuConverts)
{
    std::mt19937 rng(7);
    const int formats[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                           13, 14, 15, 16, 18, 19, 20, 21, 22, 23, 24, 25};
    struct Size {
        int w, h;
    };
    // The full target, odd sizes (a last row and column outside any 2x2 block)
    // and mosaics of a single row or column.
    const Size sizes[] = {{W, H}, {9, 7}, {6, 1}, {1, 5}};
    graphics->setBlendMode(kyrgx::BLEND_REPLACE);
    graphics->setFilterMode(kyrgx::FILTER_NEAREST);
    for (const Size size : sizes)
        for (int f : formats) {
            const bool packed = f >= 15;
            if (f == 14 && size.w % 2 != 0)
                continue; // YUV422 comes in pixel pairs
            if (packed && size.w % 2 != 0)
                continue; // packed rows hold pixel pairs
            SCOPED_TRACE(testing::Message() << "format " << f << " at " << size.w << "x" << size.h);
            Frame frame = make_frame(static_cast<PixelFormat>(f), size.w, size.h, rng);
            auto image = graphics->createImage(size.w, size.h, frame.format, kyrgx::USAGE_DEFAULT);
            image->uploadData(frame.data.data(), size.w, size.h, frame.bytesPerRow, frame.format, 0);
            graphics->clear(0, 0, 0);
            graphics->drawImageTransformed(image.get(), 0, 0, 1, 1, 0);
            const auto px = readBack();
            const std::vector<Rgb> want =
                packed ? packed_colours(frame, size.w, size.h) : cpu_colours(frame, size.w, size.h);
            // 12-bit samples are scaled by the shader in floating point.
            const int tolerance = packed ? 1 : 0;
            int worst = 0;
            int worstX = -1;
            int worstY = -1;
            for (int y = 0; y < size.h; ++y)
                for (int x = 0; x < size.w; ++x) {
                    const Rgb& expected = want[static_cast<size_t>(y * size.w + x)];
                    const Rgb got = at(px, x, y);
                    for (int c = 0; c < 3; ++c)
                        if (std::abs(expected[c] - got[c]) > worst) {
                            worst = std::abs(expected[c] - got[c]);
                            worstX = x;
                            worstY = y;
                        }
                }
            EXPECT_LE(worst, tolerance) << "at " << worstX << "," << worstY;
        }
}

// Formats converted texel by texel and drawn twice their size with linear
// filtering show each pixel between the converted colours of its four
// neighbours, weighted by distance (a quarter or three quarters here), the
// last row and column and images of one row or column included.
TEST_F(GlTest, ConvertedFormatsInterpolateBetweenConvertedPixels)
{
    std::mt19937 rng(11);
    const int formats[] = {5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 16, 18, 19, 20, 21, 22, 23, 24, 25};
    struct Size {
        int w, h;
    };
    const Size sizes[] = {{W / 2, H / 2}, {9, 7}, {6, 1}, {1, 5}};
    graphics->setBlendMode(kyrgx::BLEND_REPLACE);
    graphics->setFilterMode(kyrgx::FILTER_LINEAR);
    for (const Size size : sizes)
        for (int f : formats) {
            const bool packed = f >= 15;
            if ((f == 14 || packed) && size.w % 2 != 0)
                continue; // pixel pairs
            SCOPED_TRACE(testing::Message() << "format " << f << " at " << size.w << "x" << size.h);
            Frame frame = make_frame(static_cast<PixelFormat>(f), size.w, size.h, rng);
            auto image = graphics->createImage(size.w, size.h, frame.format, kyrgx::USAGE_DEFAULT);
            image->uploadData(frame.data.data(), size.w, size.h, frame.bytesPerRow, frame.format, 0);
            graphics->clear(0, 0, 0);
            graphics->drawImageTransformed(image.get(), 0, 0, 2, 2, 0);
            const auto px = readBack();
            const std::vector<Rgb> pixels =
                packed ? packed_colours(frame, size.w, size.h) : cpu_colours(frame, size.w, size.h);
            const auto colour = [&](int x, int y, int c) {
                x = std::clamp(x, 0, size.w - 1);
                y = std::clamp(y, 0, size.h - 1);
                return static_cast<float>(pixels[static_cast<size_t>(y * size.w + x)][c]);
            };
            const int tolerance = packed ? 2 : 1;
            int worst = 0;
            int worstX = -1;
            int worstY = -1;
            for (int y = 0; y < size.h * 2; ++y)
                for (int x = 0; x < size.w * 2; ++x) {
                    // The pixel centre lies a quarter pixel before or after a source centre.
                    const float posX = static_cast<float>(x) / 2.0f - 0.25f;
                    const float posY = static_cast<float>(y) / 2.0f - 0.25f;
                    const int x0 = static_cast<int>(std::floor(posX));
                    const int y0 = static_cast<int>(std::floor(posY));
                    const float tx = posX - static_cast<float>(x0);
                    const float ty = posY - static_cast<float>(y0);
                    const Rgb got = at(px, x, y);
                    for (int c = 0; c < 3; ++c) {
                        const float top = colour(x0, y0, c) * (1 - tx) + colour(x0 + 1, y0, c) * tx;
                        const float bottom =
                            colour(x0, y0 + 1, c) * (1 - tx) + colour(x0 + 1, y0 + 1, c) * tx;
                        const int want = static_cast<int>(std::lround(top * (1 - ty) + bottom * ty));
                        if (std::abs(want - got[c]) > worst) {
                            worst = std::abs(want - got[c]);
                            worstX = x;
                            worstY = y;
                        }
                    }
                }
            EXPECT_LE(worst, tolerance) << "at " << worstX << "," << worstY;
        }
}

// A solid red RGGB mosaic is red everywhere, also in the last row and column.
TEST_F(GlTest, SolidRedMosaicIsRedToItsEdges)
{
    const int w = 8;
    const int h = 6;
    std::vector<uint8_t> mosaic(static_cast<size_t>(w * h), 0);
    for (int y = 0; y < h; y += 2)
        for (int x = 0; x < w; x += 2)
            mosaic[static_cast<size_t>(y * w + x)] = 255;
    auto image = graphics->createImage(w, h, PixelFormat::RGGB8, kyrgx::USAGE_DEFAULT);
    image->uploadData(mosaic.data(), w, h, w, PixelFormat::RGGB8, 0);
    graphics->setBlendMode(kyrgx::BLEND_REPLACE);
    graphics->setFilterMode(kyrgx::FILTER_NEAREST);
    graphics->drawImageTransformed(image.get(), 0, 0, 1, 1, 0);
    const auto px = readBack();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(at(px, x, y), (Rgb{255, 0, 0})) << x << "," << y;
}

// Each format is drawn by a program of its own, built once; the formats the
// program filters itself have one per filter, the others share one.
TEST_F(GlTest, EachFormatAndFilterDrawsThroughItsOwnProgram)
{
    const auto draw = [&](PixelFormat format, int filter) {
        auto image = graphics->createImage(4, 4, format, kyrgx::USAGE_DEFAULT);
        graphics->setFilterMode(filter);
        graphics->drawImageTransformed(image.get(), 0, 0, 1, 1, 0);
        graphics->flush();
        return driver->currentProgram();
    };
    kyrgx::OpenGL::glShader* mono16 = draw(PixelFormat::MONO16, kyrgx::FILTER_LINEAR);
    ASSERT_TRUE(mono16);
    EXPECT_EQ(mono16, driver->imageProgram(PixelFormat::MONO16, true));
    EXPECT_EQ(draw(PixelFormat::MONO16, kyrgx::FILTER_NEAREST), mono16) << "sampled by the texture unit";
    EXPECT_NE(draw(PixelFormat::RGB32, kyrgx::FILTER_NEAREST), mono16);

    kyrgx::OpenGL::glShader* linear = draw(PixelFormat::RGGB16, kyrgx::FILTER_LINEAR);
    kyrgx::OpenGL::glShader* nearest = draw(PixelFormat::RGGB16, kyrgx::FILTER_NEAREST);
    EXPECT_NE(linear, nearest);
    EXPECT_NE(linear, mono16);
    EXPECT_EQ(draw(PixelFormat::RGGB16, kyrgx::FILTER_LINEAR), linear) << "built once";
    EXPECT_NE(draw(PixelFormat::GBRG16, kyrgx::FILTER_LINEAR), linear);

    auto width = std::dynamic_pointer_cast<kyrgx::OpenGL::glShaderParam>(linear->param("_width"));
    ASSERT_TRUE(width);
    EXPECT_EQ(width->values()[0], 4.0f);
    EXPECT_FALSE(width->changed()) << "uploaded by the draw";
    EXPECT_FALSE(linear->param("_pixelformat")) << "the format is compiled in";
}

TEST_F(GlTest, TextureLayouts)
{
    struct Row {
        int format;
        int width;
        int textureWidth;
        unsigned glFormat;
    };
    const Row rows[] = {
        {1, 640, 640, GL_RGB},        {2, 640, 640, GL_RGBA},       {3, 640, 640, GL_RGBA},
        {4, 640, 640, GL_LUMINANCE},  {9, 640, 640, GL_LUMINANCE},  {14, 640, 320, GL_RGBA},
        {15, 640, 960, GL_LUMINANCE}, {18, 640, 960, GL_LUMINANCE}, {25, 640, 960, GL_LUMINANCE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.format);
        glImage image(row.width, 480, static_cast<PixelFormat>(row.format), kyrgx::USAGE_DEFAULT);
        EXPECT_EQ(image.layout().textureWidth, row.textureWidth);
        EXPECT_EQ(image.layout().glFormat, row.glFormat);
        GLint w = 0;
        GLint h = 0;
        glBindTexture(GL_TEXTURE_2D, image.textureId(0));
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        EXPECT_EQ(w, row.textureWidth);
        EXPECT_EQ(h, 480);
        EXPECT_EQ(image.framebuffer(), 0u);
    }
    for (int bad : {0, 17, 26}) {
        try {
            glImage image(4, 4, static_cast<PixelFormat>(bad), kyrgx::USAGE_DEFAULT);
            ADD_FAILURE() << bad << " accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), "Unknown texture format.");
        }
    }
}

TEST_F(GlTest, UploadFollowsTheBufferAndRejectsUnknownFormats)
{
    glImage image(640, 480, PixelFormat::RGB32, kyrgx::USAGE_DEFAULT);
    kyrgx::Pixmap mono(1280, 960, 1280, PixelFormat::MONO8);
    image.upload(&mono, 0);
    EXPECT_EQ(image.format(), PixelFormat::MONO8);
    EXPECT_EQ(image.size(), (kyrgx::Vec2<int>{1280, 960}));
    EXPECT_EQ(image.layout().glFormat, static_cast<unsigned>(GL_LUMINANCE));

    // Index 1 uploads nothing but still follows the new size.
    kyrgx::Pixmap small(8, 8, 32, PixelFormat::RGB32);
    image.upload(&small, 1);
    EXPECT_EQ(image.size(), (kyrgx::Vec2<int>{8, 8}));

    const uint32_t before = image.textureId(0);
    EXPECT_THROW(image.uploadData(small.data(), 8, 8, 32, static_cast<PixelFormat>(17), 0),
                 std::invalid_argument);
    EXPECT_EQ(image.format(), PixelFormat::RGB32) << "a rejected upload leaves the image as it was";
    EXPECT_EQ(image.textureId(0), before);
}

TEST_F(GlTest, RectanglesAreBatchedUpTo256Quads)
{
    for (int i = 0; i < 300; ++i)
        graphics->fillRect(i % W, 0, 1, 1);
    graphics->flush();
    EXPECT_EQ(g_draws, (std::vector<unsigned>{256 * 6, 44 * 6}));
}

TEST_F(GlTest, ColourChangesKeepTheBatchAndTheirColours)
{
    graphics->setColor(kyrgx::Color(255, 0, 0));
    graphics->fillRect(0, 0, 10, 10);
    graphics->setColor(kyrgx::Color(0, 0, 255));
    graphics->fillRect(10, 0, 10, 10);
    const auto px = readBack();
    EXPECT_EQ(g_draws.size(), 1u);
    EXPECT_EQ(at(px, 5, 5), (Rgb{255, 0, 0}));
    EXPECT_EQ(at(px, 15, 5), (Rgb{0, 0, 255}));
    EXPECT_EQ(at(px, 25, 5), (Rgb{0, 0, 0}));
}

TEST_F(GlTest, ImageChangesBreakTheBatch)
{
    auto a = graphics->createImage(4, 4, PixelFormat::RGB32, kyrgx::USAGE_DEFAULT);
    auto b = graphics->createImage(4, 4, PixelFormat::RGB32, kyrgx::USAGE_DEFAULT);
    driver->drawImageRect(a.get(), 0, 0, 0, 0, 2, 2);
    driver->drawImageRect(a.get(), 4, 0, 2, 2, 2, 2);
    EXPECT_TRUE(g_draws.empty()) << "quads of one image wait in the batch";
    driver->drawImageRect(b.get(), 8, 0, 0, 0, 2, 2);
    EXPECT_EQ(g_draws, (std::vector<unsigned>{12}));
    driver->fillRect(0, 10, 4, 4); // an untextured quad draws the image batch first
    EXPECT_EQ(g_draws, (std::vector<unsigned>{12, 6}));
    driver->flush();
    EXPECT_EQ(g_draws, (std::vector<unsigned>{12, 6, 6}));
}

TEST_F(GlTest, UnchangedModesNeitherFlushNorMark)
{
    driver->flush();
    graphics->fillRect(0, 0, 2, 2);
    const uint32_t flags = driver->dirtyFlags();
    driver->setBlendMode(kyrgx::BLEND_ALPHA);
    driver->setFilterMode(kyrgx::FILTER_LINEAR);
    EXPECT_EQ(driver->dirtyFlags(), flags);
    EXPECT_EQ(driver->vertexCount(), 4u);
    driver->setBlendMode(kyrgx::BLEND_ADD);
    EXPECT_EQ(driver->vertexCount(), 0u) << "a new mode draws the batch first";
    EXPECT_NE(driver->dirtyFlags() & glGraphics::DIRTY_BLEND, 0u);

    driver->setBlendMode(7);
    graphics->fillRect(0, 0, 2, 2);
    try {
        driver->flush();
        FAIL() << "no exception";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "Invalid BlendMode.");
    }
    driver->setBlendMode(kyrgx::BLEND_ALPHA);
    EXPECT_NO_THROW(driver->flush());
}

TEST_F(GlTest, ClipBecomesTheScissorRectangle)
{
    graphics->setViewport(0, 0, W, 200);
    graphics->setClip(10, 20, 30, 40);
    driver->flush();
    GLint box[4] = {};
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    EXPECT_EQ((std::array<GLint, 4>{box[0], box[1], box[2], box[3]}),
              (std::array<GLint, 4>{10, 140, 30, 40}));

    graphics->setClip(0, 0, W, 200);
    driver->flush();
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));

    // Drawing obeys the clip, clearing too.
    graphics->setViewport(0, 0, W, H);
    graphics->setClip(4, 4, 8, 8);
    graphics->clear(0, 255, 0);
    graphics->setClip(0, 0, W, H);
    const auto px = readBack();
    EXPECT_EQ(at(px, 4, 4), (Rgb{0, 255, 0}));
    EXPECT_EQ(at(px, 11, 11), (Rgb{0, 255, 0}));
    EXPECT_EQ(at(px, 3, 4), (Rgb{0, 0, 0}));
    EXPECT_EQ(at(px, 12, 11), (Rgb{0, 0, 0}));
}

TEST_F(GlTest, LinesAreQuadsAlongADeviceAxis)
{
    graphics->setLineWidth(2.0f);
    graphics->drawLine(2, 5, 30, 5);
    graphics->drawLine(40, 10, 40, 30);
    const auto px = readBack();
    EXPECT_EQ(at(px, 10, 4), (Rgb{255, 255, 255}));
    EXPECT_EQ(at(px, 10, 5), (Rgb{255, 255, 255}));
    EXPECT_EQ(at(px, 10, 3), (Rgb{0, 0, 0}));
    EXPECT_EQ(at(px, 10, 6), (Rgb{0, 0, 0}));
    EXPECT_EQ(at(px, 39, 20), (Rgb{255, 255, 255}));
    EXPECT_EQ(at(px, 40, 20), (Rgb{255, 255, 255}));
    EXPECT_EQ(at(px, 38, 20), (Rgb{0, 0, 0}));
    EXPECT_EQ(at(px, 41, 20), (Rgb{0, 0, 0}));
}

TEST_F(GlTest, TextIsTintedByTheColour)
{
    graphics->setFont(graphics->getFont("arial.ttf", 32));
    graphics->setColor(kyrgx::Color(255, 128, 0));
    graphics->drawText(L"HI", 2, 2);
    const auto px = readBack();
    int orange = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            orange += at(px, x, y) == Rgb{255, 128, 0} ? 1 : 0;
    EXPECT_GT(orange, 50);
    EXPECT_EQ(g_draws.size(), 1u) << "both glyphs in one draw";
}

TEST_F(GlTest, PixelbufferLockRulesOnBothMappingPaths)
{
    for (const auto access : {Pixelbuffer::Access::Automatic, Pixelbuffer::Access::Binding}) {
        SCOPED_TRACE(access == Pixelbuffer::Access::Automatic ? "automatic" : "binding");
        Pixelbuffer pbo(W, H, W * 4, PixelFormat::RGB32, 0, access);
        EXPECT_EQ(pbo.usesDirectStateAccess(),
                  access == Pixelbuffer::Access::Automatic && GLEW_ARB_direct_state_access);
        EXPECT_EQ(pbo.byteSize(), static_cast<uint32_t>(W * H * 4));
        try {
            pbo.data();
            ADD_FAILURE() << "data() while unlocked";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Pixelbuffer::data(): Pixelbuffer is not locked.");
        }
        try {
            pbo.unlock();
            ADD_FAILURE() << "unlock() while unlocked";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Pixelbuffer::unlock(): Pixelbuffer not locked.");
        }
        uint8_t* p = pbo.lock();
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(pbo.data(), p);
        try {
            pbo.lock();
            ADD_FAILURE() << "second lock";
        } catch (const std::logic_error& e) {
            EXPECT_STREQ(e.what(), "Pixelbuffer already locked.");
        }
        EXPECT_TRUE(pbo.isLocked());
        for (int i = 0; i < W * H; ++i) {
            p[i * 4 + 0] = 200; // blue
            p[i * 4 + 1] = 100; // green
            p[i * 4 + 2] = 50;  // red
            p[i * 4 + 3] = 255;
        }
        glImage image(W, H, PixelFormat::RGB32, kyrgx::USAGE_DEFAULT);
        try {
            image.upload(&pbo, 0);
            ADD_FAILURE() << "upload of a locked buffer";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "glImage: Buffer is locked.");
        }
        pbo.unlock();
        image.upload(&pbo, 0);
        graphics->clear(0, 0, 0);
        graphics->drawImageTransformed(&image, 0, 0, 1, 1, 0);
        const auto px = readBack();
        EXPECT_EQ(at(px, 0, 0), (Rgb{50, 100, 200}));
        EXPECT_EQ(at(px, W - 1, H - 1), (Rgb{50, 100, 200}));
    }
    Pixelbuffer padded(100, 10, 400, PixelFormat::RGB32, 8192);
    EXPECT_EQ(padded.byteSize(), 8192u);
    Pixelbuffer exact(100, 10, 400, PixelFormat::RGB32);
    EXPECT_EQ(exact.byteSize(), 4000u);
    exact.lock(); // destroyed while locked: unmapped quietly
}

TEST_F(GlTest, DriverBasics)
{
    EXPECT_FALSE(driver->rendererName().empty());
    EXPECT_TRUE(driver->supportsFeature());
    EXPECT_FALSE(driver->hasNativeText(L"x", 0, 0));
    EXPECT_EQ(target->framebuffer() != 0, true);
}

// Every luma, U and V byte triple converts on the GPU exactly as on the CPU:
// one draw per V, with U along the row and the lumas down the rows.
TEST(GlYuv, EveryTripleShowsWhatTheCpuConverts)
{
    ASSERT_TRUE(quorel::test::make_gl_context_current())
        << "no OpenGL context: run under an X server (xvfb-run)";
    kyrgx::set_resource_directory(
        app::path_to_wide(fs::read_symlink("/proc/self/exe").parent_path() / "data"));
    const int w = 512; // 256 pixel pairs: one per U
    const int h = 128; // two lumas per row
    auto driver = std::make_shared<glGraphics>();
    auto target = std::make_unique<glImage>(w, h, PixelFormat::RGB32, kyrgx::USAGE_RENDER_TARGET);
    driver->setRenderTarget(target.get());
    kyrgx::Graphics g(driver, std::make_shared<FakeSurface>(w, h));
    g.setBlendMode(kyrgx::BLEND_REPLACE);
    g.setFilterMode(kyrgx::FILTER_NEAREST);
    auto image = g.createImage(w, h, PixelFormat::YUV422, kyrgx::USAGE_DEFAULT);
    std::vector<uint8_t> yuv(static_cast<size_t>(w * 2 * h));
    std::vector<uint8_t> px(static_cast<size_t>(w * h * 4));
    int mismatches = 0;
    for (int v = 0; v < 256; ++v) {
        for (int y = 0; y < h; ++y)
            for (int u = 0; u < 256; ++u) {
                uint8_t* pair = &yuv[static_cast<size_t>(y * w * 2 + u * 4)];
                pair[0] = static_cast<uint8_t>(y * 2);
                pair[1] = static_cast<uint8_t>(u);
                pair[2] = static_cast<uint8_t>(y * 2 + 1);
                pair[3] = static_cast<uint8_t>(v);
            }
        image->uploadData(yuv.data(), w, h, w * 2, PixelFormat::YUV422, 0);
        g.drawImageTransformed(image.get(), 0, 0, 1, 1, 0);
        g.finish();
        glBindFramebuffer(GL_FRAMEBUFFER, target->framebuffer());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t* pair = &yuv[static_cast<size_t>(y * w * 2 + (x / 2) * 4)];
                uint8_t want[4];
                ImageUtil::yuv_to_rgb(pair[(x & 1) * 2], pair[1], pair[3], want);
                const uint8_t* got = &px[static_cast<size_t>(((h - 1 - y) * w + x) * 4)];
                if (std::memcmp(got, want, 3) != 0 && ++mismatches <= 5)
                    ADD_FAILURE() << "Y " << int(pair[(x & 1) * 2]) << " U " << int(pair[1]) << " V "
                                  << int(pair[3]) << ": GPU " << int(got[0]) << "," << int(got[1]) << ","
                                  << int(got[2]) << ", CPU " << int(want[0]) << "," << int(want[1]) << ","
                                  << int(want[2]);
            }
    }
    EXPECT_EQ(mismatches, 0);
}
