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

save_image_thread::save_image_thread(ImageWriter writer, SteadyClock clock)
    : writer_(std::move(writer)), clock_(clock ? std::move(clock) : SteadyClock(steady_ms))
{
    if (!writer_)
        writer_ = write_image_file;
    worker_ = std::thread([this] { run(); });
}

save_image_thread::~save_image_thread()
{
    {
        std::lock_guard lock(mutex_);
        running_.store(false, std::memory_order_release);
    }
    wake_.notify_all();
    worker_.join();
}

size_t save_image_thread::waiting() const
{
    std::lock_guard lock(mutex_);
    return queue_.size();
}

void save_image_thread::push(std::shared_ptr<ImageUtil::Image> image, std::wstring path, int quality)
{
    std::unique_lock lock(mutex_);
    if (queue_.size() > kMaxWaiting) {
        ++unreportedDrops_;
        const uint32_t drops = takeDropsToReport(false);
        lock.unlock();
        reportDrops(drops);
        return;
    }
    queue_.push_back(std::make_shared<img_item>(img_item{std::move(image), std::move(path), quality}));
    lock.unlock();
    wake_.notify_all();
}

uint32_t save_image_thread::takeDropsToReport(bool queueRanEmpty)
{
    if (unreportedDrops_ == 0)
        return 0;
    const int64_t now = clock_();
    if (!queueRanEmpty && dropsReported_ && now - lastDropReport_ < kDropReportIntervalMs)
        return 0;
    dropsReported_ = true;
    lastDropReport_ = now;
    return std::exchange(unreportedDrops_, 0);
}

void save_image_thread::reportDrops(uint32_t count)
{
    if (count == 0)
        return;
    report(fmt::format("failed to save image: the save queue is full, {} image{} dropped", count,
                       count == 1 ? "" : "s"));
}

void save_image_thread::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        busy_ = false;
        if (queue_.empty())
            idle_.notify_all();
        wake_.wait(lock, [this] { return !queue_.empty() || !running_.load(std::memory_order_acquire); });
        if (queue_.empty())
            break; // stopping, and everything queued is written
        std::shared_ptr<img_item> item = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        save(item);
        item.reset();
        lock.lock();
        if (const uint32_t drops = takeDropsToReport(queue_.empty())) {
            lock.unlock();
            reportDrops(drops);
            lock.lock();
        }
    }
    const uint32_t drops = takeDropsToReport(true);
    lock.unlock();
    reportDrops(drops);
}

void save_image_thread::waitUntilIdle()
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void save_image_thread::save(const std::shared_ptr<img_item>& item)
{
    try {
        if (!item || !item->image)
            throw std::runtime_error("there is no image to write");
        const std::optional<ImageFileKind> kind = image_file_kind(item->path);
        if (!kind)
            throw std::runtime_error("'" + printable(item->path) +
                                     "' does not end in .bmp, .png, .jpg, .jpeg, .tif or .tiff");
        writer_(*item->image, *kind, item->path, std::clamp(item->quality, 1, 100));
    } catch (const std::exception& e) {
        report(fmt::format("failed to save image: {}", e.what()));
    }
}

void save_image_thread::report(const std::string& text)
{
    try {
        spdlog::error("{}", text);
        if (onSaveFailed)
            onSaveFailed(wide_text(text));
    } catch (const std::exception& e) {
        try {
            spdlog::error("error in save_image_thread: {}", e.what());
        } catch (...) {
        }
    }
}

} // namespace app
