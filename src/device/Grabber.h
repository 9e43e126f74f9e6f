#pragma once

#include "device/DeviceInfo.h"
#include "device/PropertyMap.h"
#include "device/Sink.h"
#include "device/VsxError.h"

#include <functional>
#include <memory>

struct vsx_grabber;
struct vsx_display;

namespace vsx {

// A display of the camera library (the program always streams without one).
class Display {
public:
    explicit Display(vsx_display* handle);  // owns the handle's reference
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;
    vsx_display* handle() const { return handle_; }

private:
    vsx_display* handle_;
};

// Opens one camera and runs its stream. Always held through a shared pointer;
// it must outlive its device-lost registration.
class Grabber {
public:
    explicit Grabber(Error& err = Error::defaultRecord());
    ~Grabber();
    Grabber(const Grabber&) = delete;
    Grabber& operator=(const Grabber&) = delete;

    vsx_grabber* handle() const { return handle_; }

    bool deviceOpen(const DeviceInfo& device, Error& err = Error::defaultRecord());
    bool deviceClose(Error& err = Error::defaultRecord());
    bool isDeviceOpen() const;
    bool isDeviceValid() const;
    bool isStreaming() const;
    bool isAcquisitionActive() const;

    DeviceInfo deviceInfo(Error& err = Error::defaultRecord()) const;
    PropertyMap devicePropertyMap(Error& err = Error::defaultRecord()) const;
    PropertyMap driverPropertyMap(Error& err = Error::defaultRecord()) const;

    // Attaches the sink (and display) and sets the stream up; the acquisition
    // starts at once exactly when option is 0.
    bool streamSetup(const std::shared_ptr<Sink>& sink, const std::shared_ptr<Display>& display, int option,
                     Error& err = Error::defaultRecord());
    bool streamStop(Error& err = Error::defaultRecord());
    bool acquisitionStart(Error& err = Error::defaultRecord());
    bool acquisitionStop(Error& err = Error::defaultRecord());

    // Calls the handler once per loss of the device, on the library's event
    // thread. Returns the registration's token, or null when it failed.
    void* eventAddDeviceLost(const std::function<void(Grabber&)>& handler, Error& err = Error::defaultRecord());

    // The sink and display of the current stream: the objects given to the
    // last set-up while they live, else new wrappers of the library's handles.
    std::shared_ptr<Sink> sink(Error& err = Error::defaultRecord()) const;
    std::shared_ptr<Display> display(Error& err = Error::defaultRecord()) const;

private:
    vsx_grabber* handle_ = nullptr;
    std::weak_ptr<Sink> sink_;
    std::weak_ptr<Display> display_;
};

}  // namespace vsx
