// The main window's live views: the panel and its tabs in the central widget,
// and the live-view operations of the window's interface.

#include "views/QtMainView.h"

#include "views/liveview/QLiveViewPanel.h"
#include "views/liveview/QTabedLiveViewContainer.h"
#include "views/liveview/QtLiveView.h"
#include "views/window/GuardedCall.h"

#include <QApplication>
#include <QGridLayout>
#include <QPointer>

namespace app {

namespace {

// A control of the window (the ribbon, a dock, a dialog) that changes what a
// live view draws shows its change at the next tick: every press, release,
// key and wheel turn in the application marks input for the live-view panel.
class InputPaintFilter : public QObject {
public:
    InputPaintFilter(QLiveViewPanel* panel, QObject* parent) : QObject(parent), panel_(panel) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
            if (panel_)
                panel_->requestPaint(PAINT_INPUT);
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QLiveViewPanel> panel_;
};

} // namespace

void QtMainView::buildLiveViewArea(QWidget* central)
{
    auto* grid = qobject_cast<QGridLayout*>(central->layout());
    if (!grid) {
        grid = new QGridLayout(central);
        grid->setSpacing(6);
        grid->setContentsMargins(0, 0, 0, 0);
    }
    liveViewPanel_ = new QLiveViewPanel(central);
    liveViewPanel_->setObjectName(QStringLiteral("liveViewPanel"));
    liveViewPanel_->layoutChanged.push_back([this](IViewBase*, std::vector<std::shared_ptr<QtLiveView>>) {
        QtView::run_guarded("QtMainView::liveViewsReordered",
                            [this] { raise_event(liveViewsReordered, this); });
    });
    if (qApp)
        qApp->installEventFilter(new InputPaintFilter(liveViewPanel_, this));
    liveViewContainer_ = new QTabedLiveViewContainer(liveViewPanel_, central);
    liveViewContainer_->setObjectName(QStringLiteral("liveViewContainer"));
    // The window cannot be made so small that the live view goes: its
    // minimum size counts this one in.
    liveViewContainer_->setMinimumSize(kMinimumLiveViewSize);
    grid->addWidget(liveViewContainer_, 0, 0);
    grid->update();
}

void QtMainView::repaintLiveViews()
{
    liveViewPanel_->paintIfRequested();
}

void QtMainView::requestLiveViewPaint(uint32_t reasons)
{
    liveViewPanel_->requestPaint(reasons);
}

std::shared_ptr<ILiveView> QtMainView::createLiveView(const std::wstring&)
{
    return liveViewPanel_->createView();
}

void QtMainView::addLiveView(std::shared_ptr<ILiveView> view)
{
    auto qtView = std::dynamic_pointer_cast<QtLiveView>(view);
    if (!qtView)
        return;
    const QPointer<QtMainView> window(this);
    qtView->onFocus.push_back([window](const kyrgx::Control::Sender& sender, const kyrgx::event_args&) {
        if (!window)
            return;
        const auto live = std::dynamic_pointer_cast<QtLiveView>(sender);
        if (!live || window->activeLiveView_.lock() == live)
            return;
        window->activeLiveView_ = live;
        QtView::run_guarded("QtMainView::liveViewSelected", [&] {
            raise_event(window->liveViewSelected, static_cast<ILiveView*>(live.get()));
        });
    });
    qtView->deviceChanged.push_back([window](IViewBase*) {
        if (window)
            raise_event(window->liveViewPanel_->layoutChanged, nullptr, window->liveViewPanel_->views());
    });
    liveViewPanel_->addView(qtView);
}

void QtMainView::removeLiveView(std::shared_ptr<ILiveView> view)
{
    liveViewPanel_->removeView(view);
    const std::shared_ptr<ILiveView> selected = liveViewPanel_->selectedView();
    raise_event(liveViewSelected, selected.get());
}

std::vector<vsx::DeviceInfo> QtMainView::liveViewDevices()
{
    std::vector<vsx::DeviceInfo> devices;
    for (const auto& view : liveViewPanel_->views())
        devices.push_back(view->deviceInfo);
    return devices;
}

} // namespace app
