#include "dshow/moviereader.h"

#include <cstdio>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include "win32/fileio.h"

namespace dshow {
namespace {

constexpr int kIoBufferSize = 32 * 1024;
constexpr REFERENCE_TIME kMaxTimestampLeap = 2 * kUnitsPerSecond;

int ReadFile(void* opaque, uint8_t* buf, int size) {
    const size_t n = std::fread(buf, 1, static_cast<size_t>(size), static_cast<std::FILE*>(opaque));
    return n == 0 ? AVERROR_EOF : static_cast<int>(n);
}

int64_t SeekFile(void* opaque, int64_t offset, int whence) {
    auto* f = static_cast<std::FILE*>(opaque);
    if (whence & AVSEEK_SIZE) {
        const long here = std::ftell(f);
        if (std::fseek(f, 0, SEEK_END) != 0) return -1;
        const long size = std::ftell(f);
        std::fseek(f, here, SEEK_SET);
        return size;
    }
    if (std::fseek(f, static_cast<long>(offset), whence & ~AVSEEK_FORCE) != 0) return -1;
    return std::ftell(f);
}

REFERENCE_TIME ToUnits(int64_t t, AVRational base) { return av_rescale_q(t, base, AVRational{1, kUnitsPerSecond}); }

}  // namespace

struct MovieReader::Impl {
    std::FILE* file = nullptr;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwsContext* scaler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    AVRational timeBase{1, 25};
    bool draining = false, ended = false;
    REFERENCE_TIME nextStart = 0;
    std::vector<BYTE> topDown;

    ~Impl() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        sws_freeContext(scaler);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
        if (file) std::fclose(file);
    }

    // The next decoded picture into `frame`; false at the end.
    bool Decode() {
        while (!ended) {
            const int r = avcodec_receive_frame(codec, frame);
            if (r == 0) return true;
            if (r != AVERROR(EAGAIN)) {
                ended = true;  // the drained end, or a decoder that gave up
                break;
            }
            if (draining) {
                ended = true;
                break;
            }
            const int read = av_read_frame(format, packet);
            if (read < 0) {
                // The file's end, or a read error treated as one: drain what the decoder holds.
                draining = true;
                avcodec_send_packet(codec, nullptr);
                continue;
            }
            if (packet->stream_index == stream) {
                // A damaged packet is skipped; the decoder resynchronises at the next one.
                avcodec_send_packet(codec, packet);
            }
            av_packet_unref(packet);
        }
        return false;
    }
};

MovieReader::MovieReader() : impl_(std::make_unique<Impl>()) {}
MovieReader::~MovieReader() = default;

HRESULT MovieReader::Open(const std::string& path) {
    av_log_set_level(AV_LOG_QUIET);
    Impl& m = *impl_;
    m.file = win32::OpenFile(path.c_str(), "rb");
    if (!m.file) return HRESULT_FILE_NOT_FOUND;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!buffer) return E_OUTOFMEMORY;
    m.io = avio_alloc_context(buffer, kIoBufferSize, 0, m.file, ReadFile, nullptr, SeekFile);
    if (!m.io) {
        av_free(buffer);
        return E_OUTOFMEMORY;
    }
    m.format = avformat_alloc_context();
    if (!m.format) return E_OUTOFMEMORY;
    m.format->pb = m.io;
    m.format->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (avformat_open_input(&m.format, nullptr, nullptr, nullptr) < 0) return VFW_E_UNKNOWN_FILE_TYPE;
    if (avformat_find_stream_info(m.format, nullptr) < 0) return VFW_E_UNKNOWN_FILE_TYPE;
    const AVCodec* decoder = nullptr;
    m.stream = av_find_best_stream(m.format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (m.stream < 0 || !decoder) return VFW_E_UNSUPPORTED_STREAM;
    const AVStream* s = m.format->streams[m.stream];
    const int w = s->codecpar->width, h = s->codecpar->height;
    if (w < 1 || h < 1 || w > kMaxMovieSide || h > kMaxMovieSide) return VFW_E_UNSUPPORTED_STREAM;
    m.codec = avcodec_alloc_context3(decoder);
    if (!m.codec) return E_OUTOFMEMORY;
    if (avcodec_parameters_to_context(m.codec, s->codecpar) < 0) return VFW_E_UNSUPPORTED_STREAM;
    m.codec->thread_count = 1;
    if (avcodec_open2(m.codec, decoder, nullptr) < 0) return VFW_E_UNSUPPORTED_STREAM;
    m.packet = av_packet_alloc();
    m.frame = av_frame_alloc();
    if (!m.packet || !m.frame) return E_OUTOFMEMORY;
    m.timeBase = s->time_base;
    const AVRational rate = av_guess_frame_rate(m.format, const_cast<AVStream*>(s), nullptr);
    if (rate.num > 0 && rate.den > 0) frameDuration_ = av_rescale_q(1, av_inv_q(rate), AVRational{1, kUnitsPerSecond});
    if (frameDuration_ <= 0) frameDuration_ = kUnitsPerSecond / 25;
    width_ = w;
    height_ = h;
    return S_OK;
}

bool MovieReader::Next(std::vector<BYTE>& out, REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    Impl& m = *impl_;
    if (!m.codec || !m.Decode()) return false;
    AVFrame* f = m.frame;
    const int pitch = Pitch();
    out.resize(static_cast<size_t>(pitch) * static_cast<size_t>(height_));
    // Pictures that change size mid-stream are scaled to the size the renderer agreed to.
    m.scaler = sws_getCachedContext(m.scaler, f->width, f->height, static_cast<AVPixelFormat>(f->format), width_,
                                    height_, AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
    if (!m.scaler || f->width < 1 || f->height < 1) {
        av_frame_unref(f);
        return false;
    }
    m.topDown.resize(out.size());
    uint8_t* dst[4] = {m.topDown.data(), nullptr, nullptr, nullptr};
    const int dstStride[4] = {pitch, 0, 0, 0};
    sws_scale(m.scaler, f->data, f->linesize, 0, f->height, dst, dstStride);
    // Bottom-up, as a positive bitmap height says.
    for (int y = 0; y < height_; ++y)
        std::memcpy(&out[static_cast<size_t>(height_ - 1 - y) * pitch], &m.topDown[static_cast<size_t>(y) * pitch],
                    static_cast<size_t>(pitch));

    REFERENCE_TIME t = m.nextStart;
    if (f->best_effort_timestamp != AV_NOPTS_VALUE) t = ToUnits(f->best_effort_timestamp, m.timeBase);
    REFERENCE_TIME length = f->pkt_duration > 0 ? ToUnits(f->pkt_duration, m.timeBase) : frameDuration_;
    if (length <= 0) length = frameDuration_;
    // Stream times never run backwards or leap ahead, whatever the file claims: a damaged
    // timestamp would otherwise hold the picture, or the completion, for hours.
    if ((m.nextStart > 0 && t < m.nextStart - frameDuration_ / 2) || t > m.nextStart + kMaxTimestampLeap)
        t = m.nextStart;
    *start = t;
    *stop = t + length;
    m.nextStart = t + length;
    av_frame_unref(f);
    return true;
}

}  // namespace dshow
