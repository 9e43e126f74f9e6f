#include "model/MainModel.h"

#include <spdlog/spdlog.h>

namespace app {

MainModel::MainModel() : saveThread_([this] { saveThreadMain(); }) {}

MainModel::~MainModel()
{
    {
        std::lock_guard lock(saveMutex_);
        stopSaving_ = true;
    }
    saveWake_.notify_all();
    saveThread_.join();
}

void MainModel::saveThreadMain()
{
    std::unique_lock lock(saveMutex_);
    for (;;) {
        saveWake_.wait(lock, [this] { return stopSaving_ || !saveQueue_.empty(); });
        if (saveQueue_.empty())
            return;  // stopping, and everything queued is written
        auto job = std::move(saveQueue_.front());
        saveQueue_.pop_front();
        lock.unlock();
        try {
            job();
        } catch (const std::exception& e) {
            spdlog::error("MainModel::saveThread() failed: {}", e.what());
        }
        lock.lock();
    }
}

}  // namespace app
