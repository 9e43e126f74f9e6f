#pragma once

// A measure host with a simulated camera open and 200 measurement objects of
// every kind over its image, for the benchmarks that draw the measure
// plug-in's overlay.

#include "../tests/measure/MeasureHost.h"
#include "measure/AngleObject.h"
#include "measure/AnnotationObject.h"
#include "measure/CircleObject.h"
#include "measure/LineObject.h"
#include "measure/PolygonObject.h"
#include "measure/RectangleObject.h"
#include "measure/Workspace.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace quorel::bench {

// 200 objects on a 20 x 10 grid over a width x height image, the six kinds in turn.
inline void add_grid_objects(Measure::Workspace& ws, float width, float height)
{
    using Points = std::vector<kyrgx::Vec2<float>>;
    const float cellW = width / 20.0f;
    const float cellH = height / 10.0f;
    for (int i = 0; i < 200; ++i) {
        const float x = static_cast<float>(i % 20) * cellW + 8;
        const float y = static_cast<float>(i / 20) * cellH + 8;
        const float w = cellW - 20;
        const float h = cellH - 20;
        std::shared_ptr<Measure::IMeasureObject> object;
        switch (i % 6) {
        case 0:
            object = std::make_shared<Measure::LineObject>(&ws, Points{{x, y}, {x + w, y + h}});
            break;
        case 1:
            object = std::make_shared<Measure::RectangleObject>(&ws, Points{{x, y}, {x + w, y + h}});
            break;
        case 2:
            object = std::make_shared<Measure::CircleObject>(
                &ws, Points{{x + w / 2, y + h / 2}, {x + w, y + h / 2}});
            break;
        case 3:
            object =
                std::make_shared<Measure::AngleObject>(&ws, Points{{x, y}, {x + w / 2, y + h}, {x + w, y}});
            break;
        case 4:
            object = std::make_shared<Measure::PolygonObject>(
                &ws, Points{{x, y}, {x + w, y + 10}, {x + w - 10, y + h}, {x + 10, y + h - 10}});
            break;
        default:
            object = std::make_shared<Measure::AnnotationObject>(&ws, Points{{x, y}});
            break;
        }
        ws.addObject(object);
    }
}

// The host with the simulated 1920 x 1080 camera open and 200 objects laid
// over a width x height image; made once, in main, while the application
// object lives.
struct MeasureScene {
    MeasureScene(float width, float height)
    {
        if (!quorel::test::init_measure_cameras() || !host.openAndShow(quorel::test::kHdName))
            throw std::runtime_error("the simulated camera cannot be opened");
        device = host.device(quorel::test::kHdName);
        add_grid_objects(*host.plugin->workspaceForDevice(device), width, height);
    }
    quorel::test::MeasureHost host;
    vsx::DeviceInfo device;
};

// The scene while run_measure_benchmarks runs the benchmarks.
inline MeasureScene*& current_scene()
{
    static MeasureScene* scene = nullptr;
    return scene;
}

// A benchmark program's main: the host's settings in a temporary folder of
// their own (never the user's), a Qt application, and the benchmarks run with
// a scene of 200 objects over a width x height image. `enter` runs before the
// scene is made and `leave` after it is gone. 1 when the scene cannot be made.
inline int run_measure_benchmarks(int argc, char** argv, float width, float height,
                                  const std::function<void()>& enter = {},
                                  const std::function<void()>& leave = {})
{
    char folder[] = "/tmp/quorel-bench-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    setenv("HOME", folder, 1);
    setenv("XDG_CONFIG_HOME", (std::string(folder) + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (std::string(folder) + "/data").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int status = 0;
    {
        QGuiApplication app(argc, argv);
        benchmark::Initialize(&argc, argv);
        if (enter)
            enter();
        try {
            MeasureScene made(width, height);
            current_scene() = &made;
            benchmark::RunSpecifiedBenchmarks();
            current_scene() = nullptr;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            status = 1;
        }
        if (leave)
            leave();
        benchmark::Shutdown();
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return status;
}

} // namespace quorel::bench
