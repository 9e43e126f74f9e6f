#pragma once

// Drives a live-view panel on the offscreen platform as the user and the
// paint would: Qt mouse events go to the widget, and route() lets the
// toolkit turn the resulting pointer and key state into messages, as every
// paint does first.

#include "kyrgx/Graphics.h"
#include "kyrgx/UiRoot.h"
#include "kyrgx/graphics_context.h"
#include "views/liveview/QLiveViewPanel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>

namespace quorel::test {

class PanelHarness {
public:
    explicit PanelHarness(app::QLiveViewPanel& panel) : panel_(panel) {}

    void route()
    {
        panel_.uiRoot()->update(*panel_.graphics());
        panel_.graphics()->context()->endFrame();
    }
    void move(QPoint p)
    {
        QMouseEvent e(QEvent::MouseMove, p, Qt::NoButton, held_, Qt::NoModifier);
        QApplication::sendEvent(&panel_, &e);
        route();
    }
    void press(Qt::MouseButton button)
    {
        held_ |= button;
        QMouseEvent e(QEvent::MouseButtonPress, position(), button, held_, Qt::NoModifier);
        QApplication::sendEvent(&panel_, &e);
        route();
    }
    void release(Qt::MouseButton button)
    {
        held_ &= ~Qt::MouseButtons(button);
        QMouseEvent e(QEvent::MouseButtonRelease, position(), button, held_, Qt::NoModifier);
        QApplication::sendEvent(&panel_, &e);
        route();
    }
    void doubleClick(Qt::MouseButton button)
    {
        QMouseEvent e(QEvent::MouseButtonDblClick, position(), button, held_ | button, Qt::NoModifier);
        QApplication::sendEvent(&panel_, &e);
        route();
        release(button);
    }
    void wheel(int delta)
    {
        QWheelEvent e(position(), QPointF(panel_.mapToGlobal(position().toPoint())), QPoint(),
                      QPoint(0, delta), held_, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&panel_, &e);
        route();
    }
    // Keys reach the panel's surface from the main controller.
    void keyDown(int key)
    {
        panel_.graphics()->context()->keyDown(key);
        route();
    }
    void keyUp(int key)
    {
        panel_.graphics()->context()->keyUp(key);
        route();
    }
    // Paints' worth of toolkit ticks (the dock panel's slides).
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            route();
    }

private:
    QPointF position() const
    {
        const kyrgx::MouseState m = panel_.graphics()->context()->mouseState();
        return {m.x, m.y};
    }

    app::QLiveViewPanel& panel_;
    Qt::MouseButtons held_ = Qt::NoButton;
};

} // namespace quorel::test
