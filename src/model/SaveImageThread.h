#pragma once

#include "filter/Image.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace app {

// The kinds of image file the program writes.
enum class ImageFileKind { Bmp, Png, Jpeg, Tiff };

// The kind of file a path asks for by the extension of its file name, in any
// letter case: ".bmp", ".png", ".jpg" or ".jpeg", ".tif" or ".tiff". Nothing
// for another extension or none (a file name whose only dot is its first
// character has none). A colon is an ordinary character of the name.
std::optional<ImageFileKind> image_file_kind(const std::wstring& path);

// Writes an RGB32 image (blue, green, red, alpha bytes per pixel) as a file of
// the kind through the camera library, which reads the image's memory in place.
// Quality is the JPEG quality, 1 to 100. Throws std::runtime_error with the
// camera library's reason (or that it gave none) when the image cannot be
// wrapped or written, and the library's own exception when it is not
// initialised.
void write_image_file(const ImageUtil::Image& image, ImageFileKind kind, const std::wstring& path,
                      int quality);

// What became of one queued image.
enum class SaveOutcome {
    Written, // the file is written
    Failed,  // it could not be written (reported through onSaveFailed)
    Dropped, // the queue was full or the writer stopped before it (reported by count)
};

// The image writer: one worker thread that writes queued images first in, first
// out, so that neither the GUI thread nor a camera's frame thread waits for the
// disk.
//
// An image is accepted while at most ten wait (with the one being written, at
// most twelve are held); a further one is dropped. Every image that is not
// written is reported through onSaveFailed: a failed write at once, dropped
// images by their count, at most once a second while the queue stays full and
// once more when it runs empty.
//
// Stopping (finish, or destruction) writes what is still queued, but waits for
// that only so long: a write that hangs (a folder on a lost network share, a
// FIFO in place of the file) never keeps the program from ending. The worker is
// then left to end on its own; it calls nobody back any more.
class save_image_thread {
public:
    // Called once per queued image with what became of it and, unless it was
    // written, the reason. Runs on the worker thread (for a dropped image on
    // the pushing thread), never after the writer was stopped; it must not
    // throw and must not push.
    using Done = std::function<void(SaveOutcome outcome, const std::string& reason)>;

    // One queued image.
    struct img_item {
        std::shared_ptr<ImageUtil::Image> image; // RGB32, overlays drawn in
        std::wstring path;                       // its extension selects the kind
        int32_t quality = 75;                    // JPEG quality as the caller gave it
        Done done;                               // may be empty
    };

    // Writes one image file; throws when it cannot. Tests put a slow or
    // failing writer in the place of write_image_file.
    using ImageWriter = std::function<void(const ImageUtil::Image& image, ImageFileKind kind,
                                           const std::wstring& path, int quality)>;
    // Milliseconds of a steady clock, for the pace of the drop reports.
    using SteadyClock = std::function<int64_t()>;

    static constexpr size_t kMaxWaiting = 10;
    static constexpr int64_t kDropReportIntervalMs = 1000;
    // How long stopping waits for the images still queued.
    static constexpr std::chrono::milliseconds kFinishLimit{5000};

    // Starts the worker; throws std::system_error when it cannot be started.
    explicit save_image_thread(ImageWriter writer = write_image_file, SteadyClock clock = {});
    // finish(kFinishLimit) unless it was called.
    ~save_image_thread();
    save_image_thread(const save_image_thread&) = delete;
    save_image_thread& operator=(const save_image_thread&) = delete;

    // Queues the image, or drops it when more than ten wait. Any thread; never
    // blocks on a write. A drop report (and the item's done) runs on the
    // calling thread.
    void push(std::shared_ptr<ImageUtil::Image> image, std::wstring path, int quality, Done done = {});

    // Writes one item (worker thread): the kind by the path's extension, JPEG
    // quality clamped to 1..100. A failure is logged "failed to save image:
    // <reason>" and handed to onSaveFailed; it never throws.
    void save(const std::shared_ptr<img_item>& item);

    // Images waiting, the one being written not counted.
    size_t waiting() const;
    // Waits until every image queued so far is written or reported.
    void waitUntilIdle();

    // Stops the writer once it has written what is queued, waiting at most
    // limit for that. True when it ended in time; otherwise the images still
    // waiting are dropped (logged with their number), the image being written
    // is left to its write, and nobody is called back any more. GUI thread;
    // later calls do nothing and give the first call's result.
    bool finish(std::chrono::milliseconds limit = kFinishLimit);

    // Failure reports, mostly on the worker thread (drop reports also on a
    // pushing thread). Set it before the first push; it may be empty.
    std::function<void(const std::wstring& text)> onSaveFailed;

private:
    struct Shared;
    // The worker's loop; it holds the shared state, not the writer object.
    static void run(const std::shared_ptr<Shared>& shared);
    static void saveItem(Shared& shared, const std::shared_ptr<img_item>& item);
    // Logs the text and hands it to onSaveFailed; never throws, does nothing
    // once the writer was left behind.
    static void report(Shared& shared, const std::string& text);
    // Calls the item's done; never throws, does nothing once left behind.
    static void complete(Shared& shared, img_item& item, SaveOutcome outcome, const std::string& reason);
    // The number of drops to report now (0 for none), under the queue mutex.
    static uint32_t takeDropsToReport(Shared& shared, bool queueRanEmpty);
    static void reportDrops(Shared& shared, uint32_t count);

    std::shared_ptr<Shared> shared_;
    std::thread worker_;
    std::optional<bool> finished_; // finish's result once it ran
};

} // namespace app
