#pragma once

#include "device/DeviceInfo.h"
#include "views/IViewBase.h"

#include <QMetaType>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QGridLayout;
class QTabBar;

namespace app {

class QLiveViewPanel;
class QtLiveView;

// A camera handle as a tab's data: copies take a reference on the handle,
// destruction releases one. Registered once as the Qt metatype
// "DeviceInfoContainer".
struct DeviceInfoContainer {
    vsx::DeviceInfo device;
};

// The live-view panel with a tab bar, one tab per camera ("<model> <serial>"),
// that shows below the panel in single-view mode; choosing a tab selects its
// camera's view. The tabs follow the panel's views as they are added,
// removed and reordered. GUI thread only.
class QTabedLiveViewContainer : public QWidget {
    Q_OBJECT
public:
    QTabedLiveViewContainer(QLiveViewPanel* panel, QWidget* parent = nullptr);
    ~QTabedLiveViewContainer() override;

    void addTab(const vsx::DeviceInfo& device);
    void removeLiveView(const vsx::DeviceInfo& device);
    void onCurrentChanged(int index);
    void onSingleViewChanged(IViewBase* view, bool on);
    void liveViewLayoutChanged(const std::vector<std::shared_ptr<QtLiveView>>& views);

    QLiveViewPanel* panel() const { return panel_; }
    QTabBar* tabBar() const { return tabBar_; }
    // The camera of a tab; empty for a tab without a DeviceInfoContainer.
    vsx::DeviceInfo tabDevice(int index) const;

private:
    int findTab(const std::wstring& uniqueName) const;

    QLiveViewPanel* panel_;
    QTabBar* tabBar_;
    QGridLayout* layout_;
};

} // namespace app

Q_DECLARE_METATYPE(app::DeviceInfoContainer)
Q_DECLARE_TYPEINFO(app::DeviceInfoContainer, Q_MOVABLE_TYPE);
