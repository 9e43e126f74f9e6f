// The measure plug-in's microscope and appearance dialogs, driven through
// fake rows, and its file dialogs through the application context with
// scripted file choosers, on the real host with simulated cameras.

#include "../application/FakeDesktopServices.h"
#include "FakePropertyView.h"
#include "MeasurePluginFixture.h"
#include "application/qt_context.h"
#include "measure/AnnotationObject.h"
#include "measure/Configuration.h"
#include "measure/LineObject.h"
#include "measure/MeasureObject.h"
#include "measure/MeasureSettings.h"
#include "measure/Microscope.h"
#include "support/TempHome.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace quorel::test {
namespace {

namespace fs = std::filesystem;

// Hands the plug-in's dialogs to fake views.
class DialogContext : public app::Plugin::PluginContext {
public:
    using PluginContext::PluginContext;
    app::IPropertyView* createPropertyView(const std::wstring& title) override
    {
        views.push_back(std::make_unique<FakePropertyView>(title));
        return views.back().get();
    }
    std::vector<std::unique_ptr<FakePropertyView>> views;
};

std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

class MeasureDialogTest : public MeasurePluginTest {
protected:
    void SetUp() override
    {
        MeasurePluginTest::SetUp();
        dialogs = std::make_unique<DialogContext>(host->controller.get());
        plugin().context = dialogs.get(); // its dialogs come to this test
        desktop = std::make_shared<FakeDesktopServices>();
        auto fileDialogs = std::make_shared<application::qt_context>();
        fileDialogs->setDesktopServices(desktop);
        application::set_context(fileDialogs);
        dir = make_temp_dir("measure_dialogs");
        MeasureSettings::instance().setString(MeasureSettings::LAST_DIRECTORY, app::path_to_wide(dir));
    }
    void TearDown() override
    {
        application::set_context(nullptr);
        MeasurePluginTest::TearDown();
        dialogs.reset();
    }

    // The last dialog the plug-in made.
    FakePropertyView& dialog()
    {
        EXPECT_FALSE(dialogs->views.empty());
        return *dialogs->views.back();
    }
    FakePropertyView& openMicroscopeDialog()
    {
        button(L"Microscope").click();
        return dialog();
    }
    std::wstring lastDirectory()
    {
        return MeasureSettings::instance().getString(MeasureSettings::LAST_DIRECTORY);
    }
    std::shared_ptr<Measure::Configuration> magnificationOf(const char* name)
    {
        return workspaceOf(name)->selectedConfiguration();
    }
    // The user picks this file in the next file dialog.
    void choose(const fs::path& path) { desktop->answer = QString::fromStdWString(app::path_to_wide(path)); }

    std::unique_ptr<DialogContext> dialogs;
    std::shared_ptr<FakeDesktopServices> desktop;
    fs::path dir;
};

// Row order of the microscope dialog.
enum MicroscopeRow {
    kMicroscopes,
    kMagnifications,
    kCalibrationUnit,
    kCalibrationButton,
    kLength,
    kDotsPerUnit,
    kUnit,
    kDecimalPlaces,
    kLoadSettings,
    kSaveSettings
};

// ---- microscope dialog

TEST_F(MeasureDialogTest, TheMicroscopeDialogShowsTheCurrentCamerasMicroscopesInItsRows)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    FakePropertyView& view = openMicroscopeDialog();
    EXPECT_EQ(view.title, L"Microscope");
    const std::vector<std::pair<std::wstring, std::wstring>> layout = {
        {L"Microscope", L"Microscopes"},   {L"Microscope", L"Magnification"},
        {L"Calibration", L"Unit"},         {L"Calibration", L"Calibration"},
        {L"Calibration", L"Length"},       {L"Calibration", L"Pixels per unit"},
        {L"Microscope", L"Unit"},          {L"Microscope", L"Decimal places"},
        {L"Microscope", L"Load Settings"}, {L"Microscope", L"Save Settings"}};
    ASSERT_EQ(view.rows.size(), layout.size());
    for (size_t i = 0; i < layout.size(); ++i) {
        EXPECT_EQ(view.rows[i].group, layout[i].first) << i;
        EXPECT_EQ(view.rows[i].label, layout[i].second) << i;
    }
    EXPECT_EQ(view.expanded, std::vector<std::wstring>{L"Microscope"});
    EXPECT_EQ(view.raises, 1);

    const auto microscopes = view.at<FakeEditableListRow>(kMicroscopes);
    EXPECT_EQ(microscopes->items, std::vector<std::wstring>{L"Microscope 1"});
    EXPECT_EQ(microscopes->current, L"Microscope 1");
    EXPECT_EQ(view.at<FakeEditableListRow>(kMagnifications)->items, std::vector<std::wstring>{L"1x"});
    // The default unit text "cm" shows as Centimeter in both lists.
    EXPECT_EQ(view.at<FakeChoiceRow>(kUnit)->current, L"Centimeter");
    EXPECT_EQ(view.at<FakeChoiceRow>(kCalibrationUnit)->current, L"Centimeter");
    EXPECT_EQ(view.at<FakeChoiceRow>(kUnit)->items.size(), 13u);
    EXPECT_EQ(view.at<FakePushRow>(kCalibrationButton)->buttonText, L"Start");
    const auto length = view.at<FakeTextRow>(kLength);
    EXPECT_EQ(length->value, L"");
    EXPECT_FALSE(length->enabled);
    EXPECT_TRUE(length->readOnly);
    EXPECT_EQ(view.at<FakeTextRow>(kDotsPerUnit)->value, L"100");
    EXPECT_FALSE(view.at<FakeTextRow>(kDotsPerUnit)->readOnly);
    EXPECT_EQ(view.at<FakeIntRow>(kDecimalPlaces)->value, 2);
    EXPECT_EQ(view.at<FakeIntRow>(kDecimalPlaces)->maximum, 6);
    EXPECT_EQ(view.at<FakePushRow>(kLoadSettings)->buttonText, L"Load Settings");
    EXPECT_EQ(view.at<FakePushRow>(kSaveSettings)->buttonText, L"Save Settings");
    EXPECT_EQ(view.at<FakePushRow>(kSaveSettings)->labelText, L"");
}

TEST_F(MeasureDialogTest, MicroscopesAreAddedRenamedAndRemovedThroughTheirList)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    FakePropertyView& view = openMicroscopeDialog();
    const auto ws = workspaceOf(kHdName);
    auto* microscopes = view.at<FakeEditableListRow>(kMicroscopes);
    auto* magnifications = view.at<FakeEditableListRow>(kMagnifications);

    microscopes->remove();
    EXPECT_EQ(ws->microscopeNames(), std::vector<std::wstring>{L"Microscope 1"}) << "the last one stays";

    // Give the first microscope a second magnification, selected, so a switch shows.
    magnifications->add();
    magnifications->rename(L"40x");
    EXPECT_EQ(ws->selectedConfiguration()->name(), L"40x");

    microscopes->add();
    EXPECT_EQ(ws->microscopeNames(), (std::vector<std::wstring>{L"Microscope 1", L"New item0"}));
    EXPECT_EQ(ws->selectedMicroscope()->name(), L"New item0");
    EXPECT_EQ(magnifications->items, std::vector<std::wstring>{L"1x"});
    EXPECT_EQ(ws->selectedConfiguration()->name(), L"1x");

    microscopes->rename(L"Microscope 1");
    EXPECT_FALSE(microscopes->nameValid);
    EXPECT_EQ(ws->selectedMicroscope()->name(), L"New item0") << "a name another one has is refused";
    microscopes->rename(L"Stereo");
    EXPECT_EQ(ws->microscopeNames(), (std::vector<std::wstring>{L"Microscope 1", L"Stereo"}));

    // Going back shows the first one's magnifications with its selected one,
    // which the refill of the list does not change.
    microscopes->select(L"Microscope 1");
    EXPECT_EQ(magnifications->items, (std::vector<std::wstring>{L"1x", L"40x"}));
    EXPECT_EQ(magnifications->current, L"40x");
    EXPECT_EQ(ws->selectedConfiguration()->name(), L"40x");

    // Removing the selected one selects the next first.
    microscopes->remove();
    EXPECT_EQ(ws->microscopeNames(), std::vector<std::wstring>{L"Stereo"});
    EXPECT_EQ(ws->selectedMicroscope()->name(), L"Stereo");
    EXPECT_EQ(microscopes->current, L"Stereo");
}

TEST_F(MeasureDialogTest, SelectingAMagnificationShowsItsUnitDecimalsAndDotsPerUnit)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    const auto first = magnificationOf(kHdName);
    first->unitParameter->setValue(L"Inch");
    first->dotsPerUnitParameter->setValue(8.123456789);
    FakePropertyView& view = openMicroscopeDialog();
    auto* magnifications = view.at<FakeEditableListRow>(kMagnifications);

    magnifications->add();
    const auto added = magnificationOf(kHdName);
    EXPECT_EQ(added->name(), L"New item0");
    EXPECT_EQ(added->unitName(), L"cm");
    EXPECT_FLOAT_EQ(added->dotsPerUnit(), 100.0f);
    EXPECT_EQ(view.at<FakeChoiceRow>(kUnit)->current, L"Centimeter");
    EXPECT_EQ(view.at<FakeTextRow>(kDotsPerUnit)->value, L"100");

    view.at<FakeIntRow>(kDecimalPlaces)->setValue(9);
    EXPECT_EQ(added->decimalPlanes(), 6);

    magnifications->select(L"1x");
    EXPECT_EQ(magnificationOf(kHdName), first);
    EXPECT_EQ(view.at<FakeChoiceRow>(kUnit)->current, L"Inch");
    EXPECT_EQ(view.at<FakeChoiceRow>(kCalibrationUnit)->current, L"Inch");
    EXPECT_EQ(view.at<FakeIntRow>(kDecimalPlaces)->value, 2);
    EXPECT_EQ(view.at<FakeTextRow>(kDotsPerUnit)->value, L"8.123457");
    EXPECT_DOUBLE_EQ(first->dotsPerUnitParameter->value(), 8.123456789) << "shown, not stored back";
    EXPECT_EQ(added->decimalPlanes(), 6) << "showing the other one's places stores nothing into this one";

    magnifications->remove();
    EXPECT_EQ(workspaceOf(kHdName)->selectedMicroscope()->magnifications().size(), 1u);
}

TEST_F(MeasureDialogTest, AUnitChangeConvertsDotsPerUnitOnceWhicheverListIsUsed)
{
    for (const MicroscopeRow used : {kUnit, kCalibrationUnit}) {
        SCOPED_TRACE(used == kUnit ? "microscope page" : "calibration page");
        ASSERT_TRUE(host->openAndShow(kHdName));
        const auto m = magnificationOf(kHdName);
        m->unitParameter->setValue(L"Millimeter");
        m->dotsPerUnitParameter->setValue(10.0);
        FakePropertyView& view = openMicroscopeDialog();
        auto* list = view.at<FakeChoiceRow>(used);
        auto* other = view.at<FakeChoiceRow>(used == kUnit ? kCalibrationUnit : kUnit);

        list->choose(L"Micrometer");
        EXPECT_EQ(m->unitName(), L"Micrometer");
        EXPECT_FLOAT_EQ(m->dotsPerUnit(), 10.0f / 1000.0f);
        EXPECT_EQ(other->current, L"Micrometer");
        EXPECT_EQ(view.at<FakeTextRow>(kDotsPerUnit)->value, L"0.01");

        other->choose(L"Millimeter");
        EXPECT_EQ(m->unitName(), L"Millimeter");
        EXPECT_NEAR(m->dotsPerUnit(), 10.0f, 1e-5f);
        EXPECT_EQ(list->current, L"Millimeter");

        // "cm" already reads as Centimeter: nothing to convert.
        m->unitParameter->setValue(L"cm");
        m->dotsPerUnitParameter->setValue(100.0);
        list->choose(L"Centimeter");
        EXPECT_EQ(m->unitName(), L"cm");
        EXPECT_FLOAT_EQ(m->dotsPerUnit(), 100.0f);

        dialog().close();
        host->model->close_device();
        host->tick();
    }
}

TEST_F(MeasureDialogTest, PressingAgainRefreshesTheOpenDialogAndAnotherCameraRefillsIt)
{
    ASSERT_TRUE(host->openAndShow(kSdName));
    workspaceOf(kSdName)->addMicroscope(L"Inverted");
    ASSERT_TRUE(host->openAndShow(kHdName));
    FakePropertyView& view = openMicroscopeDialog();
    auto* microscopes = view.at<FakeEditableListRow>(kMicroscopes);
    EXPECT_EQ(microscopes->items, std::vector<std::wstring>{L"Microscope 1"});

    workspaceOf(kHdName)->addMicroscope(L"Added elsewhere");
    button(L"Microscope").click();
    EXPECT_EQ(dialogs->views.size(), 1u) << "one dialog";
    EXPECT_EQ(view.raises, 2);
    EXPECT_EQ(microscopes->items, (std::vector<std::wstring>{L"Microscope 1", L"Added elsewhere"}));
    EXPECT_EQ(workspaceOf(kHdName)->selectedMicroscope()->name(), L"Microscope 1")
        << "a refill selects nothing";

    host->select(kSdName);
    EXPECT_EQ(microscopes->items, (std::vector<std::wstring>{L"Microscope 1", L"Inverted"}));
    EXPECT_EQ(workspaceOf(kSdName)->selectedMicroscope()->name(), L"Microscope 1");

    // Closed, the next press builds a new one; without a camera none stays open.
    view.close();
    button(L"Microscope").click();
    ASSERT_EQ(dialogs->views.size(), 2u);
    host->model->close_all_devices();
    host->tick();
    EXPECT_FALSE(dialog().open);
}

// These two need the calibration handlers of the calibration rows.
TEST_F(MeasureDialogTest, CalibrationOpeningTheDialogAgainCancelsARunningCalibration)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    FakePropertyView& view = openMicroscopeDialog();
    view.at<FakePushRow>(kCalibrationButton)->push();
    ASSERT_TRUE(plugin().calibration.active);
    ASSERT_EQ(objectsOf(kHdName).size(), 1u) << "the calibration line";
    button(L"Microscope").click();
    EXPECT_FALSE(plugin().calibration.active);
    EXPECT_TRUE(objectsOf(kHdName).empty());
    EXPECT_EQ(view.at<FakePushRow>(kCalibrationButton)->buttonText, L"Start");
    EXPECT_TRUE(view.at<FakeEditableListRow>(kMicroscopes)->enabled);
}

TEST_F(MeasureDialogTest, CalibrationClosingTheDialogRemovesARunningCalibrationLine)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    FakePropertyView& view = openMicroscopeDialog();
    view.at<FakePushRow>(kCalibrationButton)->push();
    ASSERT_TRUE(plugin().calibration.active);
    view.close();
    EXPECT_FALSE(plugin().calibration.active);
    EXPECT_TRUE(objectsOf(kHdName).empty());
}

TEST_F(MeasureDialogTest, SettingsSaveAndLoadRoundTripThroughTheFileDialogs)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    FakePropertyView& view = openMicroscopeDialog();
    view.at<FakeEditableListRow>(kMicroscopes)->add();
    view.at<FakeEditableListRow>(kMicroscopes)->rename(L"Zoom Ω");
    const fs::path saved = dir / "sub" / "scopes.json";
    fs::create_directories(saved.parent_path());
    choose(saved);
    view.at<FakePushRow>(kSaveSettings)->push();
    EXPECT_EQ(desktop->lastCaption, "Save Measure Settings...");
    EXPECT_EQ(desktop->lastDirectory.toStdWString(), app::path_to_wide(dir));
    EXPECT_EQ(desktop->lastPreselected, "JSON Files (*.json)");
    ASSERT_TRUE(fs::exists(saved));
    EXPECT_EQ(lastDirectory(), app::path_to_wide(saved.parent_path()));

    view.at<FakeEditableListRow>(kMicroscopes)->remove();
    EXPECT_EQ(workspaceOf(kHdName)->microscopeNames().size(), 1u);
    choose(saved);
    view.at<FakePushRow>(kLoadSettings)->push();
    EXPECT_EQ(desktop->lastCaption, "Load Measure Settings...");
    EXPECT_EQ(desktop->lastDirectory.toStdWString(), app::path_to_wide(saved.parent_path()));
    EXPECT_EQ(workspaceOf(kHdName)->microscopeNames(),
              (std::vector<std::wstring>{L"Microscope 1", L"Zoom Ω"}));
    EXPECT_EQ(view.at<FakeEditableListRow>(kMicroscopes)->items,
              (std::vector<std::wstring>{L"Microscope 1", L"Zoom Ω"}));
    EXPECT_TRUE(host->view->messageBoxes.empty());

    // Cancelled: nothing changes.
    desktop->answer.clear();
    MeasureSettings::instance().setString(MeasureSettings::LAST_DIRECTORY, L"/elsewhere");
    view.at<FakePushRow>(kLoadSettings)->push();
    EXPECT_EQ(lastDirectory(), L"/elsewhere");
}

TEST_F(MeasureDialogTest, ABadSettingsFileIsReportedAndKeepsTheMicroscopes)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    workspaceOf(kHdName)->addMicroscope(L"Kept");
    FakePropertyView& view = openMicroscopeDialog();
    const std::string magnification =
        R"({"decimal-planes": 2, "dots-per-unit": DPU, "name": "1x", "unit": "Millimeter"})";
    const auto file_with = [&](const std::string& dpu) {
        std::string m = magnification;
        m.replace(m.find("DPU"), 3, dpu);
        return R"({"microscopes": [{"magnifications": [)" + m +
               R"(], "name": "Bad", "selected-magnification": "1x"}], "selected-microscope": "Bad"})";
    };
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"malformed", "{\"microscopes\": ["},
        {"mistyped", file_with("\"ten\"")},
        {"empty", ""},
        {"zero dots per unit", file_with("0")},
        {"negative dots per unit", file_with("-3.5")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        host->view->messageBoxes.clear();
        const fs::path file = dir / "bad.json";
        write_file(file, c.text);
        choose(file);
        view.at<FakePushRow>(kLoadSettings)->push();
        EXPECT_EQ(workspaceOf(kHdName)->microscopeNames(),
                  (std::vector<std::wstring>{L"Microscope 1", L"Kept"}));
        ASSERT_EQ(host->view->messageBoxes.size(), 1u);
        EXPECT_EQ(host->view->messageBoxes[0].title, L"Error");
        EXPECT_NE(host->view->messageBoxes[0].text.find(L"could not be loaded"), std::wstring::npos);
    }
}

// ---- appearance dialog

TEST_F(MeasureDialogTest, TheAppearanceDialogIsBuiltOnceAndAgainWithTheValuesOfItsTime)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    button(L"Appearance").click();
    FakePropertyView& first = dialog();
    EXPECT_EQ(first.title, L"Appearance");
    const std::vector<std::pair<std::wstring, std::wstring>> layout = {
        {L"Miscellaneous", L"Object text"},
        {L"Miscellaneous", L"Show measurements"},
        {L"Miscellaneous", L"Show scale bar"},
        {L"Miscellaneous", L"Scale Bar Alignment"},
        {L"Objects", L"Line width"},
        {L"Objects", L"Vertex size"},
        {L"Labels", L"Text colour"},
        {L"Labels", L"Border colour"},
        {L"Labels", L"Background colour"},
        {L"Labels", L"Font size"},
        {L"Measurands", L"Area"},
        {L"Measurands", L"Angle"},
        {L"Measurands", L"Width and height"},
        {L"Measurands", L"Perimeter"},
        {L"Measurands", L"Diameter"},
        {L"Measurands", L"Radius"},
        {L"Measurands", L"Length"}};
    ASSERT_EQ(first.rows.size(), layout.size());
    for (size_t i = 0; i < layout.size(); ++i) {
        EXPECT_EQ(first.rows[i].group, layout[i].first) << i;
        EXPECT_EQ(first.rows[i].label, layout[i].second) << i;
    }
    EXPECT_TRUE(first.expandedAll);
    const auto alignment = first.at<FakeChoiceRow>(3);
    EXPECT_EQ(alignment->items, MeasureAppearanceSettings::scaleBarAlignments());
    EXPECT_EQ(alignment->items.front(), L"BottomLeft");
    EXPECT_EQ(alignment->items.back(), L"TopRight");
    EXPECT_EQ(alignment->items.size(), 9u);
    EXPECT_EQ(alignment->current, L"BottomLeft");
    EXPECT_EQ(first.at<FakeIntRow>(9)->minimum, 12);
    EXPECT_EQ(first.at<FakeColourRow>(8)->colour, 0xFF2D2D30u);

    button(L"Appearance").click();
    EXPECT_EQ(dialogs->views.size(), 1u);
    EXPECT_EQ(first.raises, 2);

    // The rows write the settings at once.
    auto& settings = MeasureAppearanceSettings::instance();
    first.at<FakeSwitchRow>(1)->setValue(false);
    alignment->choose(L"TopCenter");
    first.at<FakeSwitchRow>(16)->setValue(false);
    first.at<FakeIntRow>(9)->setValue(20);
    EXPECT_FALSE(settings.getBool(MeasureAppearanceSettings::SHOW_OVERLAY));
    EXPECT_EQ(settings.getList(MeasureAppearanceSettings::SCALE_BAR_ALIGNMENT), L"TopCenter");
    EXPECT_FALSE(settings.getBool(MeasureAppearanceSettings::SHOW_LENGTH));
    EXPECT_EQ(settings.getInt(MeasureAppearanceSettings::FONT_SIZE), 20);
    EXPECT_TRUE(workspaceOf(kHdName)->labelStyleDirty());

    first.close();
    settings.setBool(MeasureAppearanceSettings::SHOW_SCALE_BAR, false);
    button(L"Appearance").click();
    ASSERT_EQ(dialogs->views.size(), 2u);
    FakePropertyView& second = dialog();
    EXPECT_FALSE(second.at<FakeSwitchRow>(1)->value);
    EXPECT_FALSE(second.at<FakeSwitchRow>(2)->value);
    EXPECT_EQ(second.at<FakeChoiceRow>(3)->current, L"TopCenter");
    EXPECT_EQ(second.at<FakeIntRow>(9)->value, 20);
}

TEST_F(MeasureDialogTest, TheObjectTextRowFollowsTheSelectionAndEditsTheAnnotation)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    button(L"Annotation").click();
    clickImage(kHdName, {400, 400});
    const auto annotation = std::dynamic_pointer_cast<Measure::AnnotationObject>(objectsOf(kHdName).back());
    ASSERT_NE(annotation, nullptr);
    const ObjectPtr line = drawLine(kHdName, {700, 300}, {1000, 300});
    const auto ws = workspaceOf(kHdName);

    plugin().selectObject(ws, line, false);
    button(L"Appearance").click();
    auto* text = dialog().at<FakeTextRow>(0);
    EXPECT_EQ(text->value, L"");
    EXPECT_FALSE(text->enabled);
    EXPECT_TRUE(text->readOnly);

    plugin().selectObject(ws, annotation, false);
    EXPECT_EQ(text->value, annotation->text());
    EXPECT_TRUE(text->enabled);
    EXPECT_FALSE(text->readOnly);

    // Keystroke by keystroke, any script, kept as typed.
    const std::wstring typed = L"Größe 測定 ✓";
    text->setText(L"");
    for (size_t n = 1; n <= typed.size(); ++n) {
        text->setText(typed.substr(0, n));
        EXPECT_EQ(annotation->text(), typed.substr(0, n));
    }
    nlohmann::json saved;
    annotation->toJson(saved);
    EXPECT_EQ(saved["userText"].get<std::string>(), app::wide_to_utf8(typed));

    plugin().selectObject(ws, line, false);
    EXPECT_EQ(text->value, L"");
    EXPECT_FALSE(text->enabled);
    EXPECT_EQ(annotation->text(), typed) << "emptying the row for a line leaves the annotation";
    plugin().selectObject(ws, annotation, false);
    EXPECT_EQ(text->value, typed);
}

TEST_F(MeasureDialogTest, LineWidthReachesEveryObjectOfEveryCameraAndPickedColoursAreOpaque)
{
    ASSERT_TRUE(host->openAndShow(kSdName));
    drawLine(kSdName, {100, 100}, {300, 100});
    ASSERT_TRUE(host->openAndShow(kHdName));
    drawLine(kHdName, {700, 300}, {1000, 300});
    drawLine(kHdName, {700, 500}, {1000, 500});
    button(L"Appearance").click();
    FakePropertyView& view = dialog();

    view.at<FakeIntRow>(4)->setValue(10);
    for (const char* name : {kSdName, kHdName})
        for (const auto& object : objectsOf(name)) {
            const auto measured = std::dynamic_pointer_cast<Measure::MeasureObject>(object);
            ASSERT_NE(measured, nullptr);
            EXPECT_FLOAT_EQ(measured->appearance().lineWidth, 10.0f) << name;
        }

    auto& settings = MeasureAppearanceSettings::instance();
    settings.setInt64(MeasureAppearanceSettings::ANNOTATION_BACK_COLOR, 0x40102030);
    view.at<FakeColourRow>(8)->pick(0x00123456);
    const int64_t stored = settings.getInt(MeasureAppearanceSettings::ANNOTATION_BACK_COLOR);
    EXPECT_EQ(static_cast<uint32_t>(stored & 0xFFFFFFFF), 0xFF123456u);
    EXPECT_LT(stored, 0) << "kept sign-extended";
}

// ---- file dialogs

TEST_F(MeasureDialogTest, SavingANewNameAppendsTheExtensionAndAsksNothing)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    drawLine(kHdName, {700, 300}, {1000, 300});
    const fs::path folder = dir / "D";
    fs::create_directories(folder);
    choose(folder / "measurements");
    button(L"Save").click();
    EXPECT_EQ(desktop->lastCaption, "Save Measurements...");
    EXPECT_EQ(desktop->lastDirectory.toStdWString(), app::path_to_wide(dir));
    EXPECT_EQ(desktop->lastPreselected, "Quorel Objects Files (*.qrmo)");
    EXPECT_TRUE(fs::exists(folder / "measurements.qrmo"));
    EXPECT_TRUE(host->view->questions.empty());
    EXPECT_EQ(lastDirectory(), app::path_to_wide(folder));
}

TEST_F(MeasureDialogTest, AnExistingFileIsReplacedOnlyAfterAQuestionWithItsNameOnly)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    drawLine(kHdName, {700, 300}, {1000, 300});
    const fs::path folder = dir / "D";
    fs::create_directories(folder);
    for (const char* file : {"old.qrmo", "old.csv"}) {
        SCOPED_TRACE(file);
        const bool csv = fs::path(file).extension() == ".csv";
        write_file(folder / file, "old");
        host->view->questions.clear();
        MeasureSettings::instance().setString(MeasureSettings::LAST_DIRECTORY, app::path_to_wide(dir));
        choose(folder / file);
        host->view->answerYes = false;
        desktop->lastSaveOptions = {};
        button(csv ? L"Export CSV" : L"Save").click();
        // Asked once: the plug-in asks, the file dialog and the context do not.
        EXPECT_TRUE(desktop->lastSaveOptions.testFlag(QFileDialog::DontConfirmOverwrite));
        EXPECT_TRUE(desktop->overwriteQuestions.empty());
        ASSERT_EQ(host->view->questions.size(), 1u);
        EXPECT_EQ(host->view->questions[0].title, L"Warning");
        EXPECT_EQ(host->view->questions[0].text,
                  app::utf8_to_wide(std::string("'") + file + "' already exists.Do you want to replace it?"));
        EXPECT_EQ(read_file(folder / file), "old");
        EXPECT_EQ(lastDirectory(), app::path_to_wide(folder)) << "No still moves the folder";

        host->view->answerYes = true;
        button(csv ? L"Export CSV" : L"Save").click();
        EXPECT_NE(read_file(folder / file), "old");
    }
}

TEST_F(MeasureDialogTest, MeasurementsAreSavedClearedAndLoadedBackAndExportedAsQuotedCsv)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    drawLine(kHdName, {700, 300}, {1000, 300});
    const fs::path d = dir / "D";
    const fs::path e = dir / "E";
    fs::create_directories(d);
    fs::create_directories(e);

    choose(d / "export.csv");
    button(L"Export CSV").click();
    EXPECT_EQ(desktop->lastCaption, "Export CSV...");
    EXPECT_EQ(desktop->lastPreselected, "Text CSV (*.csv)");
    const std::string csv = read_file(d / "export.csv");
    EXPECT_EQ(csv.substr(0, csv.find('\n')), R"("Object Type","Unit of Measurement","ID","Value","Unit")");
    EXPECT_NE(csv.find(R"("Line","Length",)"), std::string::npos) << csv;

    choose(e / "objects.qrmo");
    button(L"Save").click();
    EXPECT_EQ(lastDirectory(), app::path_to_wide(e));
    MeasureSettings::instance().setString(MeasureSettings::LAST_DIRECTORY, app::path_to_wide(d));

    const auto ws = workspaceOf(kHdName);
    const auto length = std::dynamic_pointer_cast<Measure::LineObject>(ws->objects().front())->length();
    ws->select(ws->objects().front(), false);
    ws->deleteSelected();
    ASSERT_TRUE(ws->objects().empty());

    choose(e / "objects.qrmo");
    button(L"Load").click();
    EXPECT_EQ(desktop->lastCaption, "Load Objects");
    EXPECT_EQ(desktop->lastDirectory.toStdWString(), app::path_to_wide(d));
    EXPECT_EQ(desktop->lastPreselected, "Quorel Objects Files (*.qrmo)");
    ASSERT_EQ(ws->objects().size(), 1u);
    EXPECT_FLOAT_EQ(std::dynamic_pointer_cast<Measure::LineObject>(ws->objects().front())->length(), length);
    EXPECT_EQ(lastDirectory(), app::path_to_wide(d)) << "loading leaves the folder";
    EXPECT_TRUE(host->view->messageBoxes.empty());
}

TEST_F(MeasureDialogTest, FileFailuresAreShownAndChangeNothing)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    drawLine(kHdName, {700, 300}, {1000, 300});
    const auto ws = workspaceOf(kHdName);
    const struct {
        const char* what;
        const wchar_t* button;
        fs::path file;
        const wchar_t* expected;
    } cases[] = {
        // The existence test itself fails: the reason is shown, nothing written.
        {"unanswerable existence test", L"Save", dir / (std::string(300, 'n') + ".qrmo"), L"cannot be told"},
        {"unanswerable existence test", L"Export CSV", dir / (std::string(300, 'n') + ".csv"),
         L"cannot be told"},
        {"save into a missing folder", L"Save", dir / "missing" / "a.qrmo", L"could not be saved"},
        {"export into a missing folder", L"Export CSV", dir / "missing" / "a.csv", L"could not be written"},
        {"a broken objects file", L"Load", dir / "broken.qrmo", L"could not be loaded"},
    };
    write_file(dir / "broken.qrmo", R"({"objects": [{"type": 1, "points": "no"}]})");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        host->view->messageBoxes.clear();
        choose(c.file);
        button(c.button).click();
        ASSERT_EQ(host->view->messageBoxes.size(), 1u);
        EXPECT_EQ(host->view->messageBoxes[0].title, L"Error");
        EXPECT_NE(host->view->messageBoxes[0].text.find(c.expected), std::wstring::npos)
            << app::wide_to_utf8(host->view->messageBoxes[0].text);
        std::error_code error;
        if (std::wstring(c.button) != L"Load") {
            EXPECT_FALSE(fs::exists(c.file, error)) << "nothing written";
        }
        EXPECT_EQ(ws->objects().size(), 1u);
    }
}

} // namespace
} // namespace quorel::test
