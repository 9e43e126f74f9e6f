#pragma once

#include "Feature.h"
#include "Status.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vsxsim {

class EventExecutor;
class PropertyMap;
class Registration;

// Who writes a feature: the program through the API, or the camera itself (auto
// functions, camera-side changes, user-set loads), which bypasses locks,
// read-only and availability but not the ranges.
enum class Origin { Program, Camera };

class FeatureHost;

// Collects the changes made while the host mutex is held and queues one
// notification per registration of every feature that was written or whose
// value, range, availability, lock or read-only state changed.
class ChangeScope {
public:
    explicit ChangeScope(FeatureHost& host);
    ~ChangeScope();
    ChangeScope(const ChangeScope&) = delete;
    ChangeScope& operator=(const ChangeScope&) = delete;

    void touch(Feature* feature);

private:
    struct Signature {
        bool available = false, locked = false, read_only = false;
        int64_t i = 0, imin = 0, imax = 0, iinc = 0;
        double f = 0, fmin = 0, fmax = 0;
        std::string s;
        uint64_t entries = 0;
        bool operator==(const Signature& o) const;
    };
    Signature signature(Feature* f) const;

    FeatureHost& host_;
    ChangeScope* outer_;
    std::vector<std::pair<Feature*, Signature>> before_;
    std::vector<Feature*> touched_;
};

// The engine behind every feature of one owner (a camera, an interface, a video
// writer): value access with the checks and errors of the API, side effects,
// change tracking and notification registrations. One mutex guards all values
// of the owner; hooks run with it held and never call the program.
class FeatureHost {
public:
    virtual ~FeatureHost();

    std::mutex& mutex() { return mutex_; }

    // Queries (take the mutex).
    bool available(Feature& f);
    bool locked(Feature& f);
    bool read_only(Feature& f);
    Status get(Feature& f, FeatureValue& out);
    Status set(Feature& f, FeatureValue value, Origin origin);
    Status execute(Feature& f, Origin origin);
    Status get_text(Feature& f, std::string& out);
    Status set_text(Feature& f, const std::string& text, Origin origin);
    Status int_range(Feature& f, int64_t& min, int64_t& max, int64_t& inc);
    size_t register_size(Feature& f);
    Status float_range(Feature& f, double& min, double& max, double& inc);
    std::vector<int64_t> int_valid_set(Feature& f);
    std::vector<double> float_valid_set(Feature& f);
    bool entry_available(Feature& entry);

    Status add_registration(Feature& f, std::shared_ptr<Registration> reg);
    // Ends the registration (waits for a call in flight, calls its release).
    Status remove_registration(Feature& f, void (*callback)(), void* context);
    // Ends every registration on the features of this host, or of one map.
    void end_all_registrations();
    void end_registrations_of(PropertyMap& map);
    size_t registration_count(const Feature& f);

    // Runs fn with the mutex held inside a change scope.
    template <class Fn> void mutate(Fn&& fn)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ChangeScope scope(*this);
        fn();
    }

    // With the mutex held (from hooks and mutate):
    bool available_locked(const Feature& f) const;
    const char* lock_reason_locked(const Feature& f) const;
    FeatureValue read_locked(Feature& f);
    // An integer's bounds and a register's size as they are now.
    void int_bounds_locked(const Feature& f, int64_t& min, int64_t& max) const;
    size_t register_size_locked(const Feature& f) const;
    Status write_locked(Feature& f, FeatureValue value, Origin origin);
    // Stores a value without any check and records the change (side effects).
    void store_locked(Feature& f, const FeatureValue& value);
    void store_int_locked(Feature& f, int64_t v);
    void store_float_locked(Feature& f, double v);
    void touch(Feature* f);
    std::string text_locked(Feature& f);
    Status parse_text_locked(Feature& f, const std::string& text, FeatureValue& out);
    uint64_t generation() const { return generation_.load(std::memory_order_acquire); }

    // Device access for whole-map operations (mutex held).
    Status access_status() const { return access_check_any(); }

    // The camera serial for fault rules; empty for other hosts.
    virtual std::string fault_serial() const { return {}; }

    uint64_t notifications_queued() const { return queued_.load(); }
    uint64_t notifications_delivered() const { return delivered_->load(); }

protected:
    FeatureHost();
    // Device state checks for value access; metadata needs none.
    virtual Status access_check(const Feature& f) const;
    virtual Status access_check_any() const { return ok_status(); }
    virtual EventExecutor& executor() = 0;
    virtual bool stream_active() const { return false; }
    virtual int notification_delay_ms() const { return 0; }
    // Calls every registration of the features, in this order, on the calling
    // thread and before returning (the mutex must not be held). For the event
    // thread, which keeps an event's data until its notifications have run.
    void notify_now(const std::vector<Feature*>& features);
    // After every successful write (mutex held): derived ranges and values.
    virtual void after_write_locked(Feature&) {}

private:
    friend class ChangeScope;
    void queue_notifications(Feature* f);
    static void deliver(Registration& reg, Feature* f, std::atomic<uint64_t>& delivered);
    Status check_write(Feature& f, FeatureValue& value, Origin origin);

    std::mutex mutex_;
    ChangeScope* scope_ = nullptr;
    std::vector<Feature*> registered_;
    std::atomic<uint64_t> generation_{1};
    std::atomic<uint64_t> queued_{0};
    std::shared_ptr<std::atomic<uint64_t>> delivered_ = std::make_shared<std::atomic<uint64_t>>(0);
};

} // namespace vsxsim
