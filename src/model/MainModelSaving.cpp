// Saving images: snaps and captured sequence frames, oriented like the live
// view, with every plug-in's overlay, handed to the image writer.

#include "model/MainModel.h"

#include "app/IApplicationContext.h"
#include "app/Utf8.h"
#include "device/VideoDeviceController.h"
#include "filter/ImageTransform.h"
#include "kyrgx/Graphics.h"
#include "model/DeviceInstance.h"
#include "model/ImageSequence.h"
#include "model/PluginHost.h"

#include <cmath>
#include <cstring>
#include <fmt/format.h>
#include <spdlog/spdlog.h>
#include <stdexcept>

namespace app {

namespace {

// The rotation in whole degrees, truncated toward zero; a value no int holds
// counts as no rotation.
int32_t whole_degrees(float rotation)
{
    if (!std::isfinite(rotation) || std::fabs(rotation) >= 2147483520.0f)
        return 0;
    return static_cast<int32_t>(rotation);
}

// Throws when the frame cannot be read as its descriptor says.
void check_frame(const kyr_kelvane::image_descriptor& frame)
{
    const int32_t bytes = kyrgx::pixel_format_bytes(frame.format);
    if (bytes == 0)
        throw std::runtime_error(
            fmt::format("a frame of pixel format {} cannot be saved", static_cast<int>(frame.format)));
    if (!frame.data || frame.width == 0 || frame.height == 0)
        throw std::runtime_error("there is no frame to save");
    if (frame.pitch <= 0 || static_cast<uint64_t>(frame.pitch) < static_cast<uint64_t>(frame.width) * bytes)
        throw std::runtime_error(fmt::format("the frame's rows of {} bytes are too short for {} pixels",
                                             frame.pitch, frame.width));
}

} // namespace

void MainModel::save_image(const kyr_kelvane::image_descriptor& frame, const ViewTransform& transform,
                           const vsx::DeviceInfo& device, const std::wstring& path, int quality,
                           save_image_thread::Done done)
{
    try {
        check_frame(frame);
        const int32_t rotation = whole_degrees(transform.rotation);
        std::shared_ptr<ImageUtil::Image> target;
        std::shared_ptr<ImageUtil::Image> image =
            frame.format == kyrgx::PixelFormat::YUV422
                ? ImageUtil::transformImageSwapRB(frame, rotation, transform.flipVertical,
                                                  transform.flipHorizontal, target)
                : ImageUtil::transformImage(frame, rotation, transform.flipVertical, transform.flipHorizontal,
                                            target);
        if (!image)
            throw std::runtime_error(
                fmt::format("a frame of pixel format {} cannot be saved", static_cast<int>(frame.format)));

        // The overlays are drawn into the image's own pixels, blue, green, red
        // and alpha as the writer reads them. The Graphics holds the offscreen
        // drawing lock from its making to its release.
        if (!Plugin::plugin_list.empty()) {
            const std::shared_ptr<kyrgx::Graphics> graphics =
                application::get_context()->makeGraphics(ImageUtil::image_view_of(*image), true);
            if (graphics)
                Plugin::plugins_render(nullptr, device, *graphics);
        }
        saveThread_.push(std::move(image), path, quality, std::move(done));
        done = nullptr;
    } catch (const std::exception& e) {
        report_save_failure(fmt::format("failed to save image: {}", e.what()));
        if (done) {
            try {
                done(SaveOutcome::Failed, e.what());
            } catch (const std::exception& inner) {
                spdlog::error("MainModel::save_image() failed: {}", inner.what());
            }
        }
    }
}

std::shared_ptr<MainModel::SnapshotFrame>
MainModel::SnapshotFrame::copy_of(const kyr_kelvane::image_descriptor& frame)
{
    if (frame.format == kyrgx::PixelFormat::NONE || !frame.data || frame.width == 0 || frame.height == 0 ||
        frame.pitch <= 0)
        return nullptr;
    auto owned = std::make_shared<SnapshotFrame>();
    owned->pixels.resize(frame.byte_size());
    std::memcpy(owned->pixels.data(), frame.data, owned->pixels.size());
    owned->view = frame;
    owned->view.data = owned->pixels.data();
    return owned;
}

void MainModel::save_snapshot(std::shared_ptr<const SnapshotFrame> frame, const ViewTransform& transform,
                              const vsx::DeviceInfo& device, const std::wstring& path, int quality,
                              save_image_thread::Done done)
{
    // One owner of done: the job, or the abandon call when the job never runs.
    auto shared = std::make_shared<save_image_thread::Done>(std::move(done));
    snapshots_.post(
        [this, frame, transform, device, path, quality, shared] {
            if (!frame)
                return;
            save_image(frame->view, transform, device, path, quality, std::move(*shared));
        },
        [this, shared] {
            const std::string reason = "the program ended before the snapshot was prepared";
            report_save_failure(fmt::format("failed to save image: {}", reason));
            if (*shared)
                (*shared)(SaveOutcome::Failed, reason);
        });
}

void MainModel::save_sequence_frame(const std::shared_ptr<VideoDeviceController>& controller,
                                    const std::weak_ptr<DeviceInstance>& instance, ImageSequence& sequence,
                                    const kyr_kelvane::image_descriptor& frame,
                                    const std::filesystem::path& path)
{
    raise_event(image_saving, nullptr, *controller, path);
    const uint64_t run = sequence.runId();
    save_image(frame, controller->viewTransform, controller->deviceInfo(), path_to_wide(path),
               sequence.jpgQuality(),
               [this, controller, instance, path, run](SaveOutcome outcome, const std::string& reason) {
                   on_sequence_image_done(*controller, instance, path, run, outcome, reason);
               });
}

void MainModel::on_sequence_image_done(VideoDeviceController& controller,
                                       const std::weak_ptr<DeviceInstance>& instance,
                                       const std::filesystem::path& path, uint64_t run, SaveOutcome outcome,
                                       const std::string& reason)
{
    // A dropped image was reported by its count; it neither names a file nor
    // says anything about the folder.
    if (outcome == SaveOutcome::Dropped || !reportSaveFailures_.load(std::memory_order_acquire))
        return;
    try {
        const std::shared_ptr<DeviceInstance> owner = instance.lock();
        if (!owner)
            return; // the camera was closed meanwhile
        const bool written = outcome == SaveOutcome::Written;
        const bool ended = owner->sequence.imageSaved(run, written);
        if (written) {
            raise_event(image_saved, nullptr, controller, path);
        } else if (ended) {
            spdlog::error("The image sequence of '{}' stopped: {} images in a row could not be saved; the "
                          "last because {}",
                          controller.uniqueName(), ImageSequence::kFailuresInARowToStop, reason);
            std::wstring text = utf8_to_wide(reason);
            raise_event(sequence_failed, nullptr, controller, text);
        }
    } catch (const std::exception& e) {
        spdlog::error("MainModel::on_sequence_image_done() failed: {}", e.what());
    }
}

void MainModel::report_save_failure(const std::string& text)
{
    try {
        spdlog::error("{}", text);
        if (!reportSaveFailures_.load(std::memory_order_acquire))
            return;
        std::wstring wide = utf8_to_wide(text);
        raise_event(save_failed, nullptr, wide);
    } catch (const std::exception& e) {
        try {
            spdlog::error("MainModel::save_image() failed: {}", e.what());
        } catch (...) {
        }
    }
}

} // namespace app
