#pragma once

#include "Status.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace vsxsim {

// Per-camera faults that change how its stream behaves.
struct DeviceFaults {
    int64_t lost_after_frames = -1;
    int64_t drop_every_nth = 0;
    double drop_probability = 0.0;
    bool stall = false;
    int notification_delay_ms = 0;
    int callback_delay_ms = 0;
};

// Injected failures: rules that make a named vsx_ function fail (optionally
// only for one serial, feature or list index, after skipping some calls, a
// number of times), and device-level faults.
class FaultEngine {
public:
    // Adds a rule from JSON text (nested at most json_input::kMaxNesting
    // levels) or a parsed rule; returns its id, or -1 and an error.
    int add(const std::string& json, std::string& error);
    int add(const nlohmann::json& rule, std::string& error);
    void clear();
    // Whether the call fails now; consumes one use of the matching rule.
    std::optional<Status> check(const char* function, const std::string& serial = {},
                                const std::string& feature = {}, int64_t index = -1);
    DeviceFaults device(const std::string& serial) const;
    bool drop_random(const std::string& serial, double probability);
    void reset_seed(uint64_t seed);
    bool any() const { return any_.load(std::memory_order_acquire); }

private:
    struct Rule {
        int id = 0;
        std::string function, serial, feature;
        int64_t index = -1;
        int64_t skip = 0;
        int64_t count = 1;
        int code = 1;
        std::string message;
    };
    mutable std::mutex mutex_;
    std::vector<Rule> rules_;
    std::map<std::string, DeviceFaults> devices_;
    std::atomic<bool> any_{false};
    int next_id_ = 1;
    std::mt19937_64 rng_{1};
};

} // namespace vsxsim
