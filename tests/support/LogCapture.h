#pragma once

#include <memory>
#include <mutex>
#include <spdlog/sinks/base_sink.h>
#include <spdlog/spdlog.h>
#include <string>
#include <vector>

namespace quorel::test {

// Makes a capturing logger the default for the life of the object, so a test
// can assert on the lines the code logged; the previous default comes back after.
class LogCapture {
public:
    LogCapture() : sink_(std::make_shared<Sink>()), previous_(spdlog::default_logger())
    {
        spdlog::set_default_logger(std::make_shared<spdlog::logger>("capture", sink_));
    }
    ~LogCapture() { spdlog::set_default_logger(previous_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    struct Line {
        spdlog::level::level_enum level;
        std::string text;
    };

    std::vector<Line> lines() const
    {
        std::lock_guard lock(sink_->mutex);
        return sink_->lines;
    }

    // Number of lines at the level whose text contains the fragment.
    int count(spdlog::level::level_enum level, const std::string& fragment = {}) const
    {
        int n = 0;
        for (const Line& line : lines())
            n += (line.level == level && line.text.find(fragment) != std::string::npos) ? 1 : 0;
        return n;
    }

private:
    struct Sink : spdlog::sinks::base_sink<spdlog::details::null_mutex> {
        std::mutex mutex;
        std::vector<Line> lines;

    protected:
        void sink_it_(const spdlog::details::log_msg& msg) override
        {
            std::lock_guard lock(mutex);
            lines.push_back({msg.level, std::string(msg.payload.data(), msg.payload.size())});
        }
        void flush_() override {}
    };

    std::shared_ptr<Sink> sink_;
    std::shared_ptr<spdlog::logger> previous_;
};

}  // namespace quorel::test
