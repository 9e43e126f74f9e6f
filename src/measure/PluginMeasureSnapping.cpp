// Edge snapping in the measure plug-in: while Shift is held, the frame hook
// looks for straight edges in a patch of the selected camera's frame around the
// pointer, at most once every 100 ms, and keeps the point on them nearest to
// the pointer; a click of a drawing tool then places its point there.

#include "measure/PluginMeasure.h"

#include "filter/Converter.h"
#include "filter/ImageTransform.h"
#include "measure/LineSegmentsSnap.h"
#include "model/PluginContext.h"
#include "views/liveview/LiveViewController.h"

#include <chrono>
#include <spdlog/spdlog.h>

namespace app {

namespace {

// Strictly more than this must lie between two detections.
constexpr uint64_t kDetectionIntervalMs = 100;

uint64_t steady_ms()
{
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

bool quarter_turned(float angle)
{
    const int degrees = static_cast<int>(angle);
    return degrees == 90 || degrees == 270;
}

} // namespace

void PluginMeasure::setCursorPosition(Vec2f window)
{
    const Vec2f image = context ? context->windowToImage(window) : Vec2f{-1.0f, -1.0f};
    std::lock_guard lock(snapMutex);
    cursorPosition = window;
    cursorImagePosition = image;
}

void PluginMeasure::onFrame(const vsx::DeviceInfo& device, const kyr_kelvane::image_descriptor& frame)
{
    // Every frame of every camera comes here: while Shift is up this takes
    // one lock and allocates nothing.
    std::lock_guard lock(snapMutex);
    if (!shiftDown || selectedDevice.empty() || !(device == selectedDevice) || !context)
        return;
    const std::shared_ptr<LiveViewController> live = context->liveViewForDevice(device);
    if (!live)
        return;
    try {
        detectAroundPointer(live, device, frame);
    } catch (const std::exception& e) {
        // A frame that cannot be analysed leaves the last results in place.
        spdlog::error("PluginMeasure: edge detection failed: {}", e.what());
    }
}

void PluginMeasure::detectAroundPointer(const std::shared_ptr<LiveViewController>& live,
                                        const vsx::DeviceInfo& device,
                                        const kyr_kelvane::image_descriptor& frame)
{
    // The frame as the live view shows it.
    const float angle = live->angle();
    const bool turned = quarter_turned(angle);
    const int width = static_cast<int>(turned ? frame.height : frame.width);
    const int height = static_cast<int>(turned ? frame.width : frame.height);
    const Vec2f p = cursorImagePosition;
    if (!(p.x >= 0.0f && p.x < static_cast<float>(width) && p.y >= 0.0f && p.y < static_cast<float>(height)))
        return;

    const uint64_t now = snapClock ? snapClock() : steady_ms();
    if (snapDetected && !(now - lastDetectionMs > kDetectionIntervalMs))
        return;
    snapDetected = true;
    lastDetectionMs = now;
    snapDevice = device;

    const auto patch = Measure::snap_patch_around(p, width, height);
    if (!patch)
        return;

    // The whole frame is turned into the kept 32-bit image; only the patch
    // is made grey and analysed.
    ImageUtil::transformImageSwapRB(frame, static_cast<int32_t>(angle), live->flipVertical(),
                                    live->flipHorizontal(), orientedFrame);
    if (!orientedFrame)
        return; // a pixel format the transform does not know
    kyr_kelvane::image_descriptor source = ImageUtil::image_view_of(*orientedFrame);
    if (source.width < static_cast<uint32_t>(width) || source.height < static_cast<uint32_t>(height))
        return;
    source.data +=
        static_cast<size_t>(source.pitch) * static_cast<size_t>(patch->y0) +
        static_cast<size_t>(kyrgx::pixel_format_bytes(source.format)) * static_cast<size_t>(patch->x0);
    source.width = static_cast<uint32_t>(patch->width);
    source.height = static_cast<uint32_t>(patch->height);

    snapGrey.assign(static_cast<size_t>(patch->width) * static_cast<size_t>(patch->height), 0);
    kyr_kelvane::image_descriptor grey;
    grey.format = kyrgx::PixelFormat::MONO8;
    grey.width = source.width;
    grey.height = source.height;
    grey.pitch = patch->width;
    grey.bottom_up = false;
    grey.data = snapGrey.data();
    if (!snapConverter)
        snapConverter = std::make_shared<filter::Converter>();
    snapConverter->selectKernel(kyrgx::PixelFormat::RGB32, kyrgx::PixelFormat::MONO8);
    snapConverter->apply(source, grey);

    std::vector<Measure::LineSegment> segments =
        Measure::find_line_segments(snapGrey.data(), patch->width, patch->height, &snapScratch);
    snapPoint = Measure::nearest_segment_point(segments, patch->reference);
    snapSegments = std::move(segments);
    patchOrigin = {static_cast<float>(patch->x0), static_cast<float>(patch->y0)};
}

} // namespace app
