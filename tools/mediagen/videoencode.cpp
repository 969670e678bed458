#include "videoencode.h"

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace mediagen {
namespace {

void Check(int result, const char* what) {
    if (result < 0) {
        char buf[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(result, buf, sizeof buf);
        throw std::runtime_error(std::string(what) + ": " + buf);
    }
}

struct FormatDeleter {
    void operator()(AVFormatContext* f) const {
        if (f->pb) avio_closep(&f->pb);
        avformat_free_context(f);
    }
};
struct CodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsDeleter {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};

void Drain(AVCodecContext* codec, AVFormatContext* format, AVStream* stream, AVPacket* packet) {
    for (;;) {
        int r = avcodec_receive_packet(codec, packet);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return;
        Check(r, "encode");
        // Every frame lasts one tick: a container that keeps durations (MP4) would otherwise cut the
        // last frame off with its edit list.
        if (packet->duration <= 0) packet->duration = 1;
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        Check(av_interleaved_write_frame(format, packet), "write frame");
    }
}

}  // namespace

void EncodeVideo(const std::filesystem::path& path, int width, int height, int fps, int frameCount,
                 const std::function<Image(int)>& drawFrame) {
    EncodeVideo(path, width, height, fps, frameCount, drawFrame, VideoFormat{});
}

void EncodeVideo(const std::filesystem::path& path, int width, int height, int fps, int frameCount,
                 const std::function<Image(int)>& drawFrame, const VideoFormat& options) {
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    av_log_set_level(AV_LOG_ERROR);
    AVFormatContext* rawFormat = nullptr;
    Check(avformat_alloc_output_context2(&rawFormat, nullptr, options.container, path.c_str()), "output format");
    std::unique_ptr<AVFormatContext, FormatDeleter> format(rawFormat);
    format->flags |= AVFMT_FLAG_BITEXACT;

    const AVCodec* encoder = avcodec_find_encoder_by_name(options.codec);
    if (!encoder) throw std::runtime_error(std::string("no encoder ") + options.codec);
    const AVPixelFormat pixelFormat =
        options.pixelFormat ? static_cast<AVPixelFormat>(options.pixelFormat) : AV_PIX_FMT_YUV420P;
    AVStream* stream = avformat_new_stream(format.get(), nullptr);
    if (!stream) throw std::runtime_error("no stream");
    std::unique_ptr<AVCodecContext, CodecDeleter> codec(avcodec_alloc_context3(encoder));
    codec->width = width;
    codec->height = height;
    codec->time_base = {1, fps};
    codec->framerate = {fps, 1};
    codec->pix_fmt = pixelFormat;
    codec->gop_size = fps;
    codec->max_b_frames = options.bFrames;
    codec->thread_count = 1;
    codec->flags |= AV_CODEC_FLAG_BITEXACT | AV_CODEC_FLAG_QSCALE;
    codec->global_quality = FF_QP2LAMBDA * 4;
    if (format->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    Check(avcodec_open2(codec.get(), encoder, nullptr), "open encoder");
    Check(avcodec_parameters_from_context(stream->codecpar, codec.get()), "stream parameters");
    stream->time_base = codec->time_base;
    Check(avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE), "open output");
    Check(avformat_write_header(format.get(), nullptr), "write header");

    std::unique_ptr<SwsContext, SwsDeleter> scaler(
        sws_getContext(width, height, AV_PIX_FMT_RGB24, width, height, pixelFormat,
                       SWS_BICUBIC | SWS_BITEXACT | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    if (!scaler) throw std::runtime_error("no scaler");
    std::unique_ptr<AVFrame, FrameDeleter> frame(av_frame_alloc());
    frame->format = pixelFormat;
    frame->width = width;
    frame->height = height;
    Check(av_frame_get_buffer(frame.get(), 0), "frame buffer");
    // The scaler reads whole vector blocks: the picture goes to it from a padded copy.
    std::unique_ptr<AVFrame, FrameDeleter> rgb(av_frame_alloc());
    rgb->format = AV_PIX_FMT_RGB24;
    rgb->width = width;
    rgb->height = height;
    Check(av_frame_get_buffer(rgb.get(), 0), "picture buffer");
    std::memset(rgb->buf[0]->data, 0, rgb->buf[0]->size);
    std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());

    for (int i = 0; i < frameCount; ++i) {
        Image image = drawFrame(i);
        Check(av_frame_make_writable(frame.get()), "frame writable");
        for (int y = 0; y < height; ++y)
            std::memcpy(rgb->data[0] + static_cast<ptrdiff_t>(y) * rgb->linesize[0], image.Pixel(0, y),
                        static_cast<size_t>(width) * 3);
        sws_scale(scaler.get(), rgb->data, rgb->linesize, 0, height, frame->data, frame->linesize);
        frame->pts = i;
        Check(avcodec_send_frame(codec.get(), frame.get()), "send frame");
        Drain(codec.get(), format.get(), stream, packet.get());
    }
    Check(avcodec_send_frame(codec.get(), nullptr), "flush");
    Drain(codec.get(), format.get(), stream, packet.get());
    Check(av_write_trailer(format.get()), "write trailer");
}

}  // namespace mediagen
