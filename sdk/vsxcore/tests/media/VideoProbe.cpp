#include "VideoProbe.h"

#include <stdexcept>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace vsxsim::media::test {

namespace {

std::vector<uint8_t> plane(const AVFrame* frame, int index, int width, int height)
{
    std::vector<uint8_t> out(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = frame->data[index] + static_cast<ptrdiff_t>(y) * frame->linesize[index];
        std::copy(row, row + width, out.begin() + static_cast<ptrdiff_t>(y) * width);
    }
    return out;
}

void receive(AVCodecContext* codec, AVFrame* frame, ProbedVideo& video)
{
    while (avcodec_receive_frame(codec, frame) == 0) {
        if (frame->format != AV_PIX_FMT_YUV420P)
            throw std::runtime_error("decoded frames are not yuv420p");
        DecodedFrame decoded;
        decoded.width = frame->width;
        decoded.height = frame->height;
        decoded.key = frame->key_frame != 0;
        decoded.y = plane(frame, 0, frame->width, frame->height);
        decoded.u = plane(frame, 1, (frame->width + 1) / 2, (frame->height + 1) / 2);
        decoded.v = plane(frame, 2, (frame->width + 1) / 2, (frame->height + 1) / 2);
        video.frames.push_back(std::move(decoded));
        av_frame_unref(frame);
    }
}

} // namespace

ProbedVideo probe_video(const std::string& path)
{
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        throw std::runtime_error("cannot open " + path);
    ProbedVideo video;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    try {
        if (avformat_find_stream_info(format, nullptr) < 0)
            throw std::runtime_error("no stream information in " + path);
        const AVCodec* decoder = nullptr;
        const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
        if (index < 0 || !decoder)
            throw std::runtime_error("no decodable video stream in " + path);
        const AVStream* stream = format->streams[index];
        video.container = format->iformat->name;
        video.codec = avcodec_get_name(stream->codecpar->codec_id);
        video.codec_tag = stream->codecpar->codec_tag;
        video.width = stream->codecpar->width;
        video.height = stream->codecpar->height;
        video.rate_num = stream->avg_frame_rate.num;
        video.rate_den = stream->avg_frame_rate.den;
        codec = avcodec_alloc_context3(decoder);
        avcodec_parameters_to_context(codec, stream->codecpar);
        codec->thread_count = 1;
        if (avcodec_open2(codec, decoder, nullptr) < 0)
            throw std::runtime_error("cannot open the decoder");
        while (av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == index && avcodec_send_packet(codec, packet) >= 0)
                receive(codec, frame, video);
            av_packet_unref(packet);
        }
        avcodec_send_packet(codec, nullptr);
        receive(codec, frame, video);
    } catch (...) {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
        throw;
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    return video;
}

} // namespace vsxsim::media::test
