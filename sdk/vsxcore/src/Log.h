#pragma once

#include <string>

namespace vsxsim {

// The library's own log ("vsxsim"): VSXSIM_LOG names "stderr" or a file,
// VSXSIM_LOG_LEVEL 0 errors, 1 warnings, 2 info, 3 debug. Without VSXSIM_LOG
// only errors go to stderr.
class Log {
public:
    enum Level { Error = 0, Warn = 1, Info = 2, Debug = 3 };
    static void configure(const std::string& target, int level);
    static void write(Level level, const std::string& text);
    static bool enabled(Level level);
    static void error(const std::string& text) { write(Error, text); }
    static void warn(const std::string& text) { write(Warn, text); }
    static void info(const std::string& text) { write(Info, text); }
    static void debug(const std::string& text) { write(Debug, text); }
};

} // namespace vsxsim
