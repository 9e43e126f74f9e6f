// The GUI tick's deferred callbacks, on a manual clock.

#include "app/TimeoutController.h"
#include "support/LogCapture.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

class TimeoutControllerTest : public ::testing::Test {
protected:
    int64_t now = 100'000;
    app::TimeoutController controller{[this] { return now; }};
    std::vector<std::string> calls;

    std::function<bool()> record(std::string name, bool keep)
    {
        return [this, name, keep] {
            calls.push_back(name);
            return keep;
        };
    }
};

} // namespace

TEST_F(TimeoutControllerTest, DueEntriesRunInTheOrderTheyWereAdded)
{
    controller.addTimeout(record("slow", true), 50, -1);
    controller.addTimeout(record("a", true), 0, -1);
    controller.addOnce([this] { calls.push_back("once"); });
    controller.addTimeout(record("b", false), 0, -1);

    controller.processTimeouts();
    EXPECT_EQ(calls, (std::vector<std::string>{"a", "once", "b"}));

    calls.clear();
    now += 50;
    controller.processTimeouts();
    EXPECT_EQ(calls, (std::vector<std::string>{"slow", "a"})); // "once" and "b" are gone
    EXPECT_EQ(controller.pendingCount(), 2u);
}

// The tick paints the live views after posted work ran, not for timers.
TEST_F(TimeoutControllerTest, APassCountsTheOncePostedCallbacksItRan)
{
    controller.addTimeout(record("timer", true), 0, -1);
    EXPECT_EQ(controller.processTimeouts(), 0u) << "a repeating timer";
    controller.addOnce([this] {
        calls.push_back("once");
        controller.addOnce([this] { calls.push_back("posted by once"); });
    });
    controller.addOnce([] { throw std::runtime_error("posted work that failed"); });
    {
        quorel::test::LogCapture log;
        EXPECT_EQ(controller.processTimeouts(), 3u);
    }
    EXPECT_EQ(controller.processTimeouts(), 0u);
}

TEST_F(TimeoutControllerTest, IntervalCountsFromThePassThatRanTheEntry)
{
    controller.addTimeout(record("tick", true), 1000, -1);
    struct Step {
        int64_t at; // ms after the entry was added
        bool runs;
    };
    const Step steps[] = {{0, false},    {999, false}, {1003, true},  {2000, false},
                          {2002, false}, {2003, true}, {3002, false}, {3003, true}};
    const int64_t added = now;
    for (const Step& step : steps) {
        calls.clear();
        now = added + step.at;
        controller.processTimeouts();
        EXPECT_EQ(calls.size(), step.runs ? 1u : 0u) << "at " << step.at;
    }
}

TEST_F(TimeoutControllerTest, RepeatCountLimitsTheCalls)
{
    struct Row {
        int32_t repeat;
        int calls;
    };
    const Row rows[] = {{-1, 10}, {0, 10}, {1, 1}, {3, 3}, {10, 10}, {11, 10}};
    for (const Row& row : rows) {
        app::TimeoutController c([this] { return now; });
        int count = 0;
        c.addTimeout(
            [&] {
                ++count;
                return true;
            },
            0, row.repeat);
        for (int pass = 0; pass < 10; ++pass)
            c.processTimeouts();
        EXPECT_EQ(count, row.calls) << "repeat " << row.repeat;
    }
}

TEST_F(TimeoutControllerTest, OncePostedDuringAPassRunsExactlyOnce)
{
    // Clock unchanged since the pass began: the posted callback runs in the same pass.
    controller.addOnce([this] {
        calls.push_back("first");
        controller.addOnce([this] { calls.push_back("posted"); });
    });
    controller.processTimeouts();
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "posted"}));
    controller.processTimeouts();
    EXPECT_EQ(calls.size(), 2u);

    // Clock moved on: it runs in the next pass.
    calls.clear();
    controller.addOnce([this] {
        calls.push_back("first");
        now += 5;
        controller.addOnce([this] { calls.push_back("posted"); });
    });
    controller.processTimeouts();
    EXPECT_EQ(calls, std::vector<std::string>{"first"});
    controller.processTimeouts();
    controller.processTimeouts();
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "posted"}));
}

TEST_F(TimeoutControllerTest, CallbackThatPostsItselfDoesNotHoldThePass)
{
    // It runs, its repost runs in the same pass, and the repost's repost waits.
    std::function<void()> again = [this, &again] {
        calls.push_back("again");
        controller.addOnce(again);
    };
    controller.addOnce(again);
    for (int pass = 1; pass <= 3; ++pass) {
        controller.processTimeouts();
        EXPECT_EQ(calls.size(), static_cast<size_t>(2 * pass));
    }
    EXPECT_EQ(controller.pendingCount(), 1u);
    controller.clear();
}

TEST_F(TimeoutControllerTest, EmptyAndThrowingCallbacksAreRemoved)
{
    quorel::test::LogCapture log;
    controller.addTimeout(nullptr, 0, -1);
    controller.addOnce(nullptr);
    controller.addTimeout([]() -> bool { throw std::runtime_error("boom"); }, 0, -1);
    controller.addTimeout(record("after", true), 0, -1);

    controller.processTimeouts();
    EXPECT_EQ(calls, std::vector<std::string>{"after"});
    EXPECT_EQ(log.texts(spdlog::level::err),
              std::vector<std::string>{"TimeoutController::processTimeouts() failed: boom"});
    EXPECT_EQ(controller.pendingCount(), 1u);
}

TEST_F(TimeoutControllerTest, ClearDropsEntriesWithoutRunningThem)
{
    controller.addTimeout(record("a", true), 0, -1);
    controller.addTimeout(record("b", true), 0, -1);
    controller.clear();
    controller.processTimeouts();
    EXPECT_TRUE(calls.empty());

    // Cleared from a callback: the rest of the pass and the kept entries go,
    // what is added afterwards stays.
    controller.addTimeout(record("a", true), 0, -1);
    controller.addTimeout(
        [this] {
            calls.push_back("clearing");
            controller.clear();
            controller.addOnce([this] { calls.push_back("after clear"); });
            return true;
        },
        0, -1);
    controller.addTimeout(record("never", true), 0, -1);
    controller.processTimeouts();
    EXPECT_EQ(calls, (std::vector<std::string>{"a", "clearing", "after clear"}));
    EXPECT_EQ(controller.pendingCount(), 0u);
}

TEST_F(TimeoutControllerTest, NestedPassDoesNotRunTheRunningEntryAgain)
{
    // A callback that runs a modal loop ticks the same controller again.
    int modal = 0;
    controller.addOnce([&] {
        ++modal;
        controller.processTimeouts();
    });
    controller.addTimeout(record("repeating", true), 0, -1);
    controller.processTimeouts();
    EXPECT_EQ(modal, 1);
    controller.processTimeouts();
    EXPECT_EQ(modal, 1);
    EXPECT_EQ(controller.pendingCount(), 1u);
}

TEST(TimeoutControllerThreads, OncePostedFromManyThreadsRunsExactlyOnceOnTheGuiThread)
{
    app::TimeoutController controller;
    constexpr int kThreads = 4;
    constexpr int kPosts = 500;
    std::vector<int> runs(kThreads * kPosts, 0); // touched only on the "GUI" thread
    std::atomic<int> finished{0};
    const std::thread::id gui = std::this_thread::get_id();
    bool allOnGui = true;

    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPosts; ++i) {
                const int id = t * kPosts + i;
                controller.addOnce([&, id] {
                    runs[id] += 1;
                    allOnGui = allOnGui && std::this_thread::get_id() == gui;
                });
            }
            finished.fetch_add(1);
        });
    }
    // The GUI thread's tick, while the posters run, with entries of its own.
    int ticks = 0;
    controller.addTimeout(
        [&] {
            ++ticks;
            return true;
        },
        0, -1);
    while (finished.load() < kThreads)
        controller.processTimeouts();
    for (auto& thread : threads)
        thread.join();
    controller.processTimeouts();

    EXPECT_EQ(std::count(runs.begin(), runs.end(), 1), kThreads * kPosts);
    EXPECT_TRUE(allOnGui);
    EXPECT_EQ(controller.pendingCount(), 1u);
    EXPECT_GT(ticks, 0);
}
