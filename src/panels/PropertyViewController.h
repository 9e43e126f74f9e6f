#pragma once

#include "app/TimeoutController.h"
#include "device/DeviceInfo.h"
#include "model/IDevicePanelController.h"
#include "views/docks/IPropertyView.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace VSXUtil {
class PropertyElement;
class PropertyInterfaceBase;
class PropertyItem;
class PropertyFloat;
class PropertyList;
class PropertyPush;
class PropertyRange;
class PropertySwitch;
} // namespace VSXUtil

namespace app {

class VideoDeviceController;

// The device-properties dock's content: the selected camera's important
// features as pages, group headers and typed rows, titled from the language
// file. An edit reaches the camera at once; what the camera changes by itself
// is shown at the next GUI tick.
//
// The dock is driven only through IPropertyView. The rows of the page that is
// open are made at once; those of the other pages come 4 ms apart through the
// controller's own timer list, then one relayout, then the change callbacks.
// The page that was open is remembered per camera for as long as the
// controller lives (the owner releases it when the dock closes).
//
// Life: made with the dock's view -> setDevice whenever the selected camera or
// its format changes -> processTimeouts at every GUI tick -> close when the
// dock closes or no camera is left -> release.
//
// Threads: everything runs on the GUI thread except the wrappers' change
// callback, which only posts to the timer list (TimeoutController::addOnce is
// safe from any thread). close() returns only once no change callback of this
// controller can run any more.
//
// Failures: what a camera query throws while the panel is built, refreshed,
// edited or hovered is logged as "PropertyViewController::<operation>()
// failed: <text>"; the row concerned is left as it is, every other row goes on,
// and the dock's screen updates are always switched on again.
class PropertyViewController : public TimeoutController, public IPropertyPanelController {
public:
    // The view must outlive the controller or be let go by close().
    explicit PropertyViewController(IPropertyView* view);
    // With a clock of its own for the timer list (tests pass a manual one).
    PropertyViewController(IPropertyView* view, Clock clock);
    ~PropertyViewController() override;
    PropertyViewController(const PropertyViewController&) = delete;
    PropertyViewController& operator=(const PropertyViewController&) = delete;

    // Remembers the open page of the camera shown so far, takes the camera (it
    // may be the current one again, or null for none) and rebuilds the whole
    // panel. Pending rows and refreshes of an earlier build never run.
    void setDevice(VideoDeviceController* device) override;
    // Takes this controller's callback from every wrapper, drops the rows and
    // the pending timer entries, and forgets view, camera and remembered pages.
    void close() override;
    // Runs the queued camera notifications and the rows still to be made.
    void processTimeouts() override { TimeoutController::processTimeouts(); }
    // Re-reads every row from the camera.
    void refreshAll() override;
    // Re-reads the rows of one group ("Unknown" is every group) except the row
    // of `except`.
    void refreshGroup(const std::string& group, const VSXUtil::PropertyInterfaceBase* except = nullptr);

    // Rows made so far (tests).
    size_t rowCount() const { return rowList_.size(); }

private:
    struct PropertyRow {
        std::shared_ptr<IPropertyViewParameter> row;
        std::weak_ptr<VSXUtil::PropertyInterfaceBase> wrapper;
    };
    using ItemList = std::vector<std::shared_ptr<VSXUtil::PropertyItem>>;
    using ItemPtr = std::shared_ptr<VSXUtil::PropertyItem>;
    using ElementPtr = std::shared_ptr<VSXUtil::PropertyElement>;

    // ---- building the panel (PropertyViewController.cpp)
    void rebuild();
    ItemList getPropertyItems(VideoDeviceController& device);
    void addPages(const ItemList& items, std::wstring& expanded);
    void addCategoryPages(const ItemList& items, bool withGroups,
                          const std::function<bool(std::wstring)>& accept);
    void addItemRows(const ItemPtr& item, const std::wstring& pageTitle);
    void addRowsForRoles(const ItemPtr& item, const std::vector<std::string>& roles,
                         std::vector<std::string>& usedRoles, const std::wstring& pageTitle);
    void addRemainingRows(const ItemPtr& item, std::vector<std::string>& usedRoles,
                          const std::wstring& pageTitle);
    // At once, or as a timer entry that holds item and element weakly: a
    // camera closed meanwhile takes them, and the entry then makes nothing.
    void addRowDeferred(const ItemPtr& item, const ElementPtr& element, const std::wstring& pageTitle);
    void installChangeCallbacks();
    // Empties the change callback of every listed wrapper, then the row list.
    void releaseRows() noexcept;
    void onPropertyChanged(VSXUtil::PropertyInterfaceBase* wrapper);
    void refreshChanged(const VSXUtil::PropertyInterfaceBase* wrapper);

    // ---- titles (PropertyViewController.cpp)
    std::wstring categoryTitle(const std::string& page) const;
    std::wstring pageTitle(const VSXUtil::PropertyItem& item) const;
    std::wstring groupTitle(const VSXUtil::PropertyItem& item) const;
    std::wstring propertyLabel(const VSXUtil::PropertyElement& element) const;

    // ---- rows (PropertyViewControllerRows.cpp)
    void addRow(const ElementPtr& element, const std::wstring& pageTitle);
    std::shared_ptr<IPropertyViewParameter> addPushRow(const std::wstring& page, const std::wstring& group,
                                                       const std::wstring& label,
                                                       const std::weak_ptr<VSXUtil::PropertyPush>& wrapper);
    std::shared_ptr<IPropertyViewParameter>
    addSwitchRow(const std::wstring& page, const std::wstring& group, const std::wstring& label,
                 const std::weak_ptr<VSXUtil::PropertySwitch>& wrapper);
    std::shared_ptr<IPropertyViewParameter> addListRow(const std::wstring& page, const std::wstring& group,
                                                       const std::wstring& label,
                                                       const std::weak_ptr<VSXUtil::PropertyList>& wrapper);
    std::shared_ptr<IPropertyViewParameter>
    addExposureRow(const std::wstring& page, const std::wstring& group, const std::wstring& label,
                   const std::weak_ptr<VSXUtil::PropertyFloat>& wrapper);
    std::shared_ptr<IPropertyViewParameter> addAbsRow(const std::wstring& page, const std::wstring& group,
                                                      const std::wstring& label,
                                                      const std::weak_ptr<VSXUtil::PropertyFloat>& wrapper);
    std::shared_ptr<IPropertyViewParameter> addRangeRow(const std::wstring& page, const std::wstring& group,
                                                        const std::wstring& label,
                                                        const std::weak_ptr<VSXUtil::PropertyRange>& wrapper);
    void registerRows(const std::wstring& groupTitle, const std::wstring& label,
                      const std::vector<std::shared_ptr<IPropertyViewParameter>>& rows,
                      const std::weak_ptr<VSXUtil::PropertyInterfaceBase>& wrapper);
    void refreshRow(const PropertyRow& entry);
    void showRowInfo(const std::weak_ptr<VSXUtil::PropertyInterfaceBase>& wrapper,
                     const std::wstring& groupTitle, const std::wstring& label);
    // A row's edit: the wrapper's notification off, the write, the notification
    // on again (also when the write failed).
    void onRowChanged(const std::weak_ptr<VSXUtil::PropertyInterfaceBase>& wrapper,
                      const std::function<void(VSXUtil::PropertyInterfaceBase&)>& write);

    IPropertyView* view_ = nullptr;
    VideoDeviceController* device_ = nullptr;
    // The identity of the current camera, copied when it became current: its
    // controller may be gone by the next setDevice.
    vsx::DeviceInfo deviceInfo_;
    std::vector<PropertyRow> rowList_;
    const std::vector<std::string> excludedGroups_;
    std::map<vsx::DeviceInfo, std::wstring, bool (*)(const vsx::DeviceInfo&, const vsx::DeviceInfo&)>
        expandedPages_;
    bool deferRows_ = false;
    std::mutex mutex_;
    int32_t rowDelayMs_ = 0;
};

// The factory the application context hands to the main controller.
PropertyViewControllerFactory property_view_controller_factory();

} // namespace app
