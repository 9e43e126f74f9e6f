#pragma once

// Frames to save, the image writer held at a gate, and saved files read back.

#include "app/Utf8.h"
#include "kyrgx/ImageDescriptor.h"
#include "model/SaveImageThread.h"

#include <QColor>
#include <QImage>
#include <QImageReader>
#include <QString>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace quorel::test {

using Rgb = std::array<int, 3>;

// A frame that owns its pixels.
struct OwnedFrame {
    std::vector<uint8_t> bytes;
    kyr_kelvane::image_descriptor view;
};

// An RGB32 frame (blue, green, red, alpha bytes) whose pixels differ up to
// 6 x 4: red grows with x, green with y.
inline Rgb pattern_at(int x, int y)
{
    return {(30 + 40 * x) % 256, (20 + 60 * y) % 256, 90};
}

inline OwnedFrame pattern_frame(int width, int height)
{
    OwnedFrame frame;
    frame.bytes.resize(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb c = pattern_at(x, y);
            uint8_t* p = frame.bytes.data() + (static_cast<size_t>(y) * width + x) * 4;
            p[0] = static_cast<uint8_t>(c[2]);
            p[1] = static_cast<uint8_t>(c[1]);
            p[2] = static_cast<uint8_t>(c[0]);
            p[3] = 255;
        }
    frame.view = {kyrgx::PixelFormat::RGB32,
                  static_cast<uint32_t>(width),
                  static_cast<uint32_t>(height),
                  width * 4,
                  false,
                  frame.bytes.data()};
    return frame;
}

// A saved image file read back.
struct Decoded {
    QImage image; // ARGB32; null when the file could not be read
    std::string format;

    bool ok() const { return !image.isNull(); }
    Rgb rgb(int x, int y) const
    {
        const QRgb p = image.pixel(x, y);
        return {qRed(p), qGreen(p), qBlue(p)};
    }
    int alpha(int x, int y) const { return qAlpha(image.pixel(x, y)); }
};

inline Decoded decode(const std::filesystem::path& path)
{
    QImageReader reader(QString::fromStdString(path.string()));
    Decoded decoded;
    decoded.format = reader.format().toStdString();
    const QImage image = reader.read();
    if (!image.isNull())
        decoded.image = image.convertToFormat(QImage::Format_ARGB32);
    return decoded;
}

// An image writer held at a gate: each write waits while the gate is closed
// and no permit is left, then records the call and, when forwarding, writes
// the file through the camera library.
class GatedWriter {
public:
    struct Call {
        std::wstring path;
        app::ImageFileKind kind;
        int quality;
    };

    explicit GatedWriter(bool forward = false, bool open = true) : forward_(forward), open_(open) {}

    app::save_image_thread::ImageWriter writer()
    {
        return [this](const ImageUtil::Image& image, app::ImageFileKind kind, const std::wstring& path,
                      int quality) {
            {
                std::unique_lock lock(mutex_);
                ++entered_;
                changed_.notify_all();
                changed_.wait(lock, [this] { return open_ || permits_ > 0; });
                if (!open_)
                    --permits_;
            }
            if (failing && failing(path))
                throw std::runtime_error("the disk is full");
            if (forward_)
                app::write_image_file(image, kind, path, quality);
            std::lock_guard lock(mutex_);
            calls_.push_back({path, kind, quality});
            changed_.notify_all();
        };
    }

    void close()
    {
        std::lock_guard lock(mutex_);
        open_ = false;
    }
    void open()
    {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    // Lets n more writes through a closed gate.
    void allow(int n)
    {
        std::lock_guard lock(mutex_);
        permits_ += n;
        changed_.notify_all();
    }
    // Waits (at most 10 s) until n writes have begun.
    bool waitEntered(int n)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return entered_ >= n; });
    }
    // Waits (at most 10 s) until n writes have finished.
    bool waitWritten(size_t n)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return calls_.size() >= n; });
    }
    std::vector<Call> calls() const
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    std::vector<std::string> paths() const
    {
        std::vector<std::string> out;
        for (const Call& call : calls())
            out.push_back(app::wide_to_utf8(call.path));
        return out;
    }

    // Set before the first write: paths for which the write fails.
    std::function<bool(const std::wstring&)> failing;

private:
    const bool forward_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool open_;
    int permits_ = 0;
    int entered_ = 0;
    std::vector<Call> calls_;
};

// Collects failure reports from any thread.
class Reports {
public:
    void add(const std::wstring& text)
    {
        std::lock_guard lock(mutex_);
        texts_.push_back(app::wide_to_utf8(text));
    }
    std::vector<std::string> texts() const
    {
        std::lock_guard lock(mutex_);
        return texts_;
    }
    // Images the reports say were dropped for a full queue.
    int dropped() const
    {
        int total = 0;
        const std::string marker = "the save queue is full, ";
        for (const std::string& text : texts()) {
            const size_t at = text.find(marker);
            if (at != std::string::npos)
                total += std::stoi(text.substr(at + marker.size()));
        }
        return total;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
};

} // namespace quorel::test
