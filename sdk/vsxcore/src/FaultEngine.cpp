#include "FaultEngine.h"

#include "JsonInput.h"

#include <nlohmann/json.hpp>

namespace vsxsim {

namespace {
template <class T> bool read(const nlohmann::json& j, const char* key, T& out, std::string& error)
{
    auto it = j.find(key);
    if (it == j.end())
        return true;
    try {
        out = it->get<T>();
        return true;
    } catch (const std::exception&) {
        error = std::string("fault rule: '") + key + "' has the wrong type";
        return false;
    }
}
} // namespace

int FaultEngine::add(const std::string& json, std::string& error)
{
    nlohmann::json j;
    if (Status parsed = json_input::parse(json, j); !parsed) {
        error = "fault rule: " + parsed.message;
        return -1;
    }
    return add(j, error);
}

int FaultEngine::add(const nlohmann::json& j, std::string& error)
{
    if (!j.is_object()) {
        error = "fault rule: not a JSON object";
        return -1;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    int id = next_id_++;
    std::string serial;
    if (!read(j, "serial", serial, error))
        return -1;
    bool device_level = false;
    DeviceFaults df = devices_[serial];
    if (j.contains("deviceLostAfterFrames")) {
        if (!read(j, "deviceLostAfterFrames", df.lost_after_frames, error))
            return -1;
        device_level = true;
    }
    if (j.contains("dropEveryNth")) {
        if (!read(j, "dropEveryNth", df.drop_every_nth, error))
            return -1;
        device_level = true;
    }
    if (j.contains("dropProbability")) {
        if (!read(j, "dropProbability", df.drop_probability, error))
            return -1;
        device_level = true;
    }
    if (j.contains("stall")) {
        if (!read(j, "stall", df.stall, error))
            return -1;
        device_level = true;
    }
    if (j.contains("notificationDelayMs")) {
        if (!read(j, "notificationDelayMs", df.notification_delay_ms, error))
            return -1;
        device_level = true;
    }
    if (j.contains("callbackDelayMs")) {
        if (!read(j, "callbackDelayMs", df.callback_delay_ms, error))
            return -1;
        device_level = true;
    }
    if (device_level) {
        if (serial.empty()) {
            error = "fault rule: device-level faults need a 'serial'";
            return -1;
        }
        df.notification_delay_ms = std::max(0, std::min(df.notification_delay_ms, 60000));
        df.callback_delay_ms = std::max(0, std::min(df.callback_delay_ms, 60000));
        devices_[serial] = df;
        any_.store(true);
        if (!j.contains("function"))
            return id;
    }
    Rule r;
    r.id = id;
    r.serial = serial;
    if (!read(j, "function", r.function, error) || !read(j, "feature", r.feature, error) ||
        !read(j, "index", r.index, error) || !read(j, "skip", r.skip, error) ||
        !read(j, "count", r.count, error) || !read(j, "code", r.code, error) ||
        !read(j, "message", r.message, error))
        return -1;
    if (r.function.empty()) {
        error = "fault rule: 'function' is missing";
        return -1;
    }
    if (r.code == 0)
        r.code = 1;
    if (r.message.empty())
        r.message = "Injected fault in " + r.function;
    rules_.push_back(r);
    any_.store(true);
    return id;
}

void FaultEngine::clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    rules_.clear();
    devices_.clear();
    any_.store(false);
}

std::optional<Status> FaultEngine::check(const char* function, const std::string& serial,
                                         const std::string& feature, int64_t index)
{
    if (!any())
        return std::nullopt;
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& r : rules_) {
        if (r.count == 0 || r.function != function)
            continue;
        if (!r.serial.empty() && r.serial != serial)
            continue;
        if (!r.feature.empty() && r.feature != feature)
            continue;
        if (r.index >= 0 && r.index != index)
            continue;
        if (r.skip > 0) {
            --r.skip;
            return std::nullopt;
        }
        if (r.count > 0)
            --r.count;
        return Status{r.code, r.message};
    }
    return std::nullopt;
}

DeviceFaults FaultEngine::device(const std::string& serial) const
{
    if (!any())
        return {};
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = devices_.find(serial);
    return it == devices_.end() ? DeviceFaults{} : it->second;
}

bool FaultEngine::drop_random(const std::string&, double probability)
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::uniform_real_distribution<double> d(0.0, 1.0);
    return d(rng_) < probability;
}

void FaultEngine::reset_seed(uint64_t seed)
{
    std::lock_guard<std::mutex> lock(mutex_);
    rng_.seed(seed);
}

} // namespace vsxsim
