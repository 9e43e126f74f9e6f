// Strings, the rate counter and the scope profiler.

#include "app/ProfileScope.h"
#include "app/RateCounter.h"
#include "app/StringUtil.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using Pieces = std::vector<std::string>;

TEST(CoreStrings, SplitString)
{
    struct Row {
        std::string text;
        char separator;
        Pieces pieces;
    };
    const Row rows[] = {
        {"a,b", ',', {"a", "b"}},     {"a,b,", ',', {"a", "b", ""}}, {"", ',', {""}},
        {",a", ',', {"", "a"}},       {",,", ',', {"", "", ""}},     {"no separator", ',', {"no separator"}},
        {"x;y,z", ';', {"x", "y,z"}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(app::split_string(row.text, row.separator), row.pieces) << '"' << row.text << '"';
}

TEST(CoreStrings, IsFloat)
{
    struct Row {
        std::string text;
        bool number;
    };
    const Row rows[] = {
        {"1.5", true},   {"-2e3", true},   {"0", true},    {"+.5", true},  {"1.", true},      {"1.5 ", false},
        {" 1.5", false}, {"1.5x", false},  {"", false},    {"1,5", false}, {"abc", false},    {"1e50", false},
        {"-", false},    {"1.5\n", false}, {"nan", false}, {"e3", false},  {"3.40e38", true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(app::is_float(row.text), row.number) << '"' << row.text << '"';
}

// A camera's deliveries: one frame every 1000 / fps ms, every seventh one
// late by `lateMs` (a busy frame thread), read on a millisecond clock.
TEST(CoreRateCounter, ReadsTheDeliveredRateWithinOnePercent)
{
    struct Case {
        double fps;
        double lateMs;
    };
    for (const Case c :
         {Case{30.0, 0.0}, Case{30.0, 25.0}, Case{12.0, 60.0}, Case{120.0, 5.0}, Case{2.0, 5.0}}) {
        SCOPED_TRACE(testing::Message() << c.fps << " fps, late by " << c.lateMs << " ms");
        int64_t now = 5'000'000;
        app::RateCounter counter([&] { return now; });
        const int64_t start = now;
        for (int i = 0; i < static_cast<int>(c.fps * 6.0); ++i) {
            const double due = static_cast<double>(i) * 1000.0 / c.fps + (i % 7 == 3 ? c.lateMs : 0.0);
            now = start + static_cast<int64_t>(due);
            counter.tick();
            if (due > 2500.0) {
                ASSERT_NEAR(counter.rate(), c.fps, c.fps * 0.01) << "frame " << i;
            }
        }
    }
}

TEST(CoreRateCounter, ReadsZeroWhenNothingComes)
{
    int64_t now = 5'000'000;
    app::RateCounter counter([&] { return now; });
    EXPECT_EQ(counter.rate(), 0.0f);

    // Twelve frames a second, then a stall: 0 within two seconds of the last.
    for (int i = 0; i < 36; ++i) {
        now += 83;
        counter.tick();
    }
    EXPECT_NEAR(counter.rate(), 12.0f, 0.12f);
    now += 2000;
    EXPECT_EQ(counter.rate(), 0.0f);

    // A start shows the rate it asked for while the first second runs, then
    // what came: nothing, when the start failed.
    counter.restart(30.0f);
    now += 999;
    EXPECT_EQ(counter.rate(), 30.0f);
    now += 1;
    EXPECT_EQ(counter.rate(), 0.0f);

    // A single frame is no rate; a slow camera keeps its rate between frames.
    counter.restart(0.5f);
    for (int i = 0; i < 4; ++i) {
        now += 2000;
        counter.tick();
        EXPECT_EQ(counter.rate(), i == 0 ? 0.0f : 0.5f) << "frame " << i;
    }
    now += 1999;
    EXPECT_EQ(counter.rate(), 0.5f);
    now += 2000;
    EXPECT_EQ(counter.rate(), 0.0f);
}

namespace {

const app::ProfileProbe* probe(const std::vector<app::ProfileProbe>& table, const std::string& name,
                               int depth)
{
    auto it = std::find_if(table.begin(), table.end(),
                           [&](const app::ProfileProbe& p) { return p.name == name && p.depth == depth; });
    return it == table.end() ? nullptr : &*it;
}

} // namespace

TEST(CoreProfileScope, CountsScopesAndNests)
{
    app::ProfileScope::reset();
    for (int i = 0; i < 10; ++i) {
        app::ProfileScope outer("FilterPipeline::runFilters");
        app::ProfileScope inner("BrightnessContastFilter::transform");
    }
    {
        app::ProfileScope alone("BrightnessContastFilter::transform");
    }
    {
        app::ProfileScope none(nullptr);
    }

    const auto table = app::ProfileScope::snapshot();
    ASSERT_EQ(table.size(), 3u);
    const auto* outer = probe(table, "FilterPipeline::runFilters", 0);
    const auto* inner = probe(table, "BrightnessContastFilter::transform", 1);
    const auto* alone = probe(table, "BrightnessContastFilter::transform", 0);
    ASSERT_TRUE(outer && inner && alone);
    EXPECT_EQ(outer->scopes, 10);
    EXPECT_EQ(inner->scopes, 10);
    EXPECT_EQ(alone->scopes, 1);
    EXPECT_EQ(outer->children, Pieces{"BrightnessContastFilter::transform"});
    EXPECT_EQ(inner->parent, "FilterPipeline::runFilters");
    EXPECT_EQ(alone->parent, "");
    EXPECT_GE(outer->totalMicroseconds, inner->totalMicroseconds);
}

TEST(CoreProfileScope, TableAndChildSlotsAreBounded)
{
    app::ProfileScope::reset();
    static std::vector<std::string> names;
    for (int i = static_cast<int>(names.size()); i < 70; ++i)
        names.push_back("probe" + std::to_string(i));
    {
        app::ProfileScope root(names[0].c_str());
        for (int i = 1; i < 70; ++i)
            app::ProfileScope child(names[i].c_str());
    }
    const auto table = app::ProfileScope::snapshot();
    ASSERT_EQ(table.size(), 64u); // the 65th name and later are not recorded
    EXPECT_EQ(table.back().name, "probe63");
    const auto& children = table.front().children;
    ASSERT_EQ(children.size(), 32u);
    EXPECT_EQ(children[30], "probe31");
    EXPECT_EQ(children[31], "probe63"); // every child past the 32nd replaced the last slot

    // Scopes still open across a reset record nothing.
    app::ProfileScope::reset();
    {
        app::ProfileScope open("open");
        app::ProfileScope::reset();
    }
    EXPECT_TRUE(app::ProfileScope::snapshot().empty());
}

TEST(CoreProfileScope, ThreadsNestOnlyTheirOwnScopes)
{
    app::ProfileScope::reset();
    constexpr int kThreads = 4;
    constexpr int kRounds = 2000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kRounds; ++i) {
                app::ProfileScope frame(t % 2 == 0 ? "VideoDeviceController::imageready_handler"
                                                   : "Converter::bayer8_to_rgb32");
                app::ProfileScope filters("FilterPipeline::runFilters");
            }
        });
    }
    for (auto& thread : threads)
        thread.join();

    const auto table = app::ProfileScope::snapshot();
    ASSERT_EQ(table.size(), 3u);
    const auto* handler = probe(table, "VideoDeviceController::imageready_handler", 0);
    const auto* converter = probe(table, "Converter::bayer8_to_rgb32", 0);
    const auto* filters = probe(table, "FilterPipeline::runFilters", 1);
    ASSERT_TRUE(handler && converter && filters);
    EXPECT_EQ(handler->scopes, kThreads / 2 * kRounds);
    EXPECT_EQ(converter->scopes, kThreads / 2 * kRounds);
    EXPECT_EQ(filters->scopes, kThreads * kRounds);
    EXPECT_EQ(handler->children, Pieces{"FilterPipeline::runFilters"});
    EXPECT_EQ(converter->children, Pieces{"FilterPipeline::runFilters"});
}
