// The live view's toolkit control, the panel's layout, single-view mode and
// Alt-drag reordering, the tabs, and the main window's live-view operations,
// on the offscreen platform (the panel has no OpenGL there and paints nothing;
// the harness routes input as a paint would).

#include "LiveViewTestSupport.h"
#include "PanelHarness.h"
#include "device/DeviceEnum.h"
#include "device/SimulatedCameras.h"
#include "kyrgx/Style.h"
#include "support/LogCapture.h"
#include "views/QtMainView.h"
#include "views/liveview/LiveViewDockPanel.h"
#include "views/liveview/LiveViewLayout.h"
#include "views/liveview/QLiveViewPanel.h"
#include "views/liveview/QTabedLiveViewContainer.h"
#include "views/liveview/QtLiveView.h"

#include <QGridLayout>
#include <QTabBar>

#include <gtest/gtest.h>

using app::QLiveViewPanel;
using app::QtLiveView;
using kyrgx::Vec2;
using quorel::test::PanelHarness;

namespace {

std::vector<vsx::DeviceInfo> cameras()
{
    quorel::test::init_simulated_cameras();
    return vsx::DeviceEnum::enumDevicesNoThrow();
}

// A shown panel of the size with n views, each showing the next simulated camera.
struct PanelWithViews {
    PanelWithViews(int width, int height, size_t n)
    {
        quorel::test::use_data_folder();
        panel.resize(width, height);
        panel.show();
        const auto devices = cameras();
        for (size_t i = 0; i < n; ++i) {
            auto view = panel.createView();
            if (i < devices.size())
                view->deviceInfo = devices[i];
            panel.addView(view);
            views.push_back(view);
        }
    }

    Vec2<int> position(size_t i) const { return views[i]->position(); }
    Vec2<int> size(size_t i) const { return views[i]->kyrgx::Control::size(); }

    QLiveViewPanel panel;
    std::vector<std::shared_ptr<QtLiveView>> views;
};

} // namespace

TEST(LiveViewLayout, GridsComeNearestToFourByThree)
{
    struct Case {
        int views, width, height, rows, columns;
    };
    const Case cases[] = {
        {3, 1200, 600, 1, 3},                      // |1.33 - 400/600| = 0.663 beats 2 x 2 with 0.67
        {4, 1600, 900, 2, 2}, {2, 800, 800, 2, 1}, // aspect 2 (0.67 off) beats aspect 0.5 (0.83 off)
        {5, 1600, 900, 2, 3}, {1, 640, 480, 1, 1}, {2, 1000, 0, 1, 2}, // no height: the first grid
        {3, 0, 0, 1, 3},      {0, 800, 600, 0, 0},
    };
    for (const Case& c : cases) {
        const app::LiveViewGrid grid = app::live_view_grid(c.views, c.width, c.height);
        EXPECT_EQ(grid.rows, c.rows) << c.views << " in " << c.width << "x" << c.height;
        EXPECT_EQ(grid.columns, c.columns) << c.views << " in " << c.width << "x" << c.height;
    }
}

TEST(LiveViewLayout, CellsFillRowByRowEightPixelsApart)
{
    const auto cells = app::live_view_cells(3, {2, 2}, 1600, 900);
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(cells[0], (kyrgx::Rect{0, 0, 796, 446}));
    EXPECT_EQ(cells[1], (kyrgx::Rect{804, 0, 1600, 446}));
    EXPECT_EQ(cells[2], (kyrgx::Rect{0, 454, 796, 900}));
    EXPECT_EQ(app::live_view_cells(1, {1, 1}, 640, 480)[0], (kyrgx::Rect{0, 0, 640, 480}));
    const auto tiny = app::live_view_cells(4, {2, 2}, 6, 4);
    EXPECT_EQ(tiny[3].width(), 0) << "never negative";
}

TEST(LiveViewPanel, ViewsAreLaidOutInTheChosenGrid)
{
    struct Case {
        int width, height;
        size_t views;
        std::vector<Vec2<int>> positions;
        Vec2<int> size;
    };
    const Case cases[] = {
        {1200, 600, 3, {{0, 0}, {402, 0}, {804, 0}}, {394, 600}}, // 1 x 3: (1200 - 2 x 8) / 3 wide
        {1600, 900, 4, {{0, 0}, {804, 0}, {0, 454}, {804, 454}}, {796, 446}},
        {800, 800, 2, {{0, 0}, {0, 404}}, {800, 396}},
        {640, 480, 1, {{0, 0}}, {640, 480}},
    };
    for (const Case& c : cases) {
        PanelWithViews p(c.width, c.height, c.views);
        for (size_t i = 0; i < c.views; ++i) {
            EXPECT_EQ(p.position(i), c.positions[i]) << c.views << " views, view " << i;
            EXPECT_EQ(p.size(i), c.size) << c.views << " views, view " << i;
            EXPECT_TRUE(p.views[i]->isVisible());
        }
    }
}

TEST(LiveViewPanel, NewViewsAreHiddenUntilAddedAndTheLastAddedIsSelected)
{
    PanelWithViews p(800, 600, 2);
    auto extra = p.panel.createView();
    EXPECT_FALSE(extra->isVisible());
    EXPECT_EQ(p.panel.views().size(), 2u);
    EXPECT_EQ(p.panel.selectedView(), p.views[1]);
    EXPECT_FALSE(p.views[0]->isFocused());
    EXPECT_EQ(extra->borderWidth(), 1.0f);
}

TEST(LiveViewPanel, SingleViewModeNeedsTwoViews)
{
    PanelWithViews p(800, 600, 1);
    std::vector<bool> reported;
    std::vector<app::IViewBase*> senders;
    p.panel.singleViewChanged.push_back([&](app::IViewBase* sender, bool on) {
        senders.push_back(sender);
        reported.push_back(on);
    });
    PanelHarness input(p.panel);
    input.move({100, 100});
    input.doubleClick(Qt::LeftButton);
    EXPECT_FALSE(p.panel.singleView()) << "refused with one view";
    EXPECT_EQ(reported, std::vector<bool>{false});
    EXPECT_EQ(senders, std::vector<app::IViewBase*>{p.views[0].get()});

    auto second = p.panel.createView();
    p.panel.addView(second);
    p.panel.setSingleView(true);
    EXPECT_TRUE(p.panel.singleView());
    EXPECT_EQ(senders.back(), second.get()) << "reported with the selected view";
    EXPECT_TRUE(second->isVisible());
    EXPECT_FALSE(p.views[0]->isVisible());
    EXPECT_EQ(second->position(), (Vec2<int>{0, 0}));
    EXPECT_EQ(second->kyrgx::Control::size(), (Vec2<int>{800, 600}));

    p.panel.removeView(second); // below two views: single-view mode ends
    EXPECT_FALSE(p.panel.singleView());
    EXPECT_TRUE(p.views[0]->isVisible());
    EXPECT_EQ(p.panel.selectedView(), p.views[0]);
    EXPECT_EQ(reported.back(), false);
}

TEST(LiveViewPanel, RemovingAViewSelectsTheLastAndReportsItsCamera)
{
    PanelWithViews p(900, 300, 3);
    std::vector<std::wstring> removed;
    p.panel.viewRemoved.push_back(
        [&](app::IViewBase*, vsx::DeviceInfo d) { removed.push_back(app::device_unique_name(d)); });
    p.views[2]->setSelected(true);
    p.panel.removeView(p.views[2]);
    EXPECT_EQ(p.panel.selectedView(), p.views[1]);
    EXPECT_EQ(removed, std::vector<std::wstring>{app::device_unique_name(p.views[2]->deviceInfo)});
    EXPECT_EQ(p.panel.views().size(), 2u);
    EXPECT_EQ(p.views[2]->parent(), nullptr) << "out of the tree";
    p.panel.removeView(p.views[2]); // not held any more: ignored
    EXPECT_EQ(removed.size(), 1u);
}

TEST(LiveViewPanel, AltDragSwapsViewsOrSlidesBack)
{
    constexpr int ALT = 56;
    PanelWithViews p(800, 600, 3); // 2 x 2 with the bottom right cell empty
    std::vector<std::vector<std::shared_ptr<QtLiveView>>> orders;
    p.panel.layoutChanged.push_back(
        [&](app::IViewBase*, std::vector<std::shared_ptr<QtLiveView>> v) { orders.push_back(v); });
    PanelHarness input(p.panel);
    const Vec2<int> start0 = p.position(0);
    const Vec2<int> start1 = p.position(1);

    // Alt released before the press: no drag.
    input.keyDown(ALT);
    input.keyUp(ALT);
    input.move({100, 100});
    input.press(Qt::LeftButton);
    input.move({200, 150});
    input.release(Qt::LeftButton);
    EXPECT_EQ(p.position(0), start0);

    // Dropped on empty space: it follows the pointer, then slides back.
    input.keyDown(ALT);
    input.move({100, 100});
    input.press(Qt::LeftButton);
    input.move({600, 450});
    EXPECT_EQ(p.position(0), (Vec2<int>{start0.x + 500, start0.y + 350}));
    input.release(Qt::LeftButton);
    EXPECT_TRUE(p.panel.dockPanel()->animating());
    input.ticks(60);
    EXPECT_EQ(p.position(0), start0);
    EXPECT_FALSE(p.panel.dockPanel()->animating());
    EXPECT_TRUE(orders.empty()) << "the order did not change";

    // Dropped on another view: the two swap places and the list follows.
    input.move({100, 100});
    input.press(Qt::LeftButton);
    input.move({500, 100});
    EXPECT_TRUE(p.views[1]->highlighted()) << "the view under the pointer is the drop target";
    input.release(Qt::LeftButton);
    EXPECT_FALSE(p.views[1]->highlighted());
    input.ticks(60);
    EXPECT_EQ(p.position(0), start1);
    EXPECT_EQ(p.position(1), start0);
    ASSERT_EQ(orders.size(), 1u);
    EXPECT_EQ(orders[0][0], p.views[1]);
    EXPECT_EQ(orders[0][1], p.views[0]);
    EXPECT_EQ(p.panel.views()[0], p.views[1]);
}

TEST(LiveView, BorderFollowsTheDevicePixelRatio)
{
    quorel::test::use_data_folder();
    QLiveViewPanel panel;
    const std::pair<float, int> cases[] = {{1.0f, 1}, {1.5f, 2}, {2.0f, 2}, {2.6f, 3}};
    for (const auto& [ratio, border] : cases) {
        auto view = QtLiveView::make(panel.uiRoot(), panel.dockPanel(), ratio, nullptr);
        EXPECT_EQ(view->style()->border, (kyrgx::Quad{-border, -border, border, border})) << ratio;
        EXPECT_EQ(view->style()->state("selected")->border, view->style()->border);
        EXPECT_EQ(view->style()->borderColor, (kyrgx::Color{0x3F, 0x3F, 0x46, 240}));
        EXPECT_EQ(view->style()->state("selected")->borderColor, (kyrgx::Color{0x00, 0x7A, 0xCC, 255}));
        view->dispose();
    }
}

TEST(LiveView, PointerWheelDragAndKeysBecomeTheViewsLists)
{
    PanelWithViews p(400, 300, 1);
    auto& view = *p.views[0];
    std::vector<std::string> events;
    view.wheelForward.push_back([&](app::IViewBase*, Vec2<float> at) {
        events.push_back("wheelForward " + std::to_string(int(at.x)) + "," + std::to_string(int(at.y)));
    });
    view.wheelBackward.push_back([&](app::IViewBase*, Vec2<float>) { events.push_back("wheelBackward"); });
    view.drag.push_back([&](app::IViewBase*, Vec2<float> d) {
        events.push_back("drag " + std::to_string(int(d.x)) + "," + std::to_string(int(d.y)));
    });
    view.mouseLeave.push_back([&](app::IViewBase*, kyrgx::MouseState) { events.push_back("leave"); });
    view.mouseDown.push_back([&](app::IViewBase*, kyrgx::MouseState m) {
        events.push_back("down " + std::to_string(int(m.x)) + "," + std::to_string(int(m.y)));
    });
    view.keyDown.push_back([&](app::IViewBase*, kyrgx::IKeys* keys) {
        events.push_back(std::string("keyDown ") + (keys->isKeyDown(30) ? "A" : "?"));
    });
    int wheelsHandled = 0;
    view.message.push_back([&](app::IViewBase*, kyrgx::Message m) {
        if (m.type == kyrgx::MSG_WHEEL_FORWARD || m.type == kyrgx::MSG_WHEEL_BACK)
            wheelsHandled += m.handled ? 1 : 0;
    });
    PanelHarness input(p.panel);

    input.move({51, 41});
    input.wheel(120);
    input.wheel(-120);
    EXPECT_EQ(wheelsHandled, 2);

    // A left-button drag is no pan.
    input.press(Qt::LeftButton);
    input.move({61, 41});
    input.release(Qt::LeftButton);

    // A right-button drag reports each movement (none twice), also when the
    // pointer leaves the view; releasing the button outside ends it.
    input.press(Qt::RightButton);
    input.move({71, 46});
    input.move({500, 46}); // outside the panel: still captured
    input.release(Qt::RightButton);
    input.keyDown(30);

    const std::vector<std::string> expected = {
        "wheelForward 50,40", // device pixels from the client origin inside the 1-pixel border
        "wheelBackward",      "down 50,40", "down 60,40", "drag 10,5", "drag 429,0", "leave", "keyDown A",
    };
    EXPECT_EQ(events, expected);
}

TEST(LiveViewTabs, TabsFollowTheViewsAndShowInSingleViewMode)
{
    quorel::test::use_data_folder();
    const auto devices = cameras();
    ASSERT_GE(devices.size(), 3u);
    auto* panel = new QLiveViewPanel;
    app::QTabedLiveViewContainer container(panel);
    container.resize(900, 400);
    container.show();
    std::vector<std::shared_ptr<QtLiveView>> views;
    for (size_t i = 0; i < 3; ++i) {
        views.push_back(panel->createView());
        views.back()->deviceInfo = devices[i];
        panel->addView(views.back());
    }
    QTabBar* tabs = container.tabBar();
    ASSERT_EQ(tabs->count(), 3);
    for (int i = 0; i < 3; ++i) {
        const auto& d = devices[static_cast<size_t>(i)];
        EXPECT_EQ(tabs->tabText(i).toStdString(), d.modelName() + " " + d.serial());
    }
    EXPECT_FALSE(tabs->isVisible()) << "no tabs in grid mode";

    // Choosing a tab selects its camera's view.
    tabs->setCurrentIndex(1);
    EXPECT_EQ(panel->selectedView(), views[1]);
    tabs->setCurrentIndex(0);
    EXPECT_EQ(panel->selectedView(), views[0]);

    // Single-view mode shows the tab bar at the selected camera.
    panel->setSingleView(true);
    EXPECT_TRUE(tabs->isVisible());
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(container.layout()->count(), 2);

    // A swap renames the tabs to the new order.
    panel->swapViews(views[0], views[2]);
    EXPECT_EQ(container.tabDevice(0), devices[2]);
    EXPECT_EQ(container.tabDevice(2), devices[0]);
    EXPECT_EQ(tabs->tabText(0).toStdString(), devices[2].modelName() + " " + devices[2].serial());

    // A count that does not match leaves the tabs alone.
    {
        quorel::test::LogCapture log;
        container.liveViewLayoutChanged({views[1]});
        EXPECT_EQ(log.count(spdlog::level::warn,
                            "liveViewLayoutChanged: view count does not match tabWidget count."),
                  1);
        EXPECT_EQ(container.tabDevice(0), devices[2]);
    }

    // Removing the second-to-last view in single-view mode takes the tab bar out.
    panel->removeView(views[0]);
    EXPECT_EQ(tabs->count(), 2);
    EXPECT_TRUE(panel->singleView());
    panel->removeView(views[1]);
    EXPECT_EQ(tabs->count(), 1);
    EXPECT_FALSE(panel->singleView());
    EXPECT_FALSE(tabs->isVisible());
    EXPECT_EQ(container.layout()->count(), 1);

    // A tab without a camera is skipped by every lookup.
    tabs->addTab(QStringLiteral("stray"));
    EXPECT_TRUE(container.tabDevice(1).empty());
    tabs->setCurrentIndex(1);
    EXPECT_EQ(panel->selectedView(), views[2]);
}

TEST(MainWindowLiveViews, LiveViewsAreMadeAddedSelectedReorderedAndRemoved)
{
    quorel::test::use_data_folder();
    const auto devices = cameras();
    ASSERT_GE(devices.size(), 2u);
    app::QtMainView window(0, 0, 900, 500);
    window.show();
    std::vector<app::IViewBase*> selected;
    int reordered = 0;
    window.liveViewSelected.push_back([&](app::IViewBase* sender) { selected.push_back(sender); });
    window.liveViewsReordered.push_back([&](app::IViewBase* sender) {
        EXPECT_EQ(sender, static_cast<app::IViewBase*>(&window));
        ++reordered;
    });

    const auto first = window.createLiveView(L"ignored");
    const auto second = window.createLiveView(L"ignored");
    ASSERT_TRUE(first);
    ASSERT_TRUE(std::dynamic_pointer_cast<QtLiveView>(first));
    EXPECT_TRUE(window.liveViewDevices().empty()) << "not shown until added";

    first->deviceInfo = devices[0];
    window.addLiveView(first);
    second->deviceInfo = devices[1];
    window.addLiveView(second);
    EXPECT_EQ(selected, (std::vector<app::IViewBase*>{first.get(), second.get()}))
        << "each added view gets the focus";
    EXPECT_EQ(window.liveViewDevices(), (std::vector<vsx::DeviceInfo>{devices[0], devices[1]}));

    // A view the window did not make is ignored.
    window.addLiveView(std::make_shared<quorel::test::FakeLiveView>());
    EXPECT_EQ(window.liveViewDevices().size(), 2u);

    // Focus moves: reported once per change, with the view as sender.
    selected.clear();
    first->setSelected(true);
    first->setSelected(true);
    EXPECT_EQ(selected, std::vector<app::IViewBase*>{first.get()});

    // A view reporting a new camera and a swap both reorder.
    app::raise_event(second->deviceChanged, second.get());
    EXPECT_EQ(reordered, 1);
    window.liveViewPanel()->swapViews(std::dynamic_pointer_cast<QtLiveView>(first),
                                      std::dynamic_pointer_cast<QtLiveView>(second));
    EXPECT_EQ(reordered, 2);
    EXPECT_EQ(window.liveViewDevices(), (std::vector<vsx::DeviceInfo>{devices[1], devices[0]}));

    // Removing reports the view that has the focus afterwards, or null.
    selected.clear();
    window.removeLiveView(first);
    ASSERT_FALSE(selected.empty());
    EXPECT_EQ(selected.back(), second.get());
    window.removeLiveView(second);
    EXPECT_EQ(selected.back(), nullptr);
    EXPECT_TRUE(window.liveViewDevices().empty());
}
