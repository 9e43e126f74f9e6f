#include "device/StallWatchdog.h"

namespace app {

void StallWatchdog::rearm(int64_t now, bool armed)
{
    frames_.store(0);
    framesAtCheck_.store(0);
    lastCheck_.store(now);
    armed_.store(armed);
}

bool StallWatchdog::poll(int64_t now)
{
    if (now - lastCheck_.load() <= kStallMs)
        return false;
    lastCheck_.store(now);
    const uint32_t frames = frames_.load();
    if (armed_.load() && frames == framesAtCheck_.load()) {
        armed_.store(false);
        return true;
    }
    framesAtCheck_.store(frames);
    return false;
}

} // namespace app
