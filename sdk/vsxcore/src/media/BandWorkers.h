#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vsxsim::media {

// A few threads that share one job cut in pieces: run() wakes the threads and
// takes pieces itself at once; each thread takes the next piece not yet taken
// until none is left, so a thread that wakes late just takes fewer. run()
// returns once every piece is done. After a job the threads watch for the next
// one for a moment (frames converted back to back find them awake) and then
// sleep until it comes; run() likewise watches for the last pieces to finish
// before it sleeps.
class BandWorkers {
public:
    // `threads`: the threads beside the caller's own.
    explicit BandWorkers(int threads);
    ~BandWorkers();
    BandWorkers(const BandWorkers&) = delete;
    BandWorkers& operator=(const BandWorkers&) = delete;

    // The threads that work on a job, the caller's included.
    int workers() const { return static_cast<int>(threads_.size()) + 1; }

    // Runs piece(index, worker) for every index in 0 … count-1, each once;
    // `worker` (0 for the caller, below workers()) names the thread running it,
    // so that each can have scratch memory of its own.
    void run(int count, const std::function<void(int index, int worker)>& piece);

    // The processors this process may run on.
    static int usable_processors();

private:
    void work(int worker);
    void take_pieces(const std::function<void(int, int)>& job, int count, int worker);

    std::mutex mutex_;
    std::condition_variable start_;
    std::condition_variable done_;
    const std::function<void(int, int)>* job_ = nullptr; // null once the caller has closed the job
    int count_ = 0;
    std::atomic<int> next_{0};
    std::atomic<unsigned> generation_{0}; // written under mutex_, watched without it
    std::atomic<int> active_{0}; // threads inside the current job; written under mutex_
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

} // namespace vsxsim::media
