#include "video.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include "common.h"
#include "font.h"

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
    av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
    packet->stream_index = stream->index;
    Check(av_interleaved_write_frame(format, packet), "write frame");
  }
}

// Small filled shapes, clipped to the image.
void FillEllipse(Image& img, float cx, float cy, float rx, float ry, Rgb c) {
  for (int y = static_cast<int>(cy - ry); y <= static_cast<int>(cy + ry) + 1; ++y)
    for (int x = static_cast<int>(cx - rx); x <= static_cast<int>(cx + rx) + 1; ++x) {
      if (x < 0 || y < 0 || x >= img.Width() || y >= img.Height()) continue;
      float dx = (static_cast<float>(x) - cx) / rx, dy = (static_cast<float>(y) - cy) / ry;
      if (dx * dx + dy * dy <= 1) img.Set(x, y, c);
    }
}

void FillTriangle(Image& img, float ax, float ay, float bx, float by, float cx, float cy, Rgb c) {
  int x0 = std::max(0, static_cast<int>(std::min({ax, bx, cx}))), x1 = std::min(img.Width() - 1, static_cast<int>(std::max({ax, bx, cx})) + 1);
  int y0 = std::max(0, static_cast<int>(std::min({ay, by, cy}))), y1 = std::min(img.Height() - 1, static_cast<int>(std::max({ay, by, cy})) + 1);
  auto edge = [](float px, float py, float qx, float qy, float x, float y) { return (qx - px) * (y - py) - (qy - py) * (x - px); };
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      float fx = static_cast<float>(x) + 0.5f, fy = static_cast<float>(y) + 0.5f;
      float e0 = edge(ax, ay, bx, by, fx, fy), e1 = edge(bx, by, cx, cy, fx, fy), e2 = edge(cx, cy, ax, ay, fx, fy);
      if ((e0 >= 0 && e1 >= 0 && e2 >= 0) || (e0 <= 0 && e1 <= 0 && e2 <= 0)) img.Set(x, y, c);
    }
}

// A fish seen from the side, nose towards `dir` (+1 right, -1 left).
void DrawFish(Image& img, float x, float y, float size, float dir, float wag, Rgb body) {
  FillTriangle(img, x - dir * size * 0.8f, y, x - dir * size * 1.5f, y - size * (0.5f + wag), x - dir * size * 1.5f,
               y + size * (0.5f - wag), Scale(body, 0.8f));
  FillEllipse(img, x, y, size, size * 0.45f, body);
  FillEllipse(img, x + dir * size * 0.6f, y - size * 0.1f, size * 0.09f, size * 0.09f, {0.02f, 0.02f, 0.02f});
}

Image Water(int frame, const Palette& p) {
  Image img(kVideoWidth, kVideoHeight);
  const float t = static_cast<float>(frame) / kVideoFps;
  for (int y = 0; y < kVideoHeight; ++y) {
    Rgb row = Mix(p.top, p.bottom, static_cast<float>(y) / kVideoHeight);
    for (int x = 0; x < kVideoWidth; ++x) {
      // Slanting light shafts that drift slowly.
      float s = std::sin((static_cast<float>(x) * 0.05f + static_cast<float>(y) * 0.02f) + t * 0.8f) *
                std::sin(static_cast<float>(x) * 0.013f - t * 0.3f);
      float shaft = Clamp(s, 0, 1) * 0.12f * (1 - static_cast<float>(y) / kVideoHeight);
      img.Set(x, y, Add(row, {shaft, shaft, shaft}));
    }
  }
  return img;
}

void Bubbles(Image& img, int frame, uint32_t seed, int count) {
  const float t = static_cast<float>(frame) / kVideoFps;
  for (int k = 0; k < count; ++k) {
    float speed = 25 + 30 * Hash01(static_cast<uint32_t>(k), 1, seed);
    float x = Hash01(static_cast<uint32_t>(k), 2, seed) * kVideoWidth + 4 * std::sin(t * 3 + static_cast<float>(k));
    float y = std::fmod(Hash01(static_cast<uint32_t>(k), 3, seed) * kVideoHeight * 2 - t * speed + kVideoHeight * 4,
                        static_cast<float>(kVideoHeight) + 20) - 10;
    float r = 1.5f + 3 * Hash01(static_cast<uint32_t>(k), 4, seed);
    FillEllipse(img, x, y, r, r, {0.8f, 0.92f, 1.0f});
    FillEllipse(img, x - r * 0.3f, y - r * 0.3f, r * 0.35f, r * 0.35f, {1, 1, 1});
  }
}

void Centred(Image& img, std::string_view text, int y, int scale, Rgb colour) {
  int x = (kVideoWidth - TextWidth(text, scale)) / 2;
  DrawText(img, text, x + scale / 2 + 1, y + scale / 2 + 1, scale, {0.02f, 0.03f, 0.08f});  // shadow
  DrawText(img, text, x, y, scale, colour);
}

}  // namespace

void EncodeVideo(const std::filesystem::path& path, int frameCount, const std::function<Image(int)>& drawFrame) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  av_log_set_level(AV_LOG_ERROR);
  AVFormatContext* rawFormat = nullptr;
  Check(avformat_alloc_output_context2(&rawFormat, nullptr, "avi", path.c_str()), "output format");
  std::unique_ptr<AVFormatContext, FormatDeleter> format(rawFormat);
  format->flags |= AVFMT_FLAG_BITEXACT;

  const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
  if (!encoder) throw std::runtime_error("no MPEG-4 encoder");
  AVStream* stream = avformat_new_stream(format.get(), nullptr);
  if (!stream) throw std::runtime_error("no stream");
  std::unique_ptr<AVCodecContext, CodecDeleter> codec(avcodec_alloc_context3(encoder));
  codec->width = kVideoWidth;
  codec->height = kVideoHeight;
  codec->time_base = {1, kVideoFps};
  codec->framerate = {kVideoFps, 1};
  codec->pix_fmt = AV_PIX_FMT_YUV420P;
  codec->gop_size = kVideoFps;
  codec->max_b_frames = 0;
  codec->thread_count = 1;
  codec->flags |= AV_CODEC_FLAG_BITEXACT | AV_CODEC_FLAG_QSCALE;
  codec->global_quality = FF_QP2LAMBDA * 4;
  if (format->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  Check(avcodec_open2(codec.get(), encoder, nullptr), "open encoder");
  Check(avcodec_parameters_from_context(stream->codecpar, codec.get()), "stream parameters");
  stream->time_base = codec->time_base;
  Check(avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE), "open output");
  Check(avformat_write_header(format.get(), nullptr), "write header");

  std::unique_ptr<SwsContext, SwsDeleter> scaler(sws_getContext(kVideoWidth, kVideoHeight, AV_PIX_FMT_RGB24, kVideoWidth, kVideoHeight,
                                                                AV_PIX_FMT_YUV420P, SWS_BICUBIC | SWS_BITEXACT | SWS_ACCURATE_RND,
                                                                nullptr, nullptr, nullptr));
  if (!scaler) throw std::runtime_error("no scaler");
  std::unique_ptr<AVFrame, FrameDeleter> frame(av_frame_alloc());
  frame->format = AV_PIX_FMT_YUV420P;
  frame->width = kVideoWidth;
  frame->height = kVideoHeight;
  Check(av_frame_get_buffer(frame.get(), 0), "frame buffer");
  std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());

  for (int i = 0; i < frameCount; ++i) {
    Image image = drawFrame(i);
    Check(av_frame_make_writable(frame.get()), "frame writable");
    const uint8_t* src[1] = {image.Pixel(0, 0)};
    const int srcStride[1] = {kVideoWidth * 3};
    sws_scale(scaler.get(), src, srcStride, 0, kVideoHeight, frame->data, frame->linesize);
    frame->pts = i;
    Check(avcodec_send_frame(codec.get(), frame.get()), "send frame");
    Drain(codec.get(), format.get(), stream, packet.get());
  }
  Check(avcodec_send_frame(codec.get(), nullptr), "flush");
  Drain(codec.get(), format.get(), stream, packet.get());
  Check(av_write_trailer(format.get()), "write trailer");
}

Image IntroFrame(int frame, int frameCount, int level, const std::string& name, const Palette& palette) {
  Image img = Water(frame, palette);
  const float t = static_cast<float>(frame) / kVideoFps;
  for (int k = 0; k < 7; ++k) {
    float dir = (k % 2 == 0) ? 1.0f : -1.0f;
    float speed = 40 + 8 * static_cast<float>(k);
    float x = dir > 0 ? -30 + t * speed + 25 * static_cast<float>(k) : kVideoWidth + 30 - t * speed - 20 * static_cast<float>(k);
    float y = 150 + 12 * static_cast<float>(k % 4) + 6 * std::sin(t * 2 + static_cast<float>(k));
    DrawFish(img, x, y, 9 + static_cast<float>(k % 3) * 3, dir, 0.2f * std::sin(t * 12 + static_cast<float>(k)),
             Mix({0.85f, 0.75f, 0.3f}, {0.7f, 0.75f, 0.8f}, static_cast<float>(k % 3) / 2));
  }
  Bubbles(img, frame, 700 + static_cast<uint32_t>(level), 14);
  float show = Clamp(static_cast<float>(frame) / (frameCount * 0.3f), 0, 1);
  Rgb yellow = Mix(palette.top, {1.0f, 0.95f, 0.3f}, show);
  Centred(img, Format("NIVEL %d", level), 40, 5, yellow);
  Centred(img, name, 95, 2, Mix(palette.top, {1, 1, 1}, show));
  Centred(img, "ABISALIA", 218, 1, {0.8f, 0.9f, 1.0f});
  return img;
}

Image CatchFrame(int frame, int frameCount, const Palette& palette) {
  Image img = Water(frame, palette);
  const float t = static_cast<float>(frame) / kVideoFps;
  float x = 160 + 40 * std::sin(t * 1.5f), y = 150 + 8 * std::sin(t * 5);
  DrawFish(img, x, y, 34, 1, 0.25f * std::sin(t * 18), {0.8f, 0.8f, 0.85f});
  // The spear through the fish.
  FillTriangle(img, x - 90, y - 22, x + 70, y + 10, x - 90, y - 19, {0.55f, 0.57f, 0.6f});
  FillTriangle(img, x + 70, y + 10, x + 58, y + 3, x + 60, y + 12, {0.55f, 0.57f, 0.6f});
  for (int k = 0; k < 10; ++k) {
    float a = static_cast<float>(k) * 0.63f + t * 2;
    float r = 55 + 10 * std::sin(t * 6 + static_cast<float>(k));
    FillEllipse(img, x + r * std::cos(a), y + r * 0.6f * std::sin(a), 2, 2, {1, 1, 0.6f});
  }
  float pulse = 0.8f + 0.2f * std::sin(t * 8);
  Centred(img, "LO PESCASTE", 40, 4, Scale({1.0f, 0.95f, 0.35f}, pulse));
  Centred(img, "ENHORABUENA", 90, 2, {1, 1, 1});
  (void)frameCount;
  return img;
}

Image DrownFrame(int frame, int frameCount, const Palette& palette) {
  Image img = Water(frame, palette);
  Bubbles(img, frame, 900, 30);
  // The picture fades to red, as the game's own fade does.
  float fade = Clamp(static_cast<float>(frame) / static_cast<float>(frameCount), 0, 1);
  for (int y = 0; y < kVideoHeight; ++y)
    for (int x = 0; x < kVideoWidth; ++x) {
      uint8_t* p = img.Pixel(x, y);
      Rgb c{p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f};
      img.Set(x, y, Mix(c, {0.35f, 0.0f, 0.0f}, fade * 0.85f));
    }
  Centred(img, "TE HAS AHOGADO", 90, 3, {1.0f, 0.9f, 0.85f});
  return img;
}

}  // namespace mediagen
