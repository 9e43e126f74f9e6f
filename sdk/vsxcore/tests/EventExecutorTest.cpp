// The event thread behind every simulated camera, tested on its own: the
// library's copy is hidden inside libvsxcore.so, so this binary builds the
// class from its source.
#include "EventExecutor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

using vsxsim::EventExecutor;
using namespace std::chrono_literals;

namespace {

// Waits (bounded) until `flag` is set.
bool eventually(const std::atomic<bool>& flag)
{
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!flag.load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    return flag.load();
}

} // namespace

// Stopping drops queued tasks while the thread waits for the first one's due
// time (that wait must not hold on to the dropped task), runs none of them, and
// returns with the thread joined; later posts are refused.
TEST(EventExecutor, StopDropsWaitingTasksAndJoins)
{
    std::atomic<int> ran{0};
    auto executor = std::make_unique<EventExecutor>("test");
    executor->post([&] { ++ran; });
    ASSERT_TRUE(executor->wait_idle(std::chrono::steady_clock::now() + 10s));
    executor->post_after(60s, [&] { ++ran; });
    executor->post_after(120s, [&] { ++ran; });
    std::this_thread::sleep_for(20ms); // the thread is asleep until the first due time
    executor->stop();
    EXPECT_EQ(ran.load(), 1);
    EXPECT_EQ(executor->executed(), 1u);
    executor->post([&] { ++ran; });
    EXPECT_EQ(executor->queued(), 3u);
    executor.reset();
    EXPECT_EQ(ran.load(), 1);
}

// The last owner of an executor may let go of it inside one of its tasks (a
// camera released on its own event thread): the task finishes, and the
// thread ends without touching the destroyed executor.
TEST(EventExecutor, ATaskMayDestroyItsOwnExecutor)
{
    auto owner = std::make_shared<std::unique_ptr<EventExecutor>>(std::make_unique<EventExecutor>("test"));
    std::atomic<bool> finished{false};
    std::atomic<bool> on_worker{false};
    EventExecutor* executor = owner->get();
    executor->post([owner, &finished, &on_worker] {
        on_worker = (*owner)->on_worker_thread();
        owner->reset();
        finished = true;
    });
    owner.reset();
    ASSERT_TRUE(eventually(finished));
    EXPECT_TRUE(on_worker.load());
    // Give the thread the moment it needs to end: a use of the destroyed
    // executor shows up under the address sanitizer.
    std::this_thread::sleep_for(50ms);
}

// Stop from several threads at once: each returns only when the thread has ended.
TEST(EventExecutor, ConcurrentStopsAllWaitForTheThread)
{
    EventExecutor executor("test");
    std::atomic<bool> release{false};
    std::atomic<bool> task_started{false};
    std::atomic<bool> task_ended{false};
    executor.post([&] {
        task_started = true;
        while (!release.load())
            std::this_thread::sleep_for(1ms);
        task_ended = true;
    });
    ASSERT_TRUE(eventually(task_started));
    std::atomic<int> returned{0};
    std::atomic<int> saw_task_end{0};
    std::thread a([&] {
        executor.stop();
        saw_task_end += task_ended.load() ? 1 : 0;
        ++returned;
    });
    std::thread b([&] {
        executor.stop();
        saw_task_end += task_ended.load() ? 1 : 0;
        ++returned;
    });
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(returned.load(), 0);
    release = true;
    a.join();
    b.join();
    EXPECT_EQ(returned.load(), 2);
    EXPECT_EQ(saw_task_end.load(), 2);
}
