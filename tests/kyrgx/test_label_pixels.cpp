// Labels drawn through the QPainter back end into an image: where the ink of
// each of the nine alignments lands, truncation and auto-size.

#include "app/Utf8.h"
#include "kyrgx/Control.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/ImageFont.h"
#include "kyrgx/Label.h"
#include "kyrgx/Panel.h"
#include "kyrgx/Resources.h"
#include "kyrgx/Style.h"
#include "kyrgx/UiRoot.h"
#include "kyrgx/qt/QtGraphicsContext.h"
#include "kyrgx/qt/QtGraphicsDriver.h"

#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

constexpr int W = 240;
constexpr int H = 120;

struct Ink {
    int left = W, top = H, right = -1, bottom = -1; // right and bottom inclusive
    bool any() const { return right >= 0; }
};

class LabelPixels : public ::testing::Test {
protected:
    void SetUp() override
    {
        kyrgx::set_resource_directory(
            app::path_to_wide(fs::read_symlink("/proc/self/exe").parent_path() / "data"));
        pixels.assign(static_cast<size_t>(W * H * 4), 0);
        context = std::make_shared<app::QtView::QtGraphicsContext>(&painter, pixels.data(), W, H, W * 4,
                                                                   kyrgx::PixelFormat::RGB32, false);
        driver = std::make_shared<app::QtView::QtGraphicsDriver>(&painter, QRect(0, 0, W, H));
        graphics = std::make_shared<kyrgx::Graphics>(driver, context);
        root = std::make_unique<kyrgx::UiRoot>(graphics.get());
    }
    void TearDown() override
    {
        root.reset();
        graphics.reset();
        driver.reset();
        context.reset();
    }

    // A label with a 4-pixel padding ring in dark grey, black content and red text.
    std::shared_ptr<kyrgx::Label> label(const std::wstring& text, int x, int y, int w, int h)
    {
        auto l = kyrgx::Control::create<kyrgx::Label>(root.get(), x, y, w, h, text);
        auto style = std::make_shared<kyrgx::Style>();
        style->padding = {-4, -4, 4, 4};
        style->backgroundColor = kyrgx::Color(40, 40, 40);
        style->skinColor = kyrgx::Color(0, 0, 0);
        style->borderColor.a = 0;
        style->textColor = kyrgx::Color(255, 0, 0);
        style->font = graphics->getFont("arial.ttf", 16);
        l->setStyle(style);
        return l;
    }

    void render()
    {
        graphics->clear(0, 0, 0);
        root->rootControl()->render(*graphics, 0, 0);
    }

    // The bounding box of text-coloured pixels (red dominant, anti-aliased edges included).
    Ink ink()
    {
        Ink box;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const uint8_t* p = &pixels[static_cast<size_t>((y * W + x) * 4)];
                if (p[2] > 100 && p[1] < 60) {
                    box.left = std::min(box.left, x);
                    box.top = std::min(box.top, y);
                    box.right = std::max(box.right, x);
                    box.bottom = std::max(box.bottom, y);
                }
            }
        return box;
    }

    std::vector<uint8_t> pixels;
    QPainter painter;
    std::shared_ptr<app::QtView::QtGraphicsContext> context;
    std::shared_ptr<app::QtView::QtGraphicsDriver> driver;
    std::shared_ptr<kyrgx::Graphics> graphics;
    std::unique_ptr<kyrgx::UiRoot> root;
};

} // namespace

TEST_F(LabelPixels, NineAlignmentsPlaceTheTextInsideTheContent)
{
    // Label (20, 20, 160 x 60); content (24, 24) to (176, 76).
    const int cl = 24, ct = 24, cr = 176, cb = 76;
    for (int alignment = 0; alignment <= 8; ++alignment) {
        SCOPED_TRACE(alignment);
        auto l = label(L"HEH", 20, 20, 160, 60);
        l->setAlignment(alignment);
        render();
        const Ink box = ink();
        l->dispose();
        ASSERT_TRUE(box.any());
        EXPECT_GE(box.left, cl);
        EXPECT_LE(box.right, cr - 1);
        EXPECT_GE(box.top, ct);
        EXPECT_LE(box.bottom, cb - 1);
        const int centreX = (box.left + box.right + 1) / 2;
        const int centreY = (box.top + box.bottom + 1) / 2;
        switch (alignment % 3) {
        case 0:
            EXPECT_NEAR(centreX, (cl + cr) / 2, 2);
            break;
        case 1:
            EXPECT_NEAR(box.left, cl + 3, 2);
            break;
        default:
            EXPECT_NEAR(box.right + 1, cr - 1, 2);
            break;
        }
        switch (alignment / 3) {
        case 0: // the descender space stays above the bottom edge
            EXPECT_NEAR(box.bottom + 1, cb - 4, 2);
            break;
        case 1:
            EXPECT_NEAR(centreY, (ct + cb) / 2, 2);
            break;
        default:
            EXPECT_NEAR(box.top, ct + 4, 2);
            break;
        }
    }
}

TEST_F(LabelPixels, LongTextIsCutAtTheLabelAndAutoSizeFitsIt)
{
    auto l = label(L"HHHHHHHHHHHHHHHHHHHH", 20, 20, 80, 40);
    l->setAlignment(kyrgx::ALIGN_MIDDLE_LEFT);
    render();
    const Ink cut = ink();
    EXPECT_LE(cut.right, 20 + 80 - 1);
    EXPECT_GT(cut.right, 20 + 80 - 20) << "as much as fits";
    l->setAutoSize(true);
    render(); // the label takes its new size while it draws; the clip follows next frame
    render();
    const Ink full = ink();
    const int textWidth = static_cast<int>(l->style()->font->measure(driver.get(), l->text()).x);
    EXPECT_EQ(l->size().x, textWidth + 2);
    EXPECT_GT(full.right, cut.right + 100);
}

TEST_F(LabelPixels, SceneForALook)
{
    // A panel with labels in the shipped theme, saved for a person to look at
    // when QUOREL_SAVE_SCENES names a folder.
    auto panel = kyrgx::Control::create<kyrgx::Panel>(root.get(), 4, 4, W - 8, H - 8, L"");
    auto title =
        kyrgx::Control::create<kyrgx::Label>(root.get(), 8, 8, 200, 28, L"Camera 1 \u2013 25.0 fps", panel);
    title->setAlignment(kyrgx::ALIGN_MIDDLE_LEFT);
    auto note = kyrgx::Control::create<kyrgx::Label>(
        root.get(), 8, 44, 200, 56, L"Multi-line label wrapped to its width, aligned top right", panel);
    note->multiLine = true;
    note->setAlignment(kyrgx::ALIGN_TOP_RIGHT);
    render();
    int light = 0; // text pixels of the theme's light text colour
    for (size_t i = 0; i < pixels.size(); i += 4)
        light += pixels[i] > 180 && pixels[i + 1] > 180 && pixels[i + 2] > 180 ? 1 : 0;
    EXPECT_GT(light, 200);
    if (const char* dir = std::getenv("QUOREL_SAVE_SCENES")) {
        context->endImage();
        QImage(pixels.data(), W, H, W * 4, QImage::Format_RGB32).save(QString(dir) + "/labels.png");
    }
}
