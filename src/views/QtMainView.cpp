#include "views/QtMainView.h"

#include "kyrgx/qt/PixmapCache.h"
#include "kyrgx/qt/QtKeyTable.h"
#include "views/window/GuardedCall.h"
#include "views/window/QTitleBar.h"
#include "views/window/WindowEdges.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHoverEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShowEvent>
#include <QTabBar>
#include <QTimer>

namespace app {

QtMainView::QtMainView(int x, int y, int width, int height, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("mainWindow"));
    setMouseTracking(true);
    setWindowFlags(Qt::FramelessWindowHint);
    setAttribute(Qt::WA_Hover);
    installEventFilter(this);
    setContentsMargins(6, 0, 6, 0); // the side strips where the window's own mouse events arrive

    central_ = new QWidget(this);
    central_->setObjectName(QStringLiteral("centralWidget"));
    central_->installEventFilter(this);
    setUpDocks();

    titleBar_ = new QtView::QTitleBar(this);
    setMenuWidget(titleBar_);

    centralLayout_ = new QGridLayout(central_);
    centralLayout_->setSpacing(6);
    centralLayout_->setContentsMargins(0, 0, 0, 0);
    buildLiveViewArea(central_);

    tickTimer_ = new QTimer(this);
    connect(tickTimer_, &QTimer::timeout, this, [this] { runTick(); });
    tickTimer_->start(16);

    buildStatusBar();
    buildTitleBarButtons();
    buildRibbon();

    setCentralWidget(central_);
    move(x, y);
    resize(width, height);
}

QtMainView::~QtMainView()
{
    if (crossCursorInstalled_)
        QApplication::restoreOverrideCursor();
}

// ---- cursor, title, geometry, state

void QtMainView::setCursorMode(int mode)
{
    if (mode == cursorMode_)
        return;
    cursorMode_ = mode;
    // Only the window's own cross-hair is taken off the application's override
    // stack, and it goes whenever another mode takes over.
    if (crossCursorInstalled_) {
        QApplication::restoreOverrideCursor();
        crossCursorInstalled_ = false;
    }
    switch (mode) {
    case 0:
        unsetCursor();
        break;
    case 1: {
        const QPixmap cross = cached_pixmap(L"cursor_cross.png");
        QApplication::setOverrideCursor(cross.isNull()
                                            ? QCursor(Qt::CrossCursor)
                                            : QCursor(cross, -(cross.width() / 2), -(cross.height() / 2)));
        crossCursorInstalled_ = true;
        break;
    }
    default: {
        // 2 to 7: the window's own cursor; any other mode none.
        static const Qt::CursorShape kShapes[] = {Qt::SizeVerCursor,   Qt::SizeHorCursor,
                                                  Qt::SizeFDiagCursor, Qt::SizeBDiagCursor,
                                                  Qt::SizeAllCursor,   Qt::PointingHandCursor};
        if (mode >= 2 && mode <= 7)
            setCursor(kShapes[mode - 2]);
        else
            unsetCursor();
        break;
    }
    }
}

void QtMainView::setTitle(const std::wstring& title)
{
    setWindowTitle(QString::fromStdWString(title));
}

void QtMainView::setGeometry(kyrgx::Vec2<int> position, kyrgx::Vec2<int> size)
{
    resize(size.x, size.y);
    move(position.x, position.y);
}

bool QtMainView::isMinimized()
{
    return recordedState_.load() == static_cast<int>(Qt::WindowMinimized);
}

// ---- tick

void QtMainView::runTick()
{
    // A tick whose subscriber runs a nested event loop (a modal box) holds the
    // next ones until it returns.
    if (tickBusy_.load())
        return;
    tickBusy_.exchange(true);
    QtView::run_guarded("QtMainView::tick", [this] {
        if (!isMinimized())
            repaintLiveViews();
        raise_event(tick, this);
        // What the tick's work changed (posted callbacks) shows in this turn's paint.
        if (!isMinimized())
            repaintLiveViews();
    });
    tickBusy_.exchange(false);
}

// ---- edges and keys

void QtMainView::hover(QPoint global)
{
    if (isFullScreen() || isMaximized()) {
        if (edgeCursor_) {
            setCursorMode(0);
            edgeCursor_ = false;
        }
        return;
    }
    if (pressed_)
        return; // the cursor stays during a drag
    hoverEdge_ = QtView::window_edge_at(global, frameGeometry(), edgeWidth_);
    const int mode = QtView::window_edge_cursor_mode(hoverEdge_);
    if (mode != 0) {
        setCursorMode(mode);
        edgeCursor_ = true;
    } else if (edgeCursor_) {
        setCursorMode(0);
        edgeCursor_ = false;
    }
}

void QtMainView::resizeStep(QPoint global)
{
    const QRect next =
        QtView::window_resize_step(resizeRect_, pressEdge_, global, minimumSize(), frameGeometry().topLeft());
    QMainWindow::setGeometry(next);
    resizeRect_ = next;
}

bool QtMainView::filterKey(QEvent* event)
{
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->isAutoRepeat())
        return false;
    const kyrgx::Keys code = static_cast<kyrgx::Keys>(qt_key_to_keys(key->key()));
    if (event->type() == QEvent::KeyPress)
        QtView::run_guarded("QtMainView::keyDown", [&] { raise_event(keyDown, this, code); });
    else
        QtView::run_guarded("QtMainView::keyUp", [&] { raise_event(keyUp, this, code); });
    return false;
}

void QtMainView::filterMouse(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            break;
        pressed_ = true;
        pressEdge_ = QtView::window_edge_at(mouse->globalPos(), frameGeometry(), edgeWidth_);
        if (pressEdge_ != QtView::kEdgeNone)
            resizeRect_ = frameGeometry();
        break;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            pressed_ = false;
        break;
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!pressed_)
            hover(mouse->globalPos());
        else if (pressEdge_ != QtView::kEdgeNone)
            resizeStep(mouse->globalPos());
        break;
    }
    case QEvent::Leave:
        if (!pressed_)
            setCursorMode(0);
        break;
    case QEvent::HoverMove:
        hover(mapToGlobal(static_cast<QHoverEvent*>(event)->pos()));
        break;
    default:
        break;
    }
}

bool QtMainView::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        filterKey(event);
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::Leave:
    case QEvent::HoverMove:
        filterMouse(event);
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- window events

void QtMainView::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous() && !firstShow_) {
        firstShow_ = true;
        QTimer::singleShot(0, this, [this] {
            QtView::run_guarded("QtMainView::loaded", [this] { raise_event(loaded, this); });
        });
    }
}

void QtMainView::closeEvent(QCloseEvent* event)
{
    closeDocks();
    QtView::run_guarded("QtMainView::closing", [this] { raise_event(closing, this); });
    event->accept();
}

void QtMainView::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    QtView::run_guarded("QtMainView::moved",
                        [this] { raise_event(moved, this, kyrgx::Vec2<int>(x(), y())); });
}

void QtMainView::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    QtView::run_guarded("QtMainView::resized",
                        [this] { raise_event(resized, this, kyrgx::Vec2<int>(width(), height())); });
}

void QtMainView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange)
        recordedState_.store(static_cast<int>(windowState()));
    QMainWindow::changeEvent(event);
}

void QtMainView::paintEvent(QPaintEvent* event)
{
    for (QTabBar* bar : findChildren<QTabBar*>())
        bar->setDrawBase(false);
    QMainWindow::paintEvent(event);
}

} // namespace app
