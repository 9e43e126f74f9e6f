#include "Interface.h"

#include "Camera.h"
#include "FeatureBuilder.h"
#include "Library.h"
#include "PropertyMap.h"

#include <array>
#include <map>

namespace vsxsim {

namespace {
bool contiguous(uint32_t mask)
{
    uint32_t inverted = ~mask;
    return (inverted & (inverted + 1)) == 0;
}
} // namespace

Interface::Interface(InterfaceSetup setup) : setup_(std::move(setup)) {}

Interface::~Interface()
{
    if (map_)
        map_->release();
}

EventExecutor& Interface::executor()
{
    return Library::instance().system_executor();
}

void Interface::add_camera(std::shared_ptr<Camera> camera)
{
    {
        std::lock_guard<std::mutex> lock(cameras_mutex_);
        cameras_.push_back(std::move(camera));
    }
    devices_changed();
}

std::vector<std::shared_ptr<Camera>> Interface::plugged_cameras() const
{
    std::lock_guard<std::mutex> lock(cameras_mutex_);
    std::vector<std::shared_ptr<Camera>> out;
    for (const auto& c : cameras_) {
        CameraInfo i = c->info();
        if (i.plugged && !i.retired)
            out.push_back(c);
    }
    return out;
}

void Interface::retire()
{
    std::lock_guard<std::mutex> lock(cameras_mutex_);
    cameras_.clear();
}

bool Interface::reaches(uint32_t ip) const
{
    for (const auto& [address, mask] : setup_.subnets)
        if ((ip & mask) == (address & mask) && ip != address)
            return true;
    return false;
}

std::shared_ptr<Camera> Interface::selected_locked() const
{
    auto i = static_cast<size_t>(selector_->slot().i);
    return i < snapshot_.size() ? snapshot_[i] : nullptr;
}

void Interface::devices_changed()
{
    auto cams = plugged_cameras();
    if (!selector_)
        return;
    mutate([&] {
        snapshot_ = cams;
        int64_t max = std::max<int64_t>(0, static_cast<int64_t>(cams.size()) - 1);
        if (selector_->imax != max) {
            selector_->imax = max;
            touch(selector_);
        }
        if (selector_->slot().i > max)
            store_int_locked(*selector_, max);
        // Per-device values may have changed with the devices.
        for (const auto& owned : map_->owned())
            if (owned->available_if)
                touch(owned.get());
    });
}

void Interface::build()
{
    map_ = new PropertyMap(this, "interface");
    FeatureBuilder b(*map_);
    Interface* self = this;
    Feature* name = b.string(nullptr, "InterfaceDisplayName", setup_.display_name, 128);
    name->read_only = true;
    selector_ = b.integer(nullptr, "DeviceSelector", 0, 0, 1, 0);
    selector_->persistent = false;
    auto has_device = [self] { return !self->snapshot_.empty(); };
    auto device_text = [&](const char* feature, std::string (*get)(Camera&)) {
        Feature* f = b.string(nullptr, feature, "", 128);
        f->read_only = true;
        f->available_if = has_device;
        f->read_hook = [self, get](FeatureValue& v) {
            if (auto c = self->selected_locked())
                v.s = get(*c);
        };
    };
    device_text("DeviceModelName", [](Camera& c) { return c.model(); });
    device_text("DeviceVendorName", [](Camera& c) { return c.setup().vendor; });
    device_text("DeviceSerialNumber", [](Camera& c) { return c.serial(); });
    device_text("DeviceVersion", [](Camera& c) { return c.setup().version; });
    device_text("DeviceUserID", [](Camera& c) { return c.info().user_id; });

    if (setup_.tl_type == 1) {
        Feature* mtu = b.integer(nullptr, "MaximumTransmissionUnit", 0, 65535, 1, setup_.mtu, 1);
        mtu->read_only = true;
        auto subnets = static_cast<int64_t>(setup_.subnets.size());
        subnet_selector_ =
            b.integer(nullptr, "GevInterfaceSubnetSelector", 0, std::max<int64_t>(0, subnets - 1), 1, 0);
        subnet_selector_->persistent = false;
        Feature* sip = b.integer(nullptr, "GevInterfaceSubnetIPAddress", 0, 0xFFFFFFFFLL, 1, 0);
        Feature* smask = b.integer(nullptr, "GevInterfaceSubnetMask", 0, 0xFFFFFFFFLL, 1, 0);
        for (Feature* f : {sip, smask}) {
            f->read_only = true;
            f->representation = 5;
            f->available_if = [self] { return !self->setup_.subnets.empty(); };
        }
        sip->read_hook = [self](FeatureValue& v) {
            auto i = static_cast<size_t>(self->subnet_selector_->slot().i);
            if (i < self->setup_.subnets.size())
                v.i = self->setup_.subnets[i].first;
        };
        smask->read_hook = [self](FeatureValue& v) {
            auto i = static_cast<size_t>(self->subnet_selector_->slot().i);
            if (i < self->setup_.subnets.size())
                v.i = self->setup_.subnets[i].second;
        };
        auto device_int = [&](const char* feature, int representation,
                              int64_t (*get)(const CameraInfo&, Camera&)) {
            Feature* f =
                b.integer(nullptr, feature, 0, representation == 6 ? 0xFFFFFFFFFFFFLL : 0xFFFFFFFFLL, 1, 0);
            f->read_only = true;
            f->representation = representation;
            f->available_if = has_device;
            f->read_hook = [self, get](FeatureValue& v) {
                if (auto c = self->selected_locked())
                    v.i = get(c->info(), *c);
            };
        };
        device_int("GevDeviceIPAddress", 5, [](const CameraInfo& i, Camera&) -> int64_t { return i.ip; });
        device_int("GevDeviceSubnetMask", 5, [](const CameraInfo& i, Camera&) -> int64_t { return i.mask; });
        device_int("GevDeviceGateway", 5, [](const CameraInfo& i, Camera&) -> int64_t { return i.gateway; });
        device_int("GevDeviceMACAddress", 6,
                   [](const CameraInfo&, Camera& c) -> int64_t { return c.setup().mac; });
        Feature* status =
            b.enumeration(nullptr, "DeviceReachableStatus", {{"Reachable", 0, ""}, {"NotReachable", 1, ""}});
        status->read_only = true;
        status->available_if = has_device;
        status->read_hook = [self](FeatureValue& v) {
            if (auto c = self->selected_locked())
                v.i = c->reachable() ? 0 : 1;
        };
        // Force values per device, initially the device's current ones.
        auto forced = std::make_shared<std::map<std::string, std::array<int64_t, 3>>>();
        auto force_slot = [self, forced]() -> std::array<int64_t, 3>* {
            auto c = self->selected_locked();
            if (!c)
                return nullptr;
            auto it = forced->find(c->serial());
            if (it == forced->end()) {
                CameraInfo i = c->info();
                it = forced->emplace(c->serial(), std::array<int64_t, 3>{i.ip, i.mask, i.gateway}).first;
            }
            return &it->second;
        };
        const char* names[3] = {"GevDeviceForceIPAddress", "GevDeviceForceSubnetMask",
                                "GevDeviceForceGateway"};
        Feature* force[3];
        for (size_t k = 0; k < 3; ++k) {
            Feature* f = b.integer(nullptr, names[k], 0, 0xFFFFFFFFLL, 1, 0);
            f->representation = 5;
            f->persistent = false;
            f->available_if = has_device;
            f->read_hook = [force_slot, k](FeatureValue& v) {
                if (auto* s = force_slot())
                    v.i = (*s)[k];
            };
            f->store_hook = [force_slot, k](const FeatureValue& v) {
                if (auto* s = force_slot())
                    (*s)[k] = v.i;
                return Status{};
            };
            force[k] = f;
        }
        Feature* apply = b.command(nullptr, "GevDeviceForceIP");
        apply->available_if = has_device;
        apply->execute_hook = [self, force_slot]() -> Status {
            auto c = self->selected_locked();
            auto* s = force_slot();
            if (!c || !s)
                return {kNotAvailable, "No device selected"};
            auto ip = static_cast<uint32_t>((*s)[0]);
            auto mask = static_cast<uint32_t>((*s)[1]);
            if (ip == 0 || ip == 0xFFFFFFFFu)
                return {kInvalidParameter, "Invalid IP address"};
            if (!contiguous(mask) || mask == 0)
                return {kInvalidParameter, "Invalid subnet mask"};
            if (c->is_open())
                return {kDeviceBusy, "Device is open and cannot be reconfigured"};
            c->update_info([&](CameraInfo& i) {
                i.ip = ip;
                i.mask = mask;
                i.gateway = static_cast<uint32_t>((*s)[2]);
            });
            for (const auto& owned : self->map_->owned())
                if (owned->available_if)
                    self->touch(owned.get());
            Library::instance().device_list_changed();
            return {};
        };
        (void)force;
    } else if (setup_.tl_type == 2) {
        Feature* status = b.enumeration(nullptr, "DeviceReachableStatus",
                                        {{"Reachable", 0, ""}, {"IncompatibleDriver", 1, ""}});
        status->read_only = true;
        status->available_if = has_device;
        status->read_hook = [self](FeatureValue& v) {
            if (auto c = self->selected_locked())
                v.i = c->info().driver_status == "Reachable" ? 0 : 1;
        };
        Feature* install = b.command(nullptr, "DeviceInstallCompatibleDriver");
        install->available_if = has_device;
        install->execute_hook = [self]() -> Status {
            auto c = self->selected_locked();
            if (!c)
                return {kNotAvailable, "No device selected"};
            std::weak_ptr<Camera> weak = c;
            bool realtime = Library::instance().settings().clock == ClockMode::Realtime;
            Library::instance().system_executor().post_after(
                std::chrono::milliseconds(realtime ? 200 : 0), [weak, self] {
                    auto cam = weak.lock();
                    if (!cam)
                        return;
                    cam->update_info([](CameraInfo& i) { i.driver_status = "Reachable"; });
                    self->devices_changed();
                    Library::instance().device_list_changed();
                });
            return {};
        };
    }
    // Left out by the configuration; the objects stay owned, so the rules and
    // hooks above that point at them keep working.
    for (const auto& removed : setup_.remove)
        map_->remove(removed);
}

} // namespace vsxsim
