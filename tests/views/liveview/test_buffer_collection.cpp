// The frame buffer pool: buffer rotation, a full pool, release, a failing
// pixel-buffer factory, and a frame thread filling while the GUI thread takes
// and recycles (run under ThreadSanitizer with ./test.sh --tsan).

#include "LiveViewTestSupport.h"
#include "support/LogCapture.h"
#include "views/liveview/BufferCollection.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <stdexcept>
#include <thread>

using app::BufferCollection;
using kyrgx::PixelFormat;

namespace {

using Buffer = std::shared_ptr<kyrgx::IImageBuffer>;

// A pool of 4 x 2 MONO8 Pixmaps whose fills stamp a frame number into byte 0.
struct Pool {
    Pool() { pool.initialize(4, 2, 4, PixelFormat::MONO8); }

    bool fill(uint8_t frame)
    {
        return pool.fill([&](const Buffer& b) {
            b->data()[0] = frame;
            ++writes;
        });
    }
    // The frame number of the ready buffer, or -1; the buffer goes back.
    int take()
    {
        Buffer b;
        if (!pool.takeReady(b))
            return -1;
        const int frame = b->data()[0];
        pool.recycle(b);
        return frame;
    }

    BufferCollection pool{quorel::test::pixmap_factory()};
    int writes = 0;
};

} // namespace

TEST(BufferCollection, FillsPublishTheNewestCompleteFrame)
{
    struct Case {
        const char* name;
        std::vector<int> steps; // > 0: fill that frame; 0: take and check
        std::vector<int> taken; // what each take found (-1: nothing)
    };
    const Case cases[] = {
        {"nothing is ready after the first fill", {1, 0}, {-1}},
        {"the second fill publishes the first frame", {1, 2, 0}, {1}},
        {"two fills without a paint leave only the newest ready", {1, 2, 3, 0, 0}, {2, -1}},
        {"a taken frame is not taken twice", {1, 2, 0, 3, 0, 0}, {1, 2, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pool p;
        std::vector<int> taken;
        for (int step : c.steps) {
            if (step > 0)
                EXPECT_TRUE(p.fill(static_cast<uint8_t>(step)));
            else
                taken.push_back(p.take());
        }
        EXPECT_EQ(taken, c.taken);
        EXPECT_LE(p.pool.readyCount(), 1u);
    }
}

TEST(BufferCollection, NoFreeBufferDropsTheFrameWithoutTheWriter)
{
    Pool p;
    ASSERT_TRUE(p.fill(1));
    ASSERT_TRUE(p.fill(2)); // 1 ready, 2 current
    Buffer held;
    ASSERT_TRUE(p.pool.takeReady(held)); // the paint holds 1
    ASSERT_TRUE(p.fill(3));              // 2 ready, 3 current: all three taken
    EXPECT_EQ(p.pool.freeCount(), 0u);
    EXPECT_FALSE(p.fill(4));
    EXPECT_EQ(p.writes, 3);
    p.pool.recycle(held);
    EXPECT_TRUE(p.fill(5));
    EXPECT_EQ(p.take(), 3);
}

TEST(BufferCollection, ReleaseIsHarmlessTwiceBeforeInitialisingAndBeforeARecycle)
{
    BufferCollection never(quorel::test::pixmap_factory());
    never.release();
    never.release();
    EXPECT_FALSE(never.fill([](const Buffer&) { FAIL() << "an uninitialised pool has no buffer"; }));

    Pool p;
    p.fill(1);
    p.fill(2);
    Buffer held;
    ASSERT_TRUE(p.pool.takeReady(held));
    p.pool.release();
    p.pool.release();
    p.pool.recycle(held); // the paint's buffer comes back after the release
    EXPECT_EQ(p.pool.freeCount(), 0u);
    EXPECT_EQ(p.pool.readyCount(), 0u);
    EXPECT_FALSE(p.fill(3));
    EXPECT_EQ(held->data()[0], 1) << "a buffer held elsewhere lives on";

    p.pool.initialize(4, 2, 4, PixelFormat::MONO8); // usable again
    EXPECT_TRUE(p.fill(4));
}

TEST(BufferCollection, BuffersStayLockedAndHaveThePoolsFormat)
{
    int locks = 0;
    struct CountingPixmap : kyrgx::Pixmap {
        CountingPixmap(int* locks) : kyrgx::Pixmap(6, 3, 24, PixelFormat::RGB32), locks_(locks) {}
        uint8_t* lock() override
        {
            ++*locks_;
            return Pixmap::lock();
        }
        int* locks_;
    };
    BufferCollection pool([&](int w, int h, int stride, PixelFormat f) -> Buffer {
        EXPECT_EQ(w, 6);
        EXPECT_EQ(h, 3);
        EXPECT_EQ(stride, 24);
        EXPECT_EQ(f, PixelFormat::RGB32);
        return std::make_shared<CountingPixmap>(&locks);
    });
    pool.initialize(6, 3, 24, PixelFormat::RGB32);
    EXPECT_EQ(pool.freeCount(), 3u);
    EXPECT_EQ(locks, 3);
}

TEST(BufferCollection, AFailingFactoryGivesThreePixmapsAndOneErrorLine)
{
    struct Case {
        const char* name;
        int failAt; // the factory call that throws (0-based)
        size_t buffers;
    };
    const Case cases[] = {{"no pixel buffer at all", 0, 3}, {"the third pixel buffer fails", 2, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        quorel::test::LogCapture log;
        int calls = 0;
        BufferCollection pool([&](int w, int h, int stride, PixelFormat f) -> Buffer {
            if (calls++ == c.failAt)
                throw std::runtime_error("no pixel buffers here");
            return BufferCollection::makePixmap(w, h, stride, f);
        });
        pool.initialize(8, 4, 8, PixelFormat::MONO8);
        EXPECT_EQ(pool.freeCount(), c.buffers) << "the buffers made before the failure stay";
        EXPECT_EQ(log.texts(spdlog::level::err),
                  std::vector<std::string>{"BufferCollection::initialize: no pixel buffers here"});
        // Frames still flow.
        EXPECT_TRUE(pool.fill([](const Buffer& b) { b->data()[31] = 9; }));
    }
}

TEST(BufferCollection, TheDefaultFactoryIsTheApplicationContextsAndFallsBackWithoutOne)
{
    // No application context in this process: the pool says so once and uses Pixmaps.
    quorel::test::LogCapture log;
    BufferCollection pool;
    pool.initialize(4, 4, 4, PixelFormat::MONO8);
    EXPECT_EQ(pool.freeCount(), 3u);
    EXPECT_EQ(log.count(spdlog::level::err, "BufferCollection::initialize: "), 1);
}

// The frame thread fills as fast as it can while the GUI thread takes,
// uploads (reads) and recycles: every frame taken is whole and newer than the
// one taken before.
TEST(BufferCollection, FrameThreadAndGuiThreadShareThePoolSafely)
{
    BufferCollection pool(quorel::test::pixmap_factory());
    constexpr int W = 256;
    pool.initialize(W, 16, W, PixelFormat::MONO8);
    std::atomic<bool> stop{false};
    std::atomic<int> filled{0};
    std::thread frames([&] {
        for (uint32_t frame = 1; !stop.load(); ++frame)
            if (pool.fill([&](const Buffer& b) {
                    std::memset(b->data(), static_cast<int>(frame & 0xFF), b->height() * b->stride());
                    std::memcpy(b->data(), &frame, sizeof frame);
                }))
                filled.fetch_add(1);
    });
    int taken = 0;
    int torn = 0;
    int notNewer = 0;
    uint32_t last = 0;
    while (taken < 2000 && filled.load() < 200000) {
        Buffer b;
        if (!pool.takeReady(b))
            continue;
        uint32_t frame = 0;
        std::memcpy(&frame, b->data(), sizeof frame);
        for (uint32_t i = sizeof frame; i < b->height() * b->stride(); ++i)
            torn += b->data()[i] != static_cast<uint8_t>(frame & 0xFF) ? 1 : 0;
        notNewer += frame <= last ? 1 : 0;
        last = frame;
        pool.recycle(b);
        ++taken;
    }
    stop = true;
    frames.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(notNewer, 0);
    EXPECT_GT(taken, 0);
}
