#include "views/docks/QtPictureBox.h"

#include "kyrgx/Graphics.h"
#include "kyrgx/qt/QtGraphicsContext.h"
#include "kyrgx/qt/QtGraphicsDriver.h"
#include "views/grid/GuardedCall.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace app::QtView {

QtPictureBox::QtPictureBox(QWidget* parent)
    : QWidget(parent), context_(std::make_shared<QtGraphicsContext>(this))
{
    setMouseTracking(true);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

QtPictureBox::~QtPictureBox() = default;

void QtPictureBox::postRepaint()
{
    if (repaintPending_.exchange(true))
        return;
    // The box as context: the functor runs on the box's (GUI) thread, and not
    // at all once the box is gone.
    QTimer::singleShot(0, this, [this] {
        repaintPending_.store(false);
        update();
    });
}

void QtPictureBox::paintEvent(QPaintEvent*)
{
    if (!onPaint)
        return;
    guardedCall("QtPictureBox::paintEvent()", [this] {
        QPainter painter(this);
        auto driver = std::make_shared<QtGraphicsDriver>(&painter, QRect(0, 0, width(), height()));
        kyrgx::Graphics graphics(driver, context_);
        onPaint(&graphics);
    });
}

void QtPictureBox::mousePressEvent(QMouseEvent* event)
{
    if (onMousePress)
        guardedCall("QtPictureBox::mousePressEvent()", [&] { onMousePress(event); });
}

void QtPictureBox::mouseMoveEvent(QMouseEvent* event)
{
    if (onMouseMove)
        guardedCall("QtPictureBox::mouseMoveEvent()", [&] { onMouseMove(event); });
}

void QtPictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (onMouseRelease)
        guardedCall("QtPictureBox::mouseReleaseEvent()", [&] { onMouseRelease(event); });
}

} // namespace app::QtView
