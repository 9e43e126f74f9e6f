#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vsxsim::media {

// A few threads that share one job cut in bands: run() hands bands 1 … n-1 to
// the threads, does band 0 on the calling thread and returns once every band
// is done. The threads sleep between jobs.
class BandWorkers {
public:
    // `threads`: the threads beside the caller's own.
    explicit BandWorkers(int threads);
    ~BandWorkers();
    BandWorkers(const BandWorkers&) = delete;
    BandWorkers& operator=(const BandWorkers&) = delete;

    // The bands run() takes at most: the threads and the caller.
    int bands() const { return static_cast<int>(threads_.size()) + 1; }

    // Runs `band` for 0 … count-1 (count at most bands()); one band each.
    void run(int count, const std::function<void(int)>& band);

    // The processors this process may run on.
    static int usable_processors();

private:
    void work(int index);

    std::mutex mutex_;
    std::condition_variable start_;
    std::condition_variable done_;
    const std::function<void(int)>* job_ = nullptr;
    int count_ = 0;
    unsigned generation_ = 0;
    int pending_ = 0;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

} // namespace vsxsim::media
