#pragma once

// The measure plug-in's tests on the real host (MeasureHost.h): pointer and
// key events raised on the live views as the panel raises them, clicks at
// image points, and shortcuts to the plug-in's workspaces.

#include "MeasureHost.h"
#include "app/AppFolders.h"
#include "measure/AnnotationLabel.h"
#include "measure/Tool.h"
#include "measure/VertexObject.h"
#include "measure/Workspace.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quorel::test {

using Vec2f = kyrgx::Vec2<float>;
using Points = std::vector<Vec2f>;
using ObjectPtr = std::shared_ptr<Measure::IMeasureObject>;
using WorkspacePtr = std::shared_ptr<Measure::Workspace>;

inline Points points_of(const ObjectPtr& object)
{
    const auto vertices = std::dynamic_pointer_cast<Measure::VertexObject>(object);
    return vertices ? vertices->points() : Points{};
}

inline void expect_points(const Points& actual, const Points& expected, const std::string& what)
{
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (size_t i = 0; i < actual.size(); ++i) {
        EXPECT_NEAR(actual[i].x, expected[i].x, 1e-2f) << what << " point " << i;
        EXPECT_NEAR(actual[i].y, expected[i].y, 1e-2f) << what << " point " << i;
    }
}

class MeasurePluginTest : public ::testing::Test {
protected:
    static constexpr int kLeft = 0;
    static constexpr int kRight = 1;
    static constexpr int kMiddle = 2;

    void SetUp() override
    {
        ASSERT_TRUE(init_measure_cameras());
        vsxsim_clear_faults();
        ASSERT_TRUE(vsxsim_configure(kMeasureCameras));
        std::filesystem::remove_all(app::path_from_wide(app::get_settings_directory()));
        host = std::make_unique<MeasureHost>();
        ASSERT_NE(host->plugin, nullptr);
    }
    void TearDown() override { host.reset(); }

    OpenPluginMeasure& plugin() { return *host->plugin; }
    FakeButton& button(const wchar_t* caption)
    {
        FakeButton* b = host->view->button(caption);
        EXPECT_NE(b, nullptr) << app::wide_to_utf8(caption);
        static FakeButton none;
        return b ? *b : none;
    }
    WorkspacePtr workspaceOf(const char* name) { return plugin().workspaceForDevice(host->device(name)); }
    std::vector<ObjectPtr> objectsOf(const char* name) { return workspaceOf(name)->objects(); }

    // ---- pointer events as the live view raises them
    static kyrgx::MouseState mouse(Vec2f p, int button, bool down)
    {
        kyrgx::MouseState m = kyrgx::MouseState::released();
        m.x = static_cast<int32_t>(p.x);
        m.y = static_cast<int32_t>(p.y);
        m.button = button;
        if (down) {
            if (button == kLeft)
                m.left = 0;
            else if (button == kRight)
                m.right = 0;
            else
                m.middle = 0;
        }
        return m;
    }
    void press(app::ILiveView* view, Vec2f p, int button = kLeft)
    {
        app::raise_event(view->mouseDown, view, mouse(p, button, true));
    }
    void move(app::ILiveView* view, Vec2f p, bool leftDown)
    {
        app::raise_event(view->mouseMove, view, mouse(p, kLeft, leftDown));
    }
    void release(app::ILiveView* view, Vec2f p, int button = kLeft)
    {
        app::raise_event(view->mouseUp, view, mouse(p, button, false));
    }
    // Press, release and click at a window point.
    void click(app::ILiveView* view, Vec2f p, int button = kLeft)
    {
        press(view, p, button);
        release(view, p, button);
        app::raise_event(view->mouseClick, view, mouse(p, button, false));
    }
    // A left drag in steps from one window point to another.
    void drag(app::ILiveView* view, Vec2f from, Vec2f to, int steps = 4)
    {
        press(view, from);
        for (int i = 1; i <= steps; ++i) {
            const float t = static_cast<float>(i) / static_cast<float>(steps);
            move(view, {from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t}, true);
        }
        release(view, to);
    }
    Vec2f windowOf(const char* name, Vec2f imagePoint) { return host->live(name)->imageToView(imagePoint); }
    Vec2f imageOf(const char* name, Vec2f windowPoint) { return host->live(name)->viewToImage(windowPoint); }
    // A click on the camera's view at an image point.
    void clickImage(const char* name, Vec2f imagePoint, int button = kLeft)
    {
        click(host->viewOf(name), windowOf(name, imagePoint), button);
    }
    void keyDown(const char* name, std::set<int> down)
    {
        FakeKeys keys;
        keys.down = std::move(down);
        app::raise_event(host->viewOf(name)->keyDown, host->viewOf(name), static_cast<kyrgx::IKeys*>(&keys));
    }
    void keyUp(const char* name, std::set<int> down)
    {
        FakeKeys keys;
        keys.down = std::move(down);
        app::raise_event(host->viewOf(name)->keyUp, host->viewOf(name), static_cast<kyrgx::IKeys*>(&keys));
    }
    void keyPress(const char* name, int key)
    {
        FakeKeys keys;
        keys.presses[key] = 1;
        app::raise_event(host->viewOf(name)->keyPress, host->viewOf(name), static_cast<kyrgx::IKeys*>(&keys));
    }

    // A line between image points, made with the Line tool on the camera's view.
    ObjectPtr drawLine(const char* name, Vec2f a, Vec2f b)
    {
        button(L"Line").click();
        clickImage(name, a);
        clickImage(name, b);
        const auto objects = objectsOf(name);
        return objects.empty() ? nullptr : objects.back();
    }

    std::unique_ptr<MeasureHost> host;
};

} // namespace quorel::test
