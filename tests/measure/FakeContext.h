#pragma once

// A transform context for tests: window = image × zoom + pan, a fixed image
// rectangle, dots per unit and a conversion factor, a selection and a hovered
// object, values with two decimals in "cm". It draws on screen only onto the
// graphics object named as the screen; everything else is offscreen.

#include "kyrgx/Graphics.h"
#include "measure/IMeasureObject.h"
#include "measure/ITransformContext.h"
#include "measure/LabelResources.h"
#include "measure/MeasureAppearanceSettings.h"

#include <fmt/format.h>
#include <memory>
#include <mutex>
#include <vector>

namespace quorel::test {

class FakeContext : public Measure::ITransformContext {
public:
    kyrgx::Vec2<float> imageToWindow(kyrgx::Vec2<float> p) override
    {
        return {p.x * zoom + pan.x, p.y * zoom + pan.y};
    }
    kyrgx::Vec2<float> imageToGraphics(kyrgx::Graphics& g, kyrgx::Vec2<float> p) override
    {
        return drawsOnScreen(g) ? imageToWindow(p) : p;
    }
    kyrgx::Vec2<float> windowToImage(kyrgx::Vec2<float> w) override
    {
        return {(w.x - pan.x) / zoom, (w.y - pan.y) / zoom};
    }
    float dotsPerUnit() override { return dots; }
    std::shared_ptr<Measure::IMeasureObject> hoveredObject() override { return hovered; }
    std::vector<std::shared_ptr<Measure::IMeasureObject>> selectedObjects() override { return selection; }
    Measure::ImageRect imageRect() override { return rect; }
    std::weak_ptr<kyrgx::Style> labelStyle(kyrgx::Graphics& g) override
    {
        return labels.labelStyle(g, drawsOnScreen(g) ? liveRoot : nullptr, 1.0f);
    }
    std::wstring unitAbbreviation() override
    {
        ++unitCalls;
        return L"cm";
    }
    float convertValue(float v) override { return v * factor; }
    std::string formatValue(float v) override { return fmt::format("{:.2f}", v); }
    bool drawsOnScreen(kyrgx::Graphics& g) override { return &g == screen; }
    kyrgx::UiRoot* offscreenRoot(kyrgx::Graphics& g) override { return labels.offscreenRoot(g); }
    std::recursive_mutex& objectsMutex() override { return mutex; }

    // Draws the objects in order under the mutex, as the workspace does.
    void renderAll(kyrgx::Graphics& g, const std::vector<std::shared_ptr<Measure::IMeasureObject>>& objects,
                   const std::shared_ptr<kyrgx::Control>& parent = {})
    {
        std::lock_guard lock(mutex);
        for (const auto& o : objects)
            o->render(g, parent);
    }

    float zoom = 1.0f;
    kyrgx::Vec2<float> pan{};
    Measure::ImageRect rect{0, 0, 640, 480};
    float dots = 1.0f;
    float factor = 1.0f;
    std::vector<std::shared_ptr<Measure::IMeasureObject>> selection;
    std::shared_ptr<Measure::IMeasureObject> hovered;
    kyrgx::Graphics* screen = nullptr;
    kyrgx::UiRoot* liveRoot = nullptr;
    Measure::LabelResources labels;
    std::recursive_mutex mutex;
    int unitCalls = 0;
};

// Puts every appearance setting back to its default.
inline void reset_appearance()
{
    for (const auto& p : MeasureAppearanceSettings::instance().parameters()) {
        switch (p->kind()) {
        case helper::ParameterKind::INT: {
            auto& q = static_cast<helper::IntParameter&>(*p);
            q.setValue(q.defaultValue());
            break;
        }
        case helper::ParameterKind::BOOL: {
            auto& q = static_cast<helper::boolParameter&>(*p);
            q.setValue(q.defaultValue());
            break;
        }
        case helper::ParameterKind::LIST: {
            auto& q = static_cast<helper::listParameter&>(*p);
            q.setValue(q.defaultValue());
            break;
        }
        default:
            break;
        }
    }
}

} // namespace quorel::test
