// The movie decoder module: a file's video stream decoded with FFmpeg into bottom-up BGR rows.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avstring.h>
#include <libavutil/imgutils.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

#include "dshow/moviedecoder.h"
#include "dshow/moviereader.h"

namespace dshow {
namespace {

constexpr int kIoBufferSize = 32 * 1024;
constexpr REFERENCE_TIME kMaxTimestampLeap = 2 * kUnitsPerSecond;
// However long the file says a picture lasts: a day-long frame would hold the screen for good.
constexpr REFERENCE_TIME kMaxFrameLength = 2 * kUnitsPerSecond;
// Opening and probing give up after this long, however the file keeps the demuxer reading: the
// open runs on the game's frame loop.
constexpr auto kOpenDeadline = std::chrono::seconds(1);
// Read without a picture coming out of it, this much ends the stream: a long run of undecodable
// data (a sparse tail of zeros costs nothing on disk) is not read on. Above the largest picture a
// movie may hold uncompressed.
constexpr int64_t kMaxBytesPerPicture = int64_t{64} << 20;
// No single allocation of FFmpeg's may be larger: an index a file declares (millions of samples
// in a few bytes) is refused rather than built. FFmpeg's own allocator only; process-wide.
constexpr size_t kMaxAllocation = size_t{100} << 20;

// A movie file comes from a level folder anyone can make, so it is read as the container kinds
// movies are made in and nothing else: AVI (the game's own), Matroska/WebM, MP4/QuickTime, MPEG
// program and transport streams, and three raw streams with no container: MJPEG, MPEG-4 part 2
// (the game's codec) and MPEG-1/2 video (the plain ".mpg" of the time). Playlists, manifests,
// session descriptions, image sequences and device inputs are not on it.
constexpr char kDemuxers[] = "avi,matroska,mov,mpeg,mpegts,mjpeg,m4v,mpegvideo";
// Video decoders of those containers, FFmpeg's own software ones only: by name a hardware
// wrapper (a device node) or an external library can never be picked.
constexpr char kDecoders[] =
    "mpeg4,msmpeg4v1,msmpeg4v2,msmpeg4,h263,h264,mpeg1video,mpeg2video,mjpeg,vp8,vp9,theora,rawvideo,ffv1";
// Probing reads at most this much, so a hostile file cannot make the open take long.
constexpr int64_t kMaxPixels = int64_t{kMaxMovieSide} * kMaxMovieSide;
constexpr int64_t kProbeBytes = 1 << 20;
constexpr int64_t kAnalyzeMicroseconds = 2'000'000;
constexpr unsigned kMaxStreams = 16;

// The one file is all a movie may read: a demuxer that asks for another (a manifest's segments,
// a playlist's entries, a reference to another file) gets nothing.
int RefuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) { return AVERROR(EPERM); }

bool Listed(const char* name, const char* list) { return name && av_match_list(name, list, ',') > 0; }

// What FFmpeg reads from, and what it asks whether to go on.
struct Input {
    std::FILE* file = nullptr;
    std::atomic<bool> stop{false};
    // While opening, a deadline; then, a count of the bytes read since the last picture.
    bool opening = false;
    std::chrono::steady_clock::time_point deadline;
    int64_t bytesSincePicture = 0;

    bool Interrupted() const { return stop || (opening && std::chrono::steady_clock::now() >= deadline); }
};

int Interrupted(void* opaque) { return static_cast<Input*>(opaque)->Interrupted() ? 1 : 0; }

// A demuxer scanning for its next header reads on through anything; an interrupted read ends
// the scan as the file's end would.
int ReadFile(void* opaque, uint8_t* buf, int size) {
    auto* in = static_cast<Input*>(opaque);
    if (in->Interrupted()) return AVERROR_EXIT;
    if (!in->opening && in->bytesSincePicture >= kMaxBytesPerPicture) return AVERROR_EOF;
    const size_t n = std::fread(buf, 1, static_cast<size_t>(size), in->file);
    in->bytesSincePicture += static_cast<int64_t>(n);
    return n == 0 ? AVERROR_EOF : static_cast<int>(n);
}

int64_t SeekFile(void* opaque, int64_t offset, int whence) {
    auto* f = static_cast<Input*>(opaque)->file;
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

class FfmpegDecoder final : public MovieDecoder {
public:
    ~FfmpegDecoder() override {
        av_frame_free(&frame_);
        av_frame_free(&rgb_);
        av_packet_free(&packet_);
        sws_freeContext(scaler_);
        avcodec_free_context(&codec_);
        avformat_close_input(&format_);
        if (io_) {
            av_freep(&io_->buffer);
            avio_context_free(&io_);
        }
        if (input_.file) std::fclose(input_.file);
    }

    HRESULT Open(std::FILE* file) override;
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    REFERENCE_TIME FrameDuration() const override { return frameDuration_; }
    bool Next(std::vector<BYTE>& out, REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    void RequestStop() override { input_.stop = true; }

private:
    // Open's work, against the open's deadline.
    HRESULT OpenStream();
    // The next decoded picture into `frame_`; false at the end.
    bool Decode() {
        while (!ended_) {
            const int r = avcodec_receive_frame(codec_, frame_);
            if (r == 0) {
                input_.bytesSincePicture = 0;
                return true;
            }
            if (r != AVERROR(EAGAIN)) {
                ended_ = true;  // the drained end, or a decoder that gave up
                break;
            }
            if (draining_) {
                ended_ = true;
                break;
            }
            const int read = av_read_frame(format_, packet_);
            if (read < 0) {
                // The file's end, or a read error treated as one: drain what the decoder holds.
                draining_ = true;
                avcodec_send_packet(codec_, nullptr);
                continue;
            }
            if (packet_->stream_index == stream_) {
                // A damaged packet is skipped; the decoder resynchronises at the next one.
                avcodec_send_packet(codec_, packet_);
            }
            av_packet_unref(packet_);
        }
        return false;
    }

    Input input_;
    AVIOContext* io_ = nullptr;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    SwsContext* scaler_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    int stream_ = -1;
    AVRational timeBase_{1, 25};
    bool draining_ = false, ended_ = false;
    REFERENCE_TIME nextStart_ = 0;
    AVFrame* rgb_ = nullptr;  // the scaler's output
    int width_ = 0, height_ = 0;
    REFERENCE_TIME frameDuration_ = kUnitsPerSecond / 25;
};

HRESULT FfmpegDecoder::Open(std::FILE* file) {
    av_log_set_level(AV_LOG_QUIET);
    av_max_alloc(kMaxAllocation);
    input_.file = file;
    input_.opening = true;
    input_.deadline = std::chrono::steady_clock::now() + kOpenDeadline;
    const HRESULT hr = OpenStream();
    input_.opening = false;
    input_.bytesSincePicture = 0;
    return hr;
}

HRESULT FfmpegDecoder::OpenStream() {
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!buffer) return E_OUTOFMEMORY;
    io_ = avio_alloc_context(buffer, kIoBufferSize, 0, &input_, ReadFile, nullptr, SeekFile);
    if (!io_) {
        av_free(buffer);
        return E_OUTOFMEMORY;
    }
    format_ = avformat_alloc_context();
    if (!format_) return E_OUTOFMEMORY;
    format_->pb = io_;
    format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    format_->format_whitelist = av_strdup(kDemuxers);
    format_->protocol_whitelist = av_strdup("file");
    format_->codec_whitelist = av_strdup(kDecoders);
    if (!format_->format_whitelist || !format_->protocol_whitelist || !format_->codec_whitelist) return E_OUTOFMEMORY;
    format_->io_open = RefuseNestedOpen;
    format_->interrupt_callback = {Interrupted, &input_};
    format_->probesize = kProbeBytes;
    format_->format_probesize = kProbeBytes;
    format_->max_analyze_duration = kAnalyzeMicroseconds;
    format_->max_streams = kMaxStreams;
    format_->fps_probe_size = 30;
    // avformat_open_input frees the context when it fails.
    if (avformat_open_input(&format_, nullptr, nullptr, nullptr) < 0) return VFW_E_UNKNOWN_FILE_TYPE;
    if (!format_->iformat || !Listed(format_->iformat->name, kDemuxers)) return VFW_E_UNKNOWN_FILE_TYPE;
    // Only the video is looked into; no other stream gets a decoder.
    for (unsigned i = 0; i < format_->nb_streams; ++i)
        if (format_->streams[i]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO)
            format_->streams[i]->discard = AVDISCARD_ALL;
    {
        // The decoders stream probing opens: single-threaded, pictures no larger than a movie may be.
        std::vector<AVDictionary*> options(format_->nb_streams, nullptr);
        for (AVDictionary*& d : options) {
            av_dict_set(&d, "threads", "1", 0);
            av_dict_set_int(&d, "max_pixels", kMaxPixels, 0);
        }
        const int found = avformat_find_stream_info(format_, options.empty() ? nullptr : options.data());
        for (AVDictionary*& d : options) av_dict_free(&d);
        if (found < 0) return VFW_E_UNKNOWN_FILE_TYPE;
    }
    const AVCodec* decoder = nullptr;
    stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (stream_ < 0 || !decoder || !Listed(decoder->name, kDecoders)) return VFW_E_UNSUPPORTED_STREAM;
    const AVStream* s = format_->streams[stream_];
    const int w = s->codecpar->width, h = s->codecpar->height;
    if (w < 1 || h < 1 || w > kMaxMovieSide || h > kMaxMovieSide) return VFW_E_UNSUPPORTED_STREAM;
    codec_ = avcodec_alloc_context3(decoder);
    if (!codec_) return E_OUTOFMEMORY;
    if (avcodec_parameters_to_context(codec_, s->codecpar) < 0) return VFW_E_UNSUPPORTED_STREAM;
    codec_->thread_count = 1;
    // A stream may change its picture size on the way; never to one larger than a movie may be.
    codec_->max_pixels = kMaxPixels;
    codec_->codec_whitelist = av_strdup(kDecoders);
    if (avcodec_open2(codec_, decoder, nullptr) < 0) return VFW_E_UNSUPPORTED_STREAM;
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    rgb_ = av_frame_alloc();
    if (!packet_ || !frame_ || !rgb_) return E_OUTOFMEMORY;
    rgb_->format = AV_PIX_FMT_BGR24;
    rgb_->width = w;
    rgb_->height = h;
    if (av_frame_get_buffer(rgb_, 0) < 0) return E_OUTOFMEMORY;
    timeBase_ = s->time_base;
    const AVRational rate = av_guess_frame_rate(format_, const_cast<AVStream*>(s), nullptr);
    if (rate.num > 0 && rate.den > 0) frameDuration_ = av_rescale_q(1, av_inv_q(rate), AVRational{1, kUnitsPerSecond});
    if (frameDuration_ <= 0) frameDuration_ = kUnitsPerSecond / 25;
    frameDuration_ = std::min(frameDuration_, kMaxFrameLength);
    width_ = w;
    height_ = h;
    return S_OK;
}

bool FfmpegDecoder::Next(std::vector<BYTE>& out, REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    if (!codec_ || !Decode()) return false;
    AVFrame* f = frame_;
    const int pitch = RowPitch24(width_);
    out.resize(static_cast<size_t>(pitch) * static_cast<size_t>(height_));
    // Pictures that change size mid-stream are scaled to the size the renderer agreed to.
    scaler_ = sws_getCachedContext(scaler_, f->width, f->height, static_cast<AVPixelFormat>(f->format), width_, height_,
                                   AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
    if (!scaler_ || f->width < 1 || f->height < 1) {
        av_frame_unref(f);
        return false;
    }
    // The scaler writes whole vector blocks, past a row's last pixel and past the last row: it
    // gets a picture of libavutil's own, aligned and padded as it requires, and the rows are
    // copied out of that.
    sws_scale(scaler_, f->data, f->linesize, 0, f->height, rgb_->data, rgb_->linesize);
    const size_t rowBytes = static_cast<size_t>(width_) * 3;
    // Bottom-up, as a positive bitmap height says.
    for (int y = 0; y < height_; ++y)
        std::memcpy(&out[static_cast<size_t>(height_ - 1 - y) * pitch],
                    rgb_->data[0] + static_cast<ptrdiff_t>(y) * rgb_->linesize[0], rowBytes);

    REFERENCE_TIME t = nextStart_;
    if (f->best_effort_timestamp != AV_NOPTS_VALUE) t = ToUnits(f->best_effort_timestamp, timeBase_);
    REFERENCE_TIME length = f->pkt_duration > 0 ? ToUnits(f->pkt_duration, timeBase_) : frameDuration_;
    if (length <= 0) length = frameDuration_;
    length = std::min(length, kMaxFrameLength);
    // Stream times never run backwards or leap ahead, whatever the file claims: a damaged
    // timestamp would otherwise hold the picture, or the completion, for hours. A picture never
    // starts before the one before it has ended.
    if (t < nextStart_ || t > nextStart_ + kMaxTimestampLeap) t = nextStart_;
    *start = t;
    *stop = t + length;
    nextStart_ = t + length;
    av_frame_unref(f);
    return true;
}

}  // namespace
}  // namespace dshow

extern "C" __attribute__((visibility("default"))) int AbisaliaMovieDecoderVersion() {
    return dshow::kMovieDecoderVersion;
}

extern "C" __attribute__((visibility("default"))) dshow::MovieDecoder* AbisaliaCreateMovieDecoder() {
    return new (std::nothrow) dshow::FfmpegDecoder();
}
