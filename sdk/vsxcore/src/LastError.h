#pragma once

#include "Status.h"

namespace vsxsim {

// The thread-local last error that vsx_get_last_error reads.
class LastError {
public:
    static void set(int code, const std::string& message);
    static void set(const Status& status) { set(status.code, status.message); }
    static void clear();
    static int code();
    static const std::string& message();
};

} // namespace vsxsim
