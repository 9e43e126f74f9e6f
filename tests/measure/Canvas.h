#pragma once

// Drawing surfaces for tests: an RGB32 image painted through the QPainter
// driver, optionally with a UI root whose pointer the test moves (standing in
// for a live view on screen).

#include "app/Utf8.h"
#include "kyrgx/Control.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/Resources.h"
#include "kyrgx/UiRoot.h"
#include "kyrgx/qt/QtGraphicsContext.h"
#include "kyrgx/qt/QtGraphicsDriver.h"

#include <QPainter>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace quorel::test {

inline void use_data_folder()
{
    kyrgx::set_resource_directory(
        app::path_to_wide(std::filesystem::read_symlink("/proc/self/exe").parent_path() / "data"));
}

class Canvas {
public:
    Canvas(int width, int height) : w(width), h(height), pixels(static_cast<size_t>(width * height * 4), 0)
    {
        surface = std::make_shared<app::QtView::QtGraphicsContext>(&painter, pixels.data(), w, h, w * 4,
                                                                   kyrgx::PixelFormat::RGB32, false);
        driver = std::make_shared<app::QtView::QtGraphicsDriver>(&painter, QRect(0, 0, w, h));
        g = std::make_unique<kyrgx::Graphics>(driver, surface);
        clear();
    }

    // The background: a grey that nothing draws.
    static constexpr kyrgx::Color ground{64, 64, 64};

    // Pixel (x, y) as red, green, blue (opaque).
    kyrgx::Color at(int x, int y) const
    {
        const uint8_t* p = &pixels[static_cast<size_t>((y * w + x) * 4)];
        return {p[2], p[1], p[0], 255};
    }

    // How many pixels of the rectangle (all of the image by default) have the colour.
    int count(kyrgx::Color c, int left = 0, int top = 0, int right = -1, int bottom = -1) const
    {
        right = right < 0 ? w : right;
        bottom = bottom < 0 ? h : bottom;
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                n += at(x, y) == c ? 1 : 0;
        return n;
    }

    void clear() { g->clear(ground.r, ground.g, ground.b); }

    const int w;
    const int h;
    std::vector<uint8_t> pixels;
    QPainter painter;
    std::shared_ptr<app::QtView::QtGraphicsContext> surface;
    std::shared_ptr<app::QtView::QtGraphicsDriver> driver;
    std::unique_ptr<kyrgx::Graphics> g;
};

// A canvas with a UI root: the on-screen surface of the tests. The root's
// root control stands in for the live view's control.
class Screen : public Canvas {
public:
    Screen(int width, int height) : Canvas(width, height), root(std::make_unique<kyrgx::UiRoot>(g.get())) {}
    ~Screen() { root.reset(); }

    std::shared_ptr<kyrgx::Control> view() const { return root->rootControl(); }

    // The pointer moves to (x, y) with the left button down or up; one frame of the UI root.
    void pointer(int x, int y, bool down)
    {
        const auto fx = static_cast<float>(x);
        const auto fy = static_cast<float>(y);
        surface->mouseMove(fx, fy);
        if (down)
            surface->mousePress(Qt::LeftButton, fx, fy);
        else
            surface->mouseRelease(Qt::LeftButton, fx, fy);
        root->update(*g);
        surface->endFrame();
    }

    // Drags with the left button from one point to another in small steps.
    void drag(kyrgx::Vec2<int> from, kyrgx::Vec2<int> to, int steps = 8)
    {
        pointer(from.x, from.y, false);
        pointer(from.x, from.y, true);
        for (int i = 1; i <= steps; ++i)
            pointer(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps, true);
        pointer(to.x, to.y, false);
    }

    std::unique_ptr<kyrgx::UiRoot> root;
};

} // namespace quorel::test
