#include "Library.h"

#include "Camera.h"
#include "DeviceEnumerator.h"
#include "Grabber.h"
#include "Handle.h"
#include "Interface.h"
#include "JsonInput.h"
#include "Log.h"
#include "PropertyMap.h"
#include "QueueSink.h"
#include "SimConfig.h"
#include "Stream.h"
#include "TextUtil.h"
#include "vsxcore.h"

#include <cstdlib>
#include <nlohmann/json.hpp>

namespace vsxsim {

namespace {

std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

// A value that is either inline JSON or the path of a JSON file; `variable`
// names it in the log line of a file that cannot be read.
bool read_json_source(const char* variable, const std::string& source, std::string& out)
{
    size_t first = source.find_first_not_of(" \t\r\n");
    if (first != std::string::npos && (source[first] == '{' || source[first] == '[')) {
        out = source;
        return true;
    }
    if (Status read = json_input::read_file(source, out); !read) {
        Log::error(std::string(variable) + ": " + read.message);
        return false;
    }
    return true;
}

} // namespace

Library& Library::instance()
{
    // Never destroyed: program handles may be released by other static objects
    // after this file's statics are gone. The guard stops the threads at exit.
    static Library* library = new Library();
    struct ExitGuard {
        ~ExitGuard() { library->stop_at_exit(); }
    };
    static ExitGuard guard;
    return *library;
}

Library::Library() : system_(std::make_unique<EventExecutor>("system")) {}

Library::~Library() = default;

void Library::stop_at_exit()
{
    Registration::set_exiting();
    std::vector<Grabber*> grabbers;
    {
        std::lock_guard<std::mutex> lock(grabbers_mutex_);
        grabbers.assign(grabbers_.begin(), grabbers_.end());
    }
    for (Grabber* g : grabbers)
        g->shutdown();
    system_->stop();
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& c : cameras_)
        c->events().stop();
    for (auto& c : retired_cameras_)
        c->events().stop();
}

Settings Library::settings() const
{
    std::lock_guard<std::mutex> lock(settings_mutex_);
    return settings_;
}

Status Library::init(const vsx_init_config* config)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (initialized_.load())
        return {};
    int log_level = config ? config->log_level : 0;
    std::string log_target = env("VSXSIM_LOG");
    if (log_target.empty() && config && config->log_path)
        log_target = config->log_path;
    std::string level_text = env("VSXSIM_LOG_LEVEL");
    if (auto v = text::parse_int(level_text))
        log_level = static_cast<int>(*v);
    Log::configure(log_target, log_level);

    Settings s;
    s.deterministic = env("VSXSIM_DETERMINISTIC") == "1" || env("VSXSIM_DETERMINISTIC") == "true";
    if (auto seed = text::parse_int(env("VSXSIM_SEED")))
        s.seed = static_cast<uint64_t>(*seed);
    std::string clock = text::lower(env("VSXSIM_CLOCK"));
    if (clock == "fast")
        s.clock = ClockMode::Fast;
    else if (clock == "manual")
        s.clock = ClockMode::Manual;
    else if (!clock.empty() && clock != "realtime")
        Log::warn("VSXSIM_CLOCK '" + clock + "' is unknown; realtime is used");
    if (auto scale = text::parse_double(env("VSXSIM_SENSOR_SCALE"))) {
        if (*scale > 0.0 && *scale <= 1.0)
            s.sensor_scale = *scale;
        else
            Log::warn("VSXSIM_SENSOR_SCALE must lie in (0, 1]; ignored");
    }
    {
        std::lock_guard<std::mutex> settings_lock(settings_mutex_);
        settings_ = s;
    }
    faults_.reset_seed(s.seed);

    SimConfig config_set = SimConfig::builtin();
    std::string json;
    if (!pending_config_.empty()) {
        json = pending_config_;
    } else if (!env("VSXSIM_CONFIG").empty()) {
        if (!read_json_source("VSXSIM_CONFIG", env("VSXSIM_CONFIG"), json))
            json.clear();
    }
    if (!json.empty()) {
        Status st = SimConfig::parse(json, config_set);
        if (!st) {
            Log::error("VSXSIM_CONFIG: " + st.message + "; the built-in cameras are used");
            config_set = SimConfig::builtin();
        }
    } else if (!env("VSXSIM_CAMERAS").empty()) {
        config_set = SimConfig::builtin_subset(env("VSXSIM_CAMERAS"));
    }
    config_set.scale_sensors(s.sensor_scale);
    system_ = std::make_unique<EventExecutor>("system");
    Status st = build_camera_set(config_set.interfaces, config_set.cameras);
    if (!st)
        return st;

    std::string faults = env("VSXSIM_FAULTS");
    if (!faults.empty()) {
        std::string text;
        nlohmann::json j;
        if (read_json_source("VSXSIM_FAULTS", faults, text)) {
            std::vector<const nlohmann::json*> rules;
            if (Status parsed = json_input::parse(text, j); !parsed)
                Log::error("VSXSIM_FAULTS: the rules are " + parsed.message);
            else if (j.is_array())
                for (const auto& rule : j)
                    rules.push_back(&rule);
            else if (j.is_object())
                rules.push_back(&j);
            else
                Log::error("VSXSIM_FAULTS: not a JSON object or array");
            for (const nlohmann::json* rule : rules) {
                std::string error;
                if (faults_.add(*rule, error) < 0)
                    Log::error("VSXSIM_FAULTS: " + error);
            }
        }
    }
    initialized_.store(true, std::memory_order_release);
    Log::info("library initialised with " + std::to_string(cameras_.size()) + " cameras");
    return {};
}

Status Library::build_camera_set(const std::vector<InterfaceSetup>& interfaces,
                                 const std::vector<CameraSetup>& cameras)
{
    // mutex_ held
    for (const auto& setup : interfaces) {
        auto itf = std::make_unique<Interface>(setup);
        itf->build();
        interfaces_.push_back(std::move(itf));
    }
    for (const auto& setup : cameras) {
        Interface* itf = nullptr;
        for (auto& i : interfaces_)
            if (i->setup().id == setup.interface_id)
                itf = i.get();
        if (!itf) {
            Log::warn("camera " + setup.serial + ": no interface '" + setup.interface_id + "'; skipped");
            continue;
        }
        auto cam = std::make_shared<Camera>(setup, itf);
        cam->build();
        cameras_.push_back(cam);
        itf->add_camera(cam);
    }
    return {};
}

void Library::retire_all_locked()
{
    for (auto& c : cameras_) {
        c->update_info([](CameraInfo& i) { i.retired = true; });
        retired_cameras_.push_back(c);
    }
    for (auto& i : interfaces_) {
        i->retire();
        retired_interfaces_.push_back(std::move(i));
    }
    cameras_.clear();
    interfaces_.clear();
}

Status Library::configure(const std::string& json)
{
    SimConfig set;
    Status st = SimConfig::parse(json, set);
    if (!st)
        return st;
    std::vector<std::shared_ptr<Camera>> old;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!initialized_.load()) {
            pending_config_ = json;
            return {};
        }
        old = cameras_;
    }
    // Open cameras of the old set are lost.
    for (auto& c : old) {
        c->update_info([](CameraInfo& i) { i.plugged = false; });
        c->lose();
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        retire_all_locked();
        set.scale_sensors(settings().sensor_scale);
        st = build_camera_set(set.interfaces, set.cameras);
    }
    device_list_changed();
    return st;
}

std::vector<std::shared_ptr<Camera>> Library::cameras() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return cameras_;
}

std::shared_ptr<Camera> Library::camera_by_serial(const std::string& serial) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& c : cameras_)
        if (c->serial() == serial)
            return c;
    return nullptr;
}

std::vector<Interface*> Library::interfaces() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Interface*> out;
    for (const auto& i : interfaces_)
        out.push_back(i.get());
    return out;
}

void Library::device_list_changed()
{
    std::vector<std::pair<DeviceEnumerator*, std::shared_ptr<Registration>>> regs;
    {
        std::lock_guard<std::mutex> lock(list_mutex_);
        regs = list_regs_;
    }
    for (auto& [e, reg] : regs) {
        DeviceEnumerator* enumerator = e;
        std::shared_ptr<Registration> r = reg;
        system_->post([enumerator, r] {
            if (!r->enter())
                return;
            try {
                r->callback_as<void (*)(vsx_devenum*, void*)>()(to_c<vsx_devenum>(enumerator), r->context());
            } catch (...) {
                Log::error("a device-list-changed callback threw an exception");
            }
            r->leave();
        });
    }
}

bool Library::add_device_list_registration(DeviceEnumerator* e, std::shared_ptr<Registration> reg)
{
    std::lock_guard<std::mutex> lock(list_mutex_);
    list_regs_.emplace_back(e, std::move(reg));
    return true;
}

void Library::end_device_list_registrations(DeviceEnumerator* e)
{
    std::vector<std::shared_ptr<Registration>> ended;
    {
        std::lock_guard<std::mutex> lock(list_mutex_);
        for (auto it = list_regs_.begin(); it != list_regs_.end();) {
            if (it->first == e) {
                ended.push_back(it->second);
                it = list_regs_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& r : ended)
        r->end();
}

void Library::register_grabber(Grabber* g)
{
    std::lock_guard<std::mutex> lock(grabbers_mutex_);
    grabbers_.insert(g);
}

void Library::unregister_grabber(Grabber* g)
{
    std::lock_guard<std::mutex> lock(grabbers_mutex_);
    grabbers_.erase(g);
}

bool Library::flush(int timeout_ms)
{
    auto deadline = EventExecutor::Clock::now() + std::chrono::milliseconds(std::max(0, timeout_ms));
    for (;;) {
        bool idle = true;
        for (const auto& c : cameras()) {
            if (auto s = c->stream())
                if (!s->idle())
                    idle = false;
            if (!c->events().wait_idle(deadline))
                idle = false;
        }
        if (!system_->wait_idle(deadline))
            idle = false;
        // Streams that a loss tore down finish their disconnect on their own.
        std::vector<Grabber*> grabbers;
        {
            std::lock_guard<std::mutex> lock(grabbers_mutex_);
            grabbers.assign(grabbers_.begin(), grabbers_.end());
        }
        for (Grabber* g : grabbers)
            with_grabber(g, [&](Grabber& grabber) {
                if (!grabber.retired_finished())
                    idle = false;
            });
        if (idle) {
            // A second pass catches work that the first pass's callbacks queued.
            bool again = false;
            for (const auto& c : cameras()) {
                if (auto s = c->stream())
                    if (!s->idle())
                        again = true;
                if (!c->events().wait_idle(deadline))
                    again = true;
            }
            if (!system_->wait_idle(deadline))
                again = true;
            if (!again)
                return true;
        }
        if (EventExecutor::Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::string Library::stats_json(const char* serial)
{
    nlohmann::json j;
    auto camera_stats = [](Camera& c) {
        nlohmann::json cj;
        cj["serial"] = c.serial();
        cj["open"] = c.is_open();
        cj["lost"] = c.is_lost();
        cj["framesGenerated"] = c.frames_generated.load();
        cj["framesDelivered"] = c.frames_delivered.load();
        cj["framesDropped"] = c.frames_dropped.load();
        auto s = c.stream();
        cj["streaming"] = s != nullptr;
        cj["buffersFree"] = s ? s->core()->free_count() : 0;
        cj["buffersQueued"] = s ? s->core()->queued_count() : 0;
        cj["buffersHeld"] = s ? s->core()->held_count() : 0;
        cj["notificationsQueued"] = c.notifications_queued();
        cj["notificationsDelivered"] = c.notifications_delivered();
        nlohmann::json regs = nlohmann::json::object();
        for (const auto& f : c.device_map()->owned()) {
            size_t n = c.registration_count(*f);
            if (n)
                regs[f->name] = n;
        }
        cj["registrations"] = regs;
        return cj;
    };
    if (serial) {
        auto c = camera_by_serial(serial);
        if (!c)
            return {};
        j = camera_stats(*c);
    } else {
        nlohmann::json cams = nlohmann::json::array();
        for (auto& c : cameras())
            cams.push_back(camera_stats(*c));
        j["cameras"] = cams;
    }
    nlohmann::json refs = nlohmann::json::object();
    for (int k = 1; k < kHandleKindCount; ++k)
        refs[handle_kind_name(static_cast<HandleKind>(k))] =
            Handle::external_count(static_cast<HandleKind>(k));
    j["liveReferences"] = refs;
    j["openFiles"] = open_files_.load();
    {
        std::lock_guard<std::mutex> lock(list_mutex_);
        j["deviceListRegistrations"] = list_regs_.size();
    }
    return j.dump();
}

void Library::shutdown()
{
    // Stop every stream and device in order, with the program's callbacks.
    std::vector<Grabber*> grabbers;
    {
        std::lock_guard<std::mutex> lock(grabbers_mutex_);
        grabbers.assign(grabbers_.begin(), grabbers_.end());
    }
    for (Grabber* g : grabbers)
        with_grabber(g, [](Grabber& grabber) { grabber.shutdown(); });
    std::vector<std::pair<DeviceEnumerator*, std::shared_ptr<Registration>>> regs;
    {
        std::lock_guard<std::mutex> lock(list_mutex_);
        regs.swap(list_regs_);
    }
    for (auto& r : regs)
        r.second->end();
    std::vector<std::shared_ptr<Camera>> cams;
    std::vector<std::unique_ptr<Interface>> itfs;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        retire_all_locked();
        cams.swap(retired_cameras_);
        itfs.swap(retired_interfaces_);
        initialized_.store(false);
        pending_config_.clear();
    }
    for (auto& c : cams) {
        c->end_all_registrations();
        c->events().stop();
    }
    system_->stop();
    for (auto& i : itfs)
        i->end_all_registrations();
    cams.clear();
    itfs.clear();
    faults_.clear();
}

} // namespace vsxsim
