// The main window's docks: made on request and kept in a cache until they
// close, added on the left in one tab group with the newest raised, closed
// through the window's operations or by the user. A closed dock is hidden and
// never handed out again; the next request makes a new one. The shared
// pointers handed out never delete: the window owns every dock as its Qt child.

#include "views/QtMainView.h"

#include "app/Localization.h"
#include "app/Utf8.h"
#include "views/dialogs/QtVideoformatFramerateDialog.h"
#include "views/docks/QtDeviceEventView.h"
#include "views/docks/QtHistogramSettingsView.h"
#include "views/docks/QtLutView.h"
#include "views/docks/QtParameterViewBase.h"
#include "views/docks/QtPropertyView.h"
#include "views/docks/QtSequenceSettingsView.h"
#include "views/docks/QtSequenceTimerView.h"

#include <QPointer>
#include <QTimer>
#include <algorithm>

namespace app {

namespace {

template <typename T> std::shared_ptr<T> unowned(T* widget)
{
    return std::shared_ptr<T>(widget, [](T*) {});
}

// The list a dock raises when it closes: IViewBase::closed, except for the
// sequence timer and parameter docks, which have a list of their own.
EventList<>& closeEventOf(IViewBase* dock)
{
    return dock->closed;
}

EventList<>& closeEventOf(ISequenceTimerView* dock)
{
    return dock->dockClosed;
}

EventList<>& closeEventOf(IParameterView* dock)
{
    return dock->dockClosed;
}

} // namespace

void QtMainView::setUpDocks()
{
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks |
                   QMainWindow::ForceTabbedDocks);
    setDockNestingEnabled(true);
    setTabPosition(Qt::AllDockWidgetAreas, QTabWidget::South);
}

void QtMainView::addDock(QDockWidget* dock)
{
    addDockWidget(Qt::LeftDockWidgetArea, dock);
    // Keys pressed in a dock reach keyDown and keyUp as well.
    dock->installEventFilter(this);
    if (!openDocks_.empty())
        tabifyDockWidget(openDocks_.back(), dock);
    openDocks_.push_back(dock);
    // Raised once the layout has settled, so the new dock is the visible tab.
    QTimer::singleShot(0, this, [dock = QPointer<QDockWidget>(dock)] {
        if (dock)
            dock->raise();
    });
}

void QtMainView::dockClosed(QDockWidget* dock)
{
    openDocks_.erase(std::remove(openDocks_.begin(), openDocks_.end(), dock), openDocks_.end());
    // Hidden for good: a dock closed before it was ever shown would otherwise
    // still come up with the show its layout posted when it was added.
    dock->hide();
}

template <typename Dock, typename Make>
std::shared_ptr<Dock> QtMainView::cachedDock(std::shared_ptr<Dock>& cache, Make&& make)
{
    if (cache) {
        static_cast<QWidget*>(cache.get())->raise();
        return cache;
    }
    Dock* dock = make();
    cache = unowned(dock);
    // Only this very dock empties the cache: a dock closed again after a newer
    // one took its place leaves the newer one alone.
    closeEventOf(dock).push_back([this, &cache, dock](IViewBase*) {
        if (cache.get() != dock)
            return;
        dockClosed(dock);
        cache.reset();
    });
    addDock(dock);
    return cache;
}

template <typename Dock> void QtMainView::closeCachedDock(std::shared_ptr<Dock>& cache)
{
    if (!cache)
        return;
    const std::shared_ptr<Dock> dock = cache;
    static_cast<QWidget*>(dock.get())->close();
    dockClosed(dock.get());
    cache.reset();
}

std::shared_ptr<IPropertyView> QtMainView::devicePropertiesView()
{
    return cachedDock(devicePropertiesDock_, [this] {
        std::vector<QtView::PropertyViewButton> buttons;
        buttons.emplace_back(wide_to_utf8(Localization::getString("Messages/Update")),
                             [this] { raise_event(updateDeviceRequested, this); });
        buttons.emplace_back(wide_to_utf8(Localization::getString("Messages/Reset")),
                             [this] { raise_event(resetDeviceRequested, this); });
        return new QtView::QtPropertyView(Localization::getString("Menu/Group/DeviceProperties"), this, true,
                                          true, false, std::move(buttons));
    });
}

void QtMainView::closeDevicePropertiesView()
{
    closeCachedDock(devicePropertiesDock_);
}

std::shared_ptr<IDeviceEventView> QtMainView::deviceEventView()
{
    return cachedDock(deviceEventDock_, [this] { return new QtView::QtDeviceEventView(this); });
}

void QtMainView::closeDeviceEventView()
{
    closeCachedDock(deviceEventDock_);
}

IPropertyView* QtMainView::newPropertyView(const std::wstring& title)
{
    auto* view = new QtView::QtPropertyView(title, this, false, false, true);
    view->closed.push_back([this, view](IViewBase*) { dockClosed(view); });
    addDock(view);
    return view;
}

void QtMainView::addDockView(std::shared_ptr<IViewBase>& holder)
{
    IViewBase* view = holder.get();
    auto* dock = dynamic_cast<QDockWidget*>(view);
    if (!dock)
        return;
    view->closed.push_back([this, &holder, view, dock](IViewBase*) {
        dockClosed(dock);
        // The holder may have been given another view meanwhile; that one stays.
        if (holder.get() == view)
            holder.reset();
    });
    addDock(dock);
}

std::shared_ptr<IVideoformatFramerateDialog> QtMainView::openVideoFormatDialog()
{
    auto* dialog = new QtView::QtVideoformatFramerateDialog(this);
    dialog->show();
    return unowned<IVideoformatFramerateDialog>(dialog);
}

void QtMainView::closeDocks()
{
    closeHistogramSettingsView();
    closeSequenceTimerView();
    closeSequenceSettingsView();
    closeDevicePropertiesView();
    // Each dock leaves the list as it closes: walk a copy.
    const std::vector<QDockWidget*> open = openDocks_;
    for (QDockWidget* dock : open) {
        dock->close();
        dockClosed(dock);
    }
}

std::shared_ptr<ISequenceSettingsView> QtMainView::sequenceSettingsView(SequenceViewData data)
{
    return cachedDock(sequenceSettingsDock_,
                      [&] { return new QtView::QtSequenceSettingsView(std::move(data), this); });
}

void QtMainView::closeSequenceSettingsView()
{
    closeCachedDock(sequenceSettingsDock_);
}

std::shared_ptr<ISequenceTimerView> QtMainView::sequenceTimerView(SequenceTimerViewData data)
{
    return cachedDock(sequenceTimerDock_,
                      [&] { return new QtView::QtSequenceTimerView(std::move(data), this); });
}

void QtMainView::closeSequenceTimerView()
{
    closeCachedDock(sequenceTimerDock_);
}

std::shared_ptr<ILutView> QtMainView::lutView()
{
    return cachedDock(lutDock_, [this] { return new QtView::QtLutView(this); });
}

void QtMainView::closeLutView()
{
    closeCachedDock(lutDock_);
}

std::shared_ptr<IHistogramSettingsView> QtMainView::histogramSettingsView()
{
    return cachedDock(histogramDock_, [this] { return new QtView::QtHistogramSettingsView(this); });
}

void QtMainView::closeHistogramSettingsView()
{
    closeCachedDock(histogramDock_);
}

std::shared_ptr<IParameterView> QtMainView::filterSettingsView()
{
    return cachedDock(filterDock_, [this] { return new QtFilterSettingsView(this); });
}

void QtMainView::closeFilterSettingsView()
{
    closeCachedDock(filterDock_);
}

} // namespace app
