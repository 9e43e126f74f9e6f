// Input from Qt to the toolkit's controls: Qt keys through the key table and
// the widget surface to the key state and the key messages, and Qt pointer
// input to the message types. Expected codes are the published Linux
// input-event codes and the message types the toolkit documents, so a wrong
// mapping anywhere on the way shows.

#include "RecordingDriver.h"
#include "app/Utf8.h"
#include "kyrgx/Control.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/Resources.h"
#include "kyrgx/UiRoot.h"
#include "kyrgx/qt/QtGraphicsContext.h"
#include "kyrgx/qt/QtKeyTable.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

// Last: its KEY_ macros would replace the toolkit's names of the same spelling.
#include <linux/input-event-codes.h>

namespace fs = std::filesystem;
using app::QtView::QtGraphicsContext;
using kyrgx::Control;
using kyrgx::Message;

namespace {

// Logs each message aimed at it as "type/key" for key messages and
// "type/button" for the others (bounds changes left out).
class Recorder : public Control {
public:
    using Control::Control;
    void handleMessage(Message& m) override
    {
        if (log && m.target.get() == this && m.type != 10) {
            const bool key = m.type >= 14 && m.type <= 16;
            log->push_back(std::to_string(m.type) + "/" + std::to_string(key ? m.key : m.button));
            if (positions && !key && m.type != kyrgx::MSG_FOCUS_GAINED && m.type != kyrgx::MSG_FOCUS_LOST)
                positions->push_back(name + " " + std::to_string(m.type) + " at " +
                                     std::to_string(m.mouse.x) + "," + std::to_string(m.mouse.y));
        }
        Control::handleMessage(m);
    }
    std::vector<std::string>* log = nullptr;
    // "name type at x,y" of each pointer message.
    std::vector<std::string>* positions = nullptr;
    std::string name;
};

// A widget surface as the live view has one, a UI root over it and one
// recording control at (10, 10, 100, 50).
class QtInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        kyrgx::set_resource_directory(
            app::path_to_wide(fs::read_symlink("/proc/self/exe").parent_path() / "data"));
        widget.resize(200, 100);
        surface = std::make_shared<QtGraphicsContext>(&widget);
        graphics =
            std::make_shared<kyrgx::Graphics>(std::make_shared<quorel::test::RecordingDriver>(), surface);
        root = std::make_unique<kyrgx::UiRoot>(graphics.get(), [this] { return clock; });
        control = Control::create<Recorder>(root.get(), 10, 10, 100, 50, L"r");
        control->log = &log;
    }
    void TearDown() override { root.reset(); }

    // One frame of the surface: the UI root routes what the widget fed in.
    std::vector<std::string> frame()
    {
        root->update(*graphics);
        surface->endFrame();
        auto out = log;
        log.clear();
        return out;
    }

    // What the live view's widget does with Qt's events.
    void key(QEvent::Type type, int qtKey)
    {
        const QKeyEvent event(type, qtKey, Qt::NoModifier);
        if (event.type() == QEvent::KeyPress)
            surface->keyDown(app::qt_key_to_keys(event.key()));
        else
            surface->keyUp(app::qt_key_to_keys(event.key()));
    }
    void mouse(QEvent::Type type, float x, float y, Qt::MouseButton button = Qt::NoButton)
    {
        const QMouseEvent event(type, QPointF(x, y), button, button, Qt::NoModifier);
        const auto px = static_cast<float>(event.localPos().x());
        const auto py = static_cast<float>(event.localPos().y());
        if (event.type() == QEvent::MouseButtonPress)
            surface->mousePress(event.button(), px, py);
        else if (event.type() == QEvent::MouseButtonRelease)
            surface->mouseRelease(event.button(), px, py);
        else
            surface->mouseMove(px, py);
    }
    void wheel(int angle)
    {
        const QWheelEvent event(QPointF(30, 30), QPointF(30, 30), QPoint(), QPoint(0, angle), Qt::NoButton,
                                Qt::NoModifier, Qt::NoScrollPhase, false);
        surface->wheel(static_cast<float>(event.angleDelta().y()));
    }

    int64_t clock = 1000;
    QWidget widget;
    std::vector<std::string> log;
    std::shared_ptr<QtGraphicsContext> surface;
    std::shared_ptr<kyrgx::Graphics> graphics;
    std::unique_ptr<kyrgx::UiRoot> root;
    std::shared_ptr<Recorder> control;
};

std::string key_message(int type, int code)
{
    return std::to_string(type) + "/" + std::to_string(code);
}

} // namespace

TEST_F(QtInput, KeysArriveAsTheirLinuxInputEventCodes)
{
    root->setFocused(control);
    struct Row {
        int qtKey;
        int code;
    };
    const Row rows[] = {
        {Qt::Key_Escape, KEY_ESC},
        {Qt::Key_1, KEY_1},
        {Qt::Key_9, KEY_9},
        {Qt::Key_0, KEY_0},
        {Qt::Key_Minus, KEY_MINUS},
        {Qt::Key_Backspace, KEY_BACKSPACE},
        {Qt::Key_Tab, KEY_TAB},
        {Qt::Key_Q, KEY_Q},
        {Qt::Key_P, KEY_P},
        {Qt::Key_Return, KEY_ENTER},
        {Qt::Key_Control, KEY_LEFTCTRL},
        {Qt::Key_A, KEY_A},
        {Qt::Key_L, KEY_L},
        {Qt::Key_QuoteLeft, KEY_GRAVE},
        {Qt::Key_Shift, KEY_LEFTSHIFT},
        {Qt::Key_Backslash, KEY_BACKSLASH},
        {Qt::Key_Z, KEY_Z},
        {Qt::Key_M, KEY_M},
        {Qt::Key_Slash, KEY_SLASH},
        {Qt::Key_Asterisk, KEY_KPASTERISK},
        {Qt::Key_Alt, KEY_LEFTALT},
        {Qt::Key_Space, KEY_SPACE},
        {Qt::Key_CapsLock, KEY_CAPSLOCK},
        {Qt::Key_F1, KEY_F1},
        {Qt::Key_F10, KEY_F10},
        {Qt::Key_NumLock, KEY_NUMLOCK},
        {Qt::Key_ScrollLock, KEY_SCROLLLOCK},
        {Qt::Key_F11, KEY_F11},
        {Qt::Key_F12, KEY_F12},
        {Qt::Key_SysReq, KEY_SYSRQ},
        {Qt::Key_AltGr, KEY_RIGHTALT},
        {Qt::Key_Home, KEY_HOME},
        {Qt::Key_Up, KEY_UP},
        {Qt::Key_PageUp, KEY_PAGEUP},
        {Qt::Key_Left, KEY_LEFT},
        {Qt::Key_Right, KEY_RIGHT},
        {Qt::Key_End, KEY_END},
        {Qt::Key_Down, KEY_DOWN},
        {Qt::Key_PageDown, KEY_PAGEDOWN},
        {Qt::Key_Insert, KEY_INSERT},
        {Qt::Key_Delete, KEY_DELETE},
        {Qt::Key_Pause, KEY_PAUSE},
        {Qt::Key_F13, KEY_F13},
        {Qt::Key_F24, KEY_F24},
        // Keys without a code of their own.
        {Qt::Key_MediaPlay, KEY_UNKNOWN},
        {Qt::Key_unknown, KEY_UNKNOWN},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.qtKey);
        key(QEvent::KeyPress, row.qtKey);
        EXPECT_TRUE(surface->isKeyDown(row.code));
        EXPECT_EQ(frame(), std::vector<std::string>{key_message(14, row.code)});
        EXPECT_EQ(frame(), std::vector<std::string>{}) << "held: no second key-down";
        key(QEvent::KeyRelease, row.qtKey);
        EXPECT_FALSE(surface->isKeyDown(row.code));
        EXPECT_EQ(frame(), (std::vector<std::string>{key_message(15, row.code), key_message(16, row.code)}));
    }
}

TEST_F(QtInput, PointerInputArrivesAsMessagesOfItsType)
{
    struct Step {
        const char* what;
        std::function<void()> input;
        std::vector<std::string> messages; // "type/button"
    };
    const std::vector<Step> steps = {
        {"move onto the control", [this] { mouse(QEvent::MouseMove, 30, 30); }, {"7/-1", "1/-1"}},
        {"left press", [this] { mouse(QEvent::MouseButtonPress, 30, 30, Qt::LeftButton); }, {"8/-1", "3/-1"}},
        {"left release",
         [this] { mouse(QEvent::MouseButtonRelease, 30, 30, Qt::LeftButton); },
         {"4/0", "5/0"}},
        {"left again within 500 ms",
         [this] {
             clock += 500;
             mouse(QEvent::MouseButtonPress, 30, 30, Qt::LeftButton);
             frame();
             mouse(QEvent::MouseButtonRelease, 30, 30, Qt::LeftButton);
         },
         {"4/0", "5/0", "6/0"}},
        {"right click",
         [this] {
             mouse(QEvent::MouseButtonPress, 30, 30, Qt::RightButton);
             frame();
             mouse(QEvent::MouseButtonRelease, 30, 30, Qt::RightButton);
         },
         {"4/1", "5/1"}},
        {"middle press", [this] { mouse(QEvent::MouseButtonPress, 30, 30, Qt::MiddleButton); }, {"3/-1"}},
        {"drag with the middle button held",
         [this] { mouse(QEvent::MouseMove, 40, 30, Qt::MiddleButton); },
         {"7/2", "7/-1"}},
        {"middle release",
         [this] { mouse(QEvent::MouseButtonRelease, 40, 30, Qt::MiddleButton); },
         {"4/2", "5/2"}},
        {"wheel forward", [this] { wheel(120); }, {"11/-1"}},
        {"wheel back", [this] { wheel(-120); }, {"12/-1"}},
        {"leave the control", [this] { mouse(QEvent::MouseMove, 150, 80); }, {"2/-1"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.input();
        EXPECT_EQ(frame(), step.messages);
    }
}

TEST_F(QtInput, EveryPressReleaseAndMoveIsRoutedWhereItHappened)
{
    // A second control beside the first, at (120, 10, 60, 50).
    auto other = Control::create<Recorder>(root.get(), 120, 10, 60, 50, L"o");
    std::vector<std::string> positions;
    control->positions = &positions;
    control->name = "r";
    other->positions = &positions;
    other->name = "o";
    std::vector<std::string> otherLog;
    other->log = &otherLog;

    mouse(QEvent::MouseMove, 30.25f, 30.5f);
    frame();
    positions.clear();
    // Between two frames: a left click on the first control, then, with no
    // move reported in between (the pointer came back from another window), a
    // right click on the second, and a move back over the first.
    mouse(QEvent::MouseButtonPress, 30.25f, 30.5f, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, 30.25f, 30.5f, Qt::LeftButton);
    mouse(QEvent::MouseButtonPress, 150.75f, 40.0f, Qt::RightButton);
    mouse(QEvent::MouseButtonRelease, 150.75f, 40.0f, Qt::RightButton);
    mouse(QEvent::MouseMove, 60.5f, 20.0f);
    frame();
    const std::vector<std::string> expected = {
        "r 3 at 30.250000,30.500000",  "r 4 at 30.250000,30.500000",  "r 5 at 30.250000,30.500000",
        "o 7 at 150.750000,40.000000", "r 2 at 150.750000,40.000000", "o 1 at 150.750000,40.000000",
        "o 3 at 150.750000,40.000000", "o 4 at 150.750000,40.000000", "o 5 at 150.750000,40.000000",
        "r 7 at 60.500000,20.000000",  "o 2 at 60.500000,20.000000",  "r 1 at 60.500000,20.000000",
    };
    EXPECT_EQ(positions, expected) << "each click where it was made, positions unrounded";
    EXPECT_EQ(surface->takePointerEvents().size(), 0u) << "the frame took them all";
}

TEST_F(QtInput, AKeyTappedBetweenTwoFramesIsSeenDownForOneFrame)
{
    root->setFocused(control);
    // Ctrl+Z typed faster than a frame: both keys down and up before it.
    bool ctrlHeldAtZ = false;
    control->onKeyDown.push_back([&](const Control::Sender&, int key) {
        if (key == KEY_Z)
            ctrlHeldAtZ = surface->isKeyDown(KEY_LEFTCTRL);
    });
    key(QEvent::KeyPress, Qt::Key_Control);
    key(QEvent::KeyPress, Qt::Key_Z);
    key(QEvent::KeyRelease, Qt::Key_Z);
    key(QEvent::KeyRelease, Qt::Key_Control);
    EXPECT_EQ(frame(), (std::vector<std::string>{key_message(14, KEY_LEFTCTRL), key_message(16, KEY_LEFTCTRL),
                                                 key_message(14, KEY_Z), key_message(16, KEY_Z)}));
    EXPECT_TRUE(ctrlHeldAtZ) << "the shortcut sees Ctrl held when Z goes down";
    EXPECT_EQ(frame(), (std::vector<std::string>{key_message(15, KEY_LEFTCTRL), key_message(15, KEY_Z)}));
    EXPECT_FALSE(surface->isKeyDown(KEY_Z));
}
