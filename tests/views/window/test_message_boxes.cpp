// The main window's two modal message boxes, answered by a timer while they
// run their own event loop.

#include "views/QtMainView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Acts on the box once it runs.
void when_shown(std::function<void(QMessageBox&)> act)
{
    QTimer::singleShot(0, [act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        act(*box);
    });
}

struct MessageBoxTest : ::testing::Test {
    app::QtMainView window{0, 0, 800, 600};
};

} // namespace

TEST_F(MessageBoxTest, TheOkBoxRunsItsCallbackOnceAfterItClosedThenLetsItsObjectGo)
{
    bool released = false;
    int calls = 0;
    bool releasedInCallback = true;
    auto keepAlive = std::shared_ptr<app::IMainView>(&window, [&](app::IMainView*) { released = true; });
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool visibleInCallback = true;
    when_shown([&](QMessageBox& box) {
        title = box.windowTitle();
        text = box.text();
        icon = box.icon();
        buttons = box.standardButtons();
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::Ok));
        box.button(QMessageBox::Ok)->click();
    });
    window.showMessageBox(L"Fehler", L"Kamera „X“ getrennt", std::move(keepAlive), [&] {
        ++calls;
        releasedInCallback = released;
        visibleInCallback = QApplication::activeModalWidget() != nullptr;
    });
    EXPECT_EQ(title, QString::fromUtf8("Fehler"));
    EXPECT_EQ(text, QString::fromUtf8("Kamera „X“ getrennt"));
    EXPECT_EQ(icon, QMessageBox::Information);
    EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(releasedInCallback);
    EXPECT_FALSE(visibleInCallback);
    EXPECT_TRUE(released);

    // Without a callback or an object to keep.
    when_shown([](QMessageBox& box) { box.close(); });
    window.showMessageBox(L"Error", L"Failed to open device.", nullptr, {});
}

TEST_F(MessageBoxTest, TheQuestionIsYesOnlyForYes)
{
    const struct {
        const char* how;
        std::function<void(QMessageBox&)> answer;
        bool yes;
    } rows[] = {
        {"Yes", [](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); }, true},
        {"No", [](QMessageBox& box) { box.button(QMessageBox::No)->click(); }, false},
        {"window button", [](QMessageBox& box) { box.close(); }, false},
        {"Escape",
         [](QMessageBox& box) {
             QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QApplication::sendEvent(&box, &escape);
         },
         false},
        {"Enter (the default)",
         [](QMessageBox& box) {
             EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::No));
             box.defaultButton()->click();
         },
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.how);
        when_shown(row.answer);
        EXPECT_EQ(window.showMessageBoxYesNo(L"Warning", L"Continue?"), row.yes);
    }
}
