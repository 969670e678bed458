// The movie reader on clips of many sizes, containers and codecs made here, and on files of kinds
// a movie must never be: what it opens, what it refuses, the rows and the times it gives.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dshow/moviereader.h"
#include "test_clip.h"

namespace {

namespace fs = std::filesystem;

constexpr std::array<uint8_t, 3> kColour = {200, 60, 40};

class MovieReaderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = fs::temp_directory_path() / ("abisalia-moviereader-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    static void TearDownTestSuite() { fs::remove_all(dir_); }

    // A clip of one flat colour: no edge for the codec to blur at any size.
    static fs::path Clip(const std::string& name, int width, int height, int frames,
                         const mediagen::VideoFormat& format, int fps = 25) {
        const fs::path path = dir_ / name;
        mediagen::EncodeVideo(
            path, width, height, fps, frames,
            [&](int) {
                mediagen::Image img(width, height);
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x) img.Set(x, y, kColour[0], kColour[1], kColour[2]);
                return img;
            },
            format);
        return path;
    }
    static fs::path Text(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
        return dir_ / name;
    }

    static fs::path dir_;
};
fs::path MovieReaderTest::dir_;

// The scaler writes whole vector blocks; at most widths its output overran a buffer of exactly
// pitch x height (found at 2, 6, 10, 42, 318). The writes are inside FFmpeg: valgrind sees them.
TEST_F(MovieReaderTest, EveryWidthDecodesIntoItsOwnRowsAndNoFurther) {
    std::vector<int> widths;
    for (int w = 1; w <= 64; ++w) widths.push_back(w);
    widths.push_back(318);
    widths.push_back(1023);
    // 4:2:0 is what the game's codec gives; 4:4:4 has no shared chroma, so every pixel, the last
    // of an odd row too, keeps the colour exactly.
    for (const int pixelFormat : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV444P})
        for (const int w : widths) {
            // Even sizes in the game's own codec and container; odd ones need a codec that takes them.
            const bool bOwn = pixelFormat == AV_PIX_FMT_YUV420P && w % 2 == 0;
            const int h = w == 1023 ? 3 : bOwn ? 32 : 33;
            const fs::path path =
                Clip("w" + std::to_string(w) + (bOwn ? ".avi" : ".mkv"), w, h, 2,
                     bOwn ? mediagen::VideoFormat{} : mediagen::VideoFormat{"matroska", "ffv1", pixelFormat});
            dshow::MovieReader reader;
            ASSERT_EQ(reader.Open(path.string()), S_OK) << "width " << w;
            ASSERT_EQ(reader.Width(), w);
            ASSERT_EQ(reader.Height(), h);
            // The encoder blends an odd 4:2:0 row's last two chroma samples with what lies past them.
            const int checked = pixelFormat == AV_PIX_FMT_YUV420P && w % 2 ? w - 2 : w;
            std::vector<BYTE> out;
            REFERENCE_TIME start = 0, stop = 0;
            int frames = 0;
            while (reader.Next(out, &start, &stop)) {
                ++frames;
                ASSERT_EQ(out.size(), static_cast<size_t>(dshow::RowPitch24(w)) * h);
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < checked; ++x)
                        ASSERT_TRUE(testclip::Near(&out[static_cast<size_t>(y) * reader.Pitch() + 3 * x], kColour))
                            << "width " << w << " pixel " << x << ", " << y << " format " << pixelFormat;
            }
            EXPECT_EQ(frames, 2) << "width " << w;
            fs::remove(path);
        }
}

// The containers and raw streams movies come in, each with a codec it carries.
TEST_F(MovieReaderTest, TheKnownContainersAndRawStreamsPlay) {
    struct Case {
        const char* file;
        mediagen::VideoFormat format;
    } cases[] = {
        {"a.avi", {"avi", "mpeg4"}},
        {"b.mkv", {"matroska", "ffv1"}},
        {"c.webm", {"webm", "libvpx"}},
        {"d.mp4", {"mp4", "mpeg4"}},
        {"e.mov", {"mov", "mjpeg", AV_PIX_FMT_YUVJ420P}},
        {"f.mpg", {"mpeg", "mpeg1video"}},
        {"g.ts", {"mpegts", "mpeg2video"}},
        {"h.mjpeg", {"mjpeg", "mjpeg", AV_PIX_FMT_YUVJ420P}},
        {"i.m4v", {"m4v", "mpeg4"}},
        {"j.m1v", {"mpeg1video", "mpeg1video"}},
        {"k.avi", {"avi", "mjpeg", AV_PIX_FMT_YUVJ420P}},
    };
    for (const Case& c : cases) {
        const fs::path path = Clip(c.file, 32, 16, 6, c.format);
        dshow::MovieReader reader;
        ASSERT_EQ(reader.Open(path.string()), S_OK) << c.file;
        std::vector<BYTE> out;
        REFERENCE_TIME start = 0, stop = 0;
        int frames = 0;
        while (reader.Next(out, &start, &stop)) {
            ++frames;
            EXPECT_TRUE(testclip::Near(&out[8 * reader.Pitch() + 16 * 3], kColour)) << c.file;
        }
        EXPECT_EQ(frames, 6) << c.file;
    }
}

// Texts that FFmpeg would follow to a server, a UDP port or other files, images, other codecs and
// names that are no file: each is refused at once, having opened nothing.
TEST_F(MovieReaderTest, OtherKindsOfInputAreRefusedAtOnce) {
    const std::string server = "http://127.0.0.1:9/";
    ASSERT_EQ(::mkfifo((dir_ / "pipe.avi").c_str(), 0600), 0);
    fs::create_directories(dir_ / "folder.avi");
    Clip("png.avi", 16, 16, 2, {"avi", "png", AV_PIX_FMT_RGB24});
    Clip("still.png", 16, 16, 1, {"image2", "png", AV_PIX_FMT_RGB24});
    Clip("raw.h263", 176, 144, 2, {"h263", "h263"});
    struct Case {
        fs::path path;
        HRESULT hr;
    } cases[] = {
        {Text("dash.avi",
              "<?xml version=\"1.0\"?>\n<MPD xmlns=\"urn:mpeg:dash:schema:mpd:2011\" "
              "profiles=\"urn:mpeg:dash:profile:isoff-on-demand:2011\" type=\"static\" "
              "mediaPresentationDuration=\"PT2S\" minBufferTime=\"PT1S\">\n<Period><AdaptationSet "
              "mimeType=\"video/mp4\"><Representation id=\"1\" bandwidth=\"1000\" width=\"32\" height=\"16\">"
              "\n<BaseURL>" +
                  server +
                  "</BaseURL>\n<SegmentList duration=\"1\"><Initialization "
                  "sourceURL=\"init.mp4\"/><SegmentURL media=\"s1.m4s\"/></SegmentList>\n"
                  "</Representation></AdaptationSet></Period>\n</MPD>\n"),
         VFW_E_UNKNOWN_FILE_TYPE},
        {Text("hls.avi", "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\n" + server + "s.ts\n#EXTINF:1,\n" +
                             (dir_ / "a.avi").string() + "\n#EXT-X-ENDLIST\n"),
         VFW_E_UNKNOWN_FILE_TYPE},
        {Text("sdp.avi",
              "v=0\no=- 0 0 IN IP4 127.0.0.1\ns=x\nc=IN IP4 0.0.0.0\nt=0 0\nm=video 45678 RTP/AVP 96\n"
              "a=rtpmap:96 MP4V-ES/90000\n"),
         VFW_E_UNKNOWN_FILE_TYPE},
        {Text("concat.avi", "ffconcat version 1.0\nfile '" + (dir_ / "a.avi").string() + "'\n"),
         VFW_E_UNKNOWN_FILE_TYPE},
        {Text("text.avi", "just some words, not a movie at all\n"), VFW_E_UNKNOWN_FILE_TYPE},
        {Text("empty.avi", ""), VFW_E_UNKNOWN_FILE_TYPE},
        {dir_ / "still.png", VFW_E_UNKNOWN_FILE_TYPE},
        {dir_ / "raw.h263", VFW_E_UNKNOWN_FILE_TYPE},
        {dir_ / "png.avi", VFW_E_UNSUPPORTED_STREAM},
        {dir_ / "pipe.avi", HRESULT_FILE_NOT_FOUND},
        {dir_ / "folder.avi", HRESULT_FILE_NOT_FOUND},
        {"/dev/zero", HRESULT_FILE_NOT_FOUND},
    };
    for (const Case& c : cases) {
        const auto before = std::chrono::steady_clock::now();
        dshow::MovieReader reader;
        EXPECT_EQ(reader.Open(c.path.string()), c.hr) << c.path;
        EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1)) << c.path;
        std::vector<BYTE> out;
        REFERENCE_TIME start = 0, stop = 0;
        EXPECT_FALSE(reader.Next(out, &start, &stop)) << c.path;
    }
}

// With B-frames the decoder gives pictures in another order than the file stores them, and the
// times it guesses for them can overlap; what reaches the renderer never runs backwards.
TEST_F(MovieReaderTest, FrameTimesNeverDecreaseWithBFrames) {
    struct Case {
        const char* file;
        mediagen::VideoFormat format;
        int fps;
    } cases[] = {
        {"bf.avi", {"avi", "mpeg4", 0, 2}, 25},
        // At 24 per second frame times round unevenly in the containers' clocks: a frame's
        // length can reach past the next frame's start.
        {"bf.mkv", {"matroska", "mpeg4", 0, 2}, 24},
        {"bf.mp4", {"mp4", "mpeg4", 0, 3}, 24},
        {"bf.ts", {"mpegts", "mpeg2video", 0, 2}, 25},
        {"bf.mpg", {"mpeg", "mpeg1video", 0, 2}, 24},
        {"bf.m1v", {"mpeg1video", "mpeg1video", 0, 2}, 24},
    };
    for (const Case& c : cases) {
        const fs::path path = Clip(c.file, 32, 16, 20, c.format, c.fps);
        dshow::MovieReader reader;
        ASSERT_EQ(reader.Open(path.string()), S_OK) << c.file;
        std::vector<BYTE> out;
        REFERENCE_TIME start = 0, stop = 0, lastStart = -1, lastStop = 0;
        int frames = 0;
        while (reader.Next(out, &start, &stop)) {
            ++frames;
            EXPECT_GE(start, lastStart) << c.file << " frame " << frames;
            EXPECT_GE(start, lastStop) << c.file << " frame " << frames << " starts before the last one ends";
            EXPECT_GT(stop, start) << c.file;
            lastStart = start;
            lastStop = stop;
        }
        EXPECT_EQ(frames, 20) << c.file;
    }
}

}  // namespace
