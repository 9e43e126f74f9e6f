#pragma once

#include <string>
#include <utility>

namespace vsxsim {

// Error codes of the last error (see vsxcore.h).
enum ErrorCode : int {
    kNoError = 0,
    kInternal = 1,
    kInvalidParameter = 3,
    kNotFound = 4,
    kNotInitialized = 5,
    kWrongKind = 6,
    kAccessDenied = 7,
    kNotAvailable = 8,
    kOutOfRange = 9,
    kInvalidState = 10,
    kDeviceNotOpen = 11,
    kDeviceLost = 12,
    kDeviceBusy = 13,
    kBufferTooSmall = 14,
    kNotSupported = 15,
    kFileIO = 16,
    kFileFormat = 17,
    kEncoder = 18,
    kTimeout = 19,
    kNoData = 20,
    kNotReachable = 21,
};

// Result of an internal operation: code 0 is success.
struct Status {
    int code = kNoError;
    std::string message;

    Status() = default;
    Status(int c, std::string m) : code(c), message(std::move(m)) {}
    bool ok() const { return code == kNoError; }
    explicit operator bool() const { return ok(); }
};

inline Status ok_status()
{
    return Status{};
}

} // namespace vsxsim
