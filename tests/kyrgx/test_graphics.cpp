// Graphics over a recording driver: the calls each drawing operation makes,
// fonts and glyph pages, text measuring and wrapping, and the defaults of messages.

#include "RecordingDriver.h"
#include "app/TextFile.h"
#include "app/Utf8.h"
#include "kyrgx/FontCache.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/ImageFile.h"
#include "kyrgx/ImageFont.h"
#include "kyrgx/Keys.h"
#include "kyrgx/Message.h"
#include "kyrgx/Resources.h"
#include "kyrgx/TextLayout.h"
#include "support/HostileFiles.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;
using quorel::test::FakeSurface;
using quorel::test::RecordingDriver;
using quorel::test::RecordingImage;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

fs::path data_folder()
{
    return fs::read_symlink("/proc/self/exe").parent_path() / "data";
}

class GraphicsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kyrgx::set_resource_directory(app::path_to_wide(data_folder()));
        driver = std::make_shared<RecordingDriver>();
        surface = std::make_shared<FakeSurface>(320, 200);
        graphics = std::make_shared<kyrgx::Graphics>(driver, surface);
        driver->clearCalls();
    }

    kyrgx::ImageFont* arial(int size = 16) { return graphics->getFont("arial.ttf", size); }

    std::shared_ptr<RecordingDriver> driver;
    std::shared_ptr<FakeSurface> surface;
    std::shared_ptr<kyrgx::Graphics> graphics;
};

} // namespace

TEST(KyrgxGraphicsSetup, ConstructionSendsTheResetState)
{
    auto driver = std::make_shared<RecordingDriver>();
    auto surface = std::make_shared<FakeSurface>(640, 480);
    kyrgx::Graphics g(driver, surface);
    EXPECT_THAT(driver->calls,
                ElementsAre("setViewport(0,0,640,480)", "setClip(0,0,640,480)", "setColor(255,255,255)",
                            "setAlpha(1)", "setBlendMode(1)", "setFilterMode(3)"));
    EXPECT_EQ(g.width(), 640);
    EXPECT_EQ(g.height(), 480);
    EXPECT_EQ(g.color(), kyrgx::Color(255, 255, 255, 255));
    EXPECT_FLOAT_EQ(g.lineWidth(), 1.0f);

    kyrgx::Graphics second(driver, std::make_shared<FakeSurface>(1, 1));
    EXPECT_EQ(second.id(), g.id() + 1);
}

TEST_F(GraphicsTest, ResizeSetsClipThenViewportThenNotifies)
{
    graphics->resized = [this](int w, int h) {
        driver->calls.push_back(fmt::format("resized({},{})", w, h));
    };
    int seconds = 0;
    graphics->notified = [&](int a, int b) { seconds += a + b; };
    surface->resize(800, 600);
    EXPECT_THAT(driver->calls,
                ElementsAre("setClip(0,0,800,600)", "setViewport(0,0,800,600)", "resized(800,600)"));
    EXPECT_EQ(graphics->width(), 800);
    EXPECT_EQ(graphics->height(), 600);
    auto clip = graphics->clipRect();
    EXPECT_EQ(clip.right, 800);
    EXPECT_EQ(clip.bottom, 600);
    surface->notified(3, 4);
    EXPECT_EQ(seconds, 7);

    // A surface that outlives its Graphics no longer reaches it.
    graphics.reset();
    surface->resize(10, 10);
    EXPECT_FALSE(surface->resized);
}

TEST_F(GraphicsTest, ColourAndAlphaSettersStoreClampedAndSendAsGiven)
{
    struct Row {
        std::function<void(kyrgx::Graphics&)> call;
        std::vector<std::string> sent;
        kyrgx::Color stored;
    };
    const std::vector<Row> rows = {
        {[](kyrgx::Graphics& g) { g.setColor(kyrgx::Color(10, 20, 30, 128)); },
         {"setColor(10,20,30)", "setAlpha(0.502)"},
         kyrgx::Color(10, 20, 30, 128)},
        {[](kyrgx::Graphics& g) { g.setColorARGB(0x80112233u); },
         {"setColor(17,34,51)", "setAlpha(0.502)"},
         kyrgx::Color(0x11, 0x22, 0x33, 0x80)},
        {[](kyrgx::Graphics& g) { g.setColorRGB(300.0f, -5.0f, 10.5f); },
         {"setColor(300,-5,10.5)"},
         kyrgx::Color(255, 0, 10, 255)},
        {[](kyrgx::Graphics& g) { g.setAlpha(1.5f); }, {"setAlpha(1.5)"}, kyrgx::Color(255, 255, 255, 255)},
        {[](kyrgx::Graphics& g) { g.setAlpha(-1.0f); }, {"setAlpha(-1)"}, kyrgx::Color(255, 255, 255, 0)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sent.front());
        graphics->reset();
        driver->clearCalls();
        row.call(*graphics);
        EXPECT_EQ(driver->calls, row.sent);
        EXPECT_EQ(graphics->color(), row.stored);
    }
}

TEST_F(GraphicsTest, StateSettersAndClearForwardAtOnce)
{
    graphics->setBlendMode(kyrgx::BLEND_ADD);
    graphics->setFilterMode(kyrgx::FILTER_NEAREST);
    graphics->setViewport(1, 2, 3, 4);
    graphics->setClip(5, 6, 7, 8);
    graphics->clear(1, 2, 3);
    graphics->clearColor(kyrgx::Color(4, 5, 6, 0));
    graphics->flush();
    graphics->finish();
    EXPECT_THAT(driver->calls,
                ElementsAre("setBlendMode(2)", "setFilterMode(1)", "setViewport(1,2,3,4)", "setClip(5,6,7,8)",
                            "clear(1,2,3)", "clear(4,5,6)", "flush", "finish"));
    const auto clip = graphics->clipRect();
    EXPECT_EQ(clip.left, 5);
    EXPECT_EQ(clip.top, 6);
    EXPECT_EQ(clip.right, 12);
    EXPECT_EQ(clip.bottom, 14);
}

TEST_F(GraphicsTest, PrimitivesSendTheTransformInForceFirst)
{
    graphics->setLineWidth(2.5f);
    graphics->pushTransform();
    graphics->transform(1, 0, 0, 1, 10, 20); // translate
    graphics->transform(2, 0, 0, 2, 0, 0);   // then scale: applies to points first
    graphics->drawLine(1, 2, 3, 4);
    graphics->fillRect(1, 2, 3, 4);
    graphics->popTransform();
    graphics->fillRectF(0.5f, 1.5f, 2.5f, 3.5f);
    EXPECT_THAT(driver->calls, ElementsAre("setTransform(2,0,0,2,10,20)", "drawLine(1,2,3,4,2.5)",
                                           "setTransform(2,0,0,2,10,20)", "fillRect(1,2,3,4)",
                                           "setTransform(1,0,0,1,0,0)", "fillRect(0.5,1.5,2.5,3.5)"));
    EXPECT_FALSE(graphics->currentTransform().nonIdentity);
    EXPECT_THROW(graphics->popTransform(), std::logic_error);

    kyrgx::Affine2D t(1, 0, 0, 1, 5, 5);
    graphics->setTransform(t);
    EXPECT_TRUE(graphics->currentTransform().nonIdentity);
    const auto p = graphics->currentTransform().map({1, 1});
    EXPECT_FLOAT_EQ(p.x, 6.0f);
}

TEST_F(GraphicsTest, CircleIsAClosedChainOfLines)
{
    struct Row {
        float radius;
        size_t segments;
    };
    for (const Row row : {Row{2.0f, 12}, Row{101.0f, 200}, Row{600.0f, 1024}}) {
        SCOPED_TRACE(row.radius);
        driver->clearCalls();
        graphics->drawCircle(50.0f, 40.0f, row.radius);
        ASSERT_EQ(driver->calls.size(), row.segments + 1);
        EXPECT_EQ(driver->calls.front(), "setTransform(1,0,0,1,0,0)");
    }
    driver->clearCalls();
    graphics->drawCircle(0.0f, 0.0f, 4.0f);
    // The first segment starts at (r, 0) and the last one ends there.
    EXPECT_THAT(driver->calls[1], ::testing::StartsWith("drawLine(4,0,"));
    EXPECT_THAT(driver->calls.back(), ::testing::EndsWith(",4,0,1)"));
}

TEST_F(GraphicsTest, ImageTransformedPlacesItsOriginAndTurnsClockwise)
{
    RecordingImage image(20, 10, kyrgx::PixelFormat::RGB32, 3);
    image.setOrigin(10.0f, 5.0f);
    graphics->drawImageTransformed(&image, 100.0f, 100.0f, 1.0f, 1.0f, 90.0f);
    ASSERT_EQ(driver->calls.size(), 3u);
    EXPECT_THAT(driver->calls[0], HasSubstr("setTransform"));
    EXPECT_EQ(driver->calls[1], "drawImage(0,0)");
    EXPECT_EQ(driver->calls[2], "flush");
    const auto origin = driver->lastTransform.map({10.0f, 5.0f});
    EXPECT_NEAR(origin.x, 100.0f, 1e-4);
    EXPECT_NEAR(origin.y, 100.0f, 1e-4);
    const auto right = driver->lastTransform.map({11.0f, 5.0f});
    EXPECT_NEAR(right.x, 100.0f, 1e-4);
    EXPECT_NEAR(right.y, 101.0f, 1e-4);
    EXPECT_FALSE(graphics->currentTransform().nonIdentity) << "the transform is restored";

    graphics->drawImageTransformed(&image, 0.0f, 0.0f, 2.0f, 3.0f, 0.0f);
    const auto scaled = driver->lastTransform.map({11.0f, 6.0f});
    EXPECT_NEAR(scaled.x, 2.0f, 1e-5);
    EXPECT_NEAR(scaled.y, 3.0f, 1e-5);
}

TEST_F(GraphicsTest, TextWithoutAFontThrowsAStandardException)
{
    try {
        graphics->drawText(L"abc", 0, 0);
        FAIL() << "no exception";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "Invalid font.");
    }
    EXPECT_TRUE(driver->calls.empty());
}

TEST_F(GraphicsTest, TextIsDrawnGlyphByGlyphFromTheAtlas)
{
    kyrgx::ImageFont* font = arial();
    graphics->setFont(font);
    const kyrgx::Glyph* a = font->glyph(driver.get(), U'A');
    const kyrgx::Glyph* v = font->glyph(driver.get(), U'V');
    ASSERT_TRUE(a && v);
    kyrgx::Image* atlas = font->pageImage(*a);
    ASSERT_NE(atlas, nullptr);
    const float aw = static_cast<float>(atlas->size().x);
    const float ah = static_cast<float>(atlas->size().y);
    driver->clearCalls();

    // A character beyond the face's pages has no glyph: the pen stays put.
    graphics->drawText(std::wstring(1, static_cast<wchar_t>(0x10FFFD)) + L"AV", 10.3f, 20.7f);
    ASSERT_EQ(driver->calls.size(), 3u);
    EXPECT_EQ(driver->calls[0], "setTransform(1,0,0,1,0,0)");
    EXPECT_EQ(driver->calls[1],
              fmt::format("drawImageRect({},{},{},{},{},{})", 10 + a->leftBearing, 21 + a->topOffset,
                          a->uMin * aw, a->vMin * ah, (a->uMax - a->uMin) * aw, (a->vMax - a->vMin) * ah));
    const int vx = static_cast<int>(10.3f + a->advance + 0.5001f);
    EXPECT_THAT(driver->calls[2], ::testing::StartsWith(fmt::format("drawImageRect({},{},",
                                                                    vx + v->leftBearing, 21 + v->topOffset)));
}

TEST_F(GraphicsTest, CodePointsOutsideTheBasicPlaneDoNotAliasOntoOtherGlyphs)
{
    kyrgx::ImageFont* font = arial();
    ASSERT_NE(font->glyph(driver.get(), U'A'), nullptr);
    // 0x10041 truncated to 16 bits would be 'A'.
    EXPECT_EQ(font->glyph(driver.get(), 0x10041), nullptr);
    graphics->setFont(font);
    driver->clearCalls();
    graphics->drawText(std::wstring(1, static_cast<wchar_t>(0x10041)), 0, 0);
    EXPECT_EQ(driver->calls.size(), 1u) << "only the transform";
}

// Every offscreen drawing makes a Graphics of its own: with a shared cache
// the second one finds the font, its pages already rendered, instead of
// opening the file and rendering the pages again.
TEST_F(GraphicsTest, GraphicsSharingAFontCacheRenderEachPageOnce)
{
    const auto cache = std::make_shared<kyrgx::FontCache>();
    graphics->setFontCache(cache);
    kyrgx::ImageFont* font = arial();
    graphics->setFont(font);
    graphics->drawText(L"Length 12.5 mm", 0, 0);
    const int rendered = font->renderCount();
    ASSERT_GT(rendered, 0);

    auto second = std::make_shared<kyrgx::Graphics>(std::make_shared<RecordingDriver>(),
                                                    std::make_shared<FakeSurface>(64, 64));
    second->setFontCache(cache);
    EXPECT_EQ(second->getFont("arial.ttf", 16), font);
    second->setFont(font);
    second->drawText(L"Length 12.5 mm", 0, 0);
    EXPECT_EQ(font->renderCount(), rendered);
    EXPECT_EQ(cache->loadCount(), 1u);

    // Another size is another font; a failure is not kept.
    EXPECT_NE(second->getFont("arial.ttf", 18), font);
    EXPECT_THROW(second->getFont("missing.ttf", 16), std::runtime_error);
    EXPECT_THROW(second->getFont("missing.ttf", 16), std::runtime_error);
    EXPECT_EQ(cache->size(), 2u);
    EXPECT_EQ(cache->loadCount(), 2u);
}

// Scripts can ask for any size: the cache forgets the font asked for longest
// ago, while a Graphics that got it keeps drawing with it.
TEST_F(GraphicsTest, AFullFontCacheForgetsTheFontAskedForLongestAgo)
{
    const auto cache = std::make_shared<kyrgx::FontCache>(2);
    graphics->setFontCache(cache);
    kyrgx::ImageFont* sixteen = arial(16);
    arial(17);
    EXPECT_EQ(cache->get((data_folder() / "arial.ttf").string(), 16).get(), sixteen) << "asked for again";
    arial(18); // forgets 17
    EXPECT_EQ(cache->size(), 2u);
    EXPECT_EQ(cache->loadCount(), 3u);
    cache->get((data_folder() / "arial.ttf").string(), 16);
    EXPECT_EQ(cache->loadCount(), 3u) << "16 was kept";
    cache->get((data_folder() / "arial.ttf").string(), 17);
    EXPECT_EQ(cache->loadCount(), 4u) << "17 was forgotten";
    EXPECT_EQ(cache->size(), 2u);

    // 18 is forgotten now too, but this Graphics still holds it.
    kyrgx::ImageFont* eighteen = arial(18);
    graphics->setFont(eighteen);
    graphics->drawText(L"still drawn", 0, 0);
    EXPECT_GT(eighteen->renderCount(), 0);
}

// Graphics on several threads (a snapshot being drawn while a recording burns
// its frames) build the pages of one shared font at once.
TEST_F(GraphicsTest, ThreadsShareAFontWhileItsPagesAreBuilt)
{
    const auto cache = std::make_shared<kyrgx::FontCache>();
    std::vector<std::thread> threads;
    std::vector<float> widths(4, 0.0f);
    for (size_t t = 0; t < widths.size(); ++t)
        threads.emplace_back([&, t] {
            kyrgx::Graphics g(std::make_shared<RecordingDriver>(), std::make_shared<FakeSurface>(64, 64));
            g.setFontCache(cache);
            kyrgx::ImageFont* font = g.getFont("arial.ttf", 20);
            g.setFont(font);
            const std::wstring text = L"Fl\u00e4che \u20ac 3.2 mm\u00b2 \u0391\u03b2";
            g.drawText(text, 0, 0);
            widths[t] = font->measure(g.driver(), text).x;
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(cache->loadCount(), 1u);
    for (float w : widths)
        EXPECT_EQ(w, widths[0]);
    EXPECT_GT(widths[0], 0.0f);
}

TEST_F(GraphicsTest, FontsAreLoadedOnceAndFailuresAreNotCached)
{
    kyrgx::ImageFont* first = graphics->getFont("arial.ttf", 16);
    EXPECT_EQ(graphics->getFont("arial.ttf", 16), first);
    kyrgx::ImageFont* other = graphics->getFont("arial.ttf", 18);
    EXPECT_NE(other, first);
    EXPECT_EQ(first->pixelSize(), 16);
    EXPECT_EQ(first->fileName(), (data_folder() / "arial.ttf").string());
    EXPECT_GT(first->lineHeight(), 16);
    EXPECT_GT(first->ascender(), 0);

    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            graphics->getFont("missing.ttf", 16);
            FAIL() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_THAT(e.what(), HasSubstr("Failed to load font (FT_New_Face) url="));
            EXPECT_THAT(e.what(), HasSubstr("missing.ttf"));
        }
    }
}

// Fonts, images and texts of the resource folder that are replaced by a FIFO,
// a link to /dev/zero, a folder or a file past their cap are refused at once,
// with the file's name and the reason.
TEST_F(GraphicsTest, ResourceFilesThatAreNoRegularFilesAreRefusedAtOnce)
{
    const fs::path dir = quorel::test::make_temp_dir("hostile");
    kyrgx::set_resource_directory(app::path_to_wide(dir));
    const struct {
        const char* name;
        uint64_t limit;
        std::function<void()> load;
    } kinds[] = {
        {"font.ttf", uint64_t{64} << 20, [&] { graphics->getFont("font.ttf", 16); }},
        {"image.png", kyrgx::MAX_IMAGE_FILE_BYTES,
         [&] { graphics->loadImage(app::path_to_wide(dir / "image.png")); }},
        {"theme.json", app::kSettingsFileLimit,
         [] {
             if (kyrgx::load_resource_text(L"theme.json").empty())
                 throw std::runtime_error("empty");
         }},
    };
    for (const auto& row : quorel::test::hostile_cases()) {
        for (const auto& kind : kinds) {
            SCOPED_TRACE(std::string(row.name) + " as " + kind.name);
            const fs::path file = dir / kind.name;
            if (row.kind == quorel::test::Hostile::Oversized) {
                std::ofstream(file, std::ios::binary).put('x'); // past the cap without writing it all
                fs::resize_file(file, kind.limit + 1);
            } else {
                quorel::test::make_hostile(file, row, "x", 0);
            }
            quorel::test::LogCapture log;
            std::string error = "no exception";
            quorel::test::finishes_promptly(
                [&] {
                    try {
                        kind.load();
                    } catch (const std::runtime_error& e) {
                        error = e.what();
                    }
                },
                {file});
            if (error == "empty") // the text reader logs and gives ""
                error = log.texts(spdlog::level::err).empty() ? "" : log.texts(spdlog::level::err)[0];
            EXPECT_THAT(error, HasSubstr(quorel::test::hostile_message(file, row)));
            fs::remove_all(file);
        }
    }
}

namespace {

// A copy of the font whose glyph outlines are overwritten with garbage: the
// file still opens, but FreeType cannot render its glyphs.
fs::path damaged_font_copy(const fs::path& font, const fs::path& dir)
{
    std::ifstream in(font, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    auto be32 = [&](size_t at) {
        return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) << 24 |
               static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 16 |
               static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 8 |
               static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3]));
    };
    const size_t tables = static_cast<uint8_t>(bytes[4]) << 8 | static_cast<uint8_t>(bytes[5]);
    for (size_t i = 0; i < tables; ++i) {
        const size_t entry = 12 + 16 * i;
        if (bytes.compare(entry, 4, "glyf") == 0)
            std::fill_n(bytes.begin() + be32(entry + 8), be32(entry + 12), '\xff');
    }
    const fs::path copy = dir / "damaged.ttf";
    std::ofstream(copy, std::ios::binary) << bytes;
    return copy;
}

} // namespace

TEST_F(GraphicsTest, AFontThatOpensButCannotRenderIsRefusedLikeAMissingOne)
{
    const fs::path dir = quorel::test::make_temp_dir("fonts");
    fs::copy_file(data_folder() / "arial.ttf", dir / "arial.ttf");
    damaged_font_copy(data_folder() / "arial.ttf", dir);
    kyrgx::set_resource_directory(app::path_to_wide(dir));
    try {
        graphics->getFont("damaged.ttf", 16);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Failed to load font (FT_Load_Char) url=" + (dir / "damaged.ttf").string());
    }
    // Sizes beyond what a glyph page holds are asked of FreeType at the largest one.
    kyrgx::ImageFont* huge = graphics->getFont("arial.ttf", 60000);
    EXPECT_EQ(huge->pixelSize(), kyrgx::ImageFont::MAX_PIXEL_SIZE);
    EXPECT_GT(huge->measure(driver.get(), L"A").x, 0.0f);
}

TEST_F(GraphicsTest, EachGlyphPageIsRasterisedOnceIntoOneAtlas)
{
    kyrgx::ImageFont* font = arial();
    graphics->setFont(font);
    driver->clearCalls();
    EXPECT_EQ(font->renderCount(), 0) << "nothing is rendered before it is needed";
    graphics->drawText(L"Hello", 0, 0);
    const int afterFirst = font->renderCount();
    EXPECT_GT(afterFirst, 5) << "the whole page is rendered";
    EXPECT_LE(afterFirst, 256);
    EXPECT_EQ(driver->created.size(), 1u);
    graphics->drawText(L"world, Hello", 0, 30);
    EXPECT_EQ(font->renderCount(), afterFirst);
    EXPECT_EQ(driver->created.size(), 1u);

    // The euro sign lives on page 0x20AC / 256 = 32 and is drawn from that page's atlas.
    const kyrgx::Glyph* euro = font->glyph(driver.get(), 0x20AC);
    ASSERT_NE(euro, nullptr);
    EXPECT_EQ(euro->page, 32);
    EXPECT_TRUE(font->pageBuilt(32));
    EXPECT_FALSE(font->pageBuilt(31));
    EXPECT_EQ(driver->created.size(), 2u);
    EXPECT_EQ(font->pageImage(*euro), driver->created.back());
    EXPECT_GE(font->pageCount(), 33u);
}

TEST_F(GraphicsTest, AtlasHoldsWhiteGlyphsWithCoverageInAlpha)
{
    kyrgx::ImageFont* font = arial(24);
    const kyrgx::Glyph* w = font->glyph(driver.get(), U'W');
    ASSERT_NE(w, nullptr);
    auto* atlas = static_cast<RecordingImage*>(font->pageImage(*w));
    ASSERT_EQ(atlas->uploads, 1);
    EXPECT_EQ(atlas->format(), kyrgx::PixelFormat::RGB32);
    const auto size = atlas->size();
    EXPECT_LE(size.x, 1024);
    EXPECT_EQ(size.x & (size.x - 1), 0) << "power of two";
    EXPECT_EQ(size.y & (size.y - 1), 0) << "power of two";

    // Every pixel inside a glyph's rectangle is white or empty; pixels outside
    // all rectangles are zero.
    std::vector<bool> covered(static_cast<size_t>(size.x * size.y), false);
    int inked = 0;
    for (char32_t c = 0; c < 256; ++c) {
        const kyrgx::Glyph* g = font->glyph(driver.get(), c);
        if (!g)
            continue;
        EXPECT_LE(g->atlasX + g->width, static_cast<float>(size.x));
        EXPECT_FLOAT_EQ(g->uMin, g->atlasX / size.x);
        EXPECT_FLOAT_EQ(g->vMax, (g->atlasY + g->height) / size.y);
        for (int y = 0; y < static_cast<int>(g->height); ++y)
            for (int x = 0; x < static_cast<int>(g->width); ++x) {
                const int ax = static_cast<int>(g->atlasX) + x;
                const int ay = static_cast<int>(g->atlasY) + y;
                covered[static_cast<size_t>(ay * size.x + ax)] = true;
                const auto p = atlas->pixel(ax, ay);
                if (p[3] != 0) {
                    ++inked;
                    EXPECT_EQ(p[0], 255);
                    EXPECT_EQ(p[1], 255);
                    EXPECT_EQ(p[2], 255);
                }
            }
    }
    EXPECT_GT(inked, 1000);
    for (int y = 0; y < size.y; ++y)
        for (int x = 0; x < size.x; ++x)
            if (!covered[static_cast<size_t>(y * size.x + x)]) {
                const auto p = atlas->pixel(x, y);
                ASSERT_EQ(p[0] | p[1] | p[2] | p[3], 0) << x << "," << y;
            }
}

TEST_F(GraphicsTest, MeasureSumsTruncatedAdvances)
{
    kyrgx::ImageFont* font = arial();
    const kyrgx::Glyph* t = font->glyph(driver.get(), U'T');
    const kyrgx::Glyph* e = font->glyph(driver.get(), U'e');
    const auto size = font->measure(driver.get(), L"Te");
    EXPECT_FLOAT_EQ(size.x, static_cast<float>(static_cast<int>(t->advance) + static_cast<int>(e->advance)));
    EXPECT_FLOAT_EQ(size.y, static_cast<float>(font->lineHeight()));
    EXPECT_FLOAT_EQ(font->measure(driver.get(), L"").x, 0.0f);
    EXPECT_FLOAT_EQ(font->measure(driver.get(), L"T" + std::wstring(1, static_cast<wchar_t>(0x10FFFD))).x,
                    static_cast<float>(static_cast<int>(t->advance)));
}

TEST(KyrgxTextLayout, SplitText)
{
    struct Row {
        std::wstring text;
        std::vector<std::wstring> pieces;
    };
    const std::vector<Row> rows = {
        {L"", {}},
        {L"a", {L"a"}},
        {L"a ", {L"a"}},
        {L"a  b", {L"a", L"", L"b"}},
        {L" a", {L"", L"a"}},
        {L"one two three", {L"one", L"two", L"three"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(app::wide_to_utf8(row.text));
        const auto pieces = kyrgx::splitText(row.text, L' ');
        EXPECT_EQ(std::vector<std::wstring>(pieces.begin(), pieces.end()), row.pieces);
    }
}

TEST_F(GraphicsTest, WrapTextTable)
{
    kyrgx::ImageFont* font = arial();
    auto width = [&](const std::wstring& s) { return static_cast<int>(font->measure(driver.get(), s).x); };
    const int twoWords = width(L"abc def");
    const int ample = 10000;
    struct Row {
        std::wstring text;
        int maxWidth;
        bool backward;
        std::vector<std::wstring> lines;
    };
    const std::vector<Row> rows = {
        {L"", ample, false, {}},
        {L"abc def ghi", twoWords, false, {L"abc def", L"ghi"}},
        {L"abc def ghi", twoWords, true, {L"abc", L"def ghi"}},
        {L"abc def ghi", ample, false, {L"abc def ghi"}},
        {L"Supercalifragilistic", 10, false, {L"Supercalifragilistic"}},
        {L"tiny Supercalifragilistic tiny", 10, false, {L"tiny", L"Supercalifragilistic", L"tiny"}},
        // A line feed ends a paragraph; each paragraph wraps on its own.
        {L"A B\nC D", ample, false, {L"A B", L"C D"}},
        {L"A\nB C D", ample, true, {L"A", L"B C D"}},
        {L"Supercalifragilistic\nabc def ghi",
         twoWords,
         false,
         {L"Supercalifragilistic", L"abc def", L"ghi"}},
        {L"A\n\nB", ample, false, {L"A", L"", L"B"}},
        {L"A\n", ample, false, {L"A"}},
        {L"\nA", ample, false, {L"", L"A"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(app::wide_to_utf8(row.text) + (row.backward ? " backward" : ""));
        EXPECT_EQ(kyrgx::wrapText(*font, driver.get(), row.text, row.maxWidth, row.backward), row.lines);
    }
}

TEST_F(GraphicsTest, MeasureWrapped)
{
    kyrgx::ImageFont* font = arial();
    std::vector<std::wstring> lines = {L"kept"};
    auto size = font->measureWrapped(driver.get(), L"abc def", 0, 0, lines);
    EXPECT_EQ(lines, std::vector<std::wstring>{L"kept"}) << "width 0 leaves the lines alone";
    EXPECT_FLOAT_EQ(size.x, font->measure(driver.get(), L"abc def").x);

    size = font->measureWrapped(driver.get(), L"", 100, 0, lines);
    EXPECT_TRUE(lines.empty());
    EXPECT_FLOAT_EQ(size.x, 0.0f);
    EXPECT_FLOAT_EQ(size.y, -2.0f);

    const int abcdef = static_cast<int>(font->measure(driver.get(), L"abc def").x);
    size = font->measureWrapped(driver.get(), L"abc def ghi", abcdef, 0, lines);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_FLOAT_EQ(size.x, static_cast<float>(abcdef));
    EXPECT_FLOAT_EQ(size.y, static_cast<float>((font->lineHeight() + 2) * 2 - 2));
}

TEST_F(GraphicsTest, LoadImageDecodesToBlueGreenRedAlpha)
{
    const fs::path dir = quorel::test::make_temp_dir("img");
    const fs::path png = dir / "two.png";
    const uint8_t rgba[] = {255, 0, 0, 255, 0, 0, 255, 128};
    ASSERT_NE(stbi_write_png(png.string().c_str(), 2, 1, 4, rgba, 8), 0);

    auto image = graphics->loadImage(app::path_to_wide(png));
    EXPECT_EQ(driver->calls.back(), "createSharedImage(2,1,2,3)");
    auto* recorded = static_cast<RecordingImage*>(image.get());
    EXPECT_EQ(recorded->pixels, (std::vector<uint8_t>{0, 0, 255, 255, 255, 0, 0, 128}));

    struct Row {
        fs::path file;
        std::string message;
    };
    const fs::path garbage = dir / "garbage.png";
    std::ofstream(garbage, std::ios::binary) << "not an image at all";
    const fs::path fifo = dir / "fifo.png";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const Row& row : {Row{dir / "missing.png", "File does not exist: " + (dir / "missing.png").string()},
                           Row{garbage, "Failed to decode image: " + garbage.string()},
                           Row{dir, "'" + dir.string() + "' is a folder"},
                           Row{fifo, "'" + fifo.string() + "' is not a regular file"}}) {
        SCOPED_TRACE(row.file.string());
        try {
            graphics->loadImage(app::path_to_wide(row.file));
            FAIL() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), row.message);
        }
    }
}

namespace {

// A 24-bit BMP header (54 bytes) declaring width x height, followed by the
// given number of pixel bytes.
std::string bmp(int32_t width, int32_t height, size_t pixelBytes)
{
    std::string b(54, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (size_t i = 0; i < 4; ++i)
            b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<uint32_t>(54 + pixelBytes));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    b[26] = 1;
    b[28] = 24;
    return b + std::string(pixelBytes, '\x40');
}

// The signature and header chunk of a PNG of width x height RGBA pixels, and no pixels.
std::string png_header(uint32_t width, uint32_t height)
{
    std::string b = "\x89PNG\r\n\x1a\n";
    b += std::string("\0\0\0\x0dIHDR", 8);
    for (uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            b += static_cast<char>((v >> shift) & 0xFF);
    b += std::string("\x08\x06\0\0\0", 5);
    return b + std::string(4, '\0'); // the checksum, unchecked before decoding
}

} // namespace

TEST_F(GraphicsTest, ImageHeadersAreCheckedAgainstTheFileBeforeDecoding)
{
    const fs::path dir = quorel::test::make_temp_dir("bmp");
    std::ofstream(dir / "whole.bmp", std::ios::binary) << bmp(640, 480, 640 * 480 * 3);
    auto image = graphics->loadImage(app::path_to_wide(dir / "whole.bmp"));
    EXPECT_EQ(image->size(), (kyrgx::Vec2<int>{640, 480}));

    struct Row {
        const char* file;
        std::string bytes;
        std::string reason;
    };
    const std::string whole = bmp(640, 480, 640 * 480 * 3);
    const std::vector<Row> rows = {
        {"cut.bmp", whole.substr(0, 100), "the file has 100 bytes, its header declares 921654"},
        {"short-row.bmp", whole.substr(0, whole.size() - 1),
         "the file has 921653 bytes, its header declares 921654"},
        {"huge.bmp", bmp(16384, 16384, 0), "the file has 54 bytes, its header declares 805306422"},
        {"huge.png", png_header(16384, 16384), "it declares 16384 x 16384 pixels, more than 67108864 in all"},
        {"top-down.bmp", bmp(640, -480, 1000), "the file has 1054 bytes, its header declares 921654"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        std::ofstream(dir / row.file, std::ios::binary) << row.bytes;
        driver->clearCalls();
        try {
            graphics->loadImage(app::path_to_wide(dir / row.file));
            FAIL() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Failed to decode image: " + (dir / row.file).string() + " (" + row.reason + ")");
        }
        EXPECT_TRUE(driver->calls.empty()) << "no image was made";
    }
}

// The codes and types themselves are checked where Qt input is mapped to them
// (test_qt_input.cpp).
TEST(KyrgxMessage, DefaultsOfPointerAndKeyMessages)
{
    const kyrgx::Message fresh;
    EXPECT_EQ(fresh.key, 240);
    EXPECT_EQ(fresh.button, -1);
    EXPECT_FALSE(fresh.handled);
    EXPECT_FALSE(fresh.payload);

    kyrgx::MouseState mouse = kyrgx::MouseState::released();
    mouse.x = 5;
    const auto pointer = kyrgx::Message::pointer(kyrgx::MSG_UP, nullptr, mouse, 1);
    EXPECT_EQ(pointer.key, 240);
    EXPECT_EQ(pointer.mouse.x, 5);
    EXPECT_EQ(pointer.button, 1);

    const auto key = kyrgx::Message::keyMessage(kyrgx::MSG_KEY_DOWN, nullptr, kyrgx::KEY_Q);
    EXPECT_EQ(key.key, 16);
    EXPECT_EQ(key.button, -1);
    EXPECT_EQ(key.mouse.left | key.mouse.right | key.mouse.middle | key.mouse.button, 0);
    EXPECT_EQ(key.mouse.x, 0.0f);
    EXPECT_EQ(key.mouse.y, 0.0f);
    EXPECT_EQ(key.mouse.wheel, 0.0f);
}
