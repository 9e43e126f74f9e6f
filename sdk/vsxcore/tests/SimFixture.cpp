#include "SimFixture.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <unistd.h>

namespace simtest {

Error last_error()
{
    int code = -1;
    size_t size = 0;
    vsx_get_last_error(&code, nullptr, &size);
    std::string text(size, '\0');
    vsx_get_last_error(&code, text.data(), &size);
    if (!text.empty())
        text.resize(size - 1);
    return {code, text};
}

std::vector<std::string> list_names(vsx_proplist* list)
{
    std::vector<std::string> names;
    size_t n = 0;
    vsx_proplist_size(list, &n);
    for (size_t i = 0; i < n; ++i) {
        vsx_prop* p = nullptr;
        if (vsx_proplist_at(list, i, &p)) {
            names.emplace_back(vsx_prop_get_name(p));
            vsx_prop_unref(p);
        }
    }
    return names;
}

std::string stats(const char* serial)
{
    size_t size = 0;
    vsxsim_stats(serial, nullptr, &size);
    std::string text(size, '\0');
    if (!vsxsim_stats(serial, text.data(), &size))
        return {};
    text.resize(size - 1);
    return text;
}

int64_t live_references()
{
    auto j = nlohmann::json::parse(stats());
    int64_t total = 0;
    for (auto& [kind, count] : j["liveReferences"].items())
        total += count.get<int64_t>();
    return total;
}

std::string temp_dir()
{
    static int counter = 0;
    auto dir = std::filesystem::temp_directory_path() /
               ("vsxcore-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::wstring wide(const std::string& s)
{
    std::wstring out;
    for (size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        uint32_t cp = c;
        int extra = 0;
        if (c >= 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else if (c >= 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if (c >= 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        }
        for (int k = 1; k <= extra && i + k < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out += static_cast<wchar_t>(cp);
        i += 1 + extra;
    }
    return out;
}

// ---------------------------------------------------------------- Listener

Listener::Listener(std::vector<uint32_t> formats, size_t max_output)
{
    vsx_queuesink_config cfg{};
    cfg.release = &Listener::on_release;
    cfg.sink_connected = &Listener::on_connected;
    cfg.sink_disconnected = &Listener::on_disconnected;
    cfg.frames_queued = &Listener::on_queued;
    cfg.context = this;
    cfg.pixel_formats = formats.empty() ? nullptr : formats.data();
    cfg.pixel_format_count = formats.size();
    cfg.max_output_buffers = max_output;
    vsx_sink* s = nullptr;
    EXPECT_TRUE(vsx_queuesink_create(&s, &cfg));
    sink_.reset(s);
}

Listener::~Listener() = default;

bool Listener::on_connected(vsx_sink* s, void* ctx, const vsx_image_type* type, size_t min_buffers)
{
    auto* self = static_cast<Listener*>(ctx);
    self->connect_thread = std::this_thread::get_id();
    self->connected_before_setup_returned = !self->setup_returned.load();
    {
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->type_ = *type;
    }
    ++self->connected;
    if (!self->accept)
        return false;
    return vsx_queuesink_alloc_and_queue_buffers(s, std::max<size_t>(3, min_buffers));
}

void Listener::on_disconnected(vsx_sink*, void* ctx)
{
    ++static_cast<Listener*>(ctx)->disconnected;
}

void Listener::on_queued(vsx_sink* s, void* ctx)
{
    auto* self = static_cast<Listener*>(ctx);
    if (self->inside_.fetch_add(1) != 0)
        ++self->overlaps;
    {
        std::lock_guard<std::mutex> lock(self->mutex_);
        if (self->frame_threads.empty() || self->frame_threads.back() != std::this_thread::get_id())
            self->frame_threads.push_back(std::this_thread::get_id());
    }
    if (int d = self->delay_ms.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(d));
    vsx_imagebuffer* b = nullptr;
    if (vsx_queuesink_pop_output_buffer(s, &b)) {
        vsx_image_type t{};
        vsx_imagebuffer_get_image_type(b, &t);
        size_t pitch = vsx_imagebuffer_get_pitch(b);
        auto* data = static_cast<const uint8_t*>(vsx_imagebuffer_get_ptr(b));
        {
            std::lock_guard<std::mutex> lock(self->mutex_);
            self->pitch_ = pitch;
            self->type_ = t;
            if (self->keep_frames)
                self->frames_.emplace_back(data, data + pitch * t.height);
            else
                self->frames_.emplace_back();
        }
        vsx_imagebuffer_unref(b);
    } else {
        ++self->pop_failures;
    }
    ++self->queued;
    self->inside_.fetch_sub(1);
    self->cv_.notify_all();
}

void Listener::on_release(void* ctx)
{
    ++static_cast<Listener*>(ctx)->released;
}

bool Listener::wait_frames(size_t count, int timeout_ms)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] { return frames_.size() >= count; });
}

size_t Listener::frames() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_.size();
}

std::vector<uint8_t> Listener::frame(size_t index) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return index < frames_.size() ? frames_[index] : std::vector<uint8_t>();
}

vsx_image_type Listener::type() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return type_;
}

size_t Listener::pitch() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return pitch_;
}

// ---------------------------------------------------------------- SimTest

void SimTest::start(const std::string& cameras, const std::string& clock, const std::string& config)
{
    setenv("VSXSIM_DETERMINISTIC", "1", 1);
    setenv("VSXSIM_CLOCK", clock.c_str(), 1);
    if (start_faults_.empty())
        unsetenv("VSXSIM_FAULTS");
    else
        setenv("VSXSIM_FAULTS", start_faults_.c_str(), 1);
    if (!start_log_.empty()) {
        setenv("VSXSIM_LOG", start_log_.c_str(), 1);
        setenv("VSXSIM_LOG_LEVEL", "1", 1);
    }
    unsetenv("VSXSIM_SENSOR_SCALE");
    if (cameras.empty())
        unsetenv("VSXSIM_CAMERAS");
    else
        setenv("VSXSIM_CAMERAS", cameras.c_str(), 1);
    if (config.empty())
        unsetenv("VSXSIM_CONFIG");
    else
        setenv("VSXSIM_CONFIG", config.c_str(), 1);
    vsx_init_config cfg{2, 0, 1, nullptr};
    const bool initialised = vsx_init_library(&cfg);
    unsetenv("VSXSIM_FAULTS");
    unsetenv("VSXSIM_LOG");
    unsetenv("VSXSIM_LOG_LEVEL");
    ASSERT_TRUE(initialised);
    started_ = true;
}

void SimTest::TearDown()
{
    if (!started_)
        return;
    EXPECT_EQ(live_references(), 0) << stats();
    vsxsim_shutdown();
    started_ = false;
}

Info SimTest::devinfo(const std::string& serial)
{
    vsx_devenum* e = nullptr;
    EXPECT_TRUE(vsx_devenum_create(&e));
    Enum owned(e);
    int n = vsx_devenum_get_device_count(e);
    for (int i = 0; i < n; ++i) {
        vsx_devinfo* d = nullptr;
        if (vsx_devenum_get_devinfo(e, i, &d)) {
            if (serial == vsx_devinfo_get_serial(d))
                return Info(d);
            vsx_devinfo_unref(d);
        }
    }
    return Info(nullptr);
}

Grabber SimTest::open(const std::string& serial)
{
    vsx_grabber* g = nullptr;
    EXPECT_TRUE(vsx_grabber_create(&g));
    Grabber owned(g);
    Info d = devinfo(serial);
    EXPECT_TRUE(d) << serial;
    EXPECT_TRUE(vsx_grabber_device_open(g, d.get())) << last_error().message;
    return owned;
}

Map SimTest::device_map(vsx_grabber* g)
{
    vsx_propmap* m = nullptr;
    EXPECT_TRUE(vsx_grabber_device_get_property_map(g, &m));
    return Map(m);
}

Prop SimTest::find(vsx_propmap* m, const char* name)
{
    vsx_prop* p = nullptr;
    EXPECT_TRUE(vsx_propmap_find(m, name, &p)) << name;
    return Prop(p);
}

int64_t SimTest::get_int(vsx_propmap* m, const char* name)
{
    int64_t v = -1;
    EXPECT_TRUE(vsx_propmap_get_value_int64(m, name, &v)) << name << ": " << last_error().message;
    return v;
}

std::string SimTest::get_text(vsx_propmap* m, const char* name)
{
    size_t size = 0;
    EXPECT_TRUE(vsx_propmap_get_value_string(m, name, nullptr, &size)) << name;
    std::string text(size, '\0');
    EXPECT_TRUE(vsx_propmap_get_value_string(m, name, text.data(), &size)) << name;
    text.resize(size ? size - 1 : 0);
    return text;
}

void SimTest::set_text(vsx_propmap* m, const char* name, const std::string& value)
{
    EXPECT_TRUE(vsx_propmap_set_value_string(m, name, value.c_str())) << name << ": " << last_error().message;
}

void SimTest::set_int(vsx_propmap* m, const char* name, int64_t value)
{
    EXPECT_TRUE(vsx_propmap_set_value_int64(m, name, value)) << name << ": " << last_error().message;
}

} // namespace simtest
