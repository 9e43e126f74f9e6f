#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace app {

// The application model: the open cameras, the selected camera and image
// saving. Images are written by a worker thread of its own, first in, first out.
class MainModel {
public:
    MainModel();
    ~MainModel();
    MainModel(const MainModel&) = delete;
    MainModel& operator=(const MainModel&) = delete;

private:
    void saveThreadMain();

    std::mutex saveMutex_;
    std::condition_variable saveWake_;
    std::deque<std::function<void()>> saveQueue_;
    bool stopSaving_ = false;
    std::thread saveThread_;
};

}  // namespace app
