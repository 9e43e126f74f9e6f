// Controls, theme and styles, the UI root's input routing and labels, driven
// through a recording driver and a surface whose pointer and keys the test sets.

#include "RecordingDriver.h"
#include "app/Utf8.h"
#include "kyrgx/Control.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/ImageFont.h"
#include "kyrgx/Label.h"
#include "kyrgx/Panel.h"
#include "kyrgx/Resources.h"
#include "kyrgx/Style.h"
#include "kyrgx/UiRoot.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using kyrgx::Control;
using kyrgx::Message;
using quorel::test::FakeSurface;
using quorel::test::LogCapture;
using quorel::test::RecordingDriver;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

fs::path data_folder()
{
    return fs::read_symlink("/proc/self/exe").parent_path() / "data";
}

// A control that logs every message whose target it is as "name:type/button"
// (key messages as "name:type/key"), and messages only passing through on
// their way to another target as "name~type". Bounds changes are left out.
class Probe : public Control {
public:
    Probe(kyrgx::UiRoot* root, int x, int y, int w, int h, const std::wstring& text)
        : Control(root, x, y, w, h, text)
    {
    }
    void handleMessage(Message& m) override
    {
        if (log && m.type != kyrgx::MSG_BOUNDS_CHANGED) {
            if (m.target.get() == this) {
                const bool key = m.type >= kyrgx::MSG_KEY_DOWN && m.type <= kyrgx::MSG_KEY_PRESS;
                log->push_back(tag + ":" + std::to_string(m.type) + "/" +
                               std::to_string(key ? m.key : m.button));
            } else {
                log->push_back(tag + "~" + std::to_string(m.type));
            }
        }
        if (consume && m.type == consume)
            m.handled = true;
        Control::handleMessage(m);
    }
    std::vector<std::string>* log = nullptr;
    std::string tag;
    int consume = 0;
};

class UiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kyrgx::set_resource_directory(app::path_to_wide(data_folder()));
        driver = std::make_shared<RecordingDriver>();
        surface = std::make_shared<FakeSurface>(400, 300);
        graphics = std::make_shared<kyrgx::Graphics>(driver, surface);
        root = std::make_unique<kyrgx::UiRoot>(graphics.get(), [this] { return clock; });
    }
    void TearDown() override { root.reset(); }

    std::shared_ptr<Probe> probe(const std::string& tag, int x, int y, int w, int h,
                                 std::shared_ptr<Control> parent = {})
    {
        auto p = Control::create<Probe>(root.get(), x, y, w, h, L"", std::move(parent));
        p->log = &log;
        p->tag = tag;
        return p;
    }

    // One frame with the pointer at (x, y) and the buttons held ("L", "R", "M").
    void frame(int x, int y, const std::string& held = "", float wheel = 0.0f)
    {
        surface->mouse.x = x;
        surface->mouse.y = y;
        surface->mouse.left = held.find('L') == std::string::npos ? 1 : 0;
        surface->mouse.right = held.find('R') == std::string::npos ? 1 : 0;
        surface->mouse.middle = held.find('M') == std::string::npos ? 1 : 0;
        surface->mouse.wheel = wheel;
        root->update(*graphics);
        surface->endFrame();
    }

    std::vector<std::string> take()
    {
        auto out = log;
        log.clear();
        return out;
    }

    int64_t clock = 0;
    std::vector<std::string> log;
    std::shared_ptr<RecordingDriver> driver;
    std::shared_ptr<FakeSurface> surface;
    std::shared_ptr<kyrgx::Graphics> graphics;
    std::unique_ptr<kyrgx::UiRoot> root;
};

} // namespace

// ---- Routing ----

TEST_F(UiTest, ClickAndDoubleClickPerButton)
{
    auto a = probe("a", 10, 10, 50, 50);
    auto b = probe("b", 100, 10, 50, 50);
    frame(30, 30);
    EXPECT_THAT(take(), ElementsAre("a:7/-1", "a:1/-1"));
    frame(30, 30, "L");
    EXPECT_THAT(take(), ElementsAre("a:8/-1", "a:3/-1")) << "focus first, then down";
    frame(30, 30);
    EXPECT_THAT(take(), ElementsAre("a:4/0", "a:5/0")) << "the first click after start is no double click";

    struct Step {
        int64_t advance;
        int x;
        const char* button;
        std::vector<std::string> expected; // messages of the release frame
    };
    const std::vector<Step> steps = {
        {200, 30, "L", {"a:4/0", "a:5/0", "a:6/0"}},
        {500, 30, "L", {"a:4/0", "a:5/0", "a:6/0"}}, // the limit is inclusive
        {501, 30, "L", {"a:4/0", "a:5/0"}},
        {100, 30, "R", {"a:4/1", "a:5/1"}}, // per button: the right button's first click
        {100, 30, "R", {"a:4/1", "a:5/1", "a:6/1"}},
        {100, 120, "L", {"b:4/0", "b:5/0", "b:6/0"}}, // the time belongs to the button, not the control
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::to_string(s.advance) + s.button);
        clock += s.advance;
        frame(s.x, 30);
        frame(s.x, 30, s.button);
        take();
        frame(s.x, 30);
        EXPECT_EQ(take(), s.expected);
    }
}

TEST_F(UiTest, ReleaseElsewhereGivesLeaveAndEnterButNoClick)
{
    auto a = probe("a", 10, 10, 50, 50);
    auto b = probe("b", 100, 10, 50, 50);
    frame(30, 30);
    frame(30, 30, "L");
    take();
    frame(35, 35, "L");
    EXPECT_THAT(take(), ElementsAre("a:7/0", "a:7/-1")) << "captured move and hover move";
    frame(120, 30, "L");
    EXPECT_THAT(take(), ElementsAre("a:7/0", "a:2/0", "b:1/-1", "b:7/-1", "a:2/-1", "b:1/-1"));
    frame(125, 30, "L");
    EXPECT_THAT(take(), ElementsAre("a:7/0", "b:7/-1")) << "moves stay captured by the pressed control";
    frame(125, 30);
    EXPECT_THAT(take(), ElementsAre("a:2/0", "b:1/-1"));
}

TEST_F(UiTest, PressingOnNothingOnlyChangesButtonState)
{
    auto a = probe("a", 10, 10, 50, 50);
    frame(0, 0); // the root's own left and top edges are outside it
    frame(0, 0, "L");
    frame(0, 0);
    EXPECT_THAT(take(), IsEmpty());
    EXPECT_EQ(root->focused(), nullptr);

    frame(200, 200, "L"); // the bare root control takes the focus
    EXPECT_EQ(root->focused(), root->rootControl());
}

TEST_F(UiTest, WheelGoesToTheControlUnderThePointerElseThroughTheFocusedChain)
{
    auto a = probe("a", 10, 10, 50, 50);
    int wheels = 0;
    a->onWheel.push_back([&](const Control::Sender&, const kyrgx::mouse_event_args&) { ++wheels; });
    frame(30, 30);
    take();
    struct Row {
        float wheel;
        std::vector<std::string> expected;
    };
    for (const Row& row : {Row{120.0f, {"a:11/-1"}}, Row{-1.5f, {"a:12/-1"}}, Row{0.9f, {}}}) {
        frame(30, 30, "", row.wheel);
        EXPECT_EQ(take(), row.expected);
    }
    EXPECT_EQ(wheels, 2);

    frame(30, 30, "L");
    frame(30, 30);
    take();
    frame(0, 0, "", 120.0f); // over no control
    EXPECT_THAT(take(), ElementsAre("a:2/-1", "a~11"));
    EXPECT_EQ(wheels, 2) << "the focused control is not the target: its lists are not raised";
}

TEST_F(UiTest, KeysReachTheVisibleFocusedControl)
{
    auto a = probe("a", 10, 10, 50, 50);
    frame(30, 30, "L");
    frame(30, 30);
    take();
    surface->down[kyrgx::KEY_Q] = true;
    frame(30, 30);
    frame(30, 30);
    EXPECT_THAT(take(), ElementsAre("a:14/16")) << "one key down per hold";
    surface->down[kyrgx::KEY_Q] = false;
    surface->presses[kyrgx::KEY_Q] = 2;
    frame(30, 30);
    EXPECT_THAT(take(), ElementsAre("a:15/16", "a:16/16", "a:16/16"));
    frame(30, 30);
    EXPECT_THAT(take(), IsEmpty()) << "press counts last one frame";

    a->setVisible(false);
    surface->down[kyrgx::KEY_A] = true;
    frame(30, 30);
    EXPECT_THAT(take(), IsEmpty());
    a->setVisible(true);
    frame(30, 30);
    EXPECT_THAT(take(), ElementsAre("a:14/30")) << "key state was not sampled while invisible";
}

TEST_F(UiTest, AncestorsSeeMessagesFirstAndMayConsumeThem)
{
    auto outer = probe("outer", 10, 10, 200, 200);
    auto inner = probe("inner", 10, 10, 50, 50, outer);
    int clicks = 0;
    inner->onClick.push_back([&](const Control::Sender& sender, const kyrgx::mouse_event_args& args) {
        EXPECT_EQ(sender, inner);
        EXPECT_EQ(args.mouse.button, 0);
        ++clicks;
    });
    frame(30, 30);
    take();
    frame(30, 30, "L");
    frame(30, 30);
    EXPECT_EQ(clicks, 1);
    outer->consume = kyrgx::MSG_CLICK;
    frame(30, 30, "L");
    frame(30, 30);
    EXPECT_EQ(clicks, 1);
    EXPECT_THAT(take(), ::testing::Contains("outer~5"));
}

TEST_F(UiTest, PostedMessagesAndTimersRunInUpdate)
{
    auto a = probe("a", 10, 10, 50, 50);
    bool ran = false;
    Message m(kyrgx::MSG_RUN_PAYLOAD, a);
    m.payload = [&] { ran = true; };
    root->post(m);
    int timers = 0;
    a->onTimer.push_back([&](const Control::Sender&, const kyrgx::event_args&) { ++timers; });
    a->setTimer(100);
    clock += 99;
    frame(300, 250);
    EXPECT_TRUE(ran);
    EXPECT_EQ(timers, 0);
    clock += 1;
    frame(300, 250);
    frame(300, 250);
    EXPECT_EQ(timers, 1) << "a timer fires once";
}

TEST_F(UiTest, MessagesPostedFromOtherThreadsAreDeliveredInOrderPerThread)
{
    auto a = probe("a", 10, 10, 50, 50);
    std::vector<int> seen;
    constexpr int threads = 4;
    constexpr int perThread = 200;
    std::vector<std::thread> posters;
    for (int t = 0; t < threads; ++t)
        posters.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i) {
                Message m(kyrgx::MSG_RUN_PAYLOAD, a);
                const int value = t * perThread + i;
                m.payload = [&seen, value] { seen.push_back(value); };
                root->post(std::move(m));
            }
        });
    while (seen.size() < static_cast<size_t>(threads * perThread)) {
        frame(300, 250);
        std::this_thread::yield();
    }
    for (auto& p : posters)
        p.join();
    frame(300, 250);
    ASSERT_EQ(seen.size(), static_cast<size_t>(threads * perThread));
    std::vector<int> last(threads, -1);
    for (int v : seen) {
        EXPECT_GT(v % perThread, last[static_cast<size_t>(v / perThread)]);
        last[static_cast<size_t>(v / perThread)] = v % perThread;
    }
}

// ---- Controls ----

TEST_F(UiTest, HitTestEdgesAndZOrder)
{
    auto a = probe("a", 10, 10, 50, 50);
    struct Row {
        int x, y;
        bool hit;
    };
    for (const Row r : {Row{10, 30, false}, Row{11, 30, true}, Row{60, 30, true}, Row{61, 30, false},
                        Row{30, 10, false}, Row{30, 11, true}, Row{30, 60, true}, Row{30, 61, false}}) {
        EXPECT_EQ(root->rootControl()->hitTest(r.x, r.y, 0, 0) == a, r.hit) << r.x << "," << r.y;
    }
    auto c = probe("c", 200, 100, 50, 50);
    auto d = probe("d", 220, 120, 50, 50);
    EXPECT_EQ(root->rootControl()->hitTest(230, 130, 0, 0), d);
    c->setFocus(true);
    EXPECT_EQ(root->rootControl()->children().back(), c) << "focus brings a control to the top";
    EXPECT_EQ(root->rootControl()->hitTest(230, 130, 0, 0), c);
    d->setVisible(false);
    EXPECT_EQ(root->rootControl()->hitTest(260, 160, 0, 0), root->rootControl());
}

TEST_F(UiTest, FocusMessagesAndDispose)
{
    auto a = probe("a", 10, 10, 50, 50);
    auto b = probe("b", 100, 10, 50, 50);
    a->setFocus(true);
    EXPECT_THAT(take(), ElementsAre("a:8/-1"));
    a->setFocus(true);
    EXPECT_THAT(take(), IsEmpty());
    b->setFocus(true);
    EXPECT_THAT(take(), ElementsAre("a:9/-1", "b:8/-1"));
    EXPECT_FALSE(a->isFocused());
    b->dispose();
    EXPECT_THAT(take(), IsEmpty()) << "no focus-lost message";
    EXPECT_EQ(root->focused(), nullptr);
    EXPECT_EQ(b->parent(), nullptr);
    EXPECT_EQ(root->rootControl()->children().size(), 1u);
}

TEST_F(UiTest, SetSizeMovesAndGrowsAnchoredChildren)
{
    auto parent = probe("p", 0, 0, 100, 100);
    auto fixed = probe("f", 10, 10, 20, 20, parent);
    auto moving = probe("m", 10, 10, 20, 20, parent);
    moving->setAnchors(kyrgx::ANCHOR_RIGHT | kyrgx::ANCHOR_BOTTOM);
    auto growing = probe("g", 10, 10, 20, 20, parent);
    growing->setAnchors(kyrgx::ANCHOR_RIGHT | kyrgx::ANCHOR_GROW_WIDTH | kyrgx::ANCHOR_BOTTOM |
                        kyrgx::ANCHOR_GROW_HEIGHT);
    int boundsChanges = 0;
    fixed->onBoundsChanged.push_back(
        [&](const Control::Sender&, const kyrgx::event_args&) { ++boundsChanges; });
    parent->setSize({150, 130});
    EXPECT_EQ(fixed->position(), (kyrgx::Vec2<int>{10, 10}));
    EXPECT_EQ(fixed->size(), (kyrgx::Vec2<int>{20, 20}));
    EXPECT_EQ(boundsChanges, 1) << "every descendant recomputes its bounds";
    EXPECT_EQ(moving->position(), (kyrgx::Vec2<int>{60, 40}));
    EXPECT_EQ(moving->bounds(), (kyrgx::Rect{60, 40, 80, 60}));
    EXPECT_EQ(growing->position(), (kyrgx::Vec2<int>{10, 10}));
    EXPECT_EQ(growing->size(), (kyrgx::Vec2<int>{70, 50}));
}

TEST_F(UiTest, RenderingIsClippedToEachControl)
{
    auto panel = probe("p", 20, 30, 100, 50);
    auto inside = probe("i", 5, 5, 10, 10, panel);
    auto outside = probe("o", 200, 5, 10, 10, panel); // beyond the panel: never drawn
    std::vector<std::string> drawn;
    for (auto [c, name] : {std::pair{panel, "p"}, std::pair{inside, "i"}, std::pair{outside, "o"}})
        c->onDraw.push_back([&drawn, name = std::string(name)](const Control::Sender&, kyrgx::Graphics* g) {
            drawn.push_back(name);
            g->fillRect(0, 0, 1, 1);
        });
    driver->clearCalls();
    root->rootControl()->render(*graphics, 0, 0);
    EXPECT_THAT(drawn, ElementsAre("p", "i"));
    // The inside child draws in its parent's client coordinates, clipped in
    // absolute ones.
    EXPECT_THAT(driver->calls, ::testing::IsSupersetOf({"setClip(20,30,100,50)", "setClip(25,35,10,10)",
                                                        "setTransform(1,0,0,1,20,30)"}));
    EXPECT_EQ(driver->calls.back(), "setClip(0,0,400,300)") << "the clip is restored";
    EXPECT_EQ(graphics->currentTransform().nonIdentity, false);

    drawn.clear();
    panel->setPosition(500, 30); // off the surface: neither it nor its children
    root->rootControl()->render(*graphics, 0, 0);
    EXPECT_THAT(drawn, IsEmpty());
}

TEST(KyrgxRects, IntersectAndOverlap)
{
    using kyrgx::Rect;
    EXPECT_EQ(kyrgx::rect_intersect({0, 0, 10, 10}, {5, 5, 20, 20}), (Rect{5, 5, 10, 10}));
    EXPECT_EQ(kyrgx::rect_intersect({0, 0, 10, 10}, {10, 0, 20, 10}), (Rect{10, 0, 10, 10})) << "touching";
    EXPECT_EQ(kyrgx::rect_intersect({0, 0, 10, 10}, {11, 0, 20, 10}), (Rect{}));
    EXPECT_TRUE(kyrgx::rect_overlaps({0, 0, 10, 10}, {10, 10, 20, 20}));
    EXPECT_FALSE(kyrgx::rect_overlaps({0, 0, 10, 10}, {11, 0, 20, 10}));
}

// ---- Theme and styles ----

namespace {

// A resource folder with its own theme and the fonts.
class ThemeTest : public ::testing::Test {
protected:
    void load(const std::string& theme, bool withCursor = true)
    {
        dir = quorel::test::make_temp_dir("theme");
        fs::copy_file(data_folder() / "arial.ttf", dir / "arial.ttf");
        if (withCursor)
            fs::copy_file(data_folder() / "cursor.png", dir / "cursor.png");
        std::ofstream(dir / "windows10.json", std::ios::binary) << theme;
        kyrgx::set_resource_directory(app::path_to_wide(dir));
        driver = std::make_shared<RecordingDriver>();
        graphics = std::make_shared<kyrgx::Graphics>(driver, std::make_shared<FakeSurface>(200, 100));
        root = std::make_unique<kyrgx::UiRoot>(graphics.get());
    }

    fs::path dir;
    std::shared_ptr<RecordingDriver> driver;
    std::shared_ptr<kyrgx::Graphics> graphics;
    std::unique_ptr<kyrgx::UiRoot> root;
};

} // namespace

TEST_F(ThemeTest, ColourTexts)
{
    load(R"({"colors": {"a": "b", "b": "ff0000", "c": "b"}})");
    using kyrgx::Color;
    const Color white(255, 255, 255, 255);
    const std::pair<std::string, Color> rows[] = {
        {"ff8000", Color(255, 128, 0)},
        {"ff8000ff", Color(255, 128, 0)},
        {"ff800040", Color(255, 128, 0)},
        {"#ff8000", white},
        {"ff80", white},
        {"", white},
        {"1z2z3z", Color(1, 2, 3)},
        {"0a0B0c", Color(10, 11, 12)},
        {"zz0000", white},
        {"b", Color(255, 0, 0)},
    };
    for (const auto& [text, colour] : rows)
        EXPECT_EQ(root->parseColor(text), colour) << text;
    // A colour may name another only when that name sorts before it.
    EXPECT_EQ(root->color("a"), white);
    EXPECT_EQ(root->color("c"), Color(255, 0, 0));
    LogCapture logs;
    EXPECT_EQ(root->color("nope"), white);
    EXPECT_EQ(logs.count(spdlog::level::err, "Unknown color: nope"), 1);
}

TEST_F(ThemeTest, StatesAreClonedBeforeTheStylesTextColour)
{
    load(R"({"fonts": {"big": {"size": 20.7, "file": "arial.ttf"}},
             "styles": {"s": {"textcolor": "ff0000", "padding": [-2, -2, 2, 2], "font": "big",
                              "states": {"sel": {"backgroundColor": "00ff00"}}}}})");
    ASSERT_TRUE(root->themeLoaded());
    auto s = root->style("s");
    EXPECT_EQ(s->name, "s");
    EXPECT_EQ(s->textColor, kyrgx::Color(255, 0, 0));
    ASSERT_NE(s->font, nullptr);
    EXPECT_EQ(s->font->pixelSize(), 20);
    auto sel = s->states.at("sel");
    EXPECT_EQ(sel->textColor, kyrgx::Color(255, 255, 255)) << "cloned before textcolor was read";
    EXPECT_EQ(sel->backgroundColor, kyrgx::Color(0, 255, 0));
    EXPECT_EQ(sel->padding, (kyrgx::Quad{-2, -2, 2, 2}));
    EXPECT_EQ(sel->font, s->font);
    EXPECT_EQ(sel->name, "s_");
    EXPECT_EQ(root->style("s"), s) << "theme styles are shared";

    auto copy = s->clone();
    EXPECT_EQ(copy->name, "s_");
    EXPECT_NE(copy->states.at("sel"), sel);
    EXPECT_EQ(copy->states.at("sel")->backgroundColor, kyrgx::Color(0, 255, 0));
    auto hover = s->state("hover");
    EXPECT_EQ(s->state("hover"), hover);
    EXPECT_EQ(hover->textColor, kyrgx::Color(255, 0, 0));
}

TEST_F(ThemeTest, BadThemesLogAndLeaveAUsableRoot)
{
    struct Row {
        std::string theme;
        std::string message;
        bool loaded;
    };
    const std::vector<Row> rows = {
        {"", "Failed to load 'windows10.json' file", false},
        {"{\"styles\": {", "Failed to load 'windows10.json' file", false},
        {"[1, 2]", "Failed to load 'windows10.json' file", false},
        {R"({"styles": {"label": {"padding": "x", "textcolor": 5, "border": [1, 2]}}})", "unreadable", true},
        {R"({"fonts": {"f": {"size": "big", "file": 3}, "g": {"size": 12, "file": "missing.ttf"}}})", "font",
         true},
        {R"({"colors": {"c": 5}, "styles": {"label": 7}})", "Theme:", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.theme);
        LogCapture logs;
        ASSERT_NO_THROW(load(row.theme));
        EXPECT_GE(logs.count(spdlog::level::err, row.message), 1);
        EXPECT_EQ(root->themeLoaded(), row.loaded);
        ASSERT_NE(root->rootControl(), nullptr);
        auto label = Control::create<kyrgx::Label>(root.get(), 0, 0, 50, 20, L"x");
        ASSERT_NE(label->style(), nullptr);
        EXPECT_EQ(label->style()->padding, (kyrgx::Quad{}));
        EXPECT_EQ(label->style()->textColor, kyrgx::Color(255, 255, 255));
        EXPECT_NE(root->defaultFont(), nullptr);
    }
}

// Shutdown used to dispose the control tree only after a theme had been read:
// without one, parents and children kept each other alive for ever.
TEST_F(ThemeTest, ShutdownReleasesTheControlTreeEvenWithoutATheme)
{
    for (const bool explicitShutdown : {true, false}) {
        SCOPED_TRACE(explicitShutdown ? "shutdown" : "destructor");
        LogCapture logs;
        load("{\"styles\": {");
        ASSERT_FALSE(root->themeLoaded());
        auto panel = Control::create<kyrgx::Panel>(root.get(), 0, 0, 100, 50, L"p");
        auto label = Control::create<kyrgx::Label>(root.get(), 5, 5, 20, 10, L"l", panel);
        label->setFocus(true);
        const std::vector<std::weak_ptr<Control>> tree{root->rootControl(), panel, label};
        panel.reset();
        label.reset();
        if (explicitShutdown) {
            root->shutdown();
            EXPECT_EQ(root->rootControl(), nullptr);
            EXPECT_EQ(root->focused(), nullptr);
            root->shutdown(); // a second call does nothing
        } else {
            root.reset();
        }
        for (const auto& control : tree)
            EXPECT_TRUE(control.expired());
    }
}

TEST_F(ThemeTest, AbsurdInsetsAndFontSizesAreClampedOnLoad)
{
    // Insets at the ends of the int range would overflow the frame arithmetic;
    // a font at 60000 pixels opens but cannot render a single glyph.
    load(
        R"({"fonts": {"huge": {"size": 60000, "file": "arial.ttf"}, "tiny": {"size": -5, "file": "arial.ttf"}},
             "styles": {"s": {"margin": [-2147483648, -2147483648, 2147483647, 2147483647],
                              "border": [-1e300, -1e300, 1e300, 18446744073709551615],
                              "padding": [-2147483648, -2147483648, 2147483647, 2147483647],
                              "font": "huge", "backgroundColor": "00ff00"},
                        "t": {"font": "tiny"}}})");
    ASSERT_TRUE(root->themeLoaded());
    const auto s = root->style("s");
    const kyrgx::Quad widest{-100000, -100000, 100000, 100000};
    EXPECT_EQ(s->margin, widest);
    EXPECT_EQ(s->border, widest);
    EXPECT_EQ(s->padding, widest);

    driver->clearCalls();
    s->drawFrame(*graphics, {0, 0, 200, 100}, 1.0f);
    int fills = 0;
    for (const std::string& call : driver->calls) {
        if (call.rfind("fillRect(", 0) != 0)
            continue;
        ++fills;
        float x = 0, y = 0, w = 0, h = 0;
        ASSERT_EQ(std::sscanf(call.c_str(), "fillRect(%f,%f,%f,%f)", &x, &y, &w, &h), 4) << call;
        for (float v : {x, y, w, h})
            EXPECT_LE(std::fabs(v), 1e6f) << call;
    }
    EXPECT_EQ(fills, 9) << "border and padding rings and the content";

    ASSERT_NE(s->font, nullptr);
    EXPECT_EQ(s->font->pixelSize(), kyrgx::ImageFont::MAX_PIXEL_SIZE);
    EXPECT_GT(s->font->measure(driver.get(), L"Ag").x, 0.0f) << "the clamped font renders";
    ASSERT_NE(root->style("t")->font, nullptr);
    EXPECT_EQ(root->style("t")->font->pixelSize(), 1);
}

TEST_F(ThemeTest, MissingStylesAndCursor)
{
    LogCapture logs;
    load(R"({"styles": {"panel": {}}})", false);
    EXPECT_EQ(root->cursor(), nullptr);
    EXPECT_EQ(logs.count(spdlog::level::err, "cursor.png"), 1);
    logs.clear();
    auto label = Control::create<kyrgx::Label>(root.get(), 0, 0, 50, 20, L"x");
    auto panel = Control::create<kyrgx::Panel>(root.get(), 0, 0, 50, 20, L"x");
    EXPECT_EQ(logs.texts(spdlog::level::err), std::vector<std::string>{"Unknown style: label"});
    EXPECT_EQ(panel->style(), root->style("panel"));
}

TEST_F(ThemeTest, TheShippedThemeHasWhatTheProgramAsksFor)
{
    dir = data_folder();
    kyrgx::set_resource_directory(app::path_to_wide(dir));
    LogCapture logs;
    driver = std::make_shared<RecordingDriver>();
    graphics = std::make_shared<kyrgx::Graphics>(driver, std::make_shared<FakeSurface>(200, 100));
    root = std::make_unique<kyrgx::UiRoot>(graphics.get());
    EXPECT_TRUE(root->themeLoaded());
    EXPECT_NE(root->cursor(), nullptr);
    for (const char* name : {"label", "panel", "view"}) {
        auto s = root->style(name);
        EXPECT_NE(s->font, nullptr) << name;
    }
    EXPECT_NE(root->style("view")->states.count("selected"), 0u);
    EXPECT_EQ(root->color("selected"), root->color("accent"));
    EXPECT_THAT(logs.texts(spdlog::level::err), IsEmpty());
}

TEST(KyrgxStyle, FrameStrips)
{
    auto driver = std::make_shared<RecordingDriver>();
    kyrgx::Graphics g(driver, std::make_shared<FakeSurface>(100, 100));
    struct Row {
        kyrgx::Quad border;
        kyrgx::Quad padding;
        uint8_t backgroundAlpha;
        std::vector<std::string> fills;
    };
    const std::vector<Row> rows = {
        {{}, {}, 0, {"fillRect(10,20,30,40)"}},
        {{2, 2, 2, 2}, {}, 0, {"fillRect(8,18,30,40)"}},
        {{-1, -1, 1, 1},
         {},
         0,
         {"fillRect(10,20,1,39)", "fillRect(11,20,29,1)", "fillRect(39,21,1,39)", "fillRect(10,59,29,1)",
          "fillRect(11,21,28,38)"}},
        {{},
         {-2, -2, 2, 2},
         255,
         {"fillRect(10,20,2,38)", "fillRect(12,20,28,2)", "fillRect(38,22,2,38)", "fillRect(10,58,28,2)",
          "fillRect(12,22,26,36)"}},
    };
    for (const Row& row : rows) {
        kyrgx::Style style;
        style.border = row.border;
        style.padding = row.padding;
        style.backgroundColor.a = row.backgroundAlpha;
        style.margin = {-1, -1, 1, 1};
        driver->clearCalls();
        style.drawFrame(g, {9, 19, 41, 61}, 0.5f);
        std::vector<std::string> fills;
        for (const auto& c : driver->calls)
            if (c.rfind("fillRect", 0) == 0)
                fills.push_back(c);
        EXPECT_EQ(fills, row.fills);
        EXPECT_THAT(driver->calls, ::testing::Contains("setAlpha(0.5)"));
    }
}

// ---- Labels ----

namespace {

class LabelTest : public UiTest {
protected:
    // A label of the test's own style: no insets, no frame, a 16-pixel font.
    std::shared_ptr<kyrgx::Label> label(const std::wstring& text, int w, int h)
    {
        auto l = Control::create<kyrgx::Label>(root.get(), 10, 10, w, h, text);
        auto style = std::make_shared<kyrgx::Style>();
        style->borderColor.a = style->backgroundColor.a = style->skinColor.a = 0;
        style->font = font();
        l->setStyle(style);
        return l;
    }
    kyrgx::ImageFont* font() { return graphics->getFont("arial.ttf", 16); }
    int width(const std::wstring& s) { return static_cast<int>(font()->measure(driver.get(), s).x); }

    // The y of every glyph quad drawn since the last call.
    std::vector<float> glyphRows()
    {
        std::vector<float> ys;
        for (const auto& c : driver->calls)
            if (c.rfind("drawImageRect(", 0) == 0) {
                const auto comma = c.find(',');
                ys.push_back(std::stof(c.substr(comma + 1)));
            }
        driver->clearCalls();
        return ys;
    }
};

} // namespace

TEST_F(LabelTest, SingleLineShortensOrSizesToItsText)
{
    const std::wstring text = L"HHHHHHHHHH";
    auto l = label(text, width(L"HHHH") + 3, 30);
    driver->clearCalls();
    l->draw(*graphics);
    EXPECT_EQ(glyphRows().size(), 4u) << "the longest leading part that fits";
    EXPECT_EQ(l->text(), text);

    l->setAutoSize(true);
    l->draw(*graphics);
    EXPECT_EQ(l->size().x, width(text) + 2);
    EXPECT_EQ(l->size().y, 30);
    EXPECT_EQ(glyphRows().size(), 10u);
}

TEST_F(LabelTest, MultiLineHeights)
{
    auto l = label(L"One", 100, 10);
    l->multiLine = true;
    l->splitAtNewlines = true;
    l->setAutoSize(true);
    l->setAlignment(kyrgx::ALIGN_TOP_LEFT);
    l->draw(*graphics);
    const int lh = font()->lineHeight();
    EXPECT_EQ(l->size().y, lh) << "one line counts 1.0 line heights";
    glyphRows();

    l->setText(L"One\nTwo\n");
    l->draw(*graphics);
    EXPECT_EQ(l->size().y, static_cast<int>(lh * 1.1f * 2)) << "a trailing line feed adds no line";
    EXPECT_EQ(l->size().x, std::max(width(L"One"), width(L"Two")));
    const auto rows = glyphRows();
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[3] - rows[0], static_cast<int>(10 + lh * 1.1f + 0.5001f) - 10);

    // Wrapped to a content width of 0: nothing to draw.
    auto wrapped = label(L"a few words", 0, 40);
    wrapped->multiLine = true;
    wrapped->draw(*graphics);
    EXPECT_TRUE(glyphRows().empty());
    wrapped->setSize({width(L"a few") + 1, 60});
    wrapped->draw(*graphics);
    EXPECT_EQ(glyphRows().size(), 10u) << "\"a few\" and \"words\", spaces included";
}

TEST_F(LabelTest, WithoutAFontOnlyTheFrameIsDrawn)
{
    auto l = Control::create<kyrgx::Label>(root.get(), 0, 0, 50, 20, L"text");
    l->setStyle(std::make_shared<kyrgx::Style>());
    driver->clearCalls();
    EXPECT_NO_THROW(l->draw(*graphics));
    EXPECT_TRUE(glyphRows().empty());
}

TEST_F(LabelTest, DraggingFollowsThePointer)
{
    auto l = label(L"drag me", 100, 30);
    l->draggable = true;
    std::vector<std::string> events;
    l->onDragStart.push_back(
        [&](const Control::Sender&, const kyrgx::event_args&) { events.push_back("start"); });
    l->onDragMove.push_back(
        [&](const Control::Sender&, const kyrgx::event_args&) { events.push_back("move"); });
    l->onDragEnd.push_back(
        [&](const Control::Sender&, const kyrgx::event_args&) { events.push_back("end"); });
    frame(20, 20);
    frame(20, 20, "L");
    EXPECT_THAT(events, ElementsAre("start"));
    frame(25, 22, "L");
    EXPECT_EQ(l->position(), (kyrgx::Vec2<int>{15, 12}));
    // positionF starts at (0, 0) whatever the position and moves with the drag.
    EXPECT_EQ(l->positionF(), (kyrgx::Vec2<float>{5.0f, 2.0f}));
    frame(25, 22);
    EXPECT_EQ(events.back(), "end");
    EXPECT_TRUE(std::count(events.begin(), events.end(), "move") >= 2);

    events.clear();
    Message leave = Message::pointer(kyrgx::MSG_LEAVE, l, kyrgx::MouseState::released());
    l->handleMessage(leave);
    EXPECT_THAT(events, ElementsAre("end")) << "a leave ends even when no drag is in progress";
}
