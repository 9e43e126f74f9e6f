#include "Camera.h"

#include "Grabber.h"
#include "Interface.h"
#include "Library.h"
#include "Log.h"
#include "PropertyMap.h"
#include "Stream.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace vsxsim {

namespace {

int64_t floor_grid(int64_t value, int64_t min, int64_t inc)
{
    if (value < min)
        return min;
    return min + (value - min) / inc * inc;
}

const char* selected_name(const Feature* e)
{
    if (!e || e->kind != FeatureKind::Enumeration)
        return "";
    auto i = static_cast<size_t>(e->slot().i);
    return i < e->entries.size() ? e->entries[i]->name.c_str() : "";
}

// The factor of a "Binning" enumeration: its selected entry's value (1 without one).
int64_t enum_factor(const Feature* e)
{
    if (!e || e->kind != FeatureKind::Enumeration)
        return 1;
    auto i = static_cast<size_t>(e->slot().i);
    return i < e->entries.size() ? std::max<int64_t>(1, e->entries[i]->entry_value) : 1;
}

bool auto_on(const Feature* f, const char* mode)
{
    if (!f)
        return false;
    if (f->kind == FeatureKind::Boolean)
        return f->slot().i != 0 && std::string(mode) == "Continuous";
    return std::string(selected_name(f)) == mode;
}

} // namespace

Camera::Camera(CameraSetup setup, Interface* itf)
    : setup_(std::move(setup)), interface_(itf), events_("camera " + setup_.serial)
{
    unique_name_ = setup_.unique_name.empty() ? setup_.model + "-" + setup_.serial : setup_.unique_name;
    info_.user_id = setup_.user_id;
    info_.ip = setup_.ip;
    info_.mask = setup_.mask;
    info_.gateway = setup_.gateway;
    info_.persistent_ip = setup_.ip;
    info_.persistent_mask = setup_.mask;
    info_.persistent_gateway = setup_.gateway;
    info_.driver_status = setup_.driver_status;
    info_.plugged = setup_.plugged;
    power_on_ns.store(std::chrono::duration_cast<std::chrono::nanoseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count());
}

Camera::~Camera()
{
    events_.stop();
    if (device_map_)
        device_map_->release();
    if (driver_map_)
        driver_map_->release();
}

void Camera::build()
{
    f_.build(*this);
    std::lock_guard<std::mutex> lock(mutex());
    derive_locked();
    apply_power_on_values();
    derive_locked();
    if (f_.userset_selector) {
        save_user_set_locked("Default");
        save_user_set_locked("UserSet1");
        save_user_set_locked("UserSet2");
    }
}

void Camera::apply_power_on_values()
{
    for (const auto& [name, value] : setup_.features) {
        Feature* f = device_map_->find(name);
        if (!f) {
            Log::warn("camera " + setup_.serial + ": no feature '" + name + "' for a power-on value");
            continue;
        }
        FeatureValue v;
        Status s = parse_text_locked(*f, value, v);
        if (s)
            s = write_locked(*f, v, Origin::Camera);
        if (!s)
            Log::warn("camera " + setup_.serial + ": power-on value of '" + name + "' refused: " + s.message);
    }
}

CameraInfo Camera::info() const
{
    std::lock_guard<std::mutex> lock(info_mutex_);
    return info_;
}

bool Camera::reachable() const
{
    CameraInfo i = info();
    if (!interface_)
        return true;
    if (interface_->setup().tl_type == 1)
        return interface_->reaches(i.ip);
    if (interface_->setup().tl_type == 2)
        return i.driver_status == "Reachable";
    return true;
}

Status Camera::claim(Grabber* g)
{
    {
        std::lock_guard<std::mutex> lock(info_mutex_);
        if (info_.retired || !info_.plugged)
            return {kNotFound, "Device '" + unique_name_ + "' is not connected"};
        if (owner_ && owner_ != g)
            return {kDeviceBusy, "Device is already open on another grabber"};
    }
    if (!reachable()) {
        if (interface_ && interface_->setup().tl_type == 2)
            return {kNotReachable, "Incompatible driver"};
        return {kNotReachable, "Device not reachable"};
    }
    {
        std::lock_guard<std::mutex> lock(info_mutex_);
        if (owner_ && owner_ != g)
            return {kDeviceBusy, "Device is already open on another grabber"};
        owner_ = g;
        info_.open = true;
    }
    lost_.store(false);
    open_.store(true);
    // Temperature drift while open, a notification every 2 s.
    if (f_.temperature) {
        std::weak_ptr<Camera> weak = weak_from_this();
        struct Drift {
            static void tick(std::weak_ptr<Camera> weak)
            {
                auto cam = weak.lock();
                if (!cam || !cam->is_open())
                    return;
                cam->mutate([&] {
                    double t = cam->temperature_ + 0.1;
                    cam->temperature_ = t > 45.0 ? 41.5 : t;
                    cam->touch(cam->f_.temperature);
                });
                cam->events_.post_after(std::chrono::milliseconds(2000), [weak] { tick(weak); });
            }
        };
        events_.post_after(std::chrono::milliseconds(2000), [weak] { Drift::tick(weak); });
    }
    return {};
}

void Camera::release_claim(Grabber* g)
{
    {
        std::lock_guard<std::mutex> lock(info_mutex_);
        if (owner_ != g)
            return;
        owner_ = nullptr;
        info_.open = false;
    }
    open_.store(false);
    end_all_registrations();
    lost_.store(false);
}

Grabber* Camera::owner() const
{
    std::lock_guard<std::mutex> lock(info_mutex_);
    return owner_;
}

Status Camera::access_check(const Feature&) const
{
    return access_check_any();
}

Status Camera::access_check_any() const
{
    if (lost_.load())
        return {kDeviceLost, "Device '" + unique_name_ + "' was lost"};
    if (!open_.load())
        return {kDeviceNotOpen, "Device '" + unique_name_ + "' is not open"};
    return {};
}

int Camera::notification_delay_ms() const
{
    return Library::instance().faults().device(setup_.serial).notification_delay_ms;
}

void Camera::set_streaming(bool streaming)
{
    mutate([&] { streaming_.store(streaming); });
}

void Camera::attach_stream(std::shared_ptr<Stream> s)
{
    std::lock_guard<std::mutex> lock(stream_mutex_);
    stream_ = std::move(s);
}

void Camera::detach_stream(const Stream* s)
{
    std::lock_guard<std::mutex> lock(stream_mutex_);
    if (stream_.get() == s)
        stream_.reset();
}

std::shared_ptr<Stream> Camera::stream() const
{
    std::lock_guard<std::mutex> lock(stream_mutex_);
    return stream_;
}

void Camera::unplug()
{
    bool was_plugged;
    {
        std::lock_guard<std::mutex> lock(info_mutex_);
        was_plugged = info_.plugged;
        info_.plugged = false;
    }
    if (was_plugged) {
        lose();
        if (interface_)
            interface_->devices_changed();
        Library::instance().device_list_changed();
    }
}

void Camera::plug()
{
    bool changed;
    {
        std::lock_guard<std::mutex> lock(info_mutex_);
        changed = !info_.plugged && !info_.retired;
        info_.plugged = info_.plugged || !info_.retired;
        if (changed && interface_ && interface_->setup().tl_type == 1) {
            // A stored IP configuration takes effect at power-up.
            if (info_.persistent_enable) {
                info_.ip = info_.persistent_ip;
                info_.mask = info_.persistent_mask;
                info_.gateway = info_.persistent_gateway;
            } else if (!info_.dhcp_enable) {
                info_.ip = 0xA9FE0000u | (static_cast<uint32_t>(setup_.mac) & 0xFFFFu); // 169.254.x.y
                info_.mask = 0xFFFF0000u;
                info_.gateway = 0;
            }
        }
    }
    if (changed) {
        if (interface_)
            interface_->devices_changed();
        Library::instance().device_list_changed();
    }
}

void Camera::lose()
{
    Grabber* g = owner();
    if (!g)
        return;
    lost_.store(true);
    Library::instance().with_grabber(g, [this](Grabber& grabber) { grabber.device_lost(this); });
}

const PixelFormatInfo* Camera::current_format()
{
    std::lock_guard<std::mutex> lock(mutex());
    return find_pixel_format(
        static_cast<uint32_t>(f_.pixel_format->entries[f_.pixel_format->slot().i]->entry_value));
}

void Camera::stream_image(uint32_t& width, uint32_t& height)
{
    std::lock_guard<std::mutex> lock(mutex());
    width = static_cast<uint32_t>(f_.width->slot().i);
    height = static_cast<uint32_t>(f_.height->slot().i);
}

int64_t Camera::sensor_width_locked() const
{
    if (setup_.analog && f_.video_norm)
        return f_.video_norm->slot().i == 1 ? 768 : 720;
    return setup_.sensor_width;
}

int64_t Camera::sensor_height_locked() const
{
    if (setup_.analog && f_.video_norm)
        return f_.video_norm->slot().i == 1 ? 576 : 480;
    return setup_.sensor_height;
}

int64_t Camera::now_ns() const
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
               .count() -
           power_on_ns.load();
}

void Camera::derive_locked()
{
    int64_t bh = (f_.bin_h ? f_.bin_h->slot().i : 1) * enum_factor(f_.binning);
    int64_t bv = (f_.bin_v ? f_.bin_v->slot().i : 1) * enum_factor(f_.binning);
    int64_t dh = f_.dec_h ? f_.dec_h->slot().i : 1;
    int64_t dv = f_.dec_v ? f_.dec_v->slot().i : 1;
    int64_t sw = sensor_width_locked();
    int64_t sh = sensor_height_locked();
    int64_t wmax = setup_.binning_reduces_max ? sw / (bh * dh) : sw;
    int64_t hmax = setup_.binning_reduces_max ? sh / (bv * dv) : sh;
    if (f_.width_max) {
        store_int_locked(*f_.width_max, wmax);
        store_int_locked(*f_.height_max, hmax);
    }
    Feature& w = *f_.width;
    Feature& h = *f_.height;
    int64_t new_wmax = floor_grid(wmax, w.imin, w.iinc);
    int64_t new_hmax = floor_grid(hmax, h.imin, h.iinc);
    if (w.imax != new_wmax || h.imax != new_hmax) {
        w.imax = new_wmax;
        h.imax = new_hmax;
        touch(&w);
        touch(&h);
    }
    store_int_locked(w, std::clamp(floor_grid(w.slot().i, w.imin, w.iinc), w.imin, w.imax));
    store_int_locked(h, std::clamp(floor_grid(h.slot().i, h.imin, h.iinc), h.imin, h.imax));
    Feature& ox = *f_.offset_x;
    Feature& oy = *f_.offset_y;
    int64_t oxmax = std::max<int64_t>(0, floor_grid(wmax - w.slot().i, 0, ox.iinc));
    int64_t oymax = std::max<int64_t>(0, floor_grid(hmax - h.slot().i, 0, oy.iinc));
    if (ox.imax != oxmax || oy.imax != oymax) {
        ox.imax = oxmax;
        oy.imax = oymax;
        touch(&ox);
        touch(&oy);
    }
    store_int_locked(ox, std::min(ox.slot().i, ox.imax));
    store_int_locked(oy, std::min(oy.slot().i, oy.imax));

    const PixelFormatInfo* pf = find_pixel_format(
        static_cast<uint32_t>(f_.pixel_format->entries[f_.pixel_format->slot().i]->entry_value));
    double bytes = pf ? pf->bits_per_pixel / 8.0 : 1.0;
    double norm_cap =
        setup_.analog ? (f_.video_norm && f_.video_norm->slot().i == 1 ? 25.0 : 30.0) : setup_.rate_cap;
    if (f_.frame_rate && f_.frame_rate->kind == FeatureKind::Float) {
        double pixels = static_cast<double>(w.slot().i) * static_cast<double>(h.slot().i);
        double max = std::min(norm_cap, setup_.bandwidth / std::max(1.0, pixels * bytes));
        max = std::max(max, f_.frame_rate->fmin);
        max = std::floor(max * 100.0) / 100.0;
        if (f_.frame_rate->fmax != max) {
            f_.frame_rate->fmax = max;
            touch(f_.frame_rate);
        }
        store_float_locked(*f_.frame_rate, std::clamp(f_.frame_rate->slot().f, f_.frame_rate->fmin, max));
    }
    if (f_.resulting_rate) {
        double rate = f_.frame_rate->slot().f;
        double exposure_s = f_.exposure ? f_.exposure->slot().f * 1e-6 : 0.0;
        double resulting = exposure_s > 1.0 / rate ? 1.0 / exposure_s : rate;
        store_float_locked(*f_.resulting_rate, std::floor(resulting * 100.0 + 0.5) / 100.0);
    }
}

void Camera::after_write_locked(Feature& f)
{
    if (&f == f_.exposure_auto && std::string(selected_name(&f)) == "Once")
        exposure_once_frames_ = 10;
    if (&f == f_.gain_auto && std::string(selected_name(&f)) == "Once")
        gain_once_frames_ = 10;
    if (&f == f_.wb_auto && std::string(selected_name(&f)) == "Once")
        wb_once_frames_ = 3;
    // Features selected by this one change their value with it.
    for (const auto& owned : device_map_->owned())
        if (owned->selector == &f)
            touch(owned.get());
    derive_locked();
}

double Camera::frame_period()
{
    std::lock_guard<std::mutex> lock(mutex());
    double rate = 30.0;
    if (f_.frame_rate) {
        if (f_.frame_rate->kind == FeatureKind::Float)
            rate = f_.frame_rate->slot().f;
        else {
            static const double rates[] = {30.0, 25.0, 15.0, 12.5, 7.5};
            auto i = static_cast<size_t>(f_.frame_rate->slot().i);
            rate = i < 5 ? rates[i] : 30.0;
        }
    }
    if (setup_.analog && f_.video_norm)
        rate = std::min(rate, f_.video_norm->slot().i == 1 ? 25.0 : 30.0);
    double period = 1.0 / std::max(rate, 0.01);
    if (f_.exposure)
        period = std::max(period, f_.exposure->slot().f * 1e-6);
    return period;
}

RenderParams Camera::render_params()
{
    std::lock_guard<std::mutex> lock(mutex());
    RenderParams p;
    const PixelFormatInfo* pf = find_pixel_format(
        static_cast<uint32_t>(f_.pixel_format->entries[f_.pixel_format->slot().i]->entry_value));
    if (pf) {
        p.device_format = pf->code;
        p.depth = pf->depth;
        p.colour = pf->colour && setup_.colour;
        p.bayer = pf->bayer;
    }
    p.camera_colour = setup_.colour;
    p.width = static_cast<uint32_t>(f_.width->slot().i);
    p.height = static_cast<uint32_t>(f_.height->slot().i);
    p.offset_x = f_.offset_x->slot().i;
    p.offset_y = f_.offset_y->slot().i;
    p.bin_h = static_cast<int>((f_.bin_h ? f_.bin_h->slot().i : 1) * (f_.dec_h ? f_.dec_h->slot().i : 1) *
                               enum_factor(f_.binning));
    p.bin_v = static_cast<int>((f_.bin_v ? f_.bin_v->slot().i : 1) * (f_.dec_v ? f_.dec_v->slot().i : 1) *
                               enum_factor(f_.binning));
    p.sensor_width = sensor_width_locked();
    p.sensor_height = sensor_height_locked();
    p.pattern = static_cast<Pattern>(f_.test_pattern->slot().i);
    p.stamp = f_.frame_id_stamp->slot().i != 0;
    p.reverse_x = f_.reverse_x && f_.reverse_x->slot().i;
    p.reverse_y = f_.reverse_y && f_.reverse_y->slot().i;
    double exposure = f_.exposure ? f_.exposure->slot().f : 10000.0;
    double gain_db = 0.0;
    if (f_.gain)
        gain_db = f_.gain->kind == FeatureKind::Float ? f_.gain->slot().f : f_.gain->slot().i / 10.0;
    p.exposure_factor = exposure / 10000.0 * std::pow(10.0, gain_db / 20.0);
    if (f_.black_level)
        p.black_level = f_.black_level->slot().f / 255.0;
    if (f_.gamma)
        p.gamma = f_.gamma->kind == FeatureKind::Float ? f_.gamma->slot().f : f_.gamma->slot().i / 100.0;
    if (f_.wb_ratio)
        for (size_t c = 0; c < 3; ++c)
            p.balance[c] = f_.wb_ratio->values[c].f;
    if (f_.wb_red) {
        p.balance[0] = f_.wb_red->slot().i / 100.0;
        p.balance[1] = f_.wb_green->slot().i / 100.0;
        p.balance[2] = f_.wb_blue->slot().i / 100.0;
    }
    if (f_.brightness)
        p.brightness = f_.brightness->slot().i / 255.0;
    if (f_.contrast)
        p.contrast = f_.contrast->slot().i / 100.0;
    if (f_.ct_enable && f_.ct_enable->slot().i) {
        p.colour_transform = true;
        for (size_t i = 0; i < 9; ++i)
            p.matrix[i] = f_.ct_value->values[i].f;
    }
    if (f_.focus)
        p.blur = std::abs(static_cast<double>(f_.focus->slot().i) - 612.0) / 40.0;
    p.noise = f_.sim_noise && f_.sim_noise->slot().i && !Library::instance().settings().deterministic;
    p.realistic = !Library::instance().settings().deterministic;
    if (f_.lut_enable) {
        auto luts = std::make_shared<std::vector<std::vector<int64_t>>>(luts_);
        if (f_.lut_selector) {
            for (size_t c = 0; c < 3; ++c)
                p.lut_enabled[c] = f_.lut_enable->values[c].i != 0;
        } else {
            p.lut_enabled[0] = p.lut_enabled[1] = p.lut_enabled[2] = f_.lut_enable->slot().i != 0;
        }
        p.luts = luts;
        const auto& tables = setup_.lut_tables;
        for (size_t c = 0; c < 3; ++c)
            p.lut_value_max[c] = tables[std::min(c, tables.size() - 1)].value_max;
    }
    return p;
}

std::vector<int64_t>& Camera::lut_table_locked(size_t index)
{
    return luts_[std::min(index, luts_.size() - 1)];
}

// ------------------------------------------------------------------ per frame

void Camera::on_frame_produced(uint64_t frame, int64_t timestamp_ns)
{
    bool events = false;
    bool autos = false;
    {
        std::lock_guard<std::mutex> lock(mutex());
        if (f_.event_notification)
            events = f_.event_notification->values[0].i || f_.event_notification->values[1].i;
        autos = exposure_once_frames_ > 0 || gain_once_frames_ > 0 || wb_once_frames_ > 0 ||
                auto_on(f_.exposure_auto, "Continuous") || auto_on(f_.gain_auto, "Continuous") ||
                auto_on(f_.wb_auto, "Continuous") ||
                (f_.exposure_auto && f_.exposure_auto->kind == FeatureKind::Boolean &&
                 f_.exposure_auto->slot().i);
    }
    if (events) {
        fire_event("ExposureStart", frame, timestamp_ns);
        fire_event("ExposureEnd", frame, timestamp_ns + static_cast<int64_t>(frame_period() * 1e9 / 2));
    }
    if (autos)
        mutate([&] { auto_functions_locked(frame); });
}

bool Camera::fire_event(const std::string& event, uint64_t frame, int64_t timestamp_ns)
{
    if (!f_.event_selector)
        return false;
    int index = -1;
    for (int e = 0; e < 4; ++e)
        if (f_.event_selector->entries[static_cast<size_t>(e)]->name == event)
            index = e;
    if (index < 0)
        return false;
    {
        std::lock_guard<std::mutex> lock(mutex());
        if (!f_.event_notification->values[static_cast<size_t>(index)].i)
            return true;
    }
    // The event channel: events go out one after the other on the event
    // thread, and each one's data stays in its features until its
    // notifications have run, so a program that reads the data from inside
    // the notification reads that event's data, whatever came after it.
    std::weak_ptr<Camera> weak = weak_from_this();
    events_.post_after(std::chrono::milliseconds(notification_delay_ms()),
                       [weak, index, event, frame, timestamp_ns] {
                           if (auto cam = weak.lock())
                               cam->deliver_event(index, event, frame, timestamp_ns);
                       });
    return true;
}

void Camera::deliver_event(int index, const std::string& event, uint64_t frame, int64_t timestamp_ns)
{
    std::vector<Feature*> notified;
    {
        std::lock_guard<std::mutex> lock(mutex());
        if (index > 2) {
            // An event without built-in data: its feature, when a configuration
            // added one, is notified as it is; the data features are the
            // configuration's to set (vsxsim_camera_write).
            if (Feature* feature = device_map_->find("Event" + event))
                notified.push_back(feature);
        } else {
            Feature** data = f_.event_data[index];
            data[0]->values[0].i = f_.event_selector->entries[static_cast<size_t>(index)]->entry_value;
            data[1]->values[0].i = timestamp_ns;
            if (data[2])
                data[2]->values[0].i = static_cast<int64_t>(frame);
            // The data features are written first; the event feature is notified last.
            if (data[2])
                notified.push_back(data[2]);
            notified.push_back(data[1]);
            notified.push_back(data[0]);
        }
    }
    notify_now(notified);
}

void Camera::on_trigger_missed(int64_t timestamp_ns)
{
    fire_event("FrameTriggerMissed", 0, timestamp_ns);
}

bool Camera::trigger_mode()
{
    std::lock_guard<std::mutex> lock(mutex());
    if (!f_.trigger_mode)
        return false;
    if (f_.trigger_mode->kind == FeatureKind::Boolean)
        return f_.trigger_mode->slot().i != 0;
    return std::string(selected_name(f_.trigger_mode)) == "On";
}

std::string Camera::trigger_source()
{
    std::lock_guard<std::mutex> lock(mutex());
    if (!f_.trigger_source)
        return "Software";
    return selected_name(f_.trigger_source);
}

double Camera::mean_level_locked()
{
    // The scene's mean is about 0.4 of full scale at factor 1, before gamma.
    double exposure = f_.exposure ? f_.exposure->slot().f : 10000.0;
    double gain_db = 0.0;
    if (f_.gain)
        gain_db = f_.gain->kind == FeatureKind::Float ? f_.gain->slot().f : f_.gain->slot().i / 10.0;
    double factor = exposure / 10000.0 * std::pow(10.0, gain_db / 20.0);
    return std::min(255.0, 0.4 * factor * 255.0);
}

void Camera::auto_functions_locked(uint64_t)
{
    double reference = f_.exposure_auto_ref ? static_cast<double>(f_.exposure_auto_ref->slot().i) : 128.0;
    bool exposure_continuous = auto_on(f_.exposure_auto, "Continuous");
    if (exposure_once_frames_ > 0 || exposure_continuous) {
        double level = std::max(1.0, mean_level_locked());
        double ratio = std::sqrt(reference / level);
        double lower = f_.exposure_lower ? f_.exposure_lower->slot().f : f_.exposure->fmin;
        double upper = f_.exposure_upper ? f_.exposure_upper->slot().f : f_.exposure->fmax;
        double next = std::clamp(f_.exposure->slot().f * ratio, std::max(lower, f_.exposure->fmin),
                                 std::min(upper, f_.exposure->fmax));
        if (std::abs(next - f_.exposure->slot().f) > f_.exposure->slot().f * 0.005)
            store_float_locked(*f_.exposure, std::round(next));
        if (exposure_once_frames_ > 0 && --exposure_once_frames_ == 0 &&
            f_.exposure_auto->kind == FeatureKind::Enumeration)
            store_int_locked(*f_.exposure_auto, 0);
    }
    bool gain_continuous = auto_on(f_.gain_auto, "Continuous");
    if ((gain_once_frames_ > 0 || gain_continuous) && f_.gain && f_.gain->kind == FeatureKind::Float) {
        double level = std::max(1.0, mean_level_locked());
        double db = 20.0 * std::log10(reference / level);
        double lower = f_.gain_lower ? f_.gain_lower->slot().f : 0.0;
        double upper = f_.gain_upper ? f_.gain_upper->slot().f : 24.0;
        double next = std::clamp(f_.gain->slot().f + db * 0.5, lower, upper);
        if (std::abs(next - f_.gain->slot().f) > 0.05)
            store_float_locked(*f_.gain, std::round(next * 100.0) / 100.0);
        if (gain_once_frames_ > 0 && --gain_once_frames_ == 0)
            store_int_locked(*f_.gain_auto, 0);
    }
    if (wb_once_frames_ > 0 || auto_on(f_.wb_auto, "Continuous")) {
        white_balance_once_locked();
        if (wb_once_frames_ > 0 && --wb_once_frames_ == 0 && f_.wb_auto->kind == FeatureKind::Enumeration)
            store_int_locked(*f_.wb_auto, 0);
    }
}

void Camera::white_balance_once_locked()
{
    // The scene's light is warm (R 1.15, B 0.85); the balance makes grey neutral.
    const double target[3] = {1.0 / 1.15, 1.0, 1.0 / 0.85};
    if (f_.wb_ratio) {
        for (size_t c = 0; c < 3; ++c) {
            double v = std::round(target[c] * 100.0) / 100.0;
            if (f_.wb_ratio->values[c].f != v) {
                f_.wb_ratio->values[c].f = v;
                touch(f_.wb_ratio);
            }
        }
    } else if (f_.wb_red) {
        store_int_locked(*f_.wb_red, static_cast<int64_t>(std::lround(target[0] * 100.0)));
        store_int_locked(*f_.wb_green, 100);
        store_int_locked(*f_.wb_blue, static_cast<int64_t>(std::lround(target[2] * 100.0)));
    }
}

// ------------------------------------------------------------------ user sets

void Camera::save_user_set_locked(const std::string& name)
{
    auto& set = user_sets_[name];
    set.clear();
    for (const auto& owned : device_map_->owned()) {
        Feature* f = owned.get();
        if (!f->persistent || f->read_only || f->simulation || f->parent == nullptr)
            continue;
        if (f->kind == FeatureKind::Command || f->kind == FeatureKind::Category ||
            f->kind == FeatureKind::EnumEntry || f == f_.user_id || f == f_.userset_selector ||
            f == f_.userset_default)
            continue;
        set.emplace_back(f, f->values);
    }
    user_set_luts_[name] = luts_;
}

void Camera::load_user_set_locked(const std::string& name)
{
    auto it = user_sets_.find(name);
    if (it == user_sets_.end())
        return;
    for (auto& [f, values] : it->second) {
        f->values = values;
        touch(f);
    }
    auto lit = user_set_luts_.find(name);
    if (lit != user_set_luts_.end()) {
        luts_ = lit->second;
        if (f_.lut_value)
            touch(f_.lut_value);
    }
    derive_locked();
}

// ------------------------------------------------------------------ focus

void Camera::start_focus_run_locked()
{
    if (focus_running_)
        return;
    focus_running_ = true;
    if (f_.focus_running)
        touch(f_.focus_running);
    bool realtime = Library::instance().settings().clock == ClockMode::Realtime;
    std::weak_ptr<Camera> weak = weak_from_this();
    for (int step = 1; step <= 20; ++step)
        events_.post_after(std::chrono::milliseconds(realtime ? 50 * step : 0), [weak] {
            if (auto cam = weak.lock())
                cam->focus_step();
        });
}

void Camera::focus_step()
{
    mutate([&] {
        if (!focus_running_ || !f_.focus)
            return;
        const int64_t target = 612;
        int64_t current = f_.focus->slot().i;
        int64_t step = std::max<int64_t>(1, std::abs(target - current) / 4);
        int64_t next = current < target ? std::min(target, current + step) : std::max(target, current - step);
        store_int_locked(*f_.focus, next);
        if (next == target || std::abs(next - target) <= 1) {
            store_int_locked(*f_.focus, target);
            focus_running_ = false;
            if (f_.focus_running)
                touch(f_.focus_running);
            for (Feature* f : f_.focus_roi)
                touch(f);
        }
    });
}

// ------------------------------------------------------------------ stream commands

void Camera::set_acquisition_from_command(bool start)
{
    if (auto s = stream())
        s->set_acquiring(start);
}

void Camera::software_trigger()
{
    if (auto s = stream())
        s->trigger();
}

Status Camera::camera_write(const std::string& feature, const std::string& value)
{
    Feature* f = device_map_->find(feature);
    if (!f)
        f = driver_map_->find(feature);
    if (!f)
        return {kNotFound, "Feature '" + feature + "' not found"};
    if (f->kind == FeatureKind::Command)
        return execute(*f, Origin::Camera);
    std::lock_guard<std::mutex> lock(mutex());
    FeatureValue v;
    if (Status s = parse_text_locked(*f, value, v); !s)
        return s;
    return write_locked(*f, v, Origin::Camera);
}

} // namespace vsxsim
