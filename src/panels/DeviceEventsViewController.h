#pragma once

#include "app/TimeoutController.h"
#include "device/PropertyMap.h"
#include "model/IDevicePanelController.h"
#include "views/docks/IDeviceEventView.h"

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace app {

class MainModel;
class VideoDeviceController;

// The log text of one event: for each data feature (name, value text) in the
// event's order, nothing when the value is empty (a missing feature comes with
// an empty value); "<name> -> " for the feature whose notification fired;
// otherwise "<name>: <value> " with the first occurrence of the notified name
// taken out. A line feed ends a text that is not empty. For EventX notified
// with EventXA 7 and EventXB 8: "EventX -> A: 7 B: 8 \n".
std::string event_line(const std::vector<std::pair<std::string, std::string>>& data,
                       const std::string& notified);

// Connects the device-events dock to the event features of the selected
// camera: lists the entries of "EventSelector" with the state of their
// "EventNotification", writes the user's choice and switches, and for every
// "Event<entry>" notification appends one line with the event's data to the
// dock's log.
//
// Threads: everything runs on the GUI thread except the notification
// handlers, which run on the camera library's thread. The event handler only
// reads the camera and appends to the log (which any thread may); the
// selector and switch handlers read the camera there and post what they found
// to this controller's timer list, which the main controller's GUI tick runs
// (processTimeouts). Handlers reach the controller through a relay that the
// controller cuts before it subscribes anew or goes, waiting for a handler in
// flight; so no handler outlives the controller, whatever became of the camera.
class DeviceEventsViewController : public TimeoutController, public IDevicePanelController {
public:
    // Subscribes to the view and follows the model's selected camera.
    DeviceEventsViewController(IDeviceEventView& view, MainModel& model);
    // Removes the notifications.
    ~DeviceEventsViewController() override;
    DeviceEventsViewController(const DeviceEventsViewController&) = delete;
    DeviceEventsViewController& operator=(const DeviceEventsViewController&) = delete;

    // Drops the subscriptions, then reads the selected camera's events (none
    // selected: nothing more) and subscribes anew. The camera library's
    // exception for an entry that cannot be read or selected escapes.
    void setDevice(MainModel& model) override;
    void processTimeouts() override { TimeoutController::processTimeouts(); }
    // Removes every notification the controller registered.
    void unsubscribe();

    // Every "EventSelector" entry with its data features and whether its
    // notification is on; the camera's selection is restored afterwards.
    // False without "EventSelector" (silently) or when the camera fails (logged).
    bool readEvents(std::vector<DeviceEventEntry>& events);
    void selectEvent(const std::string& name);
    void setEventNotification(const std::string& name, bool on);
    // Appends the names of the features (categories searched depth first)
    // that contain text.
    static void getPropertyIds(const std::vector<vsx::Property>& properties, const std::string& text,
                               std::vector<std::string>& names);
    // The value of a feature as log text: decimal integers and floats, the
    // selected entry, "1" or "0", the text; empty for other kinds and failures.
    static std::string getPropertyValue(const vsx::Property& property);

    // ---- state (GUI thread)
    const std::vector<DeviceEventEntry>& events() const { return events_; }
    // The event the controller believes selected in the camera.
    const std::string& selectedEvent() const { return selected_; }

private:
    struct Relay;

    void subscribeView();
    // The held camera's device property map; empty (logged) when it cannot be had.
    vsx::PropertyMap propertyMap() const;
    // Handlers, on the camera library's thread.
    void selectedEventName(vsx::Property& property);
    void eventNotificationState(const vsx::PropertyMap& map, vsx::Property& property);
    void onEvent(const vsx::PropertyMap& map, const DeviceEventEntry& event, vsx::Property& property);

    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::shared_ptr<Relay> relay_;
    std::vector<DeviceEventEntry> events_;
    std::weak_ptr<VideoDeviceController> device_;
    MainModel* model_;
    IDeviceEventView* view_;
    std::string selected_;
    // Set while the controller writes EventSelector or EventNotification; the
    // camera's notifications of such a write are then ignored.
    std::atomic<bool> selecting_{false};
};

// The factory the application context hands to the main controller.
DeviceEventsViewControllerFactory device_events_view_controller_factory();

} // namespace app
