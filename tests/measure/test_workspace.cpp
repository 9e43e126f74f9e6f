// The measurement workspace: its undo history, the selection, following the
// live view's rotation and flips, relative points across format changes, the
// live view that comes and goes, the calibration values, and drawing on and
// off screen (also on another thread).

#include "FakeContext.h"
#include "WorkspaceFixture.h"
#include "app/Localization.h"
#include "kyrgx/Style.h"
#include "measure/AnnotationLabel.h"
#include "measure/CalibrationObject.h"
#include "measure/LineObject.h"
#include "measure/PolygonObject.h"
#include "measure/Workspace.h"
#include "support/LogCapture.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using Measure::Workspace;
using quorel::test::Canvas;
using quorel::test::FakeCamera;
using Points = std::vector<kyrgx::Vec2<float>>;
using Vec2f = kyrgx::Vec2<float>;
using ObjectPtr = std::shared_ptr<Measure::IMeasureObject>;

namespace {

Points points_of(const ObjectPtr& object)
{
    return std::dynamic_pointer_cast<Measure::VertexObject>(object)->points();
}

Points relative_of(const ObjectPtr& object)
{
    return std::dynamic_pointer_cast<Measure::VertexObject>(object)->relativePoints();
}

void expect_points(const Points& actual, const Points& expected, const std::string& what)
{
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (size_t i = 0; i < actual.size(); ++i) {
        EXPECT_NEAR(actual[i].x, expected[i].x, 1e-3f) << what << " point " << i;
        EXPECT_NEAR(actual[i].y, expected[i].y, 1e-3f) << what << " point " << i;
    }
}

class WorkspaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        quorel::test::use_data_folder();
        quorel::test::reset_appearance();
        cameraA = quorel::test::simulated_camera(quorel::test::kCameraA);
        ASSERT_FALSE(cameraA.empty());
    }
    void TearDown() override { quorel::test::reset_appearance(); }

    // A workspace on camera A, its live view made first when asked.
    std::unique_ptr<Workspace> make()
    {
        auto ws = std::make_unique<Workspace>(nullptr, camera.host());
        ws->changed = [this](app::Plugin::IWorkspace*) { ++changes; };
        ws->setDevice(cameraA);
        return ws;
    }
    ObjectPtr line(Workspace& ws, Points p)
    {
        return std::make_shared<Measure::LineObject>(&ws, std::move(p));
    }

    vsx::DeviceInfo cameraA;
    FakeCamera camera;
    int changes = 0;
};

} // namespace

TEST_F(WorkspaceTest, UndoAndRedoStepThroughRebuiltCopies)
{
    auto ws = make();
    EXPECT_EQ(ws->historySize(), 1) << "a new workspace holds one snapshot";
    ws->undo();
    ws->redo();
    EXPECT_EQ(ws->historyIndex(), 1);
    EXPECT_EQ(changes, 0);

    const ObjectPtr a = line(*ws, {{1, 1}, {10, 1}});
    const ObjectPtr b = line(*ws, {{2, 2}, {20, 2}});
    ws->addObject(a);
    EXPECT_EQ(changes, 2) << "the snapshot and the addition";
    ws->addObject(b);
    ws->undo();
    auto objects = ws->objects();
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_NE(objects[0], a) << "a rebuilt copy";
    expect_points(points_of(objects[0]), points_of(a), "A after undo");
    EXPECT_TRUE(ws->canRedo());

    ws->redo();
    objects = ws->objects();
    ASSERT_EQ(objects.size(), 2u);
    expect_points(points_of(objects[1]), points_of(b), "B after redo");

    // Undo, then a new object: the redo tail is gone.
    ws->undo();
    ws->addObject(line(*ws, {{3, 3}, {30, 3}}));
    EXPECT_FALSE(ws->canRedo());
    ws->redo();
    objects = ws->objects();
    ASSERT_EQ(objects.size(), 2u);
    expect_points(points_of(objects[1]), {{3, 3}, {30, 3}}, "C stays last");
}

TEST_F(WorkspaceTest, HistoryKeepsTheNewest200Snapshots)
{
    auto ws = make();
    for (int i = 0; i < 250; ++i) {
        const auto f = static_cast<float>(i);
        ws->addObject(line(*ws, {{f, f}, {f + 5, f}}));
    }
    EXPECT_EQ(ws->historySize(), 200);
    EXPECT_EQ(ws->historyIndex(), 200);
    int steps = 0;
    while (ws->canUndo()) {
        ws->undo();
        ++steps;
    }
    EXPECT_EQ(steps, 199);
    const auto objects = ws->objects();
    ASSERT_EQ(objects.size(), 51u) << "the state after the 51st addition";
    expect_points(points_of(objects.back()), {{50, 50}, {55, 50}}, "the 51st line");
}

TEST_F(WorkspaceTest, SnapshotsShareTheTextsOfUnchangedObjects)
{
    auto ws = make();
    for (int i = 0; i < 100; ++i)
        ws->addObject(line(*ws, {{1, 1}, {static_cast<float>(i + 2), 1}}));
    const size_t afterHundred = ws->historyBytes();
    for (int i = 0; i < 99; ++i)
        ws->pushSnapshot();
    // 99 more snapshots of the same 100 objects add pointers, not texts.
    EXPECT_LT(ws->historyBytes() - afterHundred, 99u * 100u * 24u);
    EXPECT_EQ(ws->snapshotText(ws->historyIndex()), ws->snapshotText(ws->historyIndex() - 1));
}

TEST_F(WorkspaceTest, CalibrationLinesAreNoPartOfTheHistory)
{
    auto ws = make();
    ws->addObject(line(*ws, {{1, 1}, {10, 1}}));
    const auto calibration = std::make_shared<Measure::CalibrationObject>(ws.get(), Points{{5, 5}, {50, 5}});
    ws->addObject(calibration);
    EXPECT_EQ(ws->historySize(), 2) << "adding records nothing";
    calibration->setSelectedVertex(1);
    calibration->moveSelectedVertex({60, 5});
    ws->pushSnapshot(calibration);
    EXPECT_EQ(ws->historySize(), 2) << "dragging records nothing";

    // Undo rebuilds the document; the running calibration's line stays.
    ws->undo();
    auto objects = ws->objects();
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0], calibration);
    ws->redo();
    EXPECT_EQ(ws->objects().size(), 2u);

    ws->removeObject(calibration);
    EXPECT_EQ(ws->historySize(), 2) << "removing records nothing";
    EXPECT_EQ(ws->objects().size(), 1u);
}

TEST_F(WorkspaceTest, SelectionRemovalAndDeletion)
{
    auto ws = make();
    const ObjectPtr a = line(*ws, {{1, 1}, {10, 1}});
    const ObjectPtr b = line(*ws, {{2, 2}, {20, 2}});
    ws->addObject(a);
    ws->addObject(b);

    // An empty selection still records a snapshot, equal to the one before.
    changes = 0;
    ws->deleteSelected();
    EXPECT_EQ(ws->historySize(), 4);
    EXPECT_EQ(ws->snapshotText(4), ws->snapshotText(3));
    EXPECT_GE(changes, 1);

    // Removing nothing records and raises nothing.
    changes = 0;
    ws->removeObject(nullptr);
    EXPECT_EQ(ws->historySize(), 4);
    EXPECT_EQ(changes, 0);

    // Selected twice, deleted once.
    ws->select(a, false);
    ws->select(a, true);
    EXPECT_EQ(ws->selectedObjects().size(), 2u);
    EXPECT_TRUE(Measure::selection_has_calibration_object(*ws) == false);
    ws->deleteSelected();
    ASSERT_EQ(ws->objects().size(), 1u);
    EXPECT_EQ(ws->objects()[0], b);
    EXPECT_TRUE(ws->selectedObjects().empty());

    ws->select(b, false);
    ws->select(nullptr, false);
    EXPECT_TRUE(ws->selectedObjects().empty()) << "not additive: emptied first";

    // Undo drops the selection of objects that are gone.
    ws->select(b, false);
    ws->undo();
    EXPECT_TRUE(ws->selectedObjects().empty());
    EXPECT_FALSE(ws->isSelected(b));
}

TEST_F(WorkspaceTest, PickingTakesTheOldestObject)
{
    camera.makeView(640, 480);
    auto ws = make();
    const ObjectPtr first = line(*ws, {{100, 100}, {300, 100}});
    const ObjectPtr second = line(*ws, {{100, 100}, {100, 300}});
    ws->addObject(first);
    ws->addObject(second);
    EXPECT_EQ(ws->objectAt(100, 100, false), first);
    EXPECT_EQ(ws->hoveredObject(), first);
    EXPECT_EQ(ws->objectAt(100, 200, true), second) << "on the second's edge";
    EXPECT_EQ(ws->objectAt(500, 400, true), nullptr);
    EXPECT_EQ(ws->hoveredObject(), nullptr) << "empty space clears the hovered object";
}

TEST_F(WorkspaceTest, RotationsTurnObjectsQuarterByQuarter)
{
    struct Case {
        float from;
        float to;
        Points start;
        Points expected;
        const char* what;
    };
    // Camera images are 400 x 300.
    const Case cases[] = {
        {0, 90, {{10, 20}, {100, 50}}, {{280, 10}, {250, 100}}, "0 to 90: clockwise"},
        {270, 0, {{20, 390}, {50, 300}}, {{10, 20}, {100, 50}}, "270 to 0: clockwise"},
        {0, 270, {{10, 20}, {100, 50}}, {{20, 390}, {50, 300}}, "0 to 270: counter-clockwise"},
        {0, 180, {{10, 20}, {100, 50}}, {{390, 280}, {300, 250}}, "0 to 180: two quarter turns"},
        {90, 270, {{280, 10}, {250, 100}}, {{20, 390}, {50, 300}}, "90 to 270: two quarter turns"},
        {90, 90, {{280, 10}, {250, 100}}, {{280, 10}, {250, 100}}, "unchanged"},
    };
    for (const Case& c : cases) {
        camera.format = Vec2f{400, 300};
        camera.makeView(400, 300, c.from);
        auto ws = make();
        EXPECT_EQ(ws->viewAngle(), c.from) << "taken from the view with the camera";
        const ObjectPtr object = line(*ws, c.start);
        ws->addObject(object);
        const Points relativeBefore = relative_of(object);
        camera.controller->setAngle(c.to);
        ws->updateViewTransform(1.0f, c.to, false, false);
        expect_points(points_of(object), c.expected, c.what);
        // Relative points follow the turn (the displayed size swaps at 90 and 270).
        const Vec2f shown = (static_cast<int>(c.to) / 90) % 2 == 1 ? Vec2f{300, 400} : Vec2f{400, 300};
        Points relative;
        for (const Vec2f& p : c.expected)
            relative.push_back({p.x / shown.x, p.y / shown.y});
        expect_points(relative_of(object), c.from == c.to ? relativeBefore : relative, c.what);
    }
}

TEST_F(WorkspaceTest, FlipsFollowTheRotationWithinTheDisplayedImage)
{
    camera.format = Vec2f{400, 300};
    camera.makeView(400, 300);
    auto ws = make();
    const ObjectPtr object = line(*ws, {{10, 20}, {100, 50}});
    ws->addObject(object);
    ws->updateViewTransform(1.0f, 0.0f, true, false);
    expect_points(points_of(object), {{390, 20}, {300, 50}}, "horizontal");
    ws->updateViewTransform(1.0f, 0.0f, true, true);
    expect_points(points_of(object), {{390, 280}, {300, 250}}, "then vertical");
    ws->updateViewTransform(1.0f, 0.0f, true, true);
    expect_points(points_of(object), {{390, 280}, {300, 250}}, "nothing changed");
    // Turned and flipped in one event: the turn first, the flip in the turned image.
    camera.controller->setAngle(90);
    ws->updateViewTransform(1.0f, 90.0f, false, true);
    expect_points(points_of(object), {{280, 390}, {250, 300}}, "turned, then unflipped horizontally");
    EXPECT_TRUE(ws->viewFlipVertical());
    EXPECT_FALSE(ws->viewFlipHorizontal());
}

TEST_F(WorkspaceTest, RelativePointsUseTheDisplayedSize)
{
    struct Case {
        float angle;
        Vec2f savedFormat;
        Vec2f newFormat;
    };
    // The displayed image is 1920 x 1080, then 1280 x 960, in both views.
    const Case cases[] = {{0, {1920, 1080}, {1280, 960}}, {90, {1080, 1920}, {960, 1280}}};
    for (const Case& c : cases) {
        camera.format = c.savedFormat;
        camera.makeView(c.savedFormat.x, c.savedFormat.y, c.angle);
        auto ws = make();
        const ObjectPtr object = line(*ws, {{960, 540}, {1920, 1080}});
        ws->addObject(object);
        expect_points(relative_of(object), {{0.5f, 0.5f}, {1, 1}}, "relative to the displayed size");
        camera.format = c.newFormat;
        ws->setImageSize(c.newFormat);
        expect_points(points_of(object), {{640, 480}, {1280, 960}}, "after the format change");

        // A drag keeps the relative points current, also after an undo.
        ws->undo();
        ws->redo();
        const ObjectPtr copy = ws->objects().at(0);
        copy->moveBy({64, 48});
        camera.format = c.savedFormat;
        ws->setImageSize(c.savedFormat);
        expect_points(points_of(copy), {{1056, 594}, {2016, 1134}}, "dragged, then scaled back");
    }

    // Turned after drawing, then a new format: the objects keep their place.
    camera.format = Vec2f{400, 300};
    camera.makeView(400, 300);
    auto ws = make();
    const ObjectPtr object = line(*ws, {{40, 30}, {200, 150}});
    ws->addObject(object);
    camera.controller->setAngle(90);
    ws->updateViewTransform(1.0f, 90.0f, false, false);
    expect_points(points_of(object), {{270, 40}, {150, 200}}, "turned");
    camera.format = Vec2f{800, 600};
    ws->setImageSize({800, 600});
    expect_points(points_of(object), {{540, 80}, {300, 400}}, "turned, then twice the size");
}

TEST_F(WorkspaceTest, ClosedCameraDrawsOnlyTheCalibrationLine)
{
    auto ws = make();
    ws->addObject(line(*ws, {{100, 100}, {300, 100}}));
    const auto calibration =
        std::make_shared<Measure::CalibrationObject>(ws.get(), Points{{100, 300}, {300, 300}});
    Canvas frame(640, 480);
    const auto drawn = [&] { return 640 * 480 - frame.count(Canvas::ground); };

    ws->renderObjects(*frame.g, nullptr);
    EXPECT_GT(drawn(), 150) << "the line is drawn";

    ws->storeRelativePoints({640, 480}, false);
    EXPECT_FALSE(ws->relativePointsApplied());
    frame.clear();
    ws->renderObjects(*frame.g, nullptr);
    EXPECT_EQ(drawn(), 0) << "nothing while the camera is closed";
    ws->renderCalibrationObject(*frame.g, nullptr, calibration);
    EXPECT_GT(drawn(), 150) << "the calibration line is";

    ws->setImageSize({640, 480});
    EXPECT_TRUE(ws->relativePointsApplied());
}

TEST_F(WorkspaceTest, LiveViewThatGoesIsNeverUsed)
{
    auto ws = make();
    EXPECT_EQ(ws->liveView(), nullptr);
    EXPECT_EQ(ws->transformHelper(), nullptr) << "no helper remains without a controller";
    EXPECT_EQ(ws->imageToWindow({5, 5}), (Vec2f{0, 0}));
    EXPECT_EQ(ws->windowToImage({5, 5}), (Vec2f{0, 0}));
    const Measure::ImageRect none = ws->imageRect();
    EXPECT_EQ(none.right - none.left, 0);

    camera.makeView(640, 480);
    EXPECT_EQ(ws->liveView(), camera.view.get());
    ASSERT_NE(ws->transformHelper(), nullptr);
    camera.controller->setZoom(2.0f);
    EXPECT_EQ(ws->imageToWindow({100, 100}), camera.controller->imageToView({100, 100}));

    // The view goes: nothing is left of it.
    camera.dropView();
    EXPECT_EQ(ws->liveView(), nullptr);
    EXPECT_EQ(ws->imageToWindow({100, 100}), (Vec2f{0, 0}));

    // A new view of the camera, turned: found again, its rotation taken.
    camera.makeView(480, 640, 90);
    EXPECT_EQ(ws->liveView(), camera.view.get());
    EXPECT_EQ(ws->viewAngle(), 90.0f);
    EXPECT_EQ(ws->windowToImage({10, 20}), camera.controller->viewToImage({10, 20}));
}

TEST_F(WorkspaceTest, ImageRectCoversTheDisplayedImage)
{
    camera.format = Vec2f{320, 240};
    camera.makeView(320, 240, 90);
    auto ws = make();
    const Measure::ImageRect r = ws->imageRect();
    const Vec2f topLeft = camera.controller->imageToView({0, 0});
    const Vec2f bottomRight = camera.controller->imageToView({240, 320});
    EXPECT_EQ(r.left, static_cast<int>(topLeft.x));
    EXPECT_EQ(r.top, static_cast<int>(topLeft.y));
    EXPECT_EQ(r.right, static_cast<int>(bottomRight.x));
    EXPECT_EQ(r.bottom, static_cast<int>(bottomRight.y));
}

TEST_F(WorkspaceTest, CalibrationValues)
{
    // Never given a camera: no microscope.
    Workspace bare(nullptr, camera.host());
    quorel::test::LogCapture log;
    EXPECT_EQ(bare.dotsPerUnit(), 1.0f);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(bare.unitAbbreviation(), L"px");
    EXPECT_EQ(log.count(spdlog::level::err, "No microsscope/config selected."), 1) << "logged once";
    EXPECT_EQ(bare.formatValue(1.2345f), "1.23");
    EXPECT_EQ(bare.convertValue(2.5f), 2.5f);

    // A camera gets the default microscope: 100 dots per centimetre.
    auto ws = make();
    EXPECT_EQ(ws->unitAbbreviation(), L"cm");
    EXPECT_EQ(ws->dotsPerUnit(), 100.0f);
    const auto magnification = ws->selectedConfiguration();
    ASSERT_NE(magnification, nullptr);
    magnification->unitParameter->setValue(L"Micrometer");
    magnification->decimalPlanesParameter->setValue(4);
    magnification->dotsPerUnitParameter->setValue(0.1);
    EXPECT_EQ(ws->unitAbbreviation(), L"\u00B5m");
    EXPECT_EQ(ws->formatValue(2.5f), "2.5000");
    EXPECT_EQ(ws->formatValue(-1234567.0f), "-1234567.0000") << "no grouping";
    EXPECT_EQ(ws->dotsPerUnit(), 0.1f);
    // A line of 200 pixels: 2000 units at 0.1 dots per unit.
    const ObjectPtr object = line(*ws, {{0, 0}, {200, 0}});
    EXPECT_FLOAT_EQ(std::dynamic_pointer_cast<Measure::LineObject>(object)->length(), 2000.0f);
}

TEST_F(WorkspaceTest, LabelStyleTakesTheAppearanceWhileDirty)
{
    using S = MeasureAppearanceSettings;
    auto ws = make();
    auto& settings = S::instance();
    settings.setInt64(S::ANNOTATION_TEXT_COLOR, 0xFF112233);
    settings.setInt64(S::ANNOTATION_BORDER_COLOR, 0xFF445566);
    settings.setInt64(S::ANNOTATION_BACK_COLOR, 0x80778899);
    Canvas frame(64, 64);
    EXPECT_TRUE(ws->labelStyleDirty());
    ws->updateLabelStyle(*frame.g, nullptr, 1.0f);
    EXPECT_FALSE(ws->labelStyleDirty());
    const auto style = ws->labelStyle(*frame.g).lock();
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(style->textColor, kyrgx::Color::fromArgb(0xFF112233));
    EXPECT_EQ(style->borderColor, kyrgx::Color::fromArgb(0xFF445566));
    EXPECT_EQ(style->skinColor, kyrgx::Color::fromArgb(0x80778899));
    EXPECT_EQ(style->backgroundColor, kyrgx::Color::fromArgb(0x80778899));

    // A later change waits for the flag.
    settings.setInt64(S::ANNOTATION_TEXT_COLOR, 0xFF000001);
    ws->updateLabelStyle(*frame.g, nullptr, 1.0f);
    EXPECT_EQ(style->textColor, kyrgx::Color::fromArgb(0xFF112233));
    ws->setLabelStyleDirty();
    ws->updateLabelStyle(*frame.g, nullptr, 1.0f);
    EXPECT_EQ(style->textColor, kyrgx::Color::fromArgb(0xFF000001));
}

TEST_F(WorkspaceTest, LabelsOnScreenBelongToTheViewOffscreenToTheWorkspace)
{
    camera.makeView(640, 480);
    auto ws = make();
    const ObjectPtr object = line(*ws, {{100, 100}, {300, 100}});
    ws->addObject(object);

    // Offscreen (a saved image): a label of its own, drawn, nothing left on the view.
    Canvas frame(640, 480);
    ws->renderObjects(*frame.g, nullptr);
    EXPECT_EQ(object->label(), nullptr);
    EXPECT_TRUE(camera.view->children().empty());
    EXPECT_GT(640 * 480 - frame.count(Canvas::ground), 400) << "line, handles and label";

    // On screen: the label is a child of the live view.
    ws->renderObjects(*camera.screen->g, nullptr);
    ASSERT_NE(object->label(), nullptr);
    EXPECT_EQ(object->label()->parent().get(), static_cast<kyrgx::Control*>(camera.view.get()));
    EXPECT_EQ(object->label()->style(), ws->labelStyle(*camera.screen->g).lock());

    // The hint label: kept for a view, made afresh offscreen.
    const auto hint = ws->calibrationHintLabel(*camera.screen->g, camera.view.get());
    EXPECT_EQ(ws->calibrationHintLabel(*camera.screen->g, camera.view.get()), hint);
    EXPECT_NE(ws->calibrationHintLabel(*frame.g, nullptr), hint);
    EXPECT_EQ(hint->text(), ws->calibrationHintText());
}

TEST_F(WorkspaceTest, DrawingOnAFrameThreadWhileTheDocumentChanges)
{
    auto ws = make();
    ws->setImageSize({640, 480});
    for (int i = 0; i < 5; ++i)
        ws->addObject(std::make_shared<Measure::PolygonObject>(
            ws.get(), Points{{10.0f + i * 50, 10}, {40.0f + i * 50, 10}, {25.0f + i * 50, 60}}));
    std::atomic<bool> stop{false};
    std::atomic<int> frames{0};
    std::thread recorder([&] {
        Canvas frame(640, 480);
        while (!stop) {
            frame.clear();
            ws->renderObjects(*frame.g, nullptr);
            ++frames;
        }
    });
    for (int round = 0; round < 40; ++round) {
        const int before = frames;
        ws->addObject(line(*ws, {{5, 300}, {static_cast<float>(100 + round), 300}}));
        ws->select(ws->objects().front(), false);
        ws->undo();
        ws->redo();
        ws->storeRelativePoints({640, 480}, round % 2 == 0);
        while (frames == before)
            std::this_thread::yield();
    }
    stop = true;
    recorder.join();
    EXPECT_EQ(ws->objects().size(), 45u);
}

TEST_F(WorkspaceTest, CalibrationHintInTheLoadedLanguage)
{
    EXPECT_EQ(Workspace(nullptr, {}).calibrationHintText().rfind(L"Manipulate the calibration line", 0), 0u)
        << "English without a language";
    Localization::loadFromText(R"({"Measure": {"CalibrationHint": "Linie ziehen.\nL\u00E4nge eingeben."}})",
                               L"de-DE");
    EXPECT_EQ(Workspace(nullptr, {}).calibrationHintText(), L"Linie ziehen.\nL\u00E4nge eingeben.");
    Localization::loadFromText("{}", L"en-US");
}
