// The measure plug-in on the real host with simulated cameras: its ribbon and
// title-bar buttons, the tools' clicks, picking, dragging, banding, erasing,
// the keys, the label press, the appearance setters, and the workspaces
// across view turns, a camera taking another's view, a failed switch and a
// camera closed and opened again.

#include "MeasurePluginFixture.h"
#include "kyrgx/Keys.h"
#include "measure/AngleObject.h"
#include "measure/AnnotationObject.h"
#include "measure/CalibrationObject.h"
#include "measure/LineObject.h"
#include "measure/MeasureSettings.h"
#include "measure/PolygonObject.h"

#include <fstream>
#include <nlohmann/json.hpp>

using namespace quorel::test;

namespace {

constexpr const char* kGigeName = "QGE-C16X-52000003";

bool contains(const std::vector<ObjectPtr>& list, const ObjectPtr& object)
{
    return std::find(list.begin(), list.end(), object) != list.end();
}

nlohmann::json read_json(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return nlohmann::json::parse(in, nullptr, false);
}

int tool_kind(const OpenPluginMeasure& plugin)
{
    return plugin.currentTool ? plugin.currentTool->kind() : -1;
}

} // namespace

TEST_F(MeasurePluginTest, TheMeasureTabHoldsItsButtonsEnabledByTheCamera)
{
    struct Row {
        const wchar_t* caption;
        const wchar_t* group;
        const wchar_t* icon;
    };
    const Row rows[] = {
        {L"Microscope", L"dialogs", L"microscope.png"},
        {L"Appearance", L"dialogs", L"appearance.png"},
        {L"Save", L"test", L"save.png"},
        {L"Load", L"test", L"load.png"},
        {L"Export CSV", L"test", L"csv.png"},
        {L"Select", L"Tools", L"select.png"},
        {L"Line", L"Tools", L"ruler1.png"},
        {L"Polyline", L"Tools", L"kruler.png"},
        {L"Polygon", L"Tools", L"polygon.png"},
        {L"Rectangle", L"Tools", L"rectangle.png"},
        {L"Circle", L"Tools", L"circle.png"},
        {L"Angle", L"Tools", L"angle.png"},
        {L"Annotation", L"Tools", L"annotation.png"},
        {L"Eraser", L"Tools", L"eraser.png"},
    };
    const auto& ribbon = host->view->ribbonOrder;
    ASSERT_EQ(ribbon.size(), std::size(rows));
    for (size_t i = 0; i < ribbon.size(); ++i) {
        const std::string what = app::wide_to_utf8(rows[i].caption);
        EXPECT_EQ(ribbon[i]->tab, L"Measure") << what;
        EXPECT_EQ(ribbon[i]->text, rows[i].caption) << what;
        EXPECT_EQ(ribbon[i]->group, rows[i].group) << what;
        EXPECT_EQ(ribbon[i]->icon, rows[i].icon) << what;
        const bool tool = i >= 5;
        EXPECT_EQ(ribbon[i]->checkable, tool) << what;
        EXPECT_EQ(ribbon[i]->checked, i == 5) << what << ": only Select is checked";
    }
    const auto& titleBar = host->view->titleBarOrder;
    ASSERT_EQ(titleBar.size(), 2u);
    EXPECT_EQ(titleBar[0]->text, L"Redo");
    EXPECT_EQ(titleBar[0]->icon, L"redo.png");
    EXPECT_EQ(titleBar[1]->text, L"Undo");
    EXPECT_EQ(titleBar[1]->icon, L"undo.png");
    EXPECT_EQ(tool_kind(plugin()), 0);

    const auto enabled = [&] {
        std::string text;
        for (const FakeButton* b : ribbon)
            if (b->tab == L"Measure") // the Device tab fills up once a camera opens
                text += b->enabled ? "1" : "0";
        text += " ";
        for (const FakeButton* b : titleBar)
            text += b->enabled ? "1" : "0";
        return text;
    };
    // Microscope, Appearance, Save, Load, Export CSV | nine tools, then Redo and Undo.
    EXPECT_EQ(enabled(), "00000000000000 00") << "no camera";

    ASSERT_TRUE(host->openAndShow(kHdName));
    EXPECT_EQ(enabled(), "11010111111111 00") << "a camera, nothing to undo or save";

    drawLine(kHdName, {700, 300}, {1000, 300});
    EXPECT_EQ(enabled(), "11111111111111 01") << "a line to undo, save and export";
    const auto ws = workspaceOf(kHdName);
    button(L"Undo").click();
    EXPECT_TRUE(ws->objects().empty());
    EXPECT_EQ(enabled(), "11010111111111 10") << "nothing left to save";
    button(L"Redo").click();
    EXPECT_EQ(ws->objects().size(), 1u);

    host->model->close_device();
    host->tick();
    EXPECT_EQ(enabled(), "00000000000000 00") << "the camera closed";
    button(L"Undo").click(); // without a camera: nothing happens
    EXPECT_EQ(ws->objects().size(), 1u);
}

TEST_F(MeasurePluginTest, ItsStartLoadsBothSettingsFilesAndItsShutdownWritesThem)
{
    namespace fs = std::filesystem;
    const fs::path appearanceFile = app::path_from_wide(MeasureAppearanceSettings::filePath());
    const fs::path settingsFile = app::path_from_wide(MeasureSettings::filePath());
    // Started without files: the shutdown writes both.
    plugin().setFontSize(21);
    MeasureSettings::instance().setString(MeasureSettings::LAST_DIRECTORY, L"/data/objects");
    host.reset();
    nlohmann::json appearance = read_json(appearanceFile);
    nlohmann::json settings = read_json(settingsFile);
    ASSERT_FALSE(appearance.is_discarded());
    ASSERT_FALSE(settings.is_discarded());
    EXPECT_EQ(appearance["paramaters"]["FontSize"]["value"], 21);
    EXPECT_EQ(settings["paramaters"]["lastDirectory"]["value"], "/data/objects");

    // Edited between two runs: the next start reads them, an empty folder
    // becomes the Documents folder.
    appearance["paramaters"]["LineWidth"]["value"] = 50;
    settings["paramaters"]["lastDirectory"]["value"] = "";
    std::ofstream(appearanceFile, std::ios::binary) << appearance.dump(4);
    std::ofstream(settingsFile, std::ios::binary) << settings.dump(4);
    host = std::make_unique<MeasureHost>();
    EXPECT_EQ(MeasureAppearanceSettings::instance().getInt(MeasureAppearanceSettings::LINE_WIDTH), 10);
    EXPECT_EQ(MeasureSettings::instance().getString(MeasureSettings::LAST_DIRECTORY),
              app::get_known_folder(app::kFolderDocuments));
}

TEST_F(MeasurePluginTest, ALineComesWithTheSecondClickAndSelectIsCurrentAgain)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    button(L"Line").click();
    EXPECT_TRUE(button(L"Line").checked);
    EXPECT_FALSE(button(L"Select").checked);

    clickImage(kHdName, {700, 300});
    EXPECT_EQ(plugin().pendingPoints.size(), 1u);
    EXPECT_TRUE(objectsOf(kHdName).empty());

    clickImage(kHdName, {1000, 700});
    const auto objects = objectsOf(kHdName);
    ASSERT_EQ(objects.size(), 1u);
    const auto line = std::dynamic_pointer_cast<Measure::LineObject>(objects[0]);
    ASSERT_NE(line, nullptr);
    expect_points(line->points(), {{700, 300}, {1000, 700}}, "line");
    EXPECT_TRUE(plugin().pendingPoints.empty());
    EXPECT_EQ(tool_kind(plugin()), 0);
    EXPECT_TRUE(button(L"Select").checked);
    EXPECT_FALSE(button(L"Line").checked);
    EXPECT_EQ(workspaceOf(kHdName)->selectedObjects(), objects) << "the new line alone is selected";

    // 500 image pixels at 100 pixels per centimetre.
    line->updateLabelText();
    EXPECT_EQ(line->labelText(), L"Length: 5.00 cm\n");
}

TEST_F(MeasurePluginTest, EachToolTakesItsPointsFromItsClicks)
{
    ASSERT_TRUE(host->openAndShow(kHdName));

    // The angle's apex is its second point.
    button(L"Angle").click();
    for (const Vec2f p : {Vec2f{700, 300}, Vec2f{800, 500}, Vec2f{1000, 400}})
        clickImage(kHdName, p);
    auto objects = objectsOf(kHdName);
    ASSERT_EQ(objects.size(), 1u);
    ASSERT_NE(std::dynamic_pointer_cast<Measure::AngleObject>(objects[0]), nullptr);
    expect_points(points_of(objects[0]), {{700, 300}, {800, 500}, {1000, 400}}, "angle");

    // A polygon ends with a right click, which adds no point and needs two.
    button(L"Polygon").click();
    clickImage(kHdName, {600, 300});
    clickImage(kHdName, {650, 320}, kRight);
    EXPECT_EQ(objectsOf(kHdName).size(), 1u) << "one point is not a polygon";
    EXPECT_EQ(plugin().pendingPoints.size(), 1u) << "the point stays";
    for (const Vec2f p : {Vec2f{900, 300}, Vec2f{900, 600}, Vec2f{600, 600}})
        clickImage(kHdName, p);
    EXPECT_EQ(objectsOf(kHdName).size(), 1u) << "left clicks do not end a polygon";
    clickImage(kHdName, {650, 320}, kRight);
    objects = objectsOf(kHdName);
    ASSERT_EQ(objects.size(), 2u);
    ASSERT_NE(std::dynamic_pointer_cast<Measure::PolygonObject>(objects[1]), nullptr);
    expect_points(points_of(objects[1]), {{600, 300}, {900, 300}, {900, 600}, {600, 600}}, "polygon");
    EXPECT_EQ(tool_kind(plugin()), 0);

    // A middle click tries the points it has, and adds none.
    button(L"Line").click();
    clickImage(kHdName, {700, 700});
    clickImage(kHdName, {800, 800}, kMiddle);
    EXPECT_EQ(plugin().pendingPoints.size(), 1u);
    EXPECT_EQ(objectsOf(kHdName).size(), 2u);
}

TEST_F(MeasurePluginTest, TheSelectedAnnotationIsTheLastSelectedObjectWhenItIsOne)
{
    EXPECT_EQ(plugin().selectedAnnotation(), nullptr) << "no camera";
    ASSERT_TRUE(host->openAndShow(kHdName));
    button(L"Annotation").click();
    clickImage(kHdName, {700, 300});
    const auto note = std::dynamic_pointer_cast<Measure::AnnotationObject>(objectsOf(kHdName).at(0));
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(plugin().selectedAnnotation(), note) << "made with one click and selected";

    const auto line = drawLine(kHdName, {800, 500}, {900, 500});
    const auto ws = workspaceOf(kHdName);
    plugin().selectObject(ws, note, false);
    plugin().selectObject(ws, line, true);
    EXPECT_EQ(plugin().selectedAnnotation(), nullptr) << "the last selected is a line";
    plugin().selectObject(ws, nullptr, false);
    EXPECT_EQ(plugin().selectedAnnotation(), nullptr);
}

TEST_F(MeasurePluginTest, AClickInAnotherViewDiscardsThePointsPlaced)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    ASSERT_TRUE(host->openAndShow(kSdName));
    host->select(kHdName);

    button(L"Line").click();
    clickImage(kHdName, {700, 300});
    ASSERT_EQ(plugin().pendingPoints.size(), 1u);
    click(host->viewOf(kSdName), {400, 300});
    EXPECT_TRUE(plugin().pendingPoints.empty()) << "the click in the other view adds no point either";
    EXPECT_TRUE(objectsOf(kHdName).empty());
    EXPECT_TRUE(objectsOf(kSdName).empty());

    // Begun again in the first view, the line is made there.
    clickImage(kHdName, {700, 300});
    clickImage(kHdName, {900, 300});
    EXPECT_EQ(objectsOf(kHdName).size(), 1u);
}

TEST_F(MeasurePluginTest, DraggingThreeSelectedObjectsMovesThemAllInOneUndoStep)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    const auto l1 = drawLine(kHdName, {700, 300}, {900, 300});
    const auto l2 = drawLine(kHdName, {700, 400}, {900, 400});
    const auto l3 = drawLine(kHdName, {700, 500}, {900, 500});
    const auto ws = workspaceOf(kHdName);
    plugin().selectObject(ws, l1, false);
    plugin().selectObject(ws, l2, true);
    plugin().selectObject(ws, l3, true);
    const int history = ws->historySize();

    // A press on the edge of a selected line keeps the selection; the group follows the pointer.
    const Vec2f from = windowOf(kHdName, {800, 400});
    drag(host->viewOf(kHdName), from, {from.x + 30, from.y + 20});
    EXPECT_EQ(ws->selectedObjects().size(), 3u);
    expect_points(points_of(l1), {{730, 320}, {930, 320}}, "first");
    expect_points(points_of(l2), {{730, 420}, {930, 420}}, "second");
    expect_points(points_of(l3), {{730, 520}, {930, 520}}, "third");
    EXPECT_EQ(ws->historySize(), history + 1) << "one undo step for the whole drag";

    ws->undo();
    const auto restored = ws->objects();
    ASSERT_EQ(restored.size(), 3u);
    expect_points(points_of(restored[0]), {{700, 300}, {900, 300}}, "first after undo");
    expect_points(points_of(restored[2]), {{700, 500}, {900, 500}}, "third after undo");

    // A press on a vertex drags that vertex alone.
    const auto line = ws->objects()[1];
    const Vec2f end = windowOf(kHdName, {900, 400});
    drag(host->viewOf(kHdName), end, {end.x + 50, end.y + 60});
    expect_points(points_of(line), {{700, 400}, {950, 460}}, "vertex dragged");
    EXPECT_EQ(ws->selectedObjects(), std::vector<ObjectPtr>{line}) << "the pressed object alone is selected";
}

TEST_F(MeasurePluginTest, TheRubberBandIsNormalisedAndTakesObjectsWithAVertexInside)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    const auto ws = workspaceOf(kHdName);
    const auto line = [&](Vec2f a, Vec2f b) {
        auto object =
            std::make_shared<Measure::LineObject>(ws.get(), Points{imageOf(kHdName, a), imageOf(kHdName, b)});
        ws->addObject(object);
        return ObjectPtr(object);
    };
    // Window coordinates: on the band's corner, on its right edge, outside, inside.
    const auto corner = line({100, 50}, {40, 20});
    const auto edge = line({300, 125}, {450, 125});
    const auto outside = line({320, 230}, {500, 500});
    const auto inside = line({200, 120}, {250, 130});
    plugin().selectObject(ws, outside, false);

    drag(host->viewOf(kHdName), {300, 200}, {100, 50});
    const auto& band = plugin().rubberBand;
    EXPECT_EQ(std::vector<int32_t>({band.x1, band.y1, band.x2, band.y2}),
              std::vector<int32_t>({100, 50, 300, 200}));
    EXPECT_FALSE(plugin().rubberBandActive);
    EXPECT_EQ(ws->selectedObjects(), (std::vector<ObjectPtr>{corner, edge, inside}))
        << "the press on empty space cleared the selection; the band took its objects in list order";
    EXPECT_FALSE(contains(ws->selectedObjects(), outside));
}

TEST_F(MeasurePluginTest, KeysUndoRedoAndDeleteAtTheNextTick)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    drawLine(kHdName, {700, 300}, {900, 300});

    keyDown(kHdName, {kyrgx::KEY_Z});
    EXPECT_EQ(objectsOf(kHdName).size(), 1u) << "Z alone does nothing";
    keyDown(kHdName, {kyrgx::KEY_LEFTCTRL, kyrgx::KEY_Z});
    EXPECT_EQ(objectsOf(kHdName).size(), 1u) << "Ctrl pressed while Z is held: Z did not go down";
    keyUp(kHdName, {kyrgx::KEY_LEFTCTRL});
    keyDown(kHdName, {kyrgx::KEY_LEFTCTRL});
    keyDown(kHdName, {kyrgx::KEY_LEFTCTRL, kyrgx::KEY_Z});
    EXPECT_TRUE(objectsOf(kHdName).empty()) << "Ctrl+Z";
    keyUp(kHdName, {kyrgx::KEY_LEFTCTRL});
    keyDown(kHdName, {kyrgx::KEY_LEFTCTRL, kyrgx::KEY_Y});
    EXPECT_EQ(objectsOf(kHdName).size(), 1u) << "Ctrl+Y";
    keyUp(kHdName, {});

    // Ctrl and Z going down in one frame (a quick Ctrl+Z): the view gets a
    // key-down for each, both with the two keys held, and undoes once; Shift
    // pressed while they are held undoes nothing more.
    drawLine(kHdName, {700, 350}, {900, 350});
    ASSERT_EQ(objectsOf(kHdName).size(), 2u);
    keyDown(kHdName, {kyrgx::KEY_LEFTCTRL, kyrgx::KEY_Z});
    keyDown(kHdName, {kyrgx::KEY_LEFTCTRL, kyrgx::KEY_Z});
    EXPECT_EQ(objectsOf(kHdName).size(), 1u) << "one press, one undo";
    keyDown(kHdName, {kyrgx::KEY_LEFTCTRL, kyrgx::KEY_Z, kyrgx::KEY_LEFTSHIFT});
    EXPECT_EQ(objectsOf(kHdName).size(), 1u);
    keyUp(kHdName, {kyrgx::KEY_LEFTCTRL});
    keyDown(kHdName, {kyrgx::KEY_LEFTCTRL});
    keyDown(kHdName, {kyrgx::KEY_LEFTCTRL, kyrgx::KEY_Y});
    keyDown(kHdName, {kyrgx::KEY_LEFTCTRL, kyrgx::KEY_Y, kyrgx::KEY_LEFTSHIFT});
    EXPECT_EQ(objectsOf(kHdName).size(), 2u) << "one redo";
    keyUp(kHdName, {});
    keyDown(kHdName, {kyrgx::KEY_LEFTCTRL, kyrgx::KEY_Z});
    keyUp(kHdName, {});
    ASSERT_EQ(objectsOf(kHdName).size(), 1u);

    drawLine(kHdName, {700, 400}, {900, 400});
    drawLine(kHdName, {700, 500}, {900, 500});
    const auto ws = workspaceOf(kHdName);
    plugin().selectObject(ws, nullptr, false);
    for (const auto& object : ws->objects())
        plugin().selectObject(ws, object, true);
    ASSERT_EQ(ws->selectedObjects().size(), 3u);
    keyPress(kHdName, kyrgx::KEY_DELETE_);
    keyPress(kHdName, kyrgx::KEY_DELETE_); // one press may reach the view twice
    EXPECT_EQ(objectsOf(kHdName).size(), 3u) << "not inside the key event";
    host->tick();
    EXPECT_TRUE(objectsOf(kHdName).empty());
    EXPECT_TRUE(ws->selectedObjects().empty());
    keyDown(kHdName, {kyrgx::KEY_LEFTCTRL, kyrgx::KEY_Z});
    keyUp(kHdName, {});
    EXPECT_EQ(objectsOf(kHdName).size(), 3u) << "one undo step brings them back";
    keyDown(kHdName, {kyrgx::KEY_LEFTCTRL, kyrgx::KEY_Y});
    keyUp(kHdName, {});

    drawLine(kHdName, {700, 300}, {900, 300});
    keyPress(kHdName, kyrgx::KEY_BACKSPACE);
    host->tick();
    EXPECT_TRUE(objectsOf(kHdName).empty()) << "Backspace deletes too";
}

TEST_F(MeasurePluginTest, PressingALabelSelectsItsObjectAtTheNextTick)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    const auto first = drawLine(kHdName, {700, 300}, {900, 300});
    const auto second = drawLine(kHdName, {700, 500}, {900, 500});
    const auto ws = workspaceOf(kHdName);
    ASSERT_EQ(ws->selectedObjects(), std::vector<ObjectPtr>{second});

    // Drawn on the live view, the labels are its controls.
    ViewScreen* screen = host->view->screenOf(host->viewOf(kHdName));
    ASSERT_NE(screen, nullptr);
    host->controller->on_overlay_render(host->live(kHdName).get(), *screen->g);
    const auto label = std::dynamic_pointer_cast<Measure::MeasureObject>(first)->label();
    ASSERT_NE(label, nullptr);
    screen->pressAndRelease(label->position().x + 6, label->position().y + 6);
    EXPECT_EQ(ws->selectedObjects(), std::vector<ObjectPtr>{second}) << "not inside the label's event";
    host->tick();
    EXPECT_EQ(ws->selectedObjects(), std::vector<ObjectPtr>{first});
}

TEST_F(MeasurePluginTest, TheEraserRemovesWhatItIsPressedOnOrDraggedOver)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    const auto a = drawLine(kHdName, {700, 300}, {900, 300});
    const auto b = drawLine(kHdName, {700, 500}, {900, 500});
    const auto c = drawLine(kHdName, {1000, 300}, {1000, 500});
    button(L"Eraser").click();

    press(host->viewOf(kHdName), windowOf(kHdName, {800, 300}));
    release(host->viewOf(kHdName), windowOf(kHdName, {800, 300}));
    EXPECT_FALSE(contains(objectsOf(kHdName), a));

    drag(host->viewOf(kHdName), windowOf(kHdName, {950, 400}), windowOf(kHdName, {1050, 400}), 10);
    EXPECT_EQ(objectsOf(kHdName), std::vector<ObjectPtr>{b});
    EXPECT_EQ(tool_kind(plugin()), 8) << "the eraser stays current";
}

TEST_F(MeasurePluginTest, ChoosingAToolDropsThePointsAndOnlyADrawingToolStopsACalibration)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    ASSERT_NE(drawLine(kHdName, {700, 300}, {900, 300}), nullptr);

    button(L"Line").click();
    clickImage(kHdName, {700, 300});
    button(L"Polygon").click();
    EXPECT_TRUE(plugin().pendingPoints.empty());
    EXPECT_TRUE(button(L"Polygon").checked);
    EXPECT_FALSE(button(L"Line").checked);
    button(L"Polygon").click();
    EXPECT_TRUE(button(L"Polygon").checked) << "the checked button stays checked";

    // A calibration line in the workspace, as the calibration starts it.
    const auto ws = workspaceOf(kHdName);
    const auto line = std::make_shared<Measure::CalibrationObject>(ws.get(), Points{{192, 540}, {1728, 540}});
    ws->addObject(line);
    plugin().calibration.object = line;
    plugin().calibration.active = true;
    plugin().calibration.workspace = ws;

    button(L"Select").click();
    EXPECT_TRUE(plugin().calibration.active) << "Select leaves it running";
    EXPECT_TRUE(contains(ws->objects(), line));
    button(L"Line").click();
    EXPECT_FALSE(plugin().calibration.active);
    EXPECT_FALSE(contains(ws->objects(), line));
    EXPECT_EQ(ws->objects().size(), 1u) << "only the calibration line went";
}

TEST_F(MeasurePluginTest, AppearanceSettersReachEveryWorkspace)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    ASSERT_TRUE(host->openAndShow(kSdName));
    drawLine(kSdName, {100, 100}, {300, 100});
    host->select(kHdName);
    drawLine(kHdName, {700, 300}, {900, 300});
    auto& settings = MeasureAppearanceSettings::instance();

    plugin().setLineWidth(50);
    plugin().setEdgeSize(7);
    EXPECT_EQ(settings.getInt(MeasureAppearanceSettings::LINE_WIDTH), 10);
    for (const char* name : {kHdName, kSdName}) {
        const auto line = std::dynamic_pointer_cast<Measure::MeasureObject>(objectsOf(name).at(0));
        EXPECT_EQ(line->appearance().lineWidth, 10.0f) << name;
        EXPECT_EQ(line->appearance().edgeSize, 7) << name;
    }

    for (const auto& ws : plugin().allWorkspaces()) {
        ScreenLiveView* view = dynamic_cast<ScreenLiveView*>(ws->liveView());
        ASSERT_NE(view, nullptr);
        ws->updateLabelStyle(*view->graphics_, nullptr, 1.0f);
        ASSERT_FALSE(ws->labelStyleDirty());
    }
    plugin().setFontSize(40);
    plugin().setAnnotationTextColor(-1);
    EXPECT_EQ(settings.getInt(MeasureAppearanceSettings::FONT_SIZE), 30);
    EXPECT_EQ(settings.getInt(MeasureAppearanceSettings::ANNOTATION_TEXT_COLOR), -1) << "kept sign-extended";
    for (const auto& ws : plugin().allWorkspaces())
        EXPECT_TRUE(ws->labelStyleDirty());
}

TEST_F(MeasurePluginTest, TurningTheViewTurnsTheObjects)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    const auto line = drawLine(kHdName, {700, 300}, {1000, 300});
    host->controller->rotate_right();
    EXPECT_EQ(host->live(kHdName)->angle(), 90.0f);
    // A quarter turn clockwise of a 1920 x 1080 image: (x, y) goes to (1080 - y, x).
    expect_points(points_of(line), {{780, 700}, {780, 1000}}, "turned");
    host->controller->flip_horizontal();
    expect_points(points_of(line), {{300, 700}, {300, 1000}}, "then flipped");
}

TEST_F(MeasurePluginTest, ACameraTakingTheViewKeepsTheObjectsAtTheirRelativePlaces)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    const auto ws = workspaceOf(kHdName);
    const auto line = std::make_shared<Measure::LineObject>(ws.get(), Points{{960, 540}, {480, 270}});
    ws->addObject(line);

    host->controller->update_device(app::utf8_to_wide(kSdName));
    ASSERT_NE(host->cameraNamed(kSdName), nullptr);
    ASSERT_EQ(host->cameraNamed(kHdName), nullptr);
    EXPECT_EQ(workspaceOf(kSdName), ws) << "the workspace went over to the new camera";
    EXPECT_TRUE(ws->device == host->device(kSdName));
    EXPECT_TRUE(ws->relativePointsApplied());
    expect_points(line->points(), {{640, 480}, {320, 240}}, "on 1280 x 960");
    EXPECT_EQ(plugin().allWorkspaces().size(), 1u) << "the old camera keeps none";
}

TEST_F(MeasurePluginTest, ACameraOpenedAgainShowsItsObjectsInTheViewItHad)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    const auto line = drawLine(kHdName, {700, 300}, {1000, 300});
    const auto ws = workspaceOf(kHdName);
    host->controller->rotate_right();

    host->model->close_device();
    host->tick();
    ASSERT_EQ(host->cameraNamed(kHdName), nullptr);
    EXPECT_FALSE(ws->relativePointsApplied()) << "kept, not drawn";
    EXPECT_EQ(plugin().allWorkspaces(), std::vector<WorkspacePtr>{ws});

    ASSERT_TRUE(host->openAndShow(kHdName));
    EXPECT_EQ(host->live(kHdName)->angle(), 90.0f) << "the camera's view is turned as it was";
    EXPECT_EQ(workspaceOf(kHdName), ws);
    EXPECT_TRUE(ws->relativePointsApplied());
    ASSERT_EQ(ws->objects(), std::vector<ObjectPtr>{line});
    expect_points(points_of(line), {{780, 700}, {780, 1000}}, "where the turned view showed them");

    // And it is drawn there: the selected line in red along its window
    // column (below its label).
    ViewScreen* screen = host->view->screenOf(host->viewOf(kHdName));
    ASSERT_NE(screen, nullptr);
    screen->clear();
    host->controller->on_overlay_render(host->live(kHdName).get(), *screen->g);
    const Vec2f a = windowOf(kHdName, {780, 850});
    const Vec2f b = windowOf(kHdName, {780, 950});
    const int x = static_cast<int>(a.x);
    const int top = static_cast<int>(std::min(a.y, b.y));
    const int bottom = static_cast<int>(std::max(a.y, b.y));
    ASSERT_TRUE(x >= 1 && x + 2 <= screen->w && top >= 0 && bottom <= screen->h)
        << a.x << "," << a.y << " " << b.x << "," << b.y;
    EXPECT_GE(screen->count({255, 0, 0}, x - 1, top, x + 2, bottom), 95);
}

TEST_F(MeasurePluginTest, AFailedSwitchThenAnUnrelatedCloseMovesNothing)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    ASSERT_TRUE(host->openAndShow(kSdName));
    const auto sdLine = drawLine(kSdName, {100, 100}, {300, 100});
    host->select(kHdName);
    const auto hdLine = drawLine(kHdName, {700, 300}, {1000, 300});
    const auto hdWorkspace = workspaceOf(kHdName);
    const vsx::DeviceInfo sd = host->device(kSdName);
    const auto sdWorkspace = plugin().workspaceForDevice(sd);

    host->controller->update_device(L"QU3-C13B-49999999"); // no such camera: the switch fails
    ASSERT_NE(host->cameraNamed(kHdName), nullptr);
    host->tick();

    host->select(kSdName);
    host->model->close_device();
    host->tick();
    ASSERT_EQ(host->cameraNamed(kSdName), nullptr);
    EXPECT_EQ(plugin().workspaceForDevice(sd), sdWorkspace) << "closed, not parked: it stays with its camera";
    EXPECT_EQ(sdWorkspace->objects(), std::vector<ObjectPtr>{sdLine});

    // The next switch carries the objects of the camera it replaces, and only those.
    host->select(kHdName);
    host->controller->update_device(app::utf8_to_wide(kGigeName));
    ASSERT_NE(host->cameraNamed(kGigeName), nullptr);
    EXPECT_EQ(workspaceOf(kGigeName), hdWorkspace);
    EXPECT_EQ(hdWorkspace->objects(), std::vector<ObjectPtr>{hdLine});
    EXPECT_EQ(sdWorkspace->objects(), std::vector<ObjectPtr>{sdLine});
    EXPECT_EQ(plugin().allWorkspaces().size(), 2u);
}

// Objects added, deleted or undone from outside the view (the ribbon, a file,
// a key at the next tick) ask the view that shows them for a paint.
TEST_F(MeasurePluginTest, ChangedObjectsAskTheirLiveViewForAPaint)
{
    ASSERT_TRUE(host->openAndShow(kHdName));
    auto* view = dynamic_cast<ScreenLiveView*>(host->viewOf(kHdName));
    ASSERT_NE(view, nullptr);
    const auto workspace = workspaceOf(kHdName);
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"added",
         [&] {
             drawLine(kHdName, {700, 300}, {900, 300});
         }},
        {"undone", [&] { workspace->undo(); }},
        {"redone", [&] { workspace->redo(); }},
        {"deleted",
         [&] {
             workspace->select(objectsOf(kHdName).front(), false);
             workspace->deleteSelected();
         }},
    };
    for (const auto& [what, change] : changes) {
        view->takePaintRequests();
        change();
        EXPECT_NE(view->takePaintRequests() & app::PAINT_CONTENT, 0u) << what;
    }
}
