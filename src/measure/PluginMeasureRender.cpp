// The measurement overlay of one camera: the objects with their labels on
// live views, saved images and recorded frames; on a live view also the
// preview of the object being drawn, the rubber band and the snapping aids.

#include "measure/PluginMeasure.h"

#include "kyrgx/Graphics.h"
#include "kyrgx/GraphicsDriver.h"
#include "measure/AnnotationLabel.h"
#include "measure/MeasureAppearanceSettings.h"
#include "measure/ScaleBar.h"
#include "measure/Tool.h"
#include "measure/Workspace.h"
#include "model/PluginContext.h"
#include "views/liveview/ILiveView.h"
#include "views/liveview/LiveViewController.h"

#include <algorithm>

namespace app {

namespace {

// The rubber band's fill colour (0x7ACC), without alpha.
constexpr uint32_t kBandColor = 0x00007ACC;
// Half the side of the snapping search area, image pixels.
constexpr float kSearchHalfSize = 128.0f;
// Half the size of the cross on the snap point, window pixels.
constexpr float kCrossHalfSize = 10.0f;

} // namespace

void PluginMeasure::render(ILiveView* liveView, vsx::DeviceInfo device, kyrgx::Graphics& g)
{
    std::lock_guard lock(pluginMutex);
    if (!context)
        return;
    const std::shared_ptr<LiveViewController> live = context->liveViewForDevice(device);
    if (!live)
        return;
    // Offscreen the objects draw their labels in a UI root of their own,
    // never in the live view's control tree.
    kyrgx::UiRoot* root = liveView ? liveView->uiRoot() : nullptr;
    const WorkspacePtr workspace = workspaceForDevice(device);
    if (liveView)
        workspace->updateLabelStyle(g, root, liveView->borderWidth());

    // While this workspace is calibrated only its line and hint are drawn
    // (and the scale bar, which shows the calibration so far).
    if (!renderCalibration(liveView, workspace, g)) {
        if (MeasureAppearanceSettings::instance().getBool(MeasureAppearanceSettings::SHOW_OVERLAY))
            workspace->renderObjects(g, root);
        // The aids of drawing are drawn on the live view of the selected
        // camera only: never into saved images, sequences or recorded frames.
        if (liveView)
            renderAids(live, workspace, device, g);
    }

    // The bar stands for window pixels on screen (the zoom the image is drawn
    // with), for image pixels on a saved image or a recorded frame.
    const bool onScreen = liveView && workspace->drawsOnScreen(g);
    Measure::render_scale_bar_overlay(*workspace, g, onScreen ? liveView : nullptr,
                                      onScreen ? live->currentZoom() : 1.0f);
}

void PluginMeasure::renderAids(const std::shared_ptr<LiveViewController>& live, const WorkspacePtr& workspace,
                               const vsx::DeviceInfo& device, kyrgx::Graphics& g)
{
    bool selected;
    Vec2f cursor;
    {
        std::lock_guard snapLock(snapMutex);
        selected = !selectedDevice.empty() && selectedDevice == device;
        cursor = cursorPosition;
    }
    if (!selected)
        return;
    // The pointer's image point follows zoom and pan between pointer moves.
    setCursorPosition(cursor);
    renderInteraction(workspace, g);
    renderSnappingAids(live, g);
}

void PluginMeasure::renderInteraction(const WorkspacePtr& workspace, kyrgx::Graphics& g)
{
    if (auto* preview = dynamic_cast<Measure::IRenderable*>(currentTool.get())) {
        Vec2f cursor;
        {
            std::lock_guard snapLock(snapMutex);
            cursor = cursorPosition;
        }
        std::vector<Vec2f> points = pendingPoints;
        points.push_back(context->windowToImage(cursor));
        g.setAlpha(1.0f);
        preview->renderPreview(workspace.get(), g, std::move(points));
    }
    if (rubberBandActive && !Measure::labelDragging.load()) {
        const RubberBand& b = rubberBand;
        g.setBlendMode(kyrgx::BLEND_ALPHA);
        g.setColorARGB(kBandColor);
        g.setAlpha(0.3f);
        g.fillRect(std::min(b.x1, b.x2), std::min(b.y1, b.y2), std::abs(b.x2 - b.x1), std::abs(b.y2 - b.y1));
        g.setAlpha(1.0f);
        g.setLineWidth(1.0f);
        const auto x1 = static_cast<float>(b.x1);
        const auto y1 = static_cast<float>(b.y1);
        const auto x2 = static_cast<float>(b.x2);
        const auto y2 = static_cast<float>(b.y2);
        g.drawLine(x1, y1, x2, y1);
        g.drawLine(x2, y1, x2, y2);
        g.drawLine(x2, y2, x1, y2);
        g.drawLine(x1, y2, x1, y1);
    }
}

void PluginMeasure::renderSnappingAids(const std::shared_ptr<LiveViewController>& live, kyrgx::Graphics& g)
{
    if (!currentTool || calibration.active || rubberBandActive)
        return;
    std::lock_guard snapLock(snapMutex);
    if (!shiftDown)
        return;
    g.setLineWidth(1.0f);
    g.setBlendMode(kyrgx::BLEND_ALPHA);
    g.setColor(kyrgx::Color(255, 0, 0));
    g.setAlpha(0.35f);
    for (const Measure::LineSegment& s : snapSegments) {
        const Vec2f a = context->imageToWindow(patchOrigin + Vec2f{s.x1, s.y1});
        const Vec2f b = context->imageToWindow(patchOrigin + Vec2f{s.x2, s.y2});
        g.drawLine(a.x, a.y, b.x, b.y);
    }
    const Vec2f s = context->imageToWindow(patchOrigin + snapPoint);
    const float z = live->zoom();

    g.setColor(kyrgx::Color(255, 255, 0));
    g.setAlpha(0.175f);
    const float half = kSearchHalfSize * z;
    g.fillRectF(cursorPosition.x - half, cursorPosition.y - half, 2.0f * half, 2.0f * half);

    if (snapPoint.x >= 0.0f && snapPoint.y >= 0.0f) {
        g.setColor(kyrgx::Color(0, 255, 0));
        g.setAlpha(1.0f);
        g.setLineWidth(3.0f);
        const float c = kCrossHalfSize;
        g.drawLine(s.x - c, s.y - c, s.x + c, s.y + c);
        g.drawLine(s.x - c, s.y + c, s.x + c, s.y - c);
    }
}

} // namespace app
