#include "Log.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace vsxsim {

namespace {
std::mutex g_log_mutex;
FILE* g_file = nullptr;
bool g_to_stderr = true;
std::atomic<int> g_level{Log::Error};
const char* level_name(int level)
{
    static const char* names[] = {"error", "warn", "info", "debug"};
    return names[level < 0 ? 0 : (level > 3 ? 3 : level)];
}
} // namespace

void Log::configure(const std::string& target, int level)
{
    std::lock_guard<std::mutex> lock(g_log_mutex);
    if (g_file) {
        std::fclose(g_file);
        g_file = nullptr;
    }
    g_to_stderr = true;
    if (!target.empty() && target != "stderr") {
        g_file = std::fopen(target.c_str(), "a");
        g_to_stderr = g_file == nullptr;
    }
    g_level.store(level < 0 ? 0 : (level > 3 ? 3 : level));
}

bool Log::enabled(Level level)
{
    return level <= g_level.load(std::memory_order_relaxed);
}

void Log::write(Level level, const std::string& text)
{
    if (!enabled(level))
        return;
    std::lock_guard<std::mutex> lock(g_log_mutex);
    FILE* out = g_file ? g_file : (g_to_stderr ? stderr : nullptr);
    if (!out)
        return;
    std::fprintf(out, "[vsxsim] [%s] %s\n", level_name(level), text.c_str());
    std::fflush(out);
}

} // namespace vsxsim
