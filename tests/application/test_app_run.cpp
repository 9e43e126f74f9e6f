// The application context's whole run, in this process: Qt application, style
// sheet, window settings, translation, model, window, controller, event loop
// and the restart after a language change.

#include "FakeDesktopServices.h"
#include "app/AppFolders.h"
#include "app/Localization.h"
#include "app/Utf8.h"
#include "application/qt_context.h"
#include "device/VideoDeviceController.h"
#include "model/WindowSettings.h"
#include "views/QtMainView.h"
#include "views/liveview/QTabedLiveViewContainer.h"
#include "views/window/Ribbon.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <utility>

namespace fs = std::filesystem;

namespace {

std::function<void()> g_whenQtStarts;

// Runs for every QApplication the context creates.
void when_qt_starts()
{
    if (g_whenQtStarts)
        g_whenQtStarts();
}

app::QtMainView* main_window()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* view = dynamic_cast<app::QtMainView*>(widget))
            return view;
    return nullptr;
}

} // namespace

TEST(ContextRun, LanguageChangeRestartsInTheChosenLanguage)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const fs::path data = app::path_from_wide(app::get_application_directory()) / "data";
    app::set_application_folders(app::path_to_wide(data), L"");
    fs::remove(app::path_from_wide(app::window_settings_path()));
    app::write_window_settings(L"en-US", {100, 120}, {800, 500});

    QRect geometry;
    QString title;
    bool styled = false;
    g_whenQtStarts = [&] {
        QTimer::singleShot(0, [&] {
            app::QtMainView* view = main_window();
            ASSERT_NE(view, nullptr);
            geometry = view->geometry();
            title = view->windowTitle();
            styled = qApp->styleSheet().contains("#2d2d30");
            view->selectLanguage(L"Japanese");
        });
    };
    qAddPreRoutine(when_qt_starts);

    auto desktop = std::make_shared<quorel::test::FakeDesktopServices>();
    auto context = std::make_shared<application::qt_context>();
    context->setDesktopServices(desktop);
    context->setTitle("Quorel 4.0.0.180");
    char a0[] = "quorel", a1[] = "--camera=usb-color", a2[] = "more";
    char* argv[] = {a0, a1, a2, nullptr};
    context->run(3, argv);
    g_whenQtStarts = nullptr;

    EXPECT_EQ(geometry, QRect(100, 120, 800, 500));
    EXPECT_EQ(title, "Quorel 4.0");
    EXPECT_TRUE(styled);
    ASSERT_EQ(desktop->started.size(), 1u);
    EXPECT_EQ(desktop->started[0].second, QStringList{"--camera=usb-color"});
    EXPECT_EQ(Localization::getLanguage(), L"ja-JP");
    EXPECT_EQ(app::load_window_settings().language, L"ja-JP");
    EXPECT_EQ(context->mainView(), nullptr); // the window went with the Qt application
    context->deleteController();
}

// The running program's camera controllers build the simple panel's feature list.
TEST(ContextRun, CameraControllersBuildTheFeatureItemList)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const fs::path data = app::path_from_wide(app::get_application_directory()) / "data";
    app::set_application_folders(app::path_to_wide(data), L"");
    app::write_window_settings(L"en-US", {100, 120}, {800, 500});

    size_t items = 0;
    bool scheduled = false; // the start routine may be registered more than once
    g_whenQtStarts = [&] {
        if (std::exchange(scheduled, true))
            return;
        QTimer::singleShot(0, [&] {
            auto controller = std::make_shared<app::VideoDeviceController>();
            if (controller->openDevice(L"QU3-C13B"))
                items = controller->getPropertyItems().size();
            controller->closeDevice();
            if (app::QtMainView* view = main_window())
                view->close();
        });
    };
    qAddPreRoutine(when_qt_starts);

    auto context = std::make_shared<application::qt_context>();
    context->setDesktopServices(std::make_shared<quorel::test::FakeDesktopServices>());
    char a0[] = "quorel";
    char* argv[] = {a0, nullptr};
    context->run(1, argv);
    g_whenQtStarts = nullptr;
    context->deleteController();
    EXPECT_GT(items, 0u);
}

namespace {

// What of a caption a widget of this width cuts off: the button or header
// section is narrower than it needs for its whole text, or it reaches past
// the area that shows it.
struct Cut {
    QString language, where, text;
    int width, needed;
};

void PrintTo(const Cut& cut, std::ostream* os)
{
    *os << cut.language.toStdString() << " " << cut.where.toStdString() << " \"" << cut.text.toStdString()
        << "\": " << cut.width << " of " << cut.needed;
}

// The ribbon's buttons and tab captions, every tab in turn.
void collect_ribbon_cuts(const QString& language, QTabWidget* ribbon, std::vector<Cut>& cuts)
{
    for (int tab = 0; tab < ribbon->count(); ++tab) {
        const QRect tabRect = ribbon->tabBar()->tabRect(tab);
        const int tabNeeded = ribbon->tabBar()->fontMetrics().horizontalAdvance(ribbon->tabText(tab));
        if (tabRect.width() < tabNeeded || tabRect.right() > ribbon->tabBar()->width())
            cuts.push_back({language, "tab", ribbon->tabText(tab), tabRect.width(), tabNeeded});
        ribbon->setCurrentIndex(tab);
        for (int turn = 0; turn < 3; ++turn) {
            QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            QApplication::processEvents();
        }
        QWidget* page = ribbon->widget(tab);
        auto* area = page->findChild<QAbstractScrollArea*>();
        for (QToolButton* button : page->findChildren<QToolButton*>()) {
            if (!button->isVisibleTo(page) || button->text().isEmpty())
                continue;
            const int right = button->mapTo(area->viewport(), QPoint(button->width(), 0)).x();
            const QString where = ribbon->tabText(tab) + " button";
            if (button->width() < button->sizeHint().width())
                cuts.push_back(
                    {language, where, button->text(), button->width(), button->sizeHint().width()});
            else if (right > area->viewport()->width())
                cuts.push_back({language, where + " past the ribbon's edge", button->text(),
                                area->viewport()->width(), right});
        }
    }
}

void collect_header_cuts(const QString& language, QTreeView* tree, std::vector<Cut>& cuts)
{
    QHeaderView* header = tree->header();
    for (int column = 0; column < header->count(); ++column) {
        const int needed = header->sectionSizeHint(column);
        const int right = header->sectionViewportPosition(column) + header->sectionSize(column);
        const QString text = tree->model()->headerData(column, Qt::Horizontal).toString();
        if (header->sectionSize(column) < needed)
            cuts.push_back({language, "device list header", text, header->sectionSize(column), needed});
        else if (right > header->viewport()->width())
            cuts.push_back({language, "device list header past the list's edge", text,
                            header->viewport()->width(), right});
    }
}

} // namespace

// At the window's default size every caption of the ribbon (with a camera
// open) and of the device selection dialog (shown at start when no camera
// opens) reads whole, in every language; at its minimum size the window
// still shows the live view.
TEST(ContextRun, CaptionsReadWholeAtTheDefaultSizeInEveryLanguage)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const fs::path data = app::path_from_wide(app::get_application_directory()) / "data";
    app::set_application_folders(app::path_to_wide(data), L"");
    const app::WindowSettings defaults;

    std::vector<Cut> cuts;
    for (const wchar_t* code : {L"en-US", L"de-DE", L"ja-JP", L"en-KR", L"en-TW"}) {
        const QString language = QString::fromWCharArray(code);
        SCOPED_TRACE(language.toStdString());
        app::write_window_settings(code, defaults.topLeft, defaults.bottomRight - defaults.topLeft);
        QSize shown, minimum, liveViewAtMinimum;
        bool liveViewInside = false;
        bool checked = false;
        bool scheduled = false;
        bool cameraChosen = false;
        int turns = 0;
        // Runs a turn of the event loop at a time: once the device selection
        // dialog is up (it comes with the window's first "loaded" event) it
        // looks at the dialog and opens the first camera with it; once the
        // camera's buttons are in the ribbon it looks at the window.
        std::function<void()> look = [&] {
            app::QtMainView* view = main_window();
            QWidget* dialog = nullptr;
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (widget->isVisible() && widget->windowTitle() == "Select Device")
                    dialog = widget;
            const bool cameraOpen = view && view->ribbon()->findChild<QToolButton*>("Dialogs");
            if (++turns < 2000 && (!view || (!cameraChosen && !dialog) || (cameraChosen && !cameraOpen))) {
                QTimer::singleShot(0, look);
                return;
            }
            if (dialog && !cameraChosen) {
                auto* tree = dialog->findChild<QTreeWidget*>();
                collect_header_cuts(language, tree, cuts);
                tree->setCurrentItem(tree->topLevelItem(0)->child(0));
                cameraChosen = true;
                emit dialog->findChild<QPushButton*>("okButton")->pressed();
                QTimer::singleShot(0, look);
                return;
            }
            checked = cameraOpen;
            shown = view->size();
            collect_ribbon_cuts(language, view->ribbon(), cuts);
            // Resized below its minimum the window stops at it, live view shown.
            view->setAnimated(false);
            view->resize(1, 1);
            QApplication::processEvents();
            minimum = view->size();
            liveViewAtMinimum = view->liveViewContainer()->size();
            liveViewInside = view->rect().contains(
                QRect(view->liveViewContainer()->mapTo(view, QPoint(0, 0)), liveViewAtMinimum));
            view->close();
        };
        g_whenQtStarts = [&] {
            if (!std::exchange(scheduled, true))
                QTimer::singleShot(0, look);
        };
        qAddPreRoutine(when_qt_starts);
        auto context = std::make_shared<application::qt_context>();
        context->setDesktopServices(std::make_shared<quorel::test::FakeDesktopServices>());
        char a0[] = "quorel";
        char* argv[] = {a0, nullptr};
        context->run(1, argv);
        g_whenQtStarts = nullptr;
        context->deleteController();
        EXPECT_TRUE(checked) << "no camera was opened through the device selection dialog";
        EXPECT_EQ(shown, QSize(defaults.bottomRight.x - defaults.topLeft.x,
                               defaults.bottomRight.y - defaults.topLeft.y));
        EXPECT_GT(minimum.width(), 1);
        const QSize least = app::QtMainView::kMinimumLiveViewSize;
        EXPECT_TRUE(liveViewInside && liveViewAtMinimum.width() >= least.width() &&
                    liveViewAtMinimum.height() >= least.height())
            << "live view " << liveViewAtMinimum.width() << "x" << liveViewAtMinimum.height()
            << (liveViewInside ? " inside" : " outside") << " a window of " << minimum.width() << "x"
            << minimum.height();
    }
    EXPECT_THAT(cuts, ::testing::IsEmpty());
}
