#pragma once
// Test helpers: library start and stop per test, owned handles, error reads,
// and a queue-sink listener that records what the frame thread does.

#include "vsxcore.h"
#include "vsxsim.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace simtest {

struct Error {
    int code;
    std::string message;
};
Error last_error();

template <class T, void (*Unref)(T*)> struct Deleter {
    void operator()(T* p) const { Unref(p); }
};
using Grabber = std::unique_ptr<vsx_grabber, Deleter<vsx_grabber, vsx_grabber_unref>>;
using Map = std::unique_ptr<vsx_propmap, Deleter<vsx_propmap, vsx_propmap_unref>>;
using Prop = std::unique_ptr<vsx_prop, Deleter<vsx_prop, vsx_prop_unref>>;
using List = std::unique_ptr<vsx_proplist, Deleter<vsx_proplist, vsx_proplist_unref>>;
using Enum = std::unique_ptr<vsx_devenum, Deleter<vsx_devenum, vsx_devenum_unref>>;
using Info = std::unique_ptr<vsx_devinfo, Deleter<vsx_devinfo, vsx_devinfo_unref>>;
using Itf = std::unique_ptr<vsx_devitf, Deleter<vsx_devitf, vsx_devitf_unref>>;
using Sink = std::unique_ptr<vsx_sink, Deleter<vsx_sink, vsx_sink_unref>>;
using Buffer = std::unique_ptr<vsx_imagebuffer, Deleter<vsx_imagebuffer, vsx_imagebuffer_unref>>;
using Writer = std::unique_ptr<vsx_videowriter, Deleter<vsx_videowriter, vsx_videowriter_unref>>;

std::vector<std::string> list_names(vsx_proplist* list);
std::string stats(const char* serial = nullptr);
int64_t live_references();

// A fresh folder for files of one test.
std::string temp_dir();
std::wstring wide(const std::string& s);

// Records a queue sink's callbacks; copies the bytes of every frame it pops.
class Listener {
public:
    explicit Listener(std::vector<uint32_t> formats = {}, size_t max_output = 0);
    ~Listener();
    vsx_sink* sink() const { return sink_.get(); }
    Sink take_sink() { return std::move(sink_); }

    // Waits until count frames have arrived. The limit only ends a wait for
    // frames that never come: under the sanitizers on a busy machine a dozen
    // rendered frames can take longer than ten seconds.
    bool wait_frames(size_t count, int timeout_ms = 60000);
    size_t frames() const;
    std::vector<uint8_t> frame(size_t index) const;
    vsx_image_type type() const;
    size_t pitch() const;

    std::atomic<int> connected{0};
    std::atomic<int> disconnected{0};
    std::atomic<int> queued{0};
    std::atomic<int> released{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> pop_failures{0};
    std::atomic<int> delay_ms{0};
    std::atomic<bool> accept{true};
    std::atomic<bool> keep_frames{true};
    std::thread::id connect_thread;
    std::thread::id setup_thread;
    std::atomic<bool> connected_before_setup_returned{false};
    std::atomic<bool> setup_returned{false};
    std::vector<std::thread::id> frame_threads;

private:
    static bool on_connected(vsx_sink*, void*, const vsx_image_type*, size_t);
    static void on_disconnected(vsx_sink*, void*);
    static void on_queued(vsx_sink*, void*);
    static void on_release(void*);

    Sink sink_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::vector<uint8_t>> frames_;
    vsx_image_type type_{0, 0, 0};
    size_t pitch_ = 0;
    std::atomic<int> inside_{0};
};

// Starts the library for one test and stops it afterwards; checks that the
// test released every handle.
class SimTest : public ::testing::Test {
protected:
    void start(const std::string& cameras = "", const std::string& clock = "fast",
               const std::string& config = "");
    void TearDown() override;

    // Opens the camera with this serial on a new grabber.
    Grabber open(const std::string& serial);
    Map device_map(vsx_grabber* g);
    Prop find(vsx_propmap* m, const char* name);
    Info devinfo(const std::string& serial);

    int64_t get_int(vsx_propmap* m, const char* name);
    std::string get_text(vsx_propmap* m, const char* name);
    void set_text(vsx_propmap* m, const char* name, const std::string& value);
    void set_int(vsx_propmap* m, const char* name, int64_t value);

    bool started_ = false;
    // Read by start(): fault rules for VSXSIM_FAULTS, and a file that takes the
    // library's warnings and errors.
    std::string start_faults_;
    std::string start_log_;
};

} // namespace simtest
