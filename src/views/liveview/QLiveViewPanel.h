#pragma once

#include "device/DeviceInfo.h"
#include "views/IViewBase.h"
#include "views/liveview/PaintRequests.h"

#include <QOpenGLWidget>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kyrgx {
class Control;
class Graphics;
class UiRoot;
namespace OpenGL {
class glGraphics;
}
} // namespace kyrgx

namespace app {

class ILiveView;
class LiveViewDockPanel;
class PanelDriver;
class PanelGraphicsContext;
class QtLiveView;

// The live-view area of the main window: an OpenGL widget whose toolkit
// control tree holds one view per camera under a dock panel. It paints the
// tree, feeds Qt's pointer input to the toolkit, keeps the views in layout
// order and lays them out in a grid, or shows the selected one alone.
//
// The UI root, the dock panel and the views exist from construction, so views
// are made and laid out also before the widget has an OpenGL context, and on
// an offscreen platform, where it never gets one: then it paints nothing.
// GUI thread only; the paint runs under the panel mutex with the GL context
// current, and the live view controllers draw inside it.
//
// The panel paints when there is something new to show: every source of
// change marks its reason in the panel's PaintRequests (frames, view
// changes, layout, input, animations, messages, overlays that draw, plug-in
// content), and the window's tick calls paintIfRequested().
class QLiveViewPanel : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit QLiveViewPanel(QWidget* parent = nullptr);
    ~QLiveViewPanel() override;

    // A new view under the dock panel, hidden and not yet in the view list.
    std::shared_ptr<QtLiveView> createView();
    // Appends the view, selects it, raises viewAdded and lays the views out.
    void addView(std::shared_ptr<QtLiveView> view);
    // Takes the view out of the tree and the list, selects the last remaining
    // one, raises viewRemoved, ends single-view mode below two views and lays
    // the rest out. A view the panel does not hold is ignored.
    void removeView(const std::shared_ptr<ILiveView>& view);
    std::vector<std::shared_ptr<QtLiveView>> views() const { return views_; }
    // The first view with the focus, or null.
    std::shared_ptr<ILiveView> selectedView() const;
    // Selects exactly the views of the camera with that unique name.
    void selectByName(const std::wstring& uniqueName);
    // Shows the selected view alone (refused below two views) or all in a grid.
    void setSingleView(bool on);
    bool singleView() const { return singleView_; }
    // Exchanges the two views' places in the list and raises layoutChanged.
    void swapViews(const std::shared_ptr<kyrgx::Control>& dragged,
                   const std::shared_ptr<kyrgx::Control>& target);
    void layoutViews();

    // The border width of new views and the factor from logical to device
    // pixels: the widget's ratio in high-DPI mode, else 1. Fixed at first use.
    float devicePixelRatio() const;

    // Asks for a paint (the next paint takes every pending reason) when a
    // reason is pending; true when one was. The window's 16 ms tick.
    bool paintIfRequested();
    // Marks reasons to paint (PaintReason bits). Any thread.
    void requestPaint(uint32_t reasons) { paints_->request(reasons); }
    const std::shared_ptr<PaintRequests>& paintRequests() const { return paints_; }
    // Paints that drew (OpenGL ready), and the reasons the last one took.
    uint64_t paintCount() const { return paintCount_; }
    uint32_t lastPaintReasons() const { return lastPaintReasons_; }

    bool initialised() const { return initialised_; }
    kyrgx::UiRoot* uiRoot() const { return uiRoot_.get(); }
    std::shared_ptr<LiveViewDockPanel> dockPanel() const { return dockPanel_; }
    kyrgx::Graphics* graphics() const { return graphics_.get(); }

    EventList<vsx::DeviceInfo> viewAdded;   // sender: the view
    EventList<vsx::DeviceInfo> viewRemoved; // sender: the view
    EventList<bool> singleViewChanged;      // sender: the selected view
    // The views in their new order; sender null.
    EventList<std::vector<std::shared_ptr<QtLiveView>>> layoutChanged;

protected:
    void initializeGL() override;
    void paintGL() override;
    void resizeGL(int width, int height) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void applySize(int width, int height);
    // The ratio in full precision: pointer positions are scaled with it.
    double pixelRatio() const;
    // The event's pointer position in device pixels of the widget, unrounded.
    QPointF devicePosition(const QMouseEvent* event) const;
    std::shared_ptr<QtLiveView> find(const ILiveView* view) const;
    std::shared_ptr<QtLiveView> selectedQtView() const;

    std::mutex mutex_;
    // Made first: the surface and every view mark their reasons in it.
    std::shared_ptr<PaintRequests> paints_ = std::make_shared<PaintRequests>();
    uint64_t paintCount_ = 0;
    uint32_t lastPaintReasons_ = 0;
    std::shared_ptr<PanelGraphicsContext> context_;
    std::shared_ptr<PanelDriver> driver_;
    std::shared_ptr<kyrgx::OpenGL::glGraphics> gl_;
    std::shared_ptr<kyrgx::Graphics> graphics_;
    std::unique_ptr<kyrgx::UiRoot> uiRoot_;
    std::shared_ptr<LiveViewDockPanel> dockPanel_;
    bool initialised_ = false;
    float deviceWidth_ = 0.0f;
    float deviceHeight_ = 0.0f;
    std::vector<std::shared_ptr<QtLiveView>> views_;
    // Every view ever made here, told when the panel goes.
    std::vector<std::weak_ptr<QtLiveView>> made_;
    bool singleView_ = false;
    mutable std::optional<double> pixelRatio_;
    std::string lastPaintError_;
};

} // namespace app
