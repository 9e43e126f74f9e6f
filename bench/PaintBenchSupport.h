#pragma once

// A graphics object painting into a frame's own RGB32 pixels through the
// QPainter driver, as the application context makes one for each recorded
// frame.

#include "kyrgx/Graphics.h"
#include "kyrgx/qt/QtGraphicsContext.h"
#include "kyrgx/qt/QtGraphicsDriver.h"

#include <QPainter>
#include <cstdint>
#include <memory>
#include <vector>

namespace quorel::bench {

struct FrameGraphics {
    FrameGraphics(std::vector<uint8_t>& pixels, int width, int height)
        : surface(std::make_shared<app::QtView::QtGraphicsContext>(
              &painter, pixels.data(), width, height, width * 4, kyrgx::PixelFormat::RGB32, false)),
          g(std::make_shared<app::QtView::QtGraphicsDriver>(&painter, QRect(0, 0, width, height)), surface)
    {
    }
    QPainter painter;
    std::shared_ptr<app::QtView::QtGraphicsContext> surface;
    kyrgx::Graphics g;
};

} // namespace quorel::bench
