#include "media/VideoEncoder.h"

#include "media/FrameConverter.h"
#include "media/PixelFormats.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

namespace vsxsim::media {

namespace {

// Frames waiting for the encoder; add() blocks while this many are queued.
constexpr size_t kQueueLimit = 8;
constexpr int kFrameAlign = 64;

std::string av_error_text(int error)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

enum class Container { Mp4, Mov, Matroska, Avi };

Container container_for(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return Container::Mp4;
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "mov")
        return Container::Mov;
    if (extension == "mkv")
        return Container::Matroska;
    if (extension == "avi")
        return Container::Avi;
    return Container::Mp4;
}

const char* muxer_name(Container container)
{
    switch (container) {
    case Container::Mov:
        return "mov";
    case Container::Matroska:
        return "matroska";
    case Container::Avi:
        return "avi";
    default:
        return "mp4";
    }
}

struct Dictionary {
    AVDictionary* entries = nullptr;
    ~Dictionary() { av_dict_free(&entries); }
    void set(const char* key, const std::string& value) { av_dict_set(&entries, key, value.c_str(), 0); }
};

// One open file: the converter, the encoder, the muxer and the worker thread
// that takes queued frames through the encoder into the file.
class Recording {
public:
    Recording() = default;
    ~Recording();
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    Status open(const std::string& path, uint32_t pixel_format, uint32_t width, uint32_t height, double fps,
                const VideoSettings& settings);
    Status add(const ImageView& image);
    // Stops the worker after the queued frames and completes the file, or
    // removes it when `discard_if_empty` and no frame was added.
    Status close(bool discard_if_empty);

private:
    Status open_encoder(const VideoSettings& settings, AVRational rate, double fps);
    AVFrame* new_frame();
    void run();
    Status encode(AVFrame* frame);
    void fail(const Status& status);
    void stop_worker();

    std::string path_;
    std::string encoder_name_;
    FrameConverter converter_;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVStream* stream_ = nullptr;
    AVBufferPool* pool_ = nullptr;
    AVPacket* packet_ = nullptr; // the worker's
    bool file_created_ = false;
    int64_t next_pts_ = 0;

    std::thread worker_;
    std::mutex mutex_; // guards the members below
    std::condition_variable work_ready_;
    std::condition_variable space_free_;
    std::deque<AVFrame*> queue_;
    bool closing_ = false;
    Status error_; // the first failure of the worker
};

Recording::~Recording()
{
    stop_worker();
    for (AVFrame* frame : queue_)
        av_frame_free(&frame);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    if (format_) {
        if (format_->pb)
            avio_closep(&format_->pb);
        avformat_free_context(format_);
    }
    av_buffer_pool_uninit(&pool_);
}

Status Recording::open(const std::string& path, uint32_t pixel_format, uint32_t width, uint32_t height,
                       double fps, const VideoSettings& settings)
{
    path_ = path;
    if (settings.codec != 0 && settings.codec != 1)
        return {kInvalidParameter,
                "Unknown codec " + std::to_string(settings.codec) + " (0 is H.264, 1 is H.265)"};
    if (!settings.bitrate_auto && settings.bitrate_kbps <= 0)
        return {kInvalidParameter,
                "Bit rate " + std::to_string(settings.bitrate_kbps) + " kbit/s is not positive"};
    if (Status status = converter_.configure(pixel_format, width, height); !status.ok())
        return status;
    const Container container = container_for(path);
    const bool hevc = settings.codec == 1;
    // The AVI muxer takes H.265 without complaint but writes a file no
    // player reads.
    if (hevc && container == Container::Avi)
        return {kEncoder, "H.265 cannot be stored in an AVI file; use .mp4 or .mkv"};

    if (!std::isfinite(fps) || fps <= 0)
        fps = 25;
    AVRational rate = av_d2q(fps, 1001000);
    if (rate.num <= 0 || rate.den <= 0) {
        fps = 25;
        rate = AVRational{25, 1};
    }

    if (avformat_alloc_output_context2(&format_, nullptr, muxer_name(container), nullptr) < 0 || !format_)
        return {kInternal, "Cannot create a " + std::string(muxer_name(container)) + " file"};
    encoder_name_ = hevc ? "libx265" : "libx264";
    if (Status status = open_encoder(settings, rate, fps); !status.ok())
        return status;

    stream_ = avformat_new_stream(format_, nullptr);
    if (!stream_ || avcodec_parameters_from_context(stream_->codecpar, codec_) < 0)
        return {kInternal, "Cannot add a video stream"};
    stream_->time_base = codec_->time_base;
    stream_->avg_frame_rate = rate;
    if (hevc && (container == Container::Mp4 || container == Container::Mov))
        stream_->codecpar->codec_tag = MKTAG('h', 'v', 'c', '1');

    // "file:" keeps FFmpeg from reading a protocol into a name like "a:b.mp4".
    const int opened = avio_open(&format_->pb, ("file:" + path).c_str(), AVIO_FLAG_WRITE);
    if (opened < 0)
        return {kFileIO, "Cannot open '" + path + "': " + av_error_text(opened)};
    file_created_ = true;
    Dictionary muxer_options;
    if (container == Container::Mp4 || container == Container::Mov) {
        // Fragments keep a recording that never gets finished (a crash, a
        // kill, a power cut) playable up to its last fragment.
        muxer_options.set("movflags", "frag_keyframe+empty_moov");
    }
    // A Matroska cluster reaches the file when it is complete: it ends at a
    // key frame once it holds 4 KiB, and after a second of video at the latest.
    if (container == Container::Matroska)
        muxer_options.set("cluster_time_limit", "1000");
    // What the muxer has completed goes to the file at once rather than when
    // FFmpeg's write buffer fills: a killed recording keeps every fragment
    // (MP4), cluster (Matroska) or frame (AVI) that was complete before the kill.
    muxer_options.set("flush_packets", "1");
    const int header = avformat_write_header(format_, &muxer_options.entries);
    if (header < 0)
        return {kFileIO, "Cannot write '" + path + "': " + av_error_text(header)};
    avio_flush(format_->pb);
    if (format_->pb->error < 0)
        return {kFileIO, "Cannot write '" + path + "': " + av_error_text(format_->pb->error)};

    const int frame_bytes =
        av_image_get_buffer_size(AV_PIX_FMT_YUV420P, codec_->width, codec_->height, kFrameAlign);
    pool_ = frame_bytes > 0 ? av_buffer_pool_init(static_cast<size_t>(frame_bytes) + kFrameAlign, nullptr)
                            : nullptr;
    packet_ = av_packet_alloc();
    if (!pool_ || !packet_)
        return {kInternal, "Out of memory"};
    worker_ = std::thread(&Recording::run, this);
    return {};
}

Status Recording::open_encoder(const VideoSettings& settings, AVRational rate, double fps)
{
    const AVCodec* encoder = avcodec_find_encoder_by_name(encoder_name_.c_str());
    if (!encoder)
        return {kEncoder, encoder_name_ + ": this encoder is not available"};
    codec_ = avcodec_alloc_context3(encoder);
    if (!codec_)
        return {kInternal, "Out of memory"};
    codec_->width = static_cast<int>(converter_.coded_width());
    codec_->height = static_cast<int>(converter_.coded_height());
    codec_->pix_fmt = AV_PIX_FMT_YUV420P;
    codec_->framerate = rate;
    codec_->time_base = av_inv_q(rate);
    const double interval = settings.keyframe_interval > 0 ? static_cast<double>(settings.keyframe_interval)
                                                           : std::round(2 * fps);
    codec_->gop_size = static_cast<int>(std::clamp(interval, 1.0, double{INT_MAX}));
    codec_->color_range = AVCOL_RANGE_MPEG;
    codec_->colorspace = AVCOL_SPC_SMPTE170M;
    codec_->color_primaries = AVCOL_PRI_SMPTE170M;
    codec_->color_trc = AVCOL_TRC_SMPTE170M;
    if (format_->oformat->flags & AVFMT_GLOBALHEADER)
        codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    // Threads as the ffmpeg command runs these encoders: libx264 takes the
    // count from the context (0: its own choice for the cores the process may
    // use) and encodes whole frames in parallel rather than slices of one;
    // libx265 keeps a thread pool of its own, sized through its parameters.
    const int threads = std::max(0, settings.threads);
    codec_->thread_count = threads;
    codec_->thread_type = FF_THREAD_FRAME;

    Dictionary options;
    options.set("preset", "veryfast");
    if (settings.bitrate_auto)
        options.set("crf", settings.codec == 1 ? "28" : "23");
    else
        codec_->bit_rate = std::min<int64_t>(settings.bitrate_kbps, INT64_MAX / 1000) * 1000;
    if (settings.codec == 1) {
        std::string params = "log-level=error";
        if (threads > 0)
            params += ":pools=" + std::to_string(threads) +
                      ":frame-threads=" + std::to_string(std::min(threads, 16));
        options.set("x265-params", params);
    }
    const int opened = avcodec_open2(codec_, encoder, &options.entries);
    if (opened < 0)
        return {kEncoder, encoder_name_ + ": " + av_error_text(opened)};
    return {};
}

AVFrame* Recording::new_frame()
{
    AVFrame* frame = av_frame_alloc();
    if (!frame)
        return nullptr;
    frame->buf[0] = av_buffer_pool_get(pool_);
    if (!frame->buf[0]) {
        av_frame_free(&frame);
        return nullptr;
    }
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = codec_->width;
    frame->height = codec_->height;
    av_image_fill_arrays(frame->data, frame->linesize, frame->buf[0]->data, AV_PIX_FMT_YUV420P, frame->width,
                         frame->height, kFrameAlign);
    return frame;
}

Status Recording::add(const ImageView& image)
{
    if (Status status = converter_.check(image); !status.ok())
        return status;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!error_.ok())
            return error_;
    }
    AVFrame* frame = new_frame();
    if (!frame)
        return {kInternal, "Out of memory"};
    converter_.convert(image, frame);
    frame->pts = next_pts_;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        space_free_.wait(lock, [this] { return queue_.size() < kQueueLimit || !error_.ok(); });
        if (!error_.ok()) {
            av_frame_free(&frame);
            return error_;
        }
        queue_.push_back(frame);
    }
    work_ready_.notify_one();
    ++next_pts_;
    return {};
}

void Recording::fail(const Status& status)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (error_.ok())
            error_ = status;
    }
    space_free_.notify_all();
}

void Recording::run()
{
    // After a failure the worker keeps taking frames off the queue, so that
    // add() never waits for space that would not come.
    bool failed = false;
    try {
        for (;;) {
            AVFrame* frame = nullptr;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                work_ready_.wait(lock, [this] { return !queue_.empty() || closing_; });
                if (queue_.empty())
                    break;
                frame = queue_.front();
                queue_.pop_front();
            }
            space_free_.notify_one();
            if (!failed) {
                const Status status = encode(frame);
                if (!status.ok()) {
                    failed = true;
                    fail(status);
                }
            }
            av_frame_free(&frame);
        }
        if (!failed) {
            const Status status = encode(nullptr); // drains the encoder
            if (!status.ok())
                fail(status);
        }
    } catch (const std::exception& e) {
        fail({kEncoder, encoder_name_ + ": " + e.what()});
    } catch (...) {
        fail({kEncoder, encoder_name_ + ": unknown failure"});
    }
}

Status Recording::encode(AVFrame* frame)
{
    int result = avcodec_send_frame(codec_, frame);
    if (result < 0)
        return {kEncoder, encoder_name_ + ": " + av_error_text(result)};
    for (;;) {
        result = avcodec_receive_packet(codec_, packet_);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return {};
        if (result < 0)
            return {kEncoder, encoder_name_ + ": " + av_error_text(result)};
        av_packet_rescale_ts(packet_, codec_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        result = av_interleaved_write_frame(format_, packet_);
        if (result < 0)
            return {kFileIO, "Cannot write '" + path_ + "': " + av_error_text(result)};
    }
}

void Recording::stop_worker()
{
    if (!worker_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    work_ready_.notify_all();
    worker_.join();
}

Status Recording::close(bool discard_if_empty)
{
    stop_worker();
    Status result;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        result = error_;
    }
    if (!file_created_)
        return result;
    if (discard_if_empty && next_pts_ == 0) {
        avio_closep(&format_->pb);
        ::unlink(path_.c_str());
        return result;
    }
    // The trailer goes in even after a failure: it keeps what was written playable.
    const int trailer = av_write_trailer(format_);
    if (trailer < 0 && result.ok())
        result = {kFileIO, "Cannot write '" + path_ + "': " + av_error_text(trailer)};
    const int closed = avio_closep(&format_->pb);
    if (closed < 0 && result.ok())
        result = {kFileIO, "Cannot write '" + path_ + "': " + av_error_text(closed)};
    return result;
}

} // namespace

struct VideoEncoder::Impl {
    std::mutex api; // one call at a time
    std::unique_ptr<Recording> recording;
    std::atomic<bool> open{false};

    Status close(bool discard_if_empty)
    {
        if (!recording)
            return {};
        const Status status = recording->close(discard_if_empty);
        recording.reset();
        open = false;
        return status;
    }
};

VideoEncoder::VideoEncoder() : impl_(std::make_unique<Impl>()) {}

VideoEncoder::~VideoEncoder()
{
    try {
        std::lock_guard<std::mutex> lock(impl_->api);
        impl_->close(false);
    } catch (...) {
        // A destructor reports nothing; the file stays as far as it got.
    }
}

Status VideoEncoder::begin(const std::string& utf8_path, uint32_t pixel_format, uint32_t width,
                           uint32_t height, double fps, const VideoSettings& settings)
{
    try {
        std::lock_guard<std::mutex> lock(impl_->api);
        // A file that got no frame (its first add failed) is removed rather than
        // left behind empty.
        impl_->close(true);
        auto recording = std::make_unique<Recording>();
        const Status status = recording->open(utf8_path, pixel_format, width, height, fps, settings);
        if (!status.ok()) {
            recording->close(true);
            return status;
        }
        impl_->recording = std::move(recording);
        impl_->open = true;
        return {};
    } catch (const std::exception& e) {
        return {kInternal, std::string("VideoEncoder::begin() failed: ") + e.what()};
    }
}

Status VideoEncoder::add(const ImageView& frame)
{
    try {
        std::lock_guard<std::mutex> lock(impl_->api);
        if (!impl_->recording)
            return {kInvalidState, "No file begun"};
        return impl_->recording->add(frame);
    } catch (const std::exception& e) {
        return {kInternal, std::string("VideoEncoder::add() failed: ") + e.what()};
    }
}

Status VideoEncoder::finish()
{
    try {
        std::lock_guard<std::mutex> lock(impl_->api);
        return impl_->close(false);
    } catch (const std::exception& e) {
        return {kInternal, std::string("VideoEncoder::finish() failed: ") + e.what()};
    }
}

bool VideoEncoder::is_open() const
{
    return impl_->open;
}

} // namespace vsxsim::media
