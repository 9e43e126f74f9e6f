#pragma once

#include "device/DeviceInfo.h"
#include "kyrgx/Keys.h"
#include "kyrgx/Vec2.h"
#include "views/IViewBase.h"
#include "views/SequenceViewData.h"
#include "views/StatusBarInfo.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace helper {
class ParameterContainer;
}

namespace app {

// The views the main window makes and the controllers drive; each follows
// the pattern of this file (operations and event lists, no logic).
class ILiveView;
class IPropertyView;
class IDeviceEventView;
class IVideoformatFramerateDialog;
class ISequenceSettingsView;
class ISequenceTimerView;
class IParameterView;
class IHistogramSettingsView;
class ILutView;
class IMenuButton;
class IMenuListButton;
class IMenuItem;

// The main window as the main controller sees it: operations the controller
// calls and event lists it subscribes to before the window is first shown.
// Every operation and every raise belongs to the GUI thread; work from other
// threads reaches the window only by posting to the GUI thread.
//
// Operations that return a view never return an empty pointer once the view
// exists; a dock (a QDockWidget docked into the main window) is made on the
// first request and handed out again until it closes.
class IMainView : public IViewBase {
public:
    ~IMainView() override = default;

    // 0 normal, 1 cross-hair, 2 vertical, 3 horizontal, 4 falling and 5 rising
    // diagonal resize arrows, 6 move cross, 7 pointing hand. Asking for the
    // mode already set does nothing.
    virtual void setCursorMode(int mode) = 0;
    virtual void setTitle(const std::wstring& title) = 0;
    // Resizes the window to size first, then moves it to position.
    virtual void setGeometry(kyrgx::Vec2<int> position, kyrgx::Vec2<int> size) = 0;
    // A non-modal video format dialog owned by the main window (the pointer
    // never deletes it).
    virtual std::shared_ptr<IVideoformatFramerateDialog> openVideoFormatDialog() = 0;
    // True when the window state recorded at the last state change is exactly
    // "minimised".
    virtual bool isMinimized() = 0;
    virtual void updateStatusBar(const StatusBarInfo& info) = 0;
    // One status-bar label per parameter.
    virtual void showStatusParameters(const helper::ParameterContainer& parameters) = 0;
    // A modal information box with OK; onClosed runs after it closed. keepAlive
    // holds the window while the box is open.
    virtual void showMessageBox(const std::wstring& title, const std::wstring& text,
                                std::shared_ptr<IMainView> keepAlive, std::function<void()> onClosed) = 0;
    // A modal question with Yes and No; true for Yes.
    virtual bool showMessageBoxYesNo(const std::wstring& /*title*/, const std::wstring& /*text*/)
    {
        throw std::runtime_error("showMessageBoxYesNo: not implemented.");
    }
    virtual std::shared_ptr<ISequenceSettingsView> sequenceSettingsView(SequenceViewData data) = 0;
    virtual void closeSequenceSettingsView() = 0;
    virtual std::shared_ptr<ISequenceTimerView> sequenceTimerView(SequenceTimerViewData data) = 0;
    virtual void closeSequenceTimerView() = 0;
    // The device-properties dock, with the buttons Update and Reset.
    virtual std::shared_ptr<IPropertyView> devicePropertiesView() = 0;
    // Always a new property dock without buttons; the main window owns it.
    virtual IPropertyView* newPropertyView(const std::wstring& title) = 0;
    virtual void closeDevicePropertiesView() = 0;
    virtual std::shared_ptr<ILutView> lutView() = 0;
    virtual void closeLutView() = 0;
    virtual std::shared_ptr<IDeviceEventView> deviceEventView() = 0;
    virtual void closeDeviceEventView() = 0;
    virtual std::shared_ptr<IHistogramSettingsView> histogramSettingsView() = 0;
    virtual void closeHistogramSettingsView() = 0;
    virtual std::shared_ptr<IParameterView> filterSettingsView() = 0;
    virtual void closeFilterSettingsView() = 0;
    // A new button in the title bar's left group; the window owns it.
    virtual IMenuButton* addTitleBarButton(const std::wstring& text, const std::wstring& icon) = 0;
    // The ribbon's drop-down button of tab, group and item, made when missing.
    virtual IMenuListButton* addRibbonListButton(const std::wstring& tab, const std::wstring& group,
                                                 const std::wstring& item) = 0;
    // The same with UTF-8 texts.
    virtual IMenuListButton* addRibbonListButton(const char* tab, const char* group, const char* item) = 0;
    // The ribbon's plain button of tab, group and item, made when missing.
    virtual IMenuButton* addRibbonButton(const std::wstring& tab, const std::wstring& group,
                                         const std::wstring& item) = 0;
    virtual void removeRibbonButton(const std::wstring& tab, const std::wstring& group,
                                    const std::wstring& item) = 0;
    // A new live view for the live-view panel, not shown until it is added.
    virtual std::shared_ptr<ILiveView> createLiveView(const std::wstring& name) = 0;
    // Ignores a view the window did not make.
    virtual void addLiveView(std::shared_ptr<ILiveView> view) = 0;
    // Removes it, then reports the new active live view.
    virtual void removeLiveView(std::shared_ptr<ILiveView> view) = 0;
    // The camera of every live view, in the panel's order.
    virtual std::vector<vsx::DeviceInfo> liveViewDevices() = 0;
    virtual void enableCaptureItems(bool enable) = 0;
    virtual void enableViewItems(bool enable) = 0;
    // Every device item other than Open Device.
    virtual void enableDeviceItems(bool enable) = 0;
    virtual void setFlipChecked(bool vertical, bool horizontal) = 0;
    // Docks a view made elsewhere; when that dock closes the holder is reset.
    // A view that is not a dock is ignored.
    virtual void addDockView(std::shared_ptr<IViewBase>& holder) = 0;
    // The live views paint again at the next tick (PaintReason bits): for
    // changes to what they draw that no view, frame or input announced.
    virtual void requestLiveViewPaint(uint32_t reasons) = 0;

    // Every list is raised with the main window as sender, except
    // liveViewSelected, whose sender is the newly active live view (an
    // ILiveView, or null when no view is left).
    EventList<> tick;                         // every 16 ms; the live views paint what changed, also in it
    EventList<> loaded;                       // once, one event-loop turn after the first show
    EventList<> closing;                      // the window is being closed, its docks already closed
    EventList<kyrgx::Vec2<int>> resized;      // new width, height
    EventList<kyrgx::Vec2<int>> moved;        // new x, y
    EventList<std::wstring> languageSelected; // language code chosen in the title bar
    EventList<> helpRequested;                // title-bar Help
    EventList<kyrgx::Keys> keyDown;           // auto-repeats excluded
    EventList<kyrgx::Keys> keyUp;             // auto-repeats excluded
    EventList<const std::wstring&> openDeviceRequested; // always an empty text
    EventList<> closeDeviceRequested;
    EventList<const std::wstring&> devicePropertiesRequested; // always an empty text
    EventList<> propertyTreeRequested;                        // raised by no control of the window
    EventList<> resetDeviceRequested;                         // device-properties dock, Reset
    EventList<> updateDeviceRequested;                        // device-properties dock, Update
    EventList<> saveImageRequested;                           // Save Image or Snap
    EventList<> saveToSequenceRequested;
    EventList<> sequenceSettingsRequested;
    EventList<> sequenceTimerRequested;
    EventList<> liveViewSelected; // sender: the newly active live view, or null
    EventList<> zoomFit;
    EventList<> zoomFill;
    EventList<float> zoomChanged; // the zoom factor chosen
    EventList<> zoomInRequested;
    EventList<> zoomOutRequested;
    EventList<> rotateLeftRequested;
    EventList<> rotateRightRequested;
    EventList<> flipHorizontalRequested;
    EventList<> flipVerticalRequested;
    EventList<> histogramRequested;
    EventList<> filterRequested;
    EventList<> liveViewsReordered; // views swapped, or a view reported a new camera
};

} // namespace app
