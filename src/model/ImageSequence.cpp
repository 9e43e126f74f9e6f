#include "model/ImageSequence.h"

#include "app/AppFolders.h"
#include "app/Clock.h"
#include "app/Utf8.h"

#include <algorithm>
#include <cctype>
#include <cwctype>
#include <fmt/format.h>
#include <spdlog/spdlog.h>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace app {

namespace {

std::wstring lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return text;
}

std::string lower_ascii(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::wstring extension_for(const std::wstring& fileType)
{
    const std::wstring type = lower(fileType);
    if (type == L"bmp")
        return L".bmp";
    if (type == L"jpeg" || type == L"jpg")
        return L".jpg";
    if (type == L"png")
        return L".png";
    return L".tiff";
}

std::wstring number(int64_t value)
{
    return std::to_wstring(value);
}

} // namespace

ImageSequence::ImageSequence()
    : clocks_{steady_ms, [] { return std::time(nullptr); }},
      targetDirectory_(addString(L"targetDirectory", get_known_folder(kFolderPictures))),
      filenamePrefix_(addString(L"filenamePrefix", L"Image")), indexEnabled_(addBool(L"indexEnabled", true)),
      index_(addInt(L"index", 0, 9999999, 0)), timestampEnabled_(addBool(L"timestampEnabled", false)),
      timestampFormat_(addString(L"timestampFormat", L"HH_MM_SS")),
      imageFiletype_(addString(L"imageFiletype", L"BMP")), jpgQuality_(addInt(L"jpgQuality", 0, 100, 100)),
      hotkey_(addString(L"hotkey", L"Space")), intervallMinutes_(addInt(L"intervallMinutes", 0, 60, 0)),
      intervallSeconds_(addInt(L"intervallSeconds", 0, 59, 20)),
      endAfterTimeEnabled_(addBool(L"endAfterTimeEnabled", false)),
      endTimeMinutes_(addInt(L"endTimeMinutes", 0, 60, 0)),
      endTimeSeconds_(addInt(L"endTimeSeconds", 0, 59, 20)),
      endAfterFramesEnabled_(addBool(L"endAfterFramesEnabled", false)),
      endFrames_(addInt(L"endFrames", 0, 9999999, 0))
{
}

void ImageSequence::setClocks(Clocks clocks)
{
    std::lock_guard lock(mutex_);
    if (clocks.steadyMs)
        clocks_.steadyMs = std::move(clocks.steadyMs);
    if (clocks.wallSeconds)
        clocks_.wallSeconds = std::move(clocks.wallSeconds);
}

SequenceViewData ImageSequence::viewData() const
{
    std::lock_guard lock(mutex_);
    SequenceViewData data;
    data.targetDirectory = targetDirectory_->value();
    data.filenamePrefix = filenamePrefix_->value();
    data.indexEnabled = indexEnabled_->value();
    data.index = static_cast<int32_t>(index_->value());
    data.timestampEnabled = timestampEnabled_->value();
    data.timestampFormat = timestampFormat_->value();
    data.imageFiletype = imageFiletype_->value();
    data.jpgQuality = static_cast<int32_t>(jpgQuality_->value());
    data.hotkey = hotkey_->value();
    data.intervallMinutes = static_cast<int32_t>(intervallMinutes_->value());
    data.intervallSeconds = static_cast<int32_t>(intervallSeconds_->value());
    data.endAfterTimeEnabled = endAfterTimeEnabled_->value();
    data.endTimeMinutes = static_cast<int32_t>(endTimeMinutes_->value());
    data.endTimeSeconds = static_cast<int32_t>(endTimeSeconds_->value());
    data.endAfterFramesEnabled = endAfterFramesEnabled_->value();
    data.endFrames = static_cast<int32_t>(endFrames_->value());
    return data;
}

void ImageSequence::setViewData(const SequenceViewData& data)
{
    std::lock_guard lock(mutex_);
    clashCheckPending_ = true;
    targetDirectory_->setValue(data.targetDirectory);
    filenamePrefix_->setValue(data.filenamePrefix);
    indexEnabled_->setValue(data.indexEnabled);
    index_->setValue(data.index);
    timestampEnabled_->setValue(data.timestampEnabled);
    timestampFormat_->setValue(data.timestampFormat);
    imageFiletype_->setValue(data.imageFiletype);
    jpgQuality_->setValue(data.jpgQuality);
    hotkey_->setValue(data.hotkey);
    intervallMinutes_->setValue(data.intervallMinutes);
    intervallSeconds_->setValue(data.intervallSeconds);
    endAfterTimeEnabled_->setValue(data.endAfterTimeEnabled);
    endTimeMinutes_->setValue(data.endTimeMinutes);
    endTimeSeconds_->setValue(data.endTimeSeconds);
    endAfterFramesEnabled_->setValue(data.endAfterFramesEnabled);
    endFrames_->setValue(data.endFrames);
}

bool ImageSequence::isRunning() const
{
    std::lock_guard lock(mutex_);
    return running_;
}

int64_t ImageSequence::intervalMsLocked() const
{
    return (intervallMinutes_->value() * 60 + intervallSeconds_->value()) * 1000;
}

int64_t ImageSequence::endTimeMsLocked() const
{
    return (endTimeMinutes_->value() * 60 + endTimeSeconds_->value()) * 1000;
}

int32_t ImageSequence::intervalSeconds() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int32_t>(intervalMsLocked() / 1000);
}

int64_t ImageSequence::remainingMilliseconds() const
{
    std::lock_guard lock(mutex_);
    if (!running_)
        return 0;
    return intervalMsLocked() + lastCapture_ - clocks_.steadyMs();
}

int ImageSequence::jpgQuality() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(jpgQuality_->value());
}

fs::path ImageSequence::nextFileName() const
{
    std::lock_guard lock(mutex_);
    return nextFileNameLocked();
}

fs::path ImageSequence::nextFileNameLocked() const
{
    std::wstring name = filenamePrefix_->value();
    if (name.find(L'/') != std::wstring::npos) {
        if (warnedPrefix_ != name) {
            warnedPrefix_ = name;
            spdlog::warn("ImageSequence: the file name prefix '{}' holds '/'; it is written with '_' instead",
                         wide_to_utf8(name));
        }
        std::replace(name.begin(), name.end(), L'/', L'_');
    }
    if (indexEnabled_->value())
        name += L"_" + number(index_->value() + static_cast<int64_t>(count_));
    if (timestampEnabled_->value()) {
        const std::time_t now = clocks_.wallSeconds();
        std::tm local{};
        if (!localtime_r(&now, &local))
            throw std::runtime_error("ImageSequence: the local time is not known.");
        if (timestampFormat_->value().find(L"DD_MM_YY") != std::wstring::npos)
            name += L"_" + number(local.tm_mday) + L"_" + number(local.tm_mon + 1) + L"_" +
                    number(local.tm_year + 1900);
        name += L"_" + number(local.tm_hour) + L"_" + number(local.tm_min) + L"_" + number(local.tm_sec);
    }
    name += extension_for(imageFiletype_->value());
    return path_from_wide(targetDirectory_->value()) / path_from_wide(name);
}

std::wstring ImageSequence::summaryText() const
{
    std::lock_guard lock(mutex_);
    const int64_t frames = std::max<int64_t>(0, endFrames_->value() - static_cast<int64_t>(count_));
    int64_t seconds = endTimeMsLocked() / 1000;
    if (running_)
        seconds -= (clocks_.steadyMs() - startTime_) / 1000;
    seconds = std::max<int64_t>(0, seconds);
    const std::wstring time = number(seconds / 60) + L" minutes and " + number(seconds % 60) + L" seconds.";
    const bool byFrames = endAfterFramesEnabled_->value();
    const bool byTime = endAfterTimeEnabled_->value();
    if (byFrames && byTime)
        return L"After " + number(frames) + L" more frames or after " + time;
    if (byFrames)
        return L"After " + number(frames) + L" more frames.";
    if (byTime)
        return L"After " + time;
    return L"On user request";
}

void ImageSequence::captureSingle()
{
    std::lock_guard lock(mutex_);
    if (running_)
        return;
    running_ = true;
    singleShot_ = true;
    ++run_;
}

bool ImageSequence::confirmOverwrite(const fs::path& next)
{
    const fs::path folder = next.parent_path();
    const std::string extension = lower_ascii(next.extension().string());
    const std::string stem = next.stem().string();

    std::error_code error;
    std::vector<std::string> names;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error))
        names.push_back(it->path().filename().string());
    if (error)
        throw std::runtime_error(
            fmt::format("The folder '{}' cannot be listed: {}", folder.string(), error.message()));
    std::sort(names.begin(), names.end());

    for (const std::string& name : names) {
        if (lower_ascii(fs::path(name).extension().string()) != extension ||
            name.find(stem) == std::string::npos)
            continue;
        const bool agreed = askOverwrite && askOverwrite(folder.string(), next.filename().string());
        std::lock_guard lock(mutex_);
        clashCheckPending_ = !agreed;
        return agreed;
    }
    return true;
}

void ImageSequence::start()
{
    fs::path next;
    bool checkClash = false;
    {
        std::lock_guard lock(mutex_);
        next = nextFileNameLocked();
        checkClash = clashCheckPending_;
    }
    const fs::path folder = next.parent_path();
    if (folder.empty())
        throw std::runtime_error("The image sequence has no target folder.");
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw std::runtime_error(
            fmt::format("The folder '{}' cannot be created: {}", folder.string(), error.message()));
    if (checkClash && !confirmOverwrite(next))
        return;
    {
        std::lock_guard lock(mutex_);
        count_ = 0;
        startTime_ = clocks_.steadyMs();
        lastCapture_ = startTime_;
        running_ = true;
        singleShot_ = false;
        ++run_;
        ++starts_;
        failuresInARow_ = 0;
    }
    if (onStarted)
        onStarted(this);
}

uint64_t ImageSequence::runId() const
{
    std::lock_guard lock(mutex_);
    return starts_;
}

bool ImageSequence::imageSaved(uint64_t runId, bool written)
{
    {
        std::lock_guard lock(mutex_);
        if (runId != starts_)
            return false;
        if (written) {
            failuresInARow_ = 0;
            return false;
        }
        if (++failuresInARow_ < kFailuresInARowToStop || !running_ || singleShot_)
            return false;
        running_ = false;
        ++run_;
    }
    if (onStopped)
        onStopped(this);
    return true;
}

void ImageSequence::stop()
{
    {
        std::lock_guard lock(mutex_);
        running_ = false;
        singleShot_ = false;
        ++run_;
    }
    if (onStopped)
        onStopped(this);
}

void ImageSequence::onFrame(const kyr_kelvane::image_descriptor& frame)
{
    int64_t now = 0;
    uint64_t run = 0;
    uint64_t starts = 0;
    {
        std::lock_guard lock(mutex_);
        if (!running_)
            return;
        now = clocks_.steadyMs();
        if (!singleShot_ && now - lastCapture_ < intervalMsLocked())
            return;
        run = run_;
        starts = starts_;
    }

    if (onCapture)
        onCapture(frame);

    bool ended = false;
    {
        std::lock_guard lock(mutex_);
        // The capture counts unless a new run began meanwhile; it ends the run
        // only when nobody stopped or re-armed the sequence meanwhile.
        if (starts_ == starts) {
            ++count_;
            lastCapture_ = now;
        }
        if (run_ != run)
            return;
        if (singleShot_) {
            singleShot_ = false;
            ended = true;
        } else {
            const bool framesReached =
                endAfterFramesEnabled_->value() && static_cast<int64_t>(count_) >= endFrames_->value();
            const bool timeReached = endAfterTimeEnabled_->value() && now - startTime_ >= endTimeMsLocked();
            ended = framesReached || timeReached;
        }
        if (ended) {
            running_ = false;
            ++run_;
        }
    }
    if (ended && onStopped)
        onStopped(this);
}

} // namespace app
