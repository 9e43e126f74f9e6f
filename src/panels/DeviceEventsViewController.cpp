#include "panels/DeviceEventsViewController.h"

#include "device/CallbackGuard.h"
#include "device/Grabber.h"
#include "device/VideoDeviceController.h"
#include "model/MainModel.h"

#include <fmt/format.h>
#include <mutex>
#include <spdlog/spdlog.h>

namespace app {

namespace {

// Marks the controller's own writes of EventSelector and EventNotification,
// also when one throws.
class SelectingScope {
public:
    explicit SelectingScope(std::atomic<bool>& flag) : flag_(flag) { flag_ = true; }
    ~SelectingScope() { flag_ = false; }
    SelectingScope(const SelectingScope&) = delete;
    SelectingScope& operator=(const SelectingScope&) = delete;

private:
    std::atomic<bool>& flag_;
};

} // namespace

std::string event_line(const std::vector<std::pair<std::string, std::string>>& data,
                       const std::string& notified)
{
    std::string text;
    for (const auto& [name, value] : data) {
        if (value.empty())
            continue;
        if (name == notified) {
            text += name + " -> ";
            continue;
        }
        std::string part = name + ": " + value + " ";
        if (const size_t at = notified.empty() ? std::string::npos : part.find(notified);
            at != std::string::npos)
            part.erase(at, notified.size());
        text += part;
    }
    if (!text.empty())
        text += '\n';
    return text;
}

// The notification handlers' way to the controller: cut (under its lock, so
// after a handler in flight) before the controller subscribes anew or goes.
struct DeviceEventsViewController::Relay {
    explicit Relay(DeviceEventsViewController* controller) : owner(controller) {}

    template <typename Body> void pass(Body&& body)
    {
        std::lock_guard lock(mutex);
        if (owner)
            body(*owner);
    }
    void cut()
    {
        std::lock_guard lock(mutex);
        owner = nullptr;
    }

    std::mutex mutex;
    DeviceEventsViewController* owner;
};

DeviceEventsViewController::DeviceEventsViewController(IDeviceEventView& view, MainModel& model)
    : model_(&model), view_(&view)
{
    subscribeView();
    try {
        setDevice(model);
    } catch (...) {
        unsubscribe();
        throw;
    }
}

DeviceEventsViewController::~DeviceEventsViewController()
{
    alive_.reset();
    unsubscribe();
}

void DeviceEventsViewController::subscribeView()
{
    // The view keeps its lists after the controller is gone: every handler
    // checks that the controller still lives. Nothing escapes into the view.
    const std::weak_ptr<int> alive = alive_;
    view_->eventSelected.push_back([this, alive](IViewBase*, const std::string& name) {
        if (alive.expired())
            return;
        vsx::guard_callback("DeviceEventsViewController::selectEvent", [&] {
            selected_ = name;
            selectEvent(name);
        });
    });
    view_->eventEnabledChanged.push_back([this, alive](IViewBase*, const std::string& name, bool on) {
        if (alive.expired())
            return;
        vsx::guard_callback("DeviceEventsViewController::setEventNotification", [&] {
            selected_ = name;
            setEventNotification(name, on);
        });
    });
}

void DeviceEventsViewController::setDevice(MainModel& model)
{
    unsubscribe();
    model_ = &model;
    if (!model.has_selected_device()) {
        device_.reset();
        return;
    }
    const std::shared_ptr<VideoDeviceController> device = model.current_controller();
    device_ = device;
    events_.clear();
    if (!readEvents(events_)) {
        view_->setEnabled(false);
        view_->setEvents(events_);
        return;
    }

    // The handlers keep the map they read the camera through, so they never
    // touch the device controller.
    const vsx::PropertyMap map = propertyMap();
    relay_ = std::make_shared<Relay>(this);
    const std::shared_ptr<Relay> relay = relay_;
    device->registerNotification("EventSelector", [relay](vsx::Property& property) {
        relay->pass([&](DeviceEventsViewController& self) { self.selectedEventName(property); });
    });
    device->registerNotification("EventNotification", [relay, map](vsx::Property& property) {
        relay->pass([&](DeviceEventsViewController& self) { self.eventNotificationState(map, property); });
    });
    // Only events with a feature of their own to notify are shown.
    std::vector<DeviceEventEntry> shown;
    for (const DeviceEventEntry& event : events_) {
        const std::string feature = "Event" + event.name;
        if (!device->hasProperty(feature))
            continue;
        shown.push_back(event);
        device->registerNotification(feature, [relay, map, event](vsx::Property& property) {
            relay->pass([&](DeviceEventsViewController& self) { self.onEvent(map, event, property); });
        });
    }
    view_->setEnabled(true);
    view_->setEvents(shown);
    if (!selected_.empty())
        view_->selectEvent(selected_);
}

void DeviceEventsViewController::unsubscribe()
{
    // First no handler reaches the controller any more, then nothing they
    // posted runs, then the registrations end (when the camera is still open:
    // a closed camera ended them itself).
    if (relay_) {
        relay_->cut();
        relay_.reset();
    }
    clear();
    const std::shared_ptr<VideoDeviceController> device = device_.lock();
    if (!device || !device->isDeviceOpen())
        return;
    try {
        device->unregisterNotification("EventSelector");
        device->unregisterNotification("EventNotification");
        for (const DeviceEventEntry& event : events_)
            device->unregisterNotification("Event" + event.name);
    } catch (const std::exception& e) {
        spdlog::error("DeviceEventsViewController::unsubscribe: {}", e.what());
    }
}

vsx::PropertyMap DeviceEventsViewController::propertyMap() const
{
    const std::shared_ptr<VideoDeviceController> device = device_.lock();
    const std::shared_ptr<vsx::Grabber> grabber = device ? device->grabber() : nullptr;
    if (!grabber) {
        spdlog::error("DeviceEventsViewController: the camera is gone.");
        return {};
    }
    vsx::Error err(vsx::Error::Record);
    vsx::PropertyMap map = grabber->devicePropertyMap(err);
    if (!map)
        spdlog::error("{}", err.message());
    return map;
}

bool DeviceEventsViewController::readEvents(std::vector<DeviceEventEntry>& events)
{
    const vsx::PropertyMap map = propertyMap();
    if (!map)
        return false;
    vsx::Error err(vsx::Error::Record);
    const vsx::Property found = map.find("EventSelector", err);
    if (!found)
        return false;
    const vsx::PropEnumeration selector = found.asEnumeration(err);
    const std::vector<vsx::Property> entries =
        selector ? selector.entries(err) : std::vector<vsx::Property>();
    if (err.code != vsx::Error::kNoError) {
        spdlog::error("{}", err.message());
        return false;
    }
    {
        vsx::Error readErr(vsx::Error::Record);
        selected_ = selector.selectedEntryName(readErr);
    }
    events.clear();

    // Whatever happens below, the camera's selection goes back to where it was.
    struct Restore {
        DeviceEventsViewController& self;
        const vsx::PropEnumeration& selector;
        ~Restore()
        {
            try {
                SelectingScope selecting(self.selecting_);
                vsx::Error restoreErr(vsx::Error::Record);
                selector.setValue(self.selected_, restoreErr);
            } catch (const std::exception& e) {
                spdlog::error("DeviceEventsViewController::readEvents: {}", e.what());
            }
        }
    } restore{*this, selector};

    vsx::Error allErr(vsx::Error::Record);
    const std::vector<vsx::Property> features = map.all(allErr);
    for (const vsx::Property& entry : entries) {
        const std::string name = entry.name();
        {
            SelectingScope selecting(selecting_);
            selector.setValue(name);
        }
        vsx::Error notificationErr(vsx::Error::Record);
        const vsx::PropEnumeration notification = map.findEnumeration("EventNotification", notificationErr);
        if (!notification) {
            spdlog::error("{}", notificationErr.message());
            return false;
        }
        DeviceEventEntry event;
        event.name = name;
        getPropertyIds(features, name, event.dataProperties);
        vsx::Error stateErr(vsx::Error::Record);
        event.enabled = notification.selectedEntryName(stateErr) == "On";
        events.push_back(std::move(event));
    }
    return true;
}

void DeviceEventsViewController::getPropertyIds(const std::vector<vsx::Property>& properties,
                                                const std::string& text, std::vector<std::string>& names)
{
    for (const vsx::Property& property : properties) {
        vsx::Error err(vsx::Error::Record);
        const int kind = property.type(err);
        if (err.code == vsx::Error::kNoError && kind == vsx::Category) {
            const std::vector<vsx::Property> features = property.asCategory(err).features(err);
            if (err.code == vsx::Error::kNoError)
                getPropertyIds(features, text, names);
        } else if (err.code == vsx::Error::kNoError) {
            const std::string name = property.name(err);
            if (err.code == vsx::Error::kNoError && name.find(text) != std::string::npos)
                names.push_back(name);
        }
        if (err.code != vsx::Error::kNoError)
            spdlog::error("getPropertyIds: {}", err.message());
    }
}

std::string DeviceEventsViewController::getPropertyValue(const vsx::Property& property)
{
    try {
        vsx::Error err(vsx::Error::Throw);
        switch (property.type(err)) {
        case vsx::Integer:
            return std::to_string(property.asInteger(err).value(err));
        case vsx::Float:
            return fmt::format("{}", property.asFloat(err).value(err));
        case vsx::Enumeration:
            return property.asEnumeration(err).selectedEntryName(err);
        case vsx::Boolean:
            return property.asBoolean(err).value(err) ? "1" : "0";
        case vsx::String:
            return property.asString(err).getValue(err);
        default:
            return {};
        }
    } catch (const std::exception& e) {
        spdlog::error("DeviceEventsViewController::getPropertyValue: {}", e.what());
        return {};
    }
}

void DeviceEventsViewController::selectEvent(const std::string& name)
{
    const vsx::PropertyMap map = propertyMap();
    if (!map)
        return;
    vsx::Error err(vsx::Error::Record);
    const vsx::Property found = map.find("EventSelector", err);
    if (!found)
        return;
    const vsx::PropEnumeration selector = found.asEnumeration(err);
    if (!selector) {
        spdlog::error("{}", err.message());
        return;
    }
    SelectingScope selecting(selecting_);
    if (!selector.setValue(name, err))
        spdlog::error("{}", err.message());
}

void DeviceEventsViewController::setEventNotification(const std::string& name, bool on)
{
    const vsx::PropertyMap map = propertyMap();
    if (!map)
        return;
    vsx::Error err(vsx::Error::Record);
    const vsx::PropEnumeration selector = map.findEnumeration("EventSelector", err);
    if (!selector) {
        spdlog::error("{}", err.message());
        return;
    }
    {
        SelectingScope selecting(selecting_);
        if (!selector.setValue(name, err)) {
            spdlog::error("{}", err.message());
            return;
        }
    }
    const vsx::PropEnumeration notification = map.findEnumeration("EventNotification", err);
    if (!notification) {
        spdlog::error("{}", err.message());
        return;
    }
    SelectingScope selecting(selecting_);
    if (!notification.setValue(on ? "On" : "Off", err))
        spdlog::error("{}", err.message());
}

void DeviceEventsViewController::selectedEventName(vsx::Property& property)
{
    if (selecting_)
        return;
    vsx::Error err(vsx::Error::Record);
    const vsx::PropEnumeration selector = property.asEnumeration(err);
    const std::string name = selector ? selector.selectedEntryName(err) : std::string();
    if (!selector || err.code != vsx::Error::kNoError) {
        spdlog::error("Failed to get selected entry name from PropEnum.");
        addOnce([this] { selected_.clear(); });
        return;
    }
    addOnce([this, name] {
        selected_ = name;
        view_->selectEvent(name);
    });
}

void DeviceEventsViewController::eventNotificationState(const vsx::PropertyMap& map, vsx::Property& property)
{
    if (selecting_)
        return;
    vsx::Error err(vsx::Error::Record);
    const vsx::PropEnumeration notification = property.asEnumeration(err);
    const std::string state = notification ? notification.selectedEntryName(err) : std::string();
    if (!notification || err.code != vsx::Error::kNoError) {
        spdlog::error("Failed to get value from PropBoolean.");
        return;
    }
    // The event it belongs to: the one the camera has selected now.
    const vsx::PropEnumeration selector = map.findEnumeration("EventSelector", err);
    if (!selector) {
        spdlog::error("{}", err.message());
        return;
    }
    vsx::Error readErr(vsx::Error::Record);
    const std::string event = selector.selectedEntryName(readErr);
    if (event.empty())
        return;
    const bool on = state == "On";
    addOnce([this, event, on] {
        selected_ = event;
        view_->setEventEnabled(event, on);
    });
}

void DeviceEventsViewController::onEvent(const vsx::PropertyMap& map, const DeviceEventEntry& event,
                                         vsx::Property& property)
{
    vsx::Error err(vsx::Error::Record);
    const std::string notified = property.name(err);
    if (err.code != vsx::Error::kNoError) {
        spdlog::error("{}", err.message());
        return;
    }
    std::vector<std::pair<std::string, std::string>> data;
    for (const std::string& name : event.dataProperties) {
        vsx::Error findErr(vsx::Error::Record);
        const vsx::Property feature = map.find(name, findErr);
        data.emplace_back(name, feature ? getPropertyValue(feature) : std::string());
    }
    std::string line = event_line(data, notified);
    if (line.empty())
        return;
    // The log puts each line on a line of its own.
    line.pop_back();
    view_->appendLog(line);
}

DeviceEventsViewControllerFactory device_events_view_controller_factory()
{
    return [](IDeviceEventView& view, MainModel& model) {
        return std::make_shared<DeviceEventsViewController>(view, model);
    };
}

} // namespace app
