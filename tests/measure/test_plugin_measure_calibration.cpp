// Calibration on the real host, through the calibration rows of the microscope
// dialog (fakes here, wired as the dialog wires its rows): the line across the
// middle of the image as the view shows it, Save storing its pixels per
// entered length, the length and dots-per-unit fields refusing what is no
// usable number in any locale, the field showing figures without storing them
// back, the tool switch ending a calibration, and the overlay drawing only the
// line, its hint and the scale bar while it runs.

#include "MeasurePluginFixture.h"
#include "app/Localization.h"
#include "measure/CalibrationObject.h"
#include "measure/Configuration.h"
#include "measure/LineObject.h"
#include "support/CommaLocale.h"
#include "views/docks/IPropertyView.h"

using namespace quorel::test;

namespace {

// A text row: setText raises the edited event as the dialog's row does.
class FakeTextRow : public app::IPropertyViewStringParameter {
public:
    void setEnabled(bool e) override { enabled = e; }
    void setText(const std::wstring& t) override
    {
        shown = t;
        app::raise_event(textChanged, this, t);
    }
    void setReadOnly(bool r) override { readOnly = r; }
    void setValid(bool v) override { valid = v; }
    std::wstring text() override { return shown; }
    // The user types a text.
    void type(const std::wstring& t) { setText(t); }

    std::wstring shown;
    bool enabled = true;
    bool readOnly = false;
    bool valid = true;
};

class FakePushRow : public app::IPropertyViewPushParamater {
public:
    void setEnabled(bool e) override { enabled = e; }
    void setButtonText(const std::wstring& t) override { caption = t; }
    void setLabelText(const std::wstring&) override {}
    void push() { app::raise_event(pushed, this); }

    std::wstring caption;
    bool enabled = true;
};

class FakeListRow : public app::IPropertyViewDynListParameter {
public:
    void setEnabled(bool e) override { enabled = e; }
    void setItems(std::vector<std::wstring>) override {}
    void setCurrentText(const std::wstring&) override {}
    std::wstring currentText() override { return {}; }
    bool enabled = true;
};

class FakeIntRow : public app::IPropertyViewRangeParameter {
public:
    void setEnabled(bool e) override { enabled = e; }
    void setValue(int64_t) override {}
    void setup(int64_t, int64_t, int64_t, int64_t, bool, bool) override {}
    bool enabled = true;
};

class CalibrationTest : public MeasurePluginTest {
protected:
    void SetUp() override
    {
        MeasurePluginTest::SetUp();
        ASSERT_TRUE(host->openAndShow(kHdName));
        // The rows as the dialog makes them, with their handlers.
        plugin().calibrationButton = button_;
        plugin().lengthField = length_;
        plugin().dotsPerUnitField = dots_;
        plugin().microscopeList = microscopes_;
        plugin().magnificationList = magnifications_;
        plugin().decimalPlacesRow = decimals_;
        button_->pushed.push_back([this](app::IViewBase*) { plugin().onCalibrationButton(); });
        length_->textChanged.push_back(
            [this](app::IViewBase*, std::wstring t) { plugin().onCalibrationLengthChanged(t); });
        dots_->textChanged.push_back(
            [this](app::IViewBase*, std::wstring t) { plugin().onDotsPerUnitChanged(t); });
        button_->setButtonText(L"Start");
        length_->setEnabled(false);
        length_->setReadOnly(true);
    }
    std::shared_ptr<Measure::Configuration> magnification()
    {
        return workspaceOf(kHdName)->selectedConfiguration();
    }
    double storedDotsPerUnit() { return magnification()->dotsPerUnitParameter->value(); }
    std::shared_ptr<Measure::CalibrationObject> line() { return plugin().calibration.object; }
    static std::wstring start() { return Localization::getString("Menu/Items/Start"); }
    static std::wstring save() { return Localization::getString("Measure/Save"); }
    bool listsEnabled() const
    {
        return microscopes_->enabled && magnifications_->enabled && decimals_->enabled;
    }
    bool listsDisabled() const
    {
        return !microscopes_->enabled && !magnifications_->enabled && !decimals_->enabled;
    }

    std::shared_ptr<FakePushRow> button_ = std::make_shared<FakePushRow>();
    std::shared_ptr<FakeTextRow> length_ = std::make_shared<FakeTextRow>();
    std::shared_ptr<FakeTextRow> dots_ = std::make_shared<FakeTextRow>();
    std::shared_ptr<FakeListRow> microscopes_ = std::make_shared<FakeListRow>();
    std::shared_ptr<FakeListRow> magnifications_ = std::make_shared<FakeListRow>();
    std::shared_ptr<FakeIntRow> decimals_ = std::make_shared<FakeIntRow>();
};

} // namespace

TEST_F(CalibrationTest, StartPlacesTheLineAndSaveStoresItsPixelsPerLength)
{
    button(L"Line").click();
    button_->push();
    ASSERT_TRUE(plugin().calibration.active);
    EXPECT_EQ(plugin().calibration.workspace, workspaceOf(kHdName));
    expect_points(points_of(line()), {{192, 540}, {1728, 540}}, "the line");
    EXPECT_FLOAT_EQ(line()->length(), 1536.0f);
    EXPECT_TRUE(workspaceOf(kHdName)->isSelected(line())) << "selected alone";
    EXPECT_EQ(workspaceOf(kHdName)->selectedObjects().size(), 1u);
    EXPECT_TRUE(button(L"Select").checked) << "the button makes Select current";
    EXPECT_EQ(button_->caption, save());
    EXPECT_TRUE(length_->enabled);
    EXPECT_FALSE(length_->readOnly);
    EXPECT_TRUE(listsDisabled());
    // Saved without a typed length: 100 units.
    button_->push();
    ASSERT_FALSE(plugin().calibration.active);
    EXPECT_FLOAT_EQ(static_cast<float>(storedDotsPerUnit()), 15.36f);
    EXPECT_EQ(dots_->shown, L"15.36");
    EXPECT_EQ(storedDotsPerUnit(), static_cast<double>(15.36f)) << "the shown figure stored nothing back";
    EXPECT_EQ(button_->caption, start());
    EXPECT_TRUE(workspaceOf(kHdName)->objects().empty()) << "the line went";
    EXPECT_FALSE(length_->enabled);
    EXPECT_TRUE(length_->readOnly);
    EXPECT_TRUE(listsEnabled());

    // The next calibration over 12.5 units.
    button_->push();
    length_->type(L"12.5");
    button_->push();
    EXPECT_FLOAT_EQ(static_cast<float>(storedDotsPerUnit()), 1536.0f / 12.5f);
    EXPECT_EQ(dots_->shown, L"122.88");
}

TEST_F(CalibrationTest, TheLineLiesInTheImageAsATurnedViewShowsIt)
{
    host->controller->rotate_right();
    button_->push();
    // 1920 x 1080 shown 1080 wide and 1920 high.
    expect_points(points_of(line()), {{108, 960}, {972, 960}}, "the turned line");
    button_->push();
    EXPECT_FLOAT_EQ(static_cast<float>(storedDotsPerUnit()), 8.64f);
}

TEST_F(CalibrationTest, UnusableLengthsDisableSaveAndKeepTheLastValidOne)
{
    button_->push();
    length_->type(L"50");
    EXPECT_TRUE(length_->valid);
    for (const wchar_t* text : {L"abc", L"", L"0", L"-3", L"1e40", L"nan", L"inf", L" 5", L"5 ", L"12,5"}) {
        length_->type(L"50");
        length_->type(text);
        const std::string what = app::wide_to_utf8(text);
        EXPECT_FALSE(length_->valid) << what;
        EXPECT_FALSE(button_->enabled) << what;
        EXPECT_EQ(plugin().calibration.enteredLength, 50.0f) << what;
    }
    // A drawing tool ends the calibration: Start, still disabled until a valid length.
    button(L"Line").click();
    EXPECT_FALSE(plugin().calibration.active);
    EXPECT_EQ(button_->caption, start());
    EXPECT_TRUE(listsEnabled());
    EXPECT_FALSE(button_->enabled);
    EXPECT_TRUE(workspaceOf(kHdName)->objects().empty());
    length_->type(L"2.5");
    EXPECT_TRUE(button_->enabled);
    EXPECT_EQ(plugin().calibration.enteredLength, 2.5f);

    // In a comma locale the point still reads, and the comma still does not.
    CommaLocale comma;
    ASSERT_TRUE(comma.active());
    length_->type(L"7.25");
    EXPECT_TRUE(length_->valid);
    EXPECT_EQ(plugin().calibration.enteredLength, 7.25f);
    length_->type(L"7,5");
    EXPECT_FALSE(length_->valid);
    EXPECT_EQ(plugin().calibration.enteredLength, 7.25f);
}

TEST_F(CalibrationTest, ALineOfLessThanAPixelCannotBeSaved)
{
    button_->push();
    ASSERT_TRUE(button_->enabled);
    // Its right end dragged onto its left end.
    drag(host->viewOf(kHdName), windowOf(kHdName, {1728, 540}), windowOf(kHdName, {192, 540}));
    ASSERT_LT(line()->length(), 1.0f);
    EXPECT_FALSE(button_->enabled);
    const double before = storedDotsPerUnit();
    plugin().onCalibrationButton(); // as if pressed anyway
    EXPECT_TRUE(plugin().calibration.active) << "still running";
    EXPECT_EQ(button_->caption, save());
    EXPECT_EQ(storedDotsPerUnit(), before);

    drag(host->viewOf(kHdName), windowOf(kHdName, {192, 540}), windowOf(kHdName, {800, 540}));
    EXPECT_TRUE(button_->enabled);
    button_->push();
    EXPECT_FALSE(plugin().calibration.active);
    EXPECT_NEAR(storedDotsPerUnit(), (800.0 - 192.0) / 100.0, 0.02);
}

TEST_F(CalibrationTest, TheDotsPerUnitFieldStoresTypedFiguresOnly)
{
    struct Case {
        const wchar_t* text;
        bool valid;
        double stored;
    };
    const Case cases[] = {
        {L"12,5", true, 12.5}, {L"12.5", true, 12.5}, {L"abc", false, 0},   {L"", false, 0},
        {L"0", false, 0},      {L"-3", false, 0},     {L"1e40", false, 0},  {L"nan", false, 0},
        {L"inf", false, 0},    {L" 5", false, 0},     {L"1,2,5", false, 0},
    };
    const auto check = [&](const char* where) {
        for (const Case& c : cases) {
            magnification()->dotsPerUnitParameter->setValue(33.0);
            dots_->type(c.text);
            const std::string what = std::string(where) + " " + app::wide_to_utf8(c.text);
            EXPECT_EQ(dots_->valid, c.valid) << what;
            EXPECT_EQ(storedDotsPerUnit(), c.valid ? c.stored : 33.0) << what;
        }
    };
    check("C locale");
    CommaLocale comma;
    ASSERT_TRUE(comma.active());
    check("comma locale");

    // Figures the program shows are the shortest that read back, and store nothing.
    const std::pair<float, const wchar_t*> shown[] = {{15.36f, L"15.36"},
                                                      {8.123456789f, L"8.123457"},
                                                      {100.0f, L"100"},
                                                      {3e-7f, L"3e-07"},
                                                      {1.1754944e-38f, L"1.1754944e-38"}};
    for (const auto& [value, text] : shown) {
        magnification()->dotsPerUnitParameter->setValue(8.123456789);
        plugin().showDotsPerUnit(value);
        EXPECT_EQ(dots_->shown, text);
        EXPECT_EQ(storedDotsPerUnit(), 8.123456789) << app::wide_to_utf8(text);
        dots_->type(dots_->shown); // the same figure typed reads back as the same value
        EXPECT_EQ(static_cast<float>(storedDotsPerUnit()), value);
    }
}

TEST_F(CalibrationTest, WhileItRunsOnlyItsLineHintAndScaleBarAreDrawnAndNothingElseMoves)
{
    // Below the hint, above the scale bar.
    const ObjectPtr other = drawLine(kHdName, {700, 700}, {1000, 700});
    ASSERT_NE(other, nullptr);
    const Points before = points_of(other);
    app::ILiveView* view = host->viewOf(kHdName);
    ViewScreen* screen = host->view->screenOf(view);
    ASSERT_NE(screen, nullptr);
    const auto paint = [&] {
        screen->clear();
        host->controller->on_overlay_render(host->live(kHdName).get(), *screen->g);
    };
    const auto drawnIn = [&](int left, int top, int right, int bottom) {
        return (right - left) * (bottom - top) - screen->count(Canvas::ground, left, top, right, bottom);
    };
    const Vec2f otherAt = windowOf(kHdName, {850, 700});
    const auto otherDrawn = [&] {
        return drawnIn(static_cast<int>(otherAt.x) - 40, static_cast<int>(otherAt.y) - 2,
                       static_cast<int>(otherAt.x) + 40, static_cast<int>(otherAt.y) + 3);
    };
    paint();
    EXPECT_GT(otherDrawn(), 60);
    const int hintBefore = drawnIn(8, 8, 300, 40);

    button_->push();
    paint();
    EXPECT_EQ(otherDrawn(), 0) << "the other line is not drawn";
    EXPECT_GT(drawnIn(8, 8, 300, 40), hintBefore + 100) << "the hint at (8, 8)";
    const Vec2f calibrationAt = windowOf(kHdName, {960, 540});
    EXPECT_GT(drawnIn(static_cast<int>(calibrationAt.x) - 40, static_cast<int>(calibrationAt.y) - 2,
                      static_cast<int>(calibrationAt.x) + 40, static_cast<int>(calibrationAt.y) + 3),
              60)
        << "the calibration line";
    // The scale bar: its white box at the bottom of the view.
    EXPECT_GT(drawnIn(0, MeasureMainView::kViewHeight - 52, MeasureMainView::kViewWidth,
                      MeasureMainView::kViewHeight - 10),
              1000);

    // Dragging the other line (pressed, selected, dragged) moves nothing of it.
    drag(view, otherAt, {otherAt.x + 30, otherAt.y + 40});
    expect_points(points_of(other), before, "the other line");

    // Select leaves it running; Save ends it and the objects are back.
    button(L"Select").click();
    EXPECT_TRUE(plugin().calibration.active);
    button_->push();
    paint();
    EXPECT_GT(otherDrawn(), 60);
    EXPECT_LE(drawnIn(8, 8, 300, 40), hintBefore);
}
