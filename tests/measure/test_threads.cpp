// A camera thread draws the objects offscreen (as a video recording does)
// while the GUI thread drags their labels on screen.

#include "Canvas.h"
#include "FakeContext.h"
#include "measure/AnnotationLabel.h"
#include "measure/AnnotationObject.h"
#include "measure/LineObject.h"
#include "measure/PolygonObject.h"

#include <atomic>
#include <gtest/gtest.h>
#include <set>
#include <thread>

using quorel::test::Canvas;
using quorel::test::FakeContext;
using quorel::test::Screen;
using S = MeasureAppearanceSettings;
using Points = std::vector<kyrgx::Vec2<float>>;

TEST(MeasureThreads, OffscreenDrawingOnAnotherThreadLeavesTheScreenLabelsAlone)
{
    quorel::test::use_data_folder();
    quorel::test::reset_appearance();
    FakeContext context;
    Screen screen(640, 480);
    context.screen = screen.g.get();
    context.liveRoot = screen.root.get();
    const std::vector<std::shared_ptr<Measure::IMeasureObject>> objects = {
        std::make_shared<Measure::LineObject>(&context, Points{{100, 100}, {300, 120}}),
        std::make_shared<Measure::AnnotationObject>(&context, Points{{200, 250}}),
        std::make_shared<Measure::PolygonObject>(&context, Points{{400, 300}, {500, 300}, {450, 380}}),
    };
    context.renderAll(*screen.g, objects, screen.view());
    std::vector<std::shared_ptr<Measure::AnnotationLabel>> labels;
    for (const auto& o : objects)
        labels.push_back(o->label());

    std::atomic<bool> stop{false};
    std::atomic<int> frames{0};
    int labelPixels = 0;
    size_t leftOver = 1;
    std::thread camera([&] {
        Canvas frame(640, 480);
        while (!stop) {
            frame.clear();
            context.renderAll(*frame.g, objects);
            ++frames;
            std::this_thread::yield();
        }
        labelPixels = frame.count({0x2f, 0x8f, 0xdd});
        std::lock_guard lock(context.mutex);
        leftOver = context.offscreenRoot(*frame.g)->rootControl()->children().size();
    });

    for (int i = 0; i < 24; ++i) {
        // Each round overlaps at least one frame drawn on the camera thread.
        const int before = frames;
        const auto& label = labels[static_cast<size_t>(i) % labels.size()];
        const kyrgx::Vec2<int> from{label->position().x + 5, label->position().y + 5};
        screen.drag(from, {from.x + (i % 2 != 0 ? -20 : 20), from.y + 10}, 4);
        {
            std::lock_guard lock(context.mutex);
            objects[0]->moveBy({i % 2 != 0 ? -1.0f : 1.0f, 0.0f});
        }
        S::instance().setBool(S::SHOW_LENGTH, i % 3 != 0);
        context.renderAll(*screen.g, objects, screen.view());
        while (frames == before)
            std::this_thread::yield();
    }
    stop = true;
    camera.join();

    EXPECT_GE(frames.load(), 24);
    EXPECT_GT(labelPixels, 0) << "the frames carry labels of their own";
    EXPECT_EQ(leftOver, 0u) << "and keep none of them";
    const auto children = screen.view()->children();
    EXPECT_EQ(std::set<std::shared_ptr<kyrgx::Control>>(children.begin(), children.end()),
              std::set<std::shared_ptr<kyrgx::Control>>(labels.begin(), labels.end()))
        << "the view holds its three labels and nothing else";
    for (size_t i = 0; i < objects.size(); ++i)
        EXPECT_EQ(objects[i]->label(), labels[i]);
    EXPECT_FALSE(Measure::labelDragging);
}
