// The scale bar: the round length chosen for a calibration and zoom (and no
// bar, without hanging, for unusable ones), the alignment codes and the box's
// place, the label's number in any locale, and the drawing on a live view and
// offscreen onto an image.

#include "FakeContext.h"
#include "WorkspaceFixture.h"
#include "app/Utf8.h"
#include "kyrgx/ImageFont.h"
#include "kyrgx/Label.h"
#include "kyrgx/Style.h"
#include "measure/Configuration.h"
#include "measure/MeasureAppearanceSettings.h"
#include "measure/ScaleBar.h"
#include "measure/Workspace.h"
#include "support/CommaLocale.h"

#include <gtest/gtest.h>
#include <limits>
#include <set>

using Measure::choose_scale_bar;
using Measure::Workspace;
using quorel::test::Canvas;
using S = MeasureAppearanceSettings;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int kMillimeter = 10;

// A live view of a chosen size and pixel ratio on a screen canvas.
class SizedLiveView : public quorel::test::TestLiveView {
public:
    using TestLiveView::TestLiveView;
    kyrgx::Vec2<float> size() const override { return viewSize; }
    float borderWidth() const override { return pixelRatio; }
    kyrgx::Vec2<float> viewSize{1000.0f, 800.0f};
    float pixelRatio = 1.0f;
};

struct Box {
    int left = 0;
    int top = 0;
    int right = -1; // inclusive
    int bottom = -1;
    bool operator==(const Box& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

std::ostream& operator<<(std::ostream& os, const Box& b)
{
    return os << "(" << b.left << ", " << b.top << ")-(" << b.right << ", " << b.bottom << ")";
}

// The smallest rectangle holding every pixel that is not the ground; empty
// (right -1) when nothing was drawn.
Box drawn_box(const Canvas& c)
{
    Box b{c.w, c.h, -1, -1};
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x)
            if (!(c.at(x, y) == Canvas::ground)) {
                b.left = std::min(b.left, x);
                b.top = std::min(b.top, y);
                b.right = std::max(b.right, x);
                b.bottom = std::max(b.bottom, y);
            }
    return b;
}

// The frame, box, ticks and bar of a bar of length L with its box at (left, top).
void expect_bar_at(const Canvas& c, int left, int top, int L)
{
    EXPECT_EQ(drawn_box(c), (Box{left, top, left + L + 13, top + 42}));
    const auto grey = [&](int x, int y) { return static_cast<int>(c.at(x, y).r); };
    // Black at 65 % over the ground grey 64, white at 65 % over it.
    EXPECT_NEAR(grey(left, top + 10), 22, 2) << "frame";
    EXPECT_NEAR(grey(left + L + 13, top + 42), 22, 2) << "frame corner";
    EXPECT_NEAR(grey(left + 2, top + 2), 188, 2) << "box";
    EXPECT_NEAR(grey(left + L + 11, top + 39), 188, 2) << "box";
    // The bar: L pixels of rows top + 29 and top + 30, and two ticks of 10 rows.
    int bar = 0;
    for (int x = left; x <= left + L + 13; ++x)
        bar += c.at(x, top + 30) == kyrgx::Color{0, 0, 0} ? 1 : 0;
    EXPECT_EQ(bar, L + 2) << "the bar and the right tick's second column";
    for (int y = top + 25; y < top + 35; ++y) {
        EXPECT_EQ(c.at(left + 5, y), (kyrgx::Color{0, 0, 0})) << "left tick row " << y;
        EXPECT_EQ(c.at(left + L + 6, y), (kyrgx::Color{0, 0, 0})) << "right tick row " << y;
    }
    EXPECT_NEAR(grey(left + 5, top + 24), 188, 2) << "above the tick";
    EXPECT_NEAR(grey(left + 5, top + 35), 188, 2) << "below the tick";
}

// How many dark pixels the label's text left above the bar.
int text_pixels(const Canvas& c, int left, int top, int L)
{
    int n = 0;
    for (int y = top + 2; y < top + 24; ++y)
        for (int x = left + 8; x < left + L + 4; ++x)
            n += c.at(x, y).r < 100 ? 1 : 0;
    return n;
}

class ScaleBar : public ::testing::Test {
protected:
    void SetUp() override
    {
        quorel::test::use_data_folder();
        quorel::test::reset_appearance();
        screen = std::make_unique<quorel::test::ScreenCanvas>(1200, 900);
        view = kyrgx::Control::create<SizedLiveView>(screen->root.get(), 0, 0, 1000, 800, L"");
    }
    void TearDown() override { quorel::test::reset_appearance(); }

    // A workspace on a simulated camera: the default microscope, 100 dots per cm.
    std::unique_ptr<Workspace> onCamera()
    {
        auto ws = std::make_unique<Workspace>(nullptr, camera.host());
        ws->setDevice(quorel::test::simulated_camera(quorel::test::kCameraA));
        return ws;
    }

    quorel::test::FakeCamera camera;
    std::unique_ptr<quorel::test::ScreenCanvas> screen;
    std::shared_ptr<SizedLiveView> view;
};

} // namespace

TEST(ScaleBarChoice, RoundLengthsForTheCalibrationAndTheWidestBar)
{
    struct Case {
        double p;
        double m;
        int barLength;
        float value;
    };
    const Case cases[] = {
        {40, 400, 200, 5.0f},       // 40 and 80 pixels are under 150
        {160, 400, 160, 1.0f},      // one unit is long enough
        {150, 400, 150, 1.0f},      // exactly 150
        {1000, 400, 200, 0.2f},     // 1000 and 500 pixels are too wide
        {300, 200, 150, 0.5f},      // a half unit
        {120, 200, 240, 2.0f},      // the second rule may pass the widest bar
        {0.75, 400, 150, 200.0f},   // factors of a later decade
        {1e-30, 400, 200, 2e32f},   // many decades, still ends
        {6.8e38, 400, 340, 5e-37f}, // the largest calibration at zoom 2
    };
    for (const Case& c : cases) {
        const auto choice = choose_scale_bar(c.p, c.m);
        ASSERT_TRUE(choice.has_value()) << "p " << c.p << " m " << c.m;
        EXPECT_EQ(choice->barLength, c.barLength) << "p " << c.p << " m " << c.m;
        EXPECT_FLOAT_EQ(choice->value, c.value) << "p " << c.p << " m " << c.m;
    }
}

TEST(ScaleBarChoice, NoBarAndNoHangForUnusableInput)
{
    const double unusable[] = {0.0, -0.0, -1.0, kNaN, kInf, -kInf};
    for (const double p : unusable)
        EXPECT_FALSE(choose_scale_bar(p, 400).has_value()) << "p " << p;
    for (const double m : unusable)
        EXPECT_FALSE(choose_scale_bar(40, m).has_value()) << "m " << m;
    // Too small for any factor to reach 150 pixels, too large to reach the widest bar.
    EXPECT_FALSE(choose_scale_bar(1e-300, 400).has_value());
    EXPECT_FALSE(choose_scale_bar(1e300, 400).has_value());
    // A widest bar under one pixel leaves a bar of no pixels.
    EXPECT_FALSE(choose_scale_bar(40, 0.3).has_value());
}

TEST(ScaleBarPlace, AlignmentCodesAndPositions)
{
    const std::pair<const wchar_t*, int> names[] = {{L"BottomCenter", 0}, {L"BottomLeft", 1},
                                                    {L"BottomRight", 2},  {L"MiddleCenter", 3},
                                                    {L"MiddleLeft", 4},   {L"MiddleRight", 5},
                                                    {L"TopCenter", 6},    {L"TopLeft", 7},
                                                    {L"TopRight", 8},     {L"", 1},
                                                    {L"bottomright", 1},  {L"Centre", 1}};
    for (const auto& [text, code] : names)
        EXPECT_EQ(Measure::scale_bar_alignment_code(text), code) << app::wide_to_utf8(text);
    // Every entry the appearance dialog offers names a place of its own.
    std::set<int> codes;
    for (const auto& entry : S::scaleBarAlignments())
        codes.insert(Measure::scale_bar_alignment_code(entry));
    EXPECT_EQ(codes.size(), 9u);

    // 1000 × 800 with a bar of 200 pixels: the box is 213 wide.
    const kyrgx::Vec2<int> places[] = {{394, 748}, {12, 748}, {775, 748}, {394, 374}, {12, 374},
                                       {775, 374}, {394, 12}, {12, 12},   {775, 12}};
    for (int code = 0; code < 9; ++code) {
        const auto at = Measure::scale_bar_position(1000, 800, 200, code);
        EXPECT_EQ(at.x, places[code].x) << "code " << code;
        EXPECT_EQ(at.y, places[code].y) << "code " << code;
    }
    const auto other = Measure::scale_bar_position(1000, 800, 200, 9);
    EXPECT_EQ(other.x, 783);
    EXPECT_EQ(other.y, 748);
    // Odd sizes halve toward zero.
    const auto centred = Measure::scale_bar_position(1001, 801, 201, 3);
    EXPECT_EQ(centred.x, 500 - 107);
    EXPECT_EQ(centred.y, 400 - 26);
}

TEST(ScaleBarLabel, NumberWithoutTrailingZerosInAnyLocale)
{
    const std::pair<float, const char*> numbers[] = {{1.0f, "1"},   {0.25f, "0.25"},   {4e-7f, "0"},
                                                     {5.0f, "5"},   {0.2f, "0.2"},     {100.0f, "100"},
                                                     {10.0f, "10"}, {0.001f, "0.001"}, {5e-6f, "0.000005"}};
    const auto check = [&](const char* where) {
        for (const auto& [value, text] : numbers)
            EXPECT_EQ(Measure::format_scale_bar_value(value), text) << where << " " << value;
        EXPECT_EQ(Measure::scale_bar_text(0.25f, kMillimeter), L"0.25 mm") << where;
        EXPECT_EQ(Measure::scale_bar_text(2.0f, 7), L"2 \u00B5m") << where;
    };
    check("C locale");
    quorel::test::CommaLocale comma;
    ASSERT_TRUE(comma.active()) << "the comma locale could not be put in force";
    check("comma locale");
}

TEST_F(ScaleBar, DrawnOnALiveViewWithItsKeptLabel)
{
    Workspace ws(nullptr, {});
    // BottomRight on the 1000 × 800 view (the screen is larger): the box at (775, 748).
    ws.renderScaleBar(*screen->g, view.get(), 200, 0.25f, kMillimeter, 2);
    expect_bar_at(*screen, 775, 748, 200);
    EXPECT_GT(text_pixels(*screen, 775, 748, 200), 20) << "the label's text";

    const auto label = ws.makeScaleBarLabel(*screen->g, view.get());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), L"0.25 mm");
    EXPECT_EQ(label->position(), (kyrgx::Vec2<int>{775, 748}));
    EXPECT_EQ(label->size(), (kyrgx::Vec2<int>{214, 40}));
    EXPECT_EQ(label->root(), screen->root.get()) << "made in the view's UI root";
    EXPECT_FALSE(label->isVisible()) << "drawn only by the bar";
    const auto style = label->style();
    EXPECT_EQ(style->border.left, 0);
    EXPECT_EQ(style->border.bottom, 0);
    EXPECT_EQ(style->skinColor, (kyrgx::Color{0, 0, 0, 0}));
    EXPECT_EQ(style->backgroundColor, (kyrgx::Color{0, 0, 0, 0}));
    EXPECT_EQ(style->borderColor, (kyrgx::Color{0, 0, 0, 0}));
    EXPECT_EQ(style->textColor, (kyrgx::Color{0, 0, 0, 255}));
    ASSERT_NE(style->font, nullptr);
    EXPECT_EQ(style->font->pixelSize(), 12);

    // Kept from frame to frame; the font follows the view's pixel ratio.
    view->pixelRatio = 2.0f;
    screen->clear();
    ws.renderScaleBar(*screen->g, view.get(), 160, 1.0f, 0, 7);
    EXPECT_EQ(ws.makeScaleBarLabel(*screen->g, view.get()), label);
    EXPECT_EQ(label->text(), L"1 cm");
    EXPECT_EQ(label->style()->font->pixelSize(), 24);
    expect_bar_at(*screen, 12, 12, 160);

    // A view on another panel (another UI root) gets a label of its own; the
    // first leaves its tree. Views of one panel share it.
    quorel::test::ScreenCanvas otherScreen(640, 480);
    auto other = kyrgx::Control::create<SizedLiveView>(otherScreen.root.get(), 0, 0, 640, 480, L"");
    auto sibling = kyrgx::Control::create<SizedLiveView>(screen->root.get(), 0, 0, 640, 480, L"");
    EXPECT_EQ(ws.makeScaleBarLabel(*screen->g, sibling.get()), label);
    const auto otherLabel = ws.makeScaleBarLabel(*otherScreen.g, other.get());
    EXPECT_EQ(ws.makeScaleBarLabel(*otherScreen.g, other.get()), otherLabel);
    EXPECT_NE(otherLabel, label);
    EXPECT_EQ(otherLabel->root(), otherScreen.root.get());
    EXPECT_EQ(label->parent(), nullptr);
}

TEST_F(ScaleBar, AWorkspaceThatGoesTakesItsLabelOffTheView)
{
    auto ws = std::make_unique<Workspace>(nullptr, Measure::WorkspaceHost{});
    const auto label = ws->makeScaleBarLabel(*screen->g, view.get());
    ASSERT_NE(label->parent(), nullptr);
    ws.reset();
    EXPECT_EQ(label->parent(), nullptr);
}

TEST_F(ScaleBar, OffscreenPlacedByTheImageSize)
{
    Workspace ws(nullptr, {});
    const auto kept = ws.makeScaleBarLabel(*screen->g, view.get());
    // A saved image of 1000 × 800 and one of 640 × 480, bottom right.
    Canvas image(1000, 800);
    ws.renderScaleBar(*image.g, nullptr, 200, 5.0f, kMillimeter, 2);
    expect_bar_at(image, 775, 748, 200);
    EXPECT_GT(text_pixels(image, 775, 748, 200), 20) << "the label's text";
    Canvas small(640, 480);
    ws.renderScaleBar(*small.g, nullptr, 200, 5.0f, kMillimeter, 2);
    expect_bar_at(small, 640 - 213 - 12, 480 - 52, 200);

    // A label of its own for each drawing, in the workspace's offscreen root,
    // gone from it once drawn; the live view's label is untouched.
    const auto first = ws.makeScaleBarLabel(*image.g, nullptr);
    const auto second = ws.makeScaleBarLabel(*image.g, nullptr);
    EXPECT_NE(first, second);
    EXPECT_NE(first, kept);
    EXPECT_EQ(first->root(), ws.offscreenRoot(*image.g));
    first->dispose();
    second->dispose();
    ws.renderScaleBar(*image.g, nullptr, 200, 5.0f, kMillimeter, 2);
    EXPECT_TRUE(ws.offscreenRoot(*image.g)->rootControl()->children().empty()) << "nothing piles up";
    EXPECT_EQ(ws.makeScaleBarLabel(*screen->g, view.get()), kept);
    EXPECT_EQ(kept->text(), L"100%") << "never drawn on screen";
}

TEST_F(ScaleBar, NothingForABarOfNoLengthOrAValueThatIsNoNumber)
{
    Workspace ws(nullptr, {});
    Canvas image(400, 300);
    ws.renderScaleBar(*image.g, nullptr, 0, 1.0f, 0, 2);
    ws.renderScaleBar(*image.g, nullptr, -5, 1.0f, 0, 2);
    ws.renderScaleBar(*image.g, nullptr, 100, std::numeric_limits<float>::quiet_NaN(), 0, 2);
    ws.renderScaleBar(*image.g, nullptr, 100, std::numeric_limits<float>::infinity(), 0, 2);
    EXPECT_EQ(image.count(Canvas::ground), 400 * 300);
}

TEST_F(ScaleBar, OverlayStepFollowsTheSettingsTheCalibrationAndTheZoom)
{
    auto ws = onCamera();
    auto& settings = S::instance();
    settings.setList(S::SCALE_BAR_ALIGNMENT, L"TopLeft");
    settings.setInt64(S::MAX_SCALING_WIDTH, 400);
    const auto magnification = ws->selectedConfiguration();
    ASSERT_NE(magnification, nullptr);
    magnification->unitParameter->setValue(L"Millimeter");

    // 100 dots per mm at zoom 0.4: 40 window pixels per mm, so a bar of 5 mm, 200 pixels.
    Measure::render_scale_bar_overlay(*ws, *screen->g, view.get(), 0.4f);
    expect_bar_at(*screen, 12, 12, 200);
    EXPECT_EQ(ws->makeScaleBarLabel(*screen->g, view.get())->text(), L"5 mm");

    // Offscreen the image's own pixels count: 100 pixels per mm, a bar of 2 mm.
    Canvas image(640, 480);
    Measure::render_scale_bar_overlay(*ws, *image.g, nullptr, 1.0f);
    expect_bar_at(image, 12, 12, 200);

    // Switched off: nothing.
    settings.setBool(S::SHOW_SCALE_BAR, false);
    screen->clear();
    Measure::render_scale_bar_overlay(*ws, *screen->g, view.get(), 0.4f);
    EXPECT_EQ(screen->count(Canvas::ground), screen->w * screen->h);
    settings.setBool(S::SHOW_SCALE_BAR, true);

    // A zoom that gives no usable pixels per unit: nothing, and no hang.
    for (const float zoom :
         {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        Measure::render_scale_bar_overlay(*ws, *screen->g, view.get(), zoom);
        EXPECT_EQ(screen->count(Canvas::ground), screen->w * screen->h) << "zoom " << zoom;
    }

    // The largest calibration (what a length of 0 stored) at zoom 2 ends too.
    magnification->dotsPerUnitParameter->setValue(Measure::Configuration::MAX_DOTS_PER_UNIT);
    Measure::render_scale_bar_overlay(*ws, *screen->g, view.get(), 2.0f);
    EXPECT_EQ(ws->makeScaleBarLabel(*screen->g, view.get())->text(), L"0 mm");
}
