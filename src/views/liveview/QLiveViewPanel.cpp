#include "views/liveview/QLiveViewPanel.h"

#include "app/IApplicationContext.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/Style.h"
#include "kyrgx/UiRoot.h"
#include "kyrgx/opengl/glGraphics.h"
#include "kyrgx/qt/QtGraphicsContext.h"
#include "views/liveview/LiveViewDockPanel.h"
#include "views/liveview/LiveViewLayout.h"
#include "views/liveview/PanelDriver.h"
#include "views/liveview/QtLiveView.h"

#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>

#include <spdlog/spdlog.h>

#include <algorithm>
#include <cmath>

namespace app {

// The panel's surface: the toolkit's Qt context whose makeCurrent and
// doneCurrent make the widget's OpenGL context current and release it, for GL
// objects freed outside a paint. Inside the paint the context is current
// already and must stay so until Qt has composed the widget: both do nothing.
// Keys reach it from the main controller; the next paint routes them.
class PanelGraphicsContext : public QtView::QtGraphicsContext {
public:
    PanelGraphicsContext(QOpenGLWidget* widget, std::shared_ptr<PaintRequests> paints)
        : QtView::QtGraphicsContext(widget), widget_(widget), paints_(std::move(paints))
    {
    }

    void keyDown(int key) override
    {
        QtView::QtGraphicsContext::keyDown(key);
        paints_->request(PAINT_INPUT);
    }
    void keyUp(int key) override
    {
        QtView::QtGraphicsContext::keyUp(key);
        paints_->request(PAINT_INPUT);
    }

    void makeCurrent() override
    {
        if (widget_ && !painting_)
            widget_->makeCurrent();
    }
    void doneCurrent() override
    {
        if (widget_ && !painting_)
            widget_->doneCurrent();
    }
    void setPainting(bool painting) { painting_ = painting; }

private:
    QPointer<QOpenGLWidget> widget_;
    std::shared_ptr<PaintRequests> paints_;
    bool painting_ = false;
};

namespace {

constexpr kyrgx::Color DOCK_BORDER{0x3F, 0x3F, 0x46, 255};
constexpr kyrgx::Color DOCK_BACKGROUND{0x2D, 0x2D, 0x30, 255};

} // namespace

QLiveViewPanel::QLiveViewPanel(QWidget* parent)
    : QOpenGLWidget(parent), context_(std::make_shared<PanelGraphicsContext>(this, paints_)),
      driver_(std::make_shared<PanelDriver>())
{
    setStyleSheet(QStringLiteral("QOpenGLWidget {border: 1px solid  #3f3f46;}"));
    setAutoFillBackground(false);
    setAttribute(Qt::WA_MouseTracking);
    setUpdateBehavior(QOpenGLWidget::NoPartialUpdate);
    setFocusPolicy(Qt::ClickFocus);

    graphics_ = std::make_shared<kyrgx::Graphics>(driver_, context_);
    uiRoot_ = std::make_unique<kyrgx::UiRoot>(graphics_.get());
    dockPanel_ = kyrgx::Control::create<LiveViewDockPanel>(uiRoot_.get(), 0, 0, graphics_->width(),
                                                           graphics_->height(), L"", uiRoot_->rootControl());
    dockPanel_->viewsSwapped.push_back(
        [this](IViewBase*, std::shared_ptr<kyrgx::Control> dragged, std::shared_ptr<kyrgx::Control> target) {
            swapViews(dragged, target);
        });
    auto style = dockPanel_->style()->clone();
    style->border = {};
    style->borderColor = DOCK_BORDER;
    style->backgroundColor = DOCK_BACKGROUND;
    style->skinColor = DOCK_BACKGROUND;
    dockPanel_->setStyle(style);
}

QLiveViewPanel::~QLiveViewPanel()
{
    {
        std::lock_guard lock(mutex_);
        // GL objects (textures of the toolkit's fonts, the driver's buffers)
        // go with this widget's context current.
        makeCurrent();
        initialised_ = false;
        for (const auto& weak : made_)
            if (auto view = weak.lock())
                view->detachFromPanel();
        uiRoot_->shutdown();
        graphics_.reset();
        driver_->setTarget(nullptr);
        gl_.reset();
        doneCurrent();
    }
    viewAdded.clear();
    viewRemoved.clear();
    singleViewChanged.clear();
    layoutChanged.clear();
    views_.clear();
    dockPanel_.reset();
    uiRoot_.reset();
    context_.reset();
}

double QLiveViewPanel::pixelRatio() const
{
    if (!pixelRatio_) {
        bool highDpi = false;
        try {
            highDpi = application::get_context()->highDpi();
        } catch (const std::exception& e) {
            spdlog::warn("QLiveViewPanel::devicePixelRatio(): {}; using 1", e.what());
        }
        pixelRatio_ = highDpi ? devicePixelRatioF() : 1.0;
    }
    return *pixelRatio_;
}

float QLiveViewPanel::devicePixelRatio() const
{
    return static_cast<float>(pixelRatio());
}

void QLiveViewPanel::initializeGL()
{
    std::lock_guard lock(mutex_);
    try {
        gl_ = std::make_shared<kyrgx::OpenGL::glGraphics>();
        driver_->setTarget(gl_);
        graphics_->reset();
        initialised_ = true;
    } catch (const std::exception& e) {
        spdlog::error("QLiveViewPanel::initializeGL() failed: {}", e.what());
        driver_->setTarget(nullptr);
        gl_.reset();
        initialised_ = false;
    }
}

bool QLiveViewPanel::paintIfRequested()
{
    if (paints_->pending() == 0)
        return false;
    update();
    return true;
}

void QLiveViewPanel::paintGL()
{
    std::lock_guard lock(mutex_);
    // What changed up to here is drawn now; what the paint itself marks (an
    // animation going on, an overlay script that drew) waits for the next tick.
    const uint32_t reasons = paints_->take();
    if (!initialised_)
        return;
    ++paintCount_;
    lastPaintReasons_ = reasons;
    context_->setPainting(true);
    try {
        const int w = static_cast<int>(deviceWidth_);
        const int h = static_cast<int>(deviceHeight_);
        // The widget's framebuffer changes when it resizes, and Qt uses the
        // context between paints: both are taken afresh every time.
        gl_->setWindowFramebuffer(defaultFramebufferObject());
        gl_->invalidateState();
        graphics_->setTransformStack({});
        graphics_->setTransform(kyrgx::Affine2D());
        graphics_->setViewport(0, 0, w, h);
        graphics_->setClip(0, 0, w, h);
        graphics_->clear(45, 45, 48);
        graphics_->setBlendMode(kyrgx::BLEND_REPLACE);
        graphics_->setColorARGB(0xFFFFFFFFu);
        graphics_->pushTransform();
        uiRoot_->update(*graphics_);
        if (dockPanel_->animating())
            paints_->request(PAINT_ANIMATION); // the views slide on at every paint
        dockPanel_->render(*graphics_, 0, 0);
        graphics_->popTransform();
        graphics_->flush();
        lastPaintError_.clear();
    } catch (const std::exception& e) {
        if (lastPaintError_ != e.what()) {
            lastPaintError_ = e.what();
            spdlog::error("QLiveViewPanel::paintGL() failed: {}", e.what());
        }
    }
    context_->setPainting(false);
    // A click that came whole between two paints ends at the next one.
    const bool heldRelease = context_->hasHeldReleases();
    context_->endFrame();
    if (heldRelease)
        update();
}

void QLiveViewPanel::resizeGL(int, int)
{
    // The size reaches the toolkit from resizeEvent, also without OpenGL.
}

void QLiveViewPanel::resizeEvent(QResizeEvent* event)
{
    QOpenGLWidget::resizeEvent(event);
    applySize(width(), height());
}

void QLiveViewPanel::applySize(int width, int height)
{
    const float r = devicePixelRatio();
    deviceWidth_ = static_cast<float>(width) * r;
    deviceHeight_ = static_cast<float>(height) * r;
    const kyrgx::Vec2<int> size{static_cast<int>(deviceWidth_), static_cast<int>(deviceHeight_)};
    uiRoot_->rootControl()->setSize(size);
    dockPanel_->setSize(size);
    context_->resize(size.x, size.y);
    paints_->request(PAINT_LAYOUT);
    layoutViews();
}

QPointF QLiveViewPanel::devicePosition(const QMouseEvent* event) const
{
    // Qt rounds a widget's local pointer position to whole logical pixels; the
    // position in the window keeps the window system's precision. From it and
    // the widget's place in the window (whole logical pixels), the position in
    // device pixels comes out exact, whatever the ratio.
    const QPointF local = event->localPos();
    QPointF precise = local;
    if (const QWidget* top = window(); top && top != this) {
        const QPointF fromWindow = event->windowPos() - QPointF(mapTo(top, QPoint(0, 0)));
        // An event delivered through another window (a native child) keeps the rounded one.
        if (std::abs(fromWindow.x() - local.x()) <= 1.0 && std::abs(fromWindow.y() - local.y()) <= 1.0)
            precise = fromWindow;
    } else if (top == this) {
        precise = event->windowPos();
    }
    const double r = pixelRatio();
    return {precise.x() * r, precise.y() * r};
}

void QLiveViewPanel::mousePressEvent(QMouseEvent* event)
{
    paints_->request(PAINT_INPUT);
    const QPointF p = devicePosition(event);
    context_->mousePress(event->button(), static_cast<float>(p.x()), static_cast<float>(p.y()));
    event->accept();
}

void QLiveViewPanel::mouseReleaseEvent(QMouseEvent* event)
{
    paints_->request(PAINT_INPUT);
    releaseMouse();
    const QPointF p = devicePosition(event);
    context_->mouseRelease(event->button(), static_cast<float>(p.x()), static_cast<float>(p.y()));
    event->accept();
}

void QLiveViewPanel::mouseMoveEvent(QMouseEvent* event)
{
    paints_->request(PAINT_INPUT);
    const QPointF p = devicePosition(event);
    context_->mouseMove(static_cast<float>(p.x()), static_cast<float>(p.y()));
    event->accept();
}

void QLiveViewPanel::mouseDoubleClickEvent(QMouseEvent* event)
{
    paints_->request(PAINT_INPUT);
    const QPointF p = devicePosition(event);
    context_->mousePress(event->button(), static_cast<float>(p.x()), static_cast<float>(p.y()));
    setSingleView(!singleView_);
    event->accept();
}

void QLiveViewPanel::wheelEvent(QWheelEvent* event)
{
    paints_->request(PAINT_INPUT);
    context_->wheel(static_cast<float>(event->angleDelta().y()));
    event->accept();
}

std::shared_ptr<QtLiveView> QLiveViewPanel::createView()
{
    auto view = QtLiveView::make(uiRoot_.get(), dockPanel_, devicePixelRatio(), context_, paints_);
    view->setVisible(false); // shown once added and laid out
    made_.erase(std::remove_if(made_.begin(), made_.end(), [](const auto& w) { return w.expired(); }),
                made_.end());
    made_.push_back(view);
    return view;
}

std::shared_ptr<QtLiveView> QLiveViewPanel::find(const ILiveView* view) const
{
    for (const auto& v : views_)
        if (static_cast<const ILiveView*>(v.get()) == view)
            return v;
    return {};
}

void QLiveViewPanel::addView(std::shared_ptr<QtLiveView> view)
{
    if (!view || find(view.get()))
        return;
    if (view->parent() != dockPanel_)
        view->setParent(dockPanel_);
    views_.push_back(view);
    view->setSelected(true);
    raise_event(viewAdded, view.get(), view->deviceInfo);
    layoutViews();
}

void QLiveViewPanel::removeView(const std::shared_ptr<ILiveView>& view)
{
    const std::shared_ptr<QtLiveView> qtView = find(view.get());
    if (!qtView)
        return;
    dockPanel_->forget(qtView);
    qtView->setHighlighted(false);
    qtView->dispose();
    views_.erase(std::find(views_.begin(), views_.end(), qtView));
    if (!views_.empty())
        views_.back()->setSelected(true);
    raise_event(viewRemoved, qtView.get(), qtView->deviceInfo);
    if (singleView_ && views_.size() < 2)
        setSingleView(false);
    layoutViews();
}

std::shared_ptr<QtLiveView> QLiveViewPanel::selectedQtView() const
{
    for (const auto& v : views_)
        if (v->isFocused())
            return v;
    return {};
}

std::shared_ptr<ILiveView> QLiveViewPanel::selectedView() const
{
    return selectedQtView();
}

void QLiveViewPanel::selectByName(const std::wstring& uniqueName)
{
    for (const auto& v : views_)
        v->setSelected(device_unique_name(v->deviceInfo) == uniqueName);
    layoutViews();
}

void QLiveViewPanel::setSingleView(bool on)
{
    const std::shared_ptr<QtLiveView> selected = selectedQtView();
    if (!selected)
        return;
    singleView_ = on;
    if (on) {
        if (views_.size() < 2) {
            setSingleView(false);
            return;
        }
        const kyrgx::Rect& c = dockPanel_->clientRect();
        selected->setPosition(0, 0);
        selected->setSize({c.width(), c.height()});
    } else {
        for (const auto& v : views_)
            v->setVisible(true);
    }
    raise_event(singleViewChanged, selected.get(), on);
    layoutViews();
}

void QLiveViewPanel::swapViews(const std::shared_ptr<kyrgx::Control>& dragged,
                               const std::shared_ptr<kyrgx::Control>& target)
{
    auto a = std::find_if(views_.begin(), views_.end(), [&](const auto& v) { return v == dragged; });
    auto b = std::find_if(views_.begin(), views_.end(), [&](const auto& v) { return v == target; });
    if (a == views_.end() || b == views_.end())
        return;
    std::iter_swap(a, b);
    paints_->request(PAINT_LAYOUT);
    raise_event(layoutChanged, nullptr, views_);
}

void QLiveViewPanel::layoutViews()
{
    paints_->request(PAINT_LAYOUT);
    if (views_.empty())
        return;
    const kyrgx::Rect& c = dockPanel_->clientRect();
    if (singleView_) {
        std::shared_ptr<QtLiveView> shown = selectedQtView();
        if (!shown)
            shown = views_.front();
        for (const auto& v : views_) {
            v->setVisible(v == shown);
            if (v == shown) {
                v->setPosition(0, 0);
                v->setSize({c.width(), c.height()});
            }
        }
        return;
    }
    const int count = static_cast<int>(views_.size());
    const LiveViewGrid grid = live_view_grid(count, width(), height());
    const std::vector<kyrgx::Rect> cells = live_view_cells(count, grid, c.width(), c.height());
    for (size_t k = 0; k < views_.size(); ++k) {
        const kyrgx::Rect& cell = cells[k];
        views_[k]->setVisible(true);
        views_[k]->setPosition(cell.left, cell.top);
        views_[k]->setSize({cell.width(), cell.height()});
    }
}

} // namespace app
