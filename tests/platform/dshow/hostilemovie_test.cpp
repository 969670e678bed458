// The movie reader on files made to cost what a level folder should never cost: a clip followed
// by gigabytes of zeros (sparse, so free on disk), an index of millions of samples declared in a
// few bytes, frames that last a day or leap ahead. Each opens or is refused within a bounded
// time and memory, plays to an end, and no picture holds the screen for long. A stop request
// ends a read that finds no picture.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/pixfmt.h>
}

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dshow/moviedecoder.h"
#include "dshow/moviemodule.h"
#include "dshow/moviereader.h"
#include "measured_child.h"
#include "test_clip.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<char>;

constexpr REFERENCE_TIME kMaxFrameLength = 2 * kUnitsPerSecond;
constexpr std::uintmax_t kGiB = std::uintmax_t{1} << 30;

// Deletes its folder however the test ends.
struct ScratchFolder {
    ScratchFolder() : path(fs::temp_directory_path() / ("abisalia-hostilemovie-" + std::to_string(::getpid()))) {
        fs::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code error;
        fs::remove_all(path, error);
    }
    fs::path path;
};

Bytes Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}
void Write(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void PutBe32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (24 - 8 * i));
}
uint32_t GetBe32(const Bytes& b, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
    return v;
}
void PutLe32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}
size_t Find(const Bytes& b, const char* tag) {
    const auto it = std::search(b.begin(), b.end(), tag, tag + std::strlen(tag));
    EXPECT_NE(it, b.end()) << tag;
    return static_cast<size_t>(it - b.begin());
}

fs::path Clip(const fs::path& path, const mediagen::VideoFormat& format, int frames = 8, int width = 32,
              int height = 16) {
    mediagen::EncodeVideo(
        path, width, height, 25, frames,
        [&](int i) {
            mediagen::Image img(width, height);
            const auto c = testclip::TopColour(i);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) img.Set(x, y, c[0], c[1], c[2]);
            return img;
        },
        format);
    return path;
}

// The clip, then `zeros` bytes of nothing the file system has to store.
fs::path ZeroTail(const fs::path& path, const mediagen::VideoFormat& format, std::uintmax_t zeros) {
    Clip(path, format);
    fs::resize_file(path, fs::file_size(path) + zeros);
    return path;
}

// An MP4 whose sample table declares 40 million samples of one fixed size in one chunk: the
// demuxer's index for it would take about 1 GB.
fs::path DeclaredIndex(const fs::path& path) {
    Clip(path, {"mp4", "mpeg4"});
    Bytes b = Read(path);
    const size_t stsz = Find(b, "stsz") + 4;  // version and flags, sample size, count
    PutBe32(b, stsz + 4, 1000);
    PutBe32(b, stsz + 8, 40'000'000);
    const size_t stsc = Find(b, "stsc") + 4;  // version and flags, count, then (first, samples, id)
    for (uint32_t i = 0, n = GetBe32(b, stsc + 4); i < n; ++i) PutBe32(b, stsc + 8 + 12 * i + 4, 40'000'000);
    Write(path, b);
    return path;
}

// An AVI of one frame per day: the stream's rate is 1/86400.
fs::path FramePerDay(const fs::path& path) {
    Clip(path, {"avi", "mpeg4"}, 3);
    Bytes b = Read(path);
    const size_t strh = Find(b, "vids");  // the stream header: type, handler, flags, priority,
    PutLe32(b, strh + 20, 86400);         // language, initial frames, scale
    PutLe32(b, strh + 24, 1);             // rate
    Write(path, b);
    return path;
}

// The clip's packets written again into Matroska with the times `pts` gives each (in seconds).
fs::path Retimed(const fs::path& path, const std::function<double(int)>& pts) {
    const fs::path source = Clip(fs::path(path).replace_extension(".src.mkv"), {"matroska", "ffv1"}, 4);
    AVFormatContext* in = nullptr;
    EXPECT_EQ(avformat_open_input(&in, source.c_str(), nullptr, nullptr), 0);
    EXPECT_GE(avformat_find_stream_info(in, nullptr), 0);
    AVFormatContext* out = nullptr;
    EXPECT_GE(avformat_alloc_output_context2(&out, nullptr, "matroska", path.c_str()), 0);
    AVStream* s = avformat_new_stream(out, nullptr);
    avcodec_parameters_copy(s->codecpar, in->streams[0]->codecpar);
    s->time_base = {1, 1000};
    EXPECT_GE(avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE), 0);
    EXPECT_GE(avformat_write_header(out, nullptr), 0);
    AVPacket* p = av_packet_alloc();
    for (int i = 0; av_read_frame(in, p) == 0; ++i) {
        p->pts = p->dts = static_cast<int64_t>(pts(i) * 1000);
        p->duration = 0;
        p->stream_index = 0;
        p->pos = -1;
        EXPECT_GE(av_interleaved_write_frame(out, p), 0);
    }
    av_write_trailer(out);
    av_packet_free(&p);
    avio_closep(&out->pb);
    avformat_free_context(out);
    avformat_close_input(&in);
    fs::remove(source);
    return path;
}

// What a play of the file gave, from open to the stream's end.
struct Played {
    HRESULT hr = E_FAIL;
    REFERENCE_TIME frameDuration = 0;  // the nominal one
    int frames = 0;
    REFERENCE_TIME longestFrame = 0;  // the largest stop - start
    REFERENCE_TIME longestGap = 0;    // the largest start - the previous start
    REFERENCE_TIME secondStart = -1;
    REFERENCE_TIME firstStop = -1;
    double openSeconds = 0, playSeconds = 0;
    long peakMb = -1;  // -1: not measured
};

// Processor time of this thread, where the reader opens and decodes: a loaded machine does not
// stretch it as it does wall time.
double ThreadSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

Played Play(const fs::path& path) {
    Played p;
    const double before = ThreadSeconds();
    dshow::MovieReader reader;
    p.hr = reader.Open(path.string());
    const double opened = ThreadSeconds();
    p.openSeconds = opened - before;
    if (SUCCEEDED(p.hr)) p.frameDuration = reader.FrameDuration();
    std::vector<BYTE> out;
    REFERENCE_TIME start = 0, stop = 0, lastStart = 0;
    while (reader.Next(out, &start, &stop)) {
        p.longestFrame = std::max(p.longestFrame, stop - start);
        if (p.frames > 0) p.longestGap = std::max(p.longestGap, start - lastStart);
        if (p.frames == 0) p.firstStop = stop;
        if (p.frames == 1) p.secondStart = start;
        lastStart = start;
        ++p.frames;
    }
    p.playSeconds = ThreadSeconds() - opened;
    return p;
}

// The play in a forked child whose high-water mark starts at what it holds, so the peak it adds
// is measured. Sanitizers' shadow memory swamps the figure: there the play runs here, unmeasured.
Played PlayMeasured(const fs::path& path) {
    if (measured::kSanitized) return Play(path);
    const measured::Child<Played> child = measured::RunInChild<Played>([&] { return Play(path); });
    EXPECT_TRUE(child.reported) << "the child died";
    Played p = child.value;
    p.peakMb = child.peakMb;
    return p;
}

TEST(HostileMovieTest, EachOpensOrIsRefusedInBoundedTimeAndMemoryAndNoFrameHoldsLong) {
    ScratchFolder dir;
    // Without bounds each GiB of zeros costs the demuxers about 14 s of scanning.
    constexpr std::uintmax_t kTail = 8 * kGiB;
    struct Case {
        const char* name;
        std::function<fs::path()> make;
        HRESULT hr;
        int frames;  // at least, when it opens
    } cases[] = {
        {"AVI, zero tail",
         [&] {
             return ZeroTail(dir.path / "tail.avi", {"avi", "mpeg4"}, kTail);
         },
         S_OK, 8},
        // The demuxer loses the last picture's packet where the open gave up.
        {"MPEG-TS, zero tail",
         [&] {
             return ZeroTail(dir.path / "tail.ts", {"mpegts", "mpeg2video"}, kTail);
         },
         S_OK, 7},
        {"MPEG-PS, zero tail",
         [&] {
             return ZeroTail(dir.path / "tail.mpg", {"mpeg", "mpeg1video"}, kTail);
         },
         S_OK, 8},
        {"MP4 declaring 40 million samples", [&] { return DeclaredIndex(dir.path / "index.mp4"); },
         VFW_E_UNSUPPORTED_STREAM, 0},
        // FFmpeg's largest allocations for a movie that may be played stay within its bound.
        {"the largest picture, 4096 x 4096",
         [&] {
             return Clip(dir.path / "large.avi", {"avi", "mpeg4"}, 1, dshow::kMaxMovieSide, dshow::kMaxMovieSide);
         },
         S_OK, 1},
        {"AVI of one frame a day", [&] { return FramePerDay(dir.path / "day.avi"); }, S_OK, 3},
        {"Matroska, the second frame a day later",
         [&] { return Retimed(dir.path / "daylater.mkv", [](int i) { return i == 0 ? 0.0 : 86400.0 + i; }); }, S_OK, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Played p = PlayMeasured(c.make());
        EXPECT_EQ(p.hr, c.hr);
        EXPECT_GE(p.frames, c.frames);
        // Generous: the bounds are about a second each (sanitizers run several times slower);
        // unbounded, these take minutes.
        const double fLimit = measured::kSanitized ? 40.0 : 10.0;
        EXPECT_LT(p.openSeconds, fLimit);
        EXPECT_LT(p.playSeconds, fLimit);
        if (p.peakMb >= 0) {
            EXPECT_LT(p.peakMb, 200) << "MB at the peak";
        }
        EXPECT_LE(p.frameDuration, kMaxFrameLength);
        EXPECT_LE(p.longestFrame, kMaxFrameLength);
        EXPECT_LE(p.longestGap, 2 * kMaxFrameLength);
    }
}

// A time that leaps ahead is pulled back to the end of the frame before it, as one that steps
// back is: the picture before it does not hold for the leap.
TEST(HostileMovieTest, ATimestampThatLeapsSecondsAheadIsPulledBack) {
    ScratchFolder dir;
    const Played p = Play(Retimed(dir.path / "leap.mkv", [](int i) { return i == 0 ? 0.0 : 10.0 + 0.04 * i; }));
    ASSERT_EQ(p.hr, S_OK);
    ASSERT_EQ(p.frames, 4);
    EXPECT_EQ(p.secondStart, p.firstStop);
}

// A virtual file for the decoder: a clip, then zeros without end. Once armed, the first read past
// the clip says so and waits for the test's go; the bytes served after it are counted.
class EndlessZeros {
public:
    explicit EndlessZeros(Bytes clip) : clip_(std::move(clip)) {}

    std::FILE* Open() {
        cookie_io_functions_t io{};
        io.read = [](void* c, char* buf, size_t size) { return static_cast<EndlessZeros*>(c)->ReadAt(buf, size); };
        io.seek = [](void* c, off64_t* offset, int whence) {
            auto* self = static_cast<EndlessZeros*>(c);
            const off64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? self->pos_ : kSize;
            self->pos_ = base + *offset;
            *offset = self->pos_;
            return 0;
        };
        return fopencookie(this, "rb", io);
    }
    void Arm() {
        std::lock_guard lock(mutex_);
        armed_ = true;
    }
    void WaitUntilInTail() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return inTail_; });
    }
    void Go() {
        {
            std::lock_guard lock(mutex_);
            go_ = true;
        }
        changed_.notify_all();
    }
    long long ServedAfterGo() {
        std::lock_guard lock(mutex_);
        return servedAfterGo_;
    }

private:
    static constexpr off64_t kSize = off64_t{1} << 40;

    ssize_t ReadAt(char* buf, size_t size) {
        size_t n = 0;
        if (pos_ < static_cast<off64_t>(clip_.size())) {
            n = std::min(size, clip_.size() - static_cast<size_t>(pos_));
            std::memcpy(buf, clip_.data() + pos_, n);
        } else {
            std::unique_lock lock(mutex_);
            if (armed_ && !inTail_) {
                inTail_ = true;
                changed_.notify_all();
                changed_.wait(lock, [&] { return go_; });
            }
            n = size;
            std::memset(buf, 0, n);
            if (go_) servedAfterGo_ += static_cast<long long>(n);
        }
        pos_ += static_cast<off64_t>(n);
        return static_cast<ssize_t>(n);
    }

    Bytes clip_;
    off64_t pos_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool armed_ = false, inTail_ = false, go_ = false;
    long long servedAfterGo_ = 0;
};

// The streaming thread is in a read of nothing but zeros when the graph stops it: the read ends
// at the request, not after the bytes a picture may take.
TEST(HostileMovieTest, AStopRequestEndsAReadThatFindsNoPicture) {
    ScratchFolder dir;
    EndlessZeros file(Read(Clip(dir.path / "clip.avi", {"avi", "mpeg4"})));
    const dshow::CreateMovieDecoderFn create = dshow::MovieDecoderFactory();
    ASSERT_NE(create, nullptr);
    std::unique_ptr<dshow::MovieDecoder> decoder(create());
    ASSERT_EQ(decoder->Open(file.Open()), S_OK);
    file.Arm();
    int frames = 0;
    std::thread streaming([&] {
        std::vector<BYTE> out;
        REFERENCE_TIME start = 0, stop = 0;
        while (decoder->Next(out, &start, &stop)) ++frames;
    });
    file.WaitUntilInTail();
    decoder->RequestStop();
    file.Go();
    streaming.join();
    EXPECT_LE(frames, 8);
    // A read under way finishes: FFmpeg's buffer and the C library's.
    EXPECT_LT(file.ServedAfterGo(), 1 << 20);
}

}  // namespace
