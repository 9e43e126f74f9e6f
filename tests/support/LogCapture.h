#pragma once

// Captures what the code under test logs through spdlog's default logger for
// the life of the object, then puts the previous default logger back.

#include <memory>
#include <mutex>
#include <spdlog/sinks/base_sink.h>
#include <spdlog/spdlog.h>
#include <string>
#include <utility>
#include <vector>

namespace quorel::test {

struct LogLine {
    spdlog::level::level_enum level;
    std::string text;
};

class LogCapture {
public:
    LogCapture() : sink_(std::make_shared<Sink>()), previous_(spdlog::default_logger())
    {
        auto logger = std::make_shared<spdlog::logger>("captured", sink_);
        logger->set_level(spdlog::level::trace);
        spdlog::set_default_logger(std::move(logger));
    }
    ~LogCapture() { spdlog::set_default_logger(previous_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<LogLine> lines() const
    {
        std::lock_guard lock(sink_->linesMutex);
        return sink_->lines;
    }

    // Texts logged at the level, in order.
    std::vector<std::string> texts(spdlog::level::level_enum level) const
    {
        std::vector<std::string> out;
        for (const LogLine& line : lines())
            if (line.level == level)
                out.push_back(line.text);
        return out;
    }

    // Number of lines at the level whose text contains the fragment.
    int count(spdlog::level::level_enum level, const std::string& fragment = {}) const
    {
        int n = 0;
        for (const LogLine& line : lines())
            n += (line.level == level && line.text.find(fragment) != std::string::npos) ? 1 : 0;
        return n;
    }

    void clear()
    {
        std::lock_guard lock(sink_->linesMutex);
        sink_->lines.clear();
    }

private:
    struct Sink : spdlog::sinks::base_sink<std::mutex> {
        mutable std::mutex linesMutex;
        std::vector<LogLine> lines;

    protected:
        void sink_it_(const spdlog::details::log_msg& msg) override
        {
            std::lock_guard lock(linesMutex);
            lines.push_back({msg.level, std::string(msg.payload.data(), msg.payload.size())});
        }
        void flush_() override {}
    };

    std::shared_ptr<Sink> sink_;
    std::shared_ptr<spdlog::logger> previous_;
};

}  // namespace quorel::test
