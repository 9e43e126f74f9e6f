#include "model/SaveImageThread.h"

#include "app/Clock.h"
#include "app/Utf8.h"
#include "device/ImageBuffer.h"
#include "device/VsxError.h"

#include <algorithm>
#include <cwctype>
#include <fmt/format.h>
#include <spdlog/spdlog.h>
#include <stdexcept>
#include <vsxcore.h>

namespace app {

namespace {

// The extension of a path's file name as given: from the last dot of the name
// on; empty for none and for a name whose only dot is its first character.
std::wstring extension_of(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L'/');
    const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of(L'.');
    if (dot == std::wstring::npos || dot == 0 || name == L"..")
        return {};
    return name.substr(dot);
}

std::wstring lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return text;
}

// A path for a message; never throws.
std::string printable(const std::wstring& path)
{
    try {
        return wide_to_utf8(path);
    } catch (const std::exception&) {
        return "<path that is not valid text>";
    }
}

// The camera library's reason for the failure in the record.
std::string reason_of(const vsx::Error& err)
{
    const std::string message = err.message();
    if (!message.empty())
        return message;
    return err.code == vsx::Error::kNoError ? std::string("the camera library gave no reason")
                                            : fmt::format("camera library error {}", err.code);
}

// The text as a wide string; bytes that are not UTF-8 become '?'.
std::wstring wide_text(const std::string& text)
{
    try {
        return utf8_to_wide(text);
    } catch (const std::exception&) {
        std::wstring out;
        for (char c : text)
            out.push_back(static_cast<unsigned char>(c) < 0x80 ? static_cast<wchar_t>(c) : L'?');
        return out;
    }
}

} // namespace

std::optional<ImageFileKind> image_file_kind(const std::wstring& path)
{
    const std::wstring extension = lower(extension_of(path));
    if (extension == L".bmp")
        return ImageFileKind::Bmp;
    if (extension == L".png")
        return ImageFileKind::Png;
    if (extension == L".jpg" || extension == L".jpeg")
        return ImageFileKind::Jpeg;
    if (extension == L".tif" || extension == L".tiff")
        return ImageFileKind::Tiff;
    return std::nullopt;
}

void write_image_file(const ImageUtil::Image& image, ImageFileKind kind, const std::wstring& path,
                      int quality)
{
    vsx::Error err(vsx::Error::Record);
    const vsx::ImageType type{VSX_PIXELFORMAT_BGRA8, image.width(), image.height()};
    const auto buffer = vsx::ImageBuffer::wrapMemory(
        image.data(), static_cast<size_t>(image.height()) * image.stride(), image.stride(), type, err);
    if (!buffer)
        throw std::runtime_error("the image could not be handed to the camera library: " + reason_of(err));

    bool written = false;
    switch (kind) {
    case ImageFileKind::Bmp:
        written = buffer->saveAsBmp(path, err);
        break;
    case ImageFileKind::Png:
        written = buffer->saveAsPng(path, err);
        break;
    case ImageFileKind::Jpeg:
        written = buffer->saveAsJpeg(path, quality, err);
        break;
    case ImageFileKind::Tiff:
        written = buffer->saveAsTiff(path, err);
        break;
    }
    if (!written)
        throw std::runtime_error(reason_of(err));
}

// The state the worker shares with the writer object. The worker holds it on
// its own, so that a worker left to a hanging write outlives the object safely.
struct save_image_thread::Shared {
    ImageWriter writer;
    SteadyClock clock;

    std::mutex mutex; // everything down to running
    std::condition_variable wake;
    std::condition_variable idle; // also when the worker has ended
    bool busy = false;            // the worker is writing (or reporting) an item
    bool ended = false;           // the worker has left its loop
    bool running = true;
    std::deque<std::shared_ptr<img_item>> queue;
    uint32_t unreportedDrops = 0;
    int64_t lastDropReport = 0;
    bool dropsReported = false;

    // Held while anybody is called back; owner is cleared, under it, when the
    // worker is left behind, so no call reaches the writer's owner after that.
    std::mutex callbackMutex;
    save_image_thread* owner = nullptr;
};

save_image_thread::save_image_thread(ImageWriter writer, SteadyClock clock)
    : shared_(std::make_shared<Shared>())
{
    shared_->writer = writer ? std::move(writer) : ImageWriter(write_image_file);
    shared_->clock = clock ? std::move(clock) : SteadyClock(steady_ms);
    shared_->owner = this;
    worker_ = std::thread([shared = shared_] { run(shared); });
}

save_image_thread::~save_image_thread()
{
    try {
        finish(kFinishLimit);
    } catch (...) {
        // Only the log can fail here; the worker is joined or left already.
    }
}

bool save_image_thread::finish(std::chrono::milliseconds limit)
{
    if (finished_)
        return *finished_;
    std::unique_lock lock(shared_->mutex);
    shared_->running = false;
    shared_->wake.notify_all();
    const bool ended = shared_->idle.wait_for(lock, limit, [this] { return shared_->ended; });
    size_t left = 0;
    if (!ended) {
        left = shared_->queue.size();
        shared_->queue.clear();
    }
    lock.unlock();
    finished_ = ended;
    if (ended) {
        worker_.join();
        return true;
    }
    {
        std::lock_guard callbacks(shared_->callbackMutex);
        shared_->owner = nullptr;
    }
    worker_.detach();
    spdlog::error("The image writer did not finish within {} ms: {} waiting image{} not written, and the "
                  "image being written is left to its write",
                  limit.count(), left, left == 1 ? " is" : "s are");
    return false;
}

size_t save_image_thread::waiting() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->queue.size();
}

void save_image_thread::push(std::shared_ptr<ImageUtil::Image> image, std::wstring path, int quality,
                             Done done)
{
    auto item =
        std::make_shared<img_item>(img_item{std::move(image), std::move(path), quality, std::move(done)});
    std::unique_lock lock(shared_->mutex);
    if (shared_->queue.size() > kMaxWaiting) {
        ++shared_->unreportedDrops;
        const uint32_t drops = takeDropsToReport(*shared_, false);
        lock.unlock();
        reportDrops(*shared_, drops);
        complete(*shared_, *item, SaveOutcome::Dropped, "the save queue is full");
        return;
    }
    shared_->queue.push_back(std::move(item));
    lock.unlock();
    shared_->wake.notify_all();
}

uint32_t save_image_thread::takeDropsToReport(Shared& shared, bool queueRanEmpty)
{
    if (shared.unreportedDrops == 0)
        return 0;
    const int64_t now = shared.clock();
    if (!queueRanEmpty && shared.dropsReported && now - shared.lastDropReport < kDropReportIntervalMs)
        return 0;
    shared.dropsReported = true;
    shared.lastDropReport = now;
    return std::exchange(shared.unreportedDrops, 0);
}

void save_image_thread::reportDrops(Shared& shared, uint32_t count)
{
    if (count == 0)
        return;
    report(shared, fmt::format("failed to save image: the save queue is full, {} image{} dropped", count,
                               count == 1 ? "" : "s"));
}

void save_image_thread::run(const std::shared_ptr<Shared>& shared)
{
    Shared& s = *shared;
    std::unique_lock lock(s.mutex);
    for (;;) {
        s.busy = false;
        if (s.queue.empty())
            s.idle.notify_all();
        s.wake.wait(lock, [&s] { return !s.queue.empty() || !s.running; });
        if (s.queue.empty())
            break; // stopping, and everything queued is written
        std::shared_ptr<img_item> item = std::move(s.queue.front());
        s.queue.pop_front();
        s.busy = true;
        lock.unlock();
        saveItem(s, item);
        item.reset();
        lock.lock();
        if (const uint32_t drops = takeDropsToReport(s, s.queue.empty())) {
            lock.unlock();
            reportDrops(s, drops);
            lock.lock();
        }
    }
    const uint32_t drops = takeDropsToReport(s, true);
    lock.unlock();
    reportDrops(s, drops);
    lock.lock();
    s.ended = true;
    s.idle.notify_all();
}

void save_image_thread::waitUntilIdle()
{
    std::unique_lock lock(shared_->mutex);
    shared_->idle.wait(lock, [this] { return (shared_->queue.empty() && !shared_->busy) || shared_->ended; });
}

void save_image_thread::save(const std::shared_ptr<img_item>& item)
{
    saveItem(*shared_, item);
}

void save_image_thread::saveItem(Shared& shared, const std::shared_ptr<img_item>& item)
{
    std::string reason;
    try {
        if (!item || !item->image)
            throw std::runtime_error("there is no image to write");
        const std::optional<ImageFileKind> kind = image_file_kind(item->path);
        if (!kind)
            throw std::runtime_error("'" + printable(item->path) +
                                     "' does not end in .bmp, .png, .jpg, .jpeg, .tif or .tiff");
        shared.writer(*item->image, *kind, item->path, std::clamp(item->quality, 1, 100));
    } catch (const std::exception& e) {
        reason = e.what();
        report(shared, fmt::format("failed to save image: {}", reason));
    }
    if (item)
        complete(shared, *item, reason.empty() ? SaveOutcome::Written : SaveOutcome::Failed, reason);
}

void save_image_thread::report(Shared& shared, const std::string& text)
{
    try {
        std::lock_guard callbacks(shared.callbackMutex);
        if (!shared.owner)
            return;
        spdlog::error("{}", text);
        if (shared.owner->onSaveFailed)
            shared.owner->onSaveFailed(wide_text(text));
    } catch (const std::exception& e) {
        try {
            spdlog::error("error in save_image_thread: {}", e.what());
        } catch (...) {
        }
    }
}

void save_image_thread::complete(Shared& shared, img_item& item, SaveOutcome outcome,
                                 const std::string& reason)
{
    if (!item.done)
        return;
    try {
        std::lock_guard callbacks(shared.callbackMutex);
        if (shared.owner)
            item.done(outcome, reason);
    } catch (const std::exception& e) {
        try {
            spdlog::error("error in save_image_thread: {}", e.what());
        } catch (...) {
        }
    }
}

} // namespace app
