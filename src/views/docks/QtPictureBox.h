#pragma once

#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>

class QMouseEvent;

namespace kyrgx {
class Graphics;
}

namespace app::QtView {

class QtGraphicsContext;

// A small drawing widget: each paint hands a kyrgx::Graphics over the
// widget (QPainter driver) to the paint callback; its mouse events go to the
// mouse callbacks. Mouse tracking is on, so moves arrive without a button.
class QtPictureBox : public QWidget {
public:
    explicit QtPictureBox(QWidget* parent);
    ~QtPictureBox() override;

    std::function<void(kyrgx::Graphics*)> onPaint;
    std::function<void(QMouseEvent*)> onMousePress;
    std::function<void(QMouseEvent*)> onMouseMove;
    std::function<void(QMouseEvent*)> onMouseRelease;

    // Asks for a repaint at the GUI thread's next event-loop turn; callable
    // from any thread while the box lives. Requests that arrive before the
    // posted one ran are folded into it.
    void postRepaint();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::shared_ptr<QtGraphicsContext> context_;
    std::atomic<bool> repaintPending_{false};
};

} // namespace app::QtView
