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
        }
        Control::handleMessage(m);
    }
    std::vector<std::string>* log = nullptr;
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
    void mouse(QEvent::Type type, int x, int y, Qt::MouseButton button = Qt::NoButton)
    {
        const QMouseEvent event(type, QPointF(x, y), button, button, Qt::NoModifier);
        surface->mouseMove(event.x(), event.y());
        if (event.type() == QEvent::MouseButtonPress)
            surface->mousePress(event.button());
        else if (event.type() == QEvent::MouseButtonRelease)
            surface->mouseRelease(event.button());
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
