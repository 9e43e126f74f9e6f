// The application's wheel rule, on a settings dock as the plug-ins make them
// (rows of combo boxes, sliders and spin boxes on a scrolling accordion): the
// wheel over an editor the user has not clicked scrolls the dock and leaves
// the editor as it is; once the editor has the focus, the wheel changes it.
// Wheel events go in as the window system's (spontaneous), so Qt's own focus
// hand-over and propagation take part.

#include "app/AppFolders.h"
#include "app/Localization.h"
#include "app/Utf8.h"
#include "application/EditorWheelGuard.h"
#include "kyrgx/Resources.h"
#include "views/docks/QtPropertyView.h"
#include "views/grid/QtAccordion.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

using app::QtView::QtPropertyView;
using application::EditorWheelGuard;

namespace {

class EditorWheel : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto data = app::path_from_wide(app::get_application_directory()) / "data";
        app::set_application_folders(app::path_to_wide(data), L"");
        kyrgx::set_resource_directory(app::get_data_directory());
        Localization::loadLanguage(L"en-US");
        guard = std::make_unique<EditorWheelGuard>();
        qApp->installEventFilter(guard.get());

        // Like the Microscope dock: a unit list, a slider row, more rows than fit.
        view = std::make_unique<QtPropertyView>(L"Microscope", nullptr, false, false, true);
        for (int i = 0; i < 6; ++i) {
            const std::wstring n = std::to_wstring(i);
            view->addListParameter(L"", L"Microscope", L"Unit " + n, {L"Centimeter", L"Millimeter", L"Yard"},
                                   L"Centimeter");
            view->addRangeParameter(L"", L"Microscope", L"Decimal places " + n, 2, 0, 10);
            view->addAbsParameter(L"", L"Microscope", L"Dots per unit " + n, 100, 0, 1000);
        }
        view->expandAll();
        view->resize(320, 300);
        view->show();
        QApplication::setActiveWindow(view.get());
        settle();
        scroll = view->accordion()->verticalScrollBar();
        ASSERT_GT(scroll->maximum(), 0) << "the dock must scroll";
    }
    void TearDown() override
    {
        view.reset();
        qApp->removeEventFilter(guard.get());
    }

    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    // One notch down over the middle of the widget, delivered to the widget
    // the pointer is over, as the window system's events are.
    static void wheelOver(QWidget* editor)
    {
        const QPoint centre = editor->rect().center();
        QWidget* target = editor->childAt(centre);
        if (!target)
            target = editor;
        const QPoint local = target->mapFrom(editor, centre);
        QWheelEvent event(QPointF(local), QPointF(target->mapToGlobal(local)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&event);
        qApp->notify(target, &event);
    }

public:
    // The first editor of the kind that lies fully inside the visible part of the dock.
    template <typename Editor> Editor* visibleEditor() const
    {
        QWidget* viewport = view->accordion()->viewport();
        for (Editor* e : view->findChildren<Editor*>()) {
            if (qobject_cast<QScrollBar*>(e) || !e->isVisible())
                continue;
            const QRect r(e->mapTo(viewport, QPoint(0, 0)), e->size());
            if (viewport->rect().contains(r))
                return e;
        }
        return nullptr;
    }

protected:
    std::unique_ptr<EditorWheelGuard> guard;
    std::unique_ptr<QtPropertyView> view;
    QScrollBar* scroll = nullptr;
};

struct EditorCase {
    const char* kind;
    std::function<QWidget*(const EditorWheel&)> find;
    std::function<double(QWidget*)> value;
};

} // namespace

TEST_F(EditorWheel, TheWheelScrollsTheDockPastEditorsWithoutFocusAndChangesFocusedOnes)
{
    const EditorCase cases[] = {
        {"combo box", [](const EditorWheel& t) { return t.visibleEditor<QComboBox>(); },
         [](QWidget* w) { return static_cast<double>(static_cast<QComboBox*>(w)->currentIndex()); }},
        {"slider", [](const EditorWheel& t) { return t.visibleEditor<QAbstractSlider>(); },
         [](QWidget* w) { return static_cast<double>(static_cast<QAbstractSlider*>(w)->value()); }},
        {"spin box", [](const EditorWheel& t) { return t.visibleEditor<QAbstractSpinBox>(); },
         [](QWidget* w) { return static_cast<QAbstractSpinBox*>(w)->text().toDouble(); }},
    };
    for (const EditorCase& c : cases) {
        SCOPED_TRACE(c.kind);
        scroll->setValue(0);
        view->setFocus();
        settle();
        QWidget* editor = c.find(*this);
        ASSERT_NE(editor, nullptr);
        const double before = c.value(editor);

        wheelOver(editor);
        settle();
        EXPECT_EQ(c.value(editor), before) << "the editor stays as it was";
        EXPECT_FALSE(editor->hasFocus()) << "and the wheel gave it no focus";
        EXPECT_GT(scroll->value(), 0) << "the dock scrolled instead";

        // Clicked into (it takes the focus as a click gives it), the wheel changes it.
        scroll->setValue(0);
        settle();
        ASSERT_NE(editor->focusPolicy() & Qt::ClickFocus, 0);
        editor->setFocus(Qt::MouseFocusReason);
        settle();
        ASSERT_TRUE(editor->hasFocus());
        wheelOver(editor);
        settle();
        EXPECT_NE(c.value(editor), before);
        EXPECT_EQ(scroll->value(), 0);
    }
}

TEST_F(EditorWheel, ScrollBarsAndOtherWidgetsKeepTheWheel)
{
    EXPECT_FALSE(EditorWheelGuard::isValueEditor(scroll));
    EXPECT_FALSE(EditorWheelGuard::isValueEditor(view->accordion()));
    EXPECT_TRUE(EditorWheelGuard::isValueEditor(view->findChild<QComboBox*>()));
    wheelOver(scroll);
    settle();
    EXPECT_GT(scroll->value(), 0);
}
