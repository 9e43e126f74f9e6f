#include "device/Grabber.h"

#include "device/CallbackGuard.h"

#include <vsxcore.h>

namespace vsx {

Display::Display(vsx_display* handle) : handle_(handle) {}

Display::~Display() { vsx_display_unref(handle_); }

Grabber::Grabber(Error& err) { err.check(vsx_grabber_create(&handle_)); }

Grabber::~Grabber()
{
    display_.reset();
    sink_.reset();
    vsx_grabber_unref(handle_);
}

bool Grabber::deviceOpen(const DeviceInfo& device, Error& err)
{
    return err.check(vsx_grabber_device_open(handle_, device.handle()));
}

bool Grabber::deviceClose(Error& err) { return err.check(vsx_grabber_device_close(handle_)); }

bool Grabber::isDeviceOpen() const { return vsx_grabber_is_device_open(handle_); }
bool Grabber::isDeviceValid() const { return vsx_grabber_is_device_valid(handle_); }
bool Grabber::isStreaming() const { return vsx_grabber_is_streaming(handle_); }
bool Grabber::isAcquisitionActive() const { return vsx_grabber_is_acquisition_active(handle_); }

DeviceInfo Grabber::deviceInfo(Error& err) const
{
    vsx_devinfo* info = nullptr;
    if (!err.check(vsx_grabber_get_device(handle_, &info)))
        return DeviceInfo();
    return DeviceInfo::adopt(info);
}

PropertyMap Grabber::devicePropertyMap(Error& err) const
{
    vsx_propmap* map = nullptr;
    if (!err.check(vsx_grabber_device_get_property_map(handle_, &map)))
        return PropertyMap();
    return PropertyMap::adopt(map);
}

PropertyMap Grabber::driverPropertyMap(Error& err) const
{
    vsx_propmap* map = nullptr;
    if (!err.check(vsx_grabber_driver_get_property_map(handle_, &map)))
        return PropertyMap();
    return PropertyMap::adopt(map);
}

bool Grabber::streamSetup(const std::shared_ptr<Sink>& sink, const std::shared_ptr<Display>& display, int option,
                          Error& err)
{
    if (!err.check(vsx_grabber_stream_setup(handle_, sink ? sink->handle() : nullptr,
                                            display ? display->handle() : nullptr, option == 0)))
        return false;
    sink_ = sink;
    display_ = display;
    return true;
}

bool Grabber::streamStop(Error& err)
{
    if (!err.check(vsx_grabber_stream_stop(handle_)))
        return false;
    sink_.reset();
    display_.reset();
    return true;
}

bool Grabber::acquisitionStart(Error& err) { return err.check(vsx_grabber_acquisition_start(handle_)); }

bool Grabber::acquisitionStop(Error& err) { return err.check(vsx_grabber_acquisition_stop(handle_)); }

namespace {

struct DeviceLostContext {
    std::function<void(Grabber&)> handler;
    Grabber* grabber;
};

// Runs on the library's event thread.
void on_device_lost(vsx_grabber*, void* context)
{
    guard_callback("Grabber::deviceLost", [&] {
        auto* lost = static_cast<DeviceLostContext*>(context);
        lost->handler(*lost->grabber);
    });
}

void release_device_lost(void* context) { delete static_cast<DeviceLostContext*>(context); }

}  // namespace

void* Grabber::eventAddDeviceLost(const std::function<void(Grabber&)>& handler, Error& err)
{
    auto* context = new DeviceLostContext{handler, this};
    if (vsx_grabber_event_add_device_lost(handle_, on_device_lost, context, release_device_lost)) {
        err.clear();
        return context;
    }
    delete context;
    err.check(false);
    return nullptr;
}

std::shared_ptr<Sink> Grabber::sink(Error& err) const
{
    if (auto living = sink_.lock()) {
        err.clear();
        return living;
    }
    vsx_sink* handle = nullptr;
    if (!err.check(vsx_grabber_get_sink(handle_, &handle)))
        return nullptr;
    std::shared_ptr<Sink> result;
    switch (vsx_sink_get_type(handle)) {
    case QueueSink::kType:
        result = std::make_shared<QueueSink>(handle);
        break;
    case SnapSink::kType:
        result = std::make_shared<SnapSink>(handle);
        break;
    default:
        break;
    }
    vsx_sink_unref(handle);
    if (!result) {
        err.fail(Error::kUnexpectedSinkType, "Unexpected sink type");
        return nullptr;
    }
    err.clear();
    return result;
}

std::shared_ptr<Display> Grabber::display(Error& err) const
{
    if (auto living = display_.lock()) {
        err.clear();
        return living;
    }
    vsx_display* handle = nullptr;
    if (!err.check(vsx_grabber_get_display(handle_, &handle)))
        return nullptr;
    return std::make_shared<Display>(handle);
}

}  // namespace vsx
