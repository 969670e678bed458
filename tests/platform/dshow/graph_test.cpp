// The media graph end to end on clips made here: what a renderer is offered and given, when, and
// what is left after the graph's last release.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dshow/dshow.h"
#include "dshow/moviereader.h"
#include "test_clip.h"
#include "win32/codepage.h"
#include "win32/timesource.h"

namespace {

constexpr int kWidth = 30, kHeight = 16, kFps = 25, kFrames = 8;
constexpr int kPitch = 92;  // 90 bytes of pixels raised to a multiple of four
constexpr REFERENCE_TIME kFrame = kUnitsPerSecond / kFps;
const GUID kTestClsid = {0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};

struct Rendered {
    std::vector<BYTE> data;
    REFERENCE_TIME start, stop;
};

// Takes RGB24 with FORMAT_VideoInfo only, and keeps everything it was offered and given.
class TestRenderer : public CBaseVideoRenderer {
public:
    explicit TestRenderer(HRESULT* phr) : CBaseVideoRenderer(kTestClsid, "Test Renderer", nullptr, phr) {}

    HRESULT CheckMediaType(const CMediaType* pmt) override {
        std::lock_guard lock(mutex);
        offered.push_back(*pmt);
        if (!(*pmt->FormatType() == FORMAT_VideoInfo)) return E_INVALIDARG;
        return *pmt->Subtype() == MEDIASUBTYPE_RGB24 ? S_OK : E_FAIL;
    }
    HRESULT DoRenderSample(IMediaSample* pSample) override {
        BYTE* p = nullptr;
        pSample->GetPointer(&p);
        Rendered r{std::vector<BYTE>(p, p + pSample->GetActualDataLength()), 0, 0};
        pSample->GetTime(&r.start, &r.stop);
        std::lock_guard lock(mutex);
        frames.push_back(std::move(r));
        return S_OK;
    }
    size_t Count() {
        std::lock_guard lock(mutex);
        return frames.size();
    }

    std::mutex mutex;
    std::vector<CMediaType> offered;
    std::vector<Rendered> frames;
};

class GraphTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::filesystem::temp_directory_path() / ("abisalia-dshow-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        testclip::Write(dir_ / "clip.avi", kWidth, kHeight, kFps, kFrames);
        std::ofstream(dir_ / "garbage.avi", std::ios::binary) << std::string(4096, '\x5a');
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(dir_); }

    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override {
        ReleaseGraph();
        CoUninitialize();
        unsetenv("ABISALIA_FIXED_STEP");
        win32::ResetTimeSource();
        EXPECT_EQ(dshow::LiveGraphs(), 0);
        EXPECT_EQ(dshow::LiveStreams(), 0);
    }

    static std::u16string Wide(const std::filesystem::path& p) {
        WCHAR w[1024];
        MultiByteToWideChar(CP_ACP, 0, p.c_str(), -1, w, 1024);
        return w;
    }

    // The graph the game builds: renderer, source for the file, "Output" to "In".
    HRESULT Build(const std::string& strFile) {
        EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   reinterpret_cast<void**>(&graph_)),
                  S_OK);
        graph_->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control_));
        graph_->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events_));
        HRESULT hr = S_OK;
        renderer_ = new TestRenderer(&hr);
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(graph_->AddFilter(renderer_, u"TEXTURERENDERER"), S_OK);
        IBaseFilter* source = nullptr;
        if (FAILED(hr = graph_->AddSourceFilter(Wide(dir_ / strFile).c_str(), u"SOURCE", &source))) return hr;
        IPin *in = nullptr, *out = nullptr;
        EXPECT_EQ(renderer_->FindPin(u"In", &in), S_OK);
        EXPECT_EQ(source->FindPin(u"Output", &out), S_OK);
        hr = graph_->Connect(out, in);
        in->Release();
        out->Release();
        source->Release();
        return hr;
    }
    void ReleaseGraph() {
        if (control_) control_->Release();
        if (events_) events_->Release();
        if (renderer_) renderer_->Release();
        if (graph_) graph_->Release();
        control_ = nullptr;
        events_ = nullptr;
        renderer_ = nullptr;
        graph_ = nullptr;
    }
    long TakeEvent(long msTimeout) {
        long code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (events_->GetEvent(&code, &p1, &p2, msTimeout) != S_OK) return -1;
        events_->FreeEventParams(code, p1, p2);
        return code;
    }
    // A "not yet" is only worth checking once the stream has looked at the clock a few times since:
    // then it has seen the time and still chose to wait.
    void LetTheStreamReadTheClock() {
        const int after = clockReads_.load() + 3;
        ASSERT_TRUE(WaitFor([&] { return clockReads_.load() >= after; }));
    }
    template <class Pred> static bool WaitFor(Pred pred) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!pred() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return pred();
    }

    static std::filesystem::path dir_;
    IGraphBuilder* graph_ = nullptr;
    IMediaControl* control_ = nullptr;
    IMediaEvent* events_ = nullptr;
    TestRenderer* renderer_ = nullptr;
    std::atomic<int> clockReads_{0};
};
std::filesystem::path GraphTest::dir_;

TEST_F(GraphTest, ConnectOffersTheDecodersTypeThenRGB32ThenBottomUpRGB24) {
    ASSERT_EQ(Build("clip.avi"), S_OK);
    // Each offer is asked once; the accepted one again as the connection is made.
    ASSERT_GE(renderer_->offered.size(), 3u);
    EXPECT_TRUE(renderer_->offered[0].formattype == FORMAT_VideoInfo2);
    EXPECT_TRUE(renderer_->offered[1].subtype == MEDIASUBTYPE_RGB32);
    const CMediaType& agreed = renderer_->ConnectedType();
    EXPECT_TRUE(agreed.subtype == MEDIASUBTYPE_RGB24 && agreed.majortype == MEDIATYPE_Video);
    ASSERT_GE(agreed.FormatLength(), sizeof(VIDEOINFOHEADER));
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(agreed.Format());
    EXPECT_EQ(vih->bmiHeader.biWidth, kWidth);
    EXPECT_EQ(vih->bmiHeader.biHeight, kHeight) << "positive: bottom-up";
    EXPECT_EQ(vih->bmiHeader.biSizeImage, static_cast<DWORD>(kPitch * kHeight));
}

TEST_F(GraphTest, EveryFrameArrivesBottomUpInOrderThenTheStreamCompletes) {
    ASSERT_EQ(Build("clip.avi"), S_OK);
    EXPECT_EQ(TakeEvent(0), -1) << "nothing queued before the run";
    ASSERT_EQ(control_->Run(), S_OK);
    ASSERT_EQ(TakeEvent(5000), EC_COMPLETE);
    EXPECT_EQ(TakeEvent(0), -1) << "one completion";
    ASSERT_EQ(renderer_->frames.size(), static_cast<size_t>(kFrames));
    for (int i = 0; i < kFrames; ++i) {
        const Rendered& r = renderer_->frames[i];
        ASSERT_EQ(r.data.size(), static_cast<size_t>(kPitch * kHeight));
        EXPECT_EQ(r.start, i * kFrame);
        EXPECT_EQ(r.stop, (i + 1) * kFrame);
        // The buffer's first row is the picture's bottom row.
        EXPECT_TRUE(testclip::Near(&r.data[2 * kPitch + 15 * 3], testclip::kBottom)) << "frame " << i;
        EXPECT_TRUE(testclip::Near(&r.data[(kHeight - 3) * kPitch + 15 * 3], testclip::TopColour(i))) << "frame " << i;
    }
}

TEST_F(GraphTest, FramesWaitForTheirTimeOnThePlatformClock) {
    std::atomic<std::int64_t> now{1'000'000'000};
    win32::SetTimeSourceForTest(kUnitsPerSecond, true, [&] {
        ++clockReads_;
        return now.load();
    });
    ASSERT_EQ(Build("clip.avi"), S_OK);
    ASSERT_EQ(control_->Run(), S_OK);
    ASSERT_TRUE(WaitFor([&] { return renderer_->Count() == 1; }));
    LetTheStreamReadTheClock();
    EXPECT_EQ(renderer_->Count(), 1u) << "the second frame is not due yet";
    now += kFrame;
    EXPECT_TRUE(WaitFor([&] { return renderer_->Count() == 2; }));
    now += (kFrames - 2) * kFrame;
    ASSERT_TRUE(WaitFor([&] { return renderer_->Count() == static_cast<size_t>(kFrames); }));
    LetTheStreamReadTheClock();
    EXPECT_EQ(TakeEvent(0), -1) << "the last frame is shown for its whole length first";
    now += kFrame;
    EXPECT_EQ(TakeEvent(5000), EC_COMPLETE);
}

TEST_F(GraphTest, TheLastReleaseStopsAStreamThatWaits) {
    std::atomic<std::int64_t> now{1'000'000'000};
    win32::SetTimeSourceForTest(kUnitsPerSecond, true, [&] { return now.load(); });
    ASSERT_EQ(Build("clip.avi"), S_OK);
    ASSERT_EQ(control_->Run(), S_OK);
    ASSERT_TRUE(WaitFor([&] { return renderer_->Count() == 1; }));
    EXPECT_EQ(dshow::LiveStreams(), 1);
    renderer_->AddRef();
    TestRenderer* renderer = renderer_;
    ReleaseGraph();
    EXPECT_EQ(dshow::LiveGraphs(), 0);
    EXPECT_EQ(dshow::LiveStreams(), 0) << "joined before the release returned";
    // The stream is joined, so no thread is left that could render what is now due.
    now += 100 * kFrame;
    EXPECT_EQ(renderer->Count(), 1u) << "nothing rendered after the release";
    EXPECT_EQ(renderer->Release(), 0u);
}

// In a scripted run each pass moves the clock one fixed step, and the graph is read only once the
// stream has done what that step made due: the same frames and the same completion pass every run.
TEST_F(GraphTest, AFixedStepRunIsReproducible) {
    setenv("ABISALIA_FIXED_STEP", "0.02", 1);
    win32::ResetTimeSource();
    ASSERT_TRUE(win32::FixedStepActive());
    ASSERT_EQ(Build("clip.avi"), S_OK);
    ASSERT_EQ(control_->Run(), S_OK);
    int nCompletePass = -1;
    for (int pass = 1; pass <= 3 * kFrames && nCompletePass < 0; ++pass) {
        win32::AdvanceFixedStep();
        if (TakeEvent(0) == EC_COMPLETE) nCompletePass = pass;
        // Frames are 0.04 s long: frame k is due at pass 2k.
        EXPECT_EQ(renderer_->Count(), std::min<size_t>(kFrames, pass / 2 + 1)) << "pass " << pass;
    }
    EXPECT_EQ(nCompletePass, 2 * kFrames);
}

TEST_F(GraphTest, FailuresOfCreationLookupAndFiles) {
    IGraphBuilder* g = nullptr;
    CoUninitialize();
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&g)),
              CO_E_NOTINITIALIZED);
    CoInitialize(nullptr);
    EXPECT_EQ(
        CoCreateInstance(kTestClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, reinterpret_cast<void**>(&g)),
        REGDB_E_CLASSNOTREG);
    EXPECT_EQ(g, nullptr);

    struct Case {
        const char* file;
        HRESULT hr;
    };
    for (const Case& c : {Case{"missing.avi", HRESULT_FILE_NOT_FOUND}, Case{"garbage.avi", VFW_E_UNKNOWN_FILE_TYPE}}) {
        EXPECT_EQ(Build(c.file), c.hr) << c.file;
        ReleaseGraph();
    }

    ASSERT_EQ(Build("clip.avi"), S_OK);
    IPin* pin = nullptr;
    EXPECT_EQ(renderer_->FindPin(u"Output", &pin), VFW_E_NOT_FOUND);
    EXPECT_EQ(pin, nullptr);
}

TEST_F(GraphTest, TheFileNameGoesThroughThePlatformLookup) {
    std::filesystem::create_directories(dir_ / "Nivel9");
    std::filesystem::copy_file(dir_ / "clip.avi", dir_ / "Nivel9" / "Intro.AVI",
                               std::filesystem::copy_options::overwrite_existing);
    ASSERT_EQ(Build("nivel9\\intro.avi"), S_OK);
}

// Bytes this process has read from files so far.
long long BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string field;
    long long value = 0;
    while (io >> field >> value)
        if (field == "rchar:") return value;
    return -1;
}

// After its last picture the stream reads on into gigabytes of zeros (sparse: free on disk); a
// stop ends that read at once, rather than once the stream has given up finding a picture.
TEST_F(GraphTest, AStopEndsAStreamReadingAZeroTail) {
    std::atomic<std::int64_t> now{1'000'000'000};
    win32::SetTimeSourceForTest(kUnitsPerSecond, true, [&] { return now.load(); });
    std::filesystem::copy_file(dir_ / "clip.avi", dir_ / "tail.avi", std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(dir_ / "tail.avi", std::filesystem::file_size(dir_ / "tail.avi") + (8ull << 30));
    ASSERT_EQ(Build("tail.avi"), S_OK);
    ASSERT_EQ(control_->Run(), S_OK);
    now += 100 * kFrame;
    ASSERT_TRUE(WaitFor([&] { return renderer_->Count() == static_cast<size_t>(kFrames); }));
    const long long before = BytesRead();
    ASSERT_GE(before, 0);
    EXPECT_EQ(control_->Stop(), S_OK);
    EXPECT_EQ(dshow::LiveStreams(), 0);
    // What a read under way takes; the stream alone gives up after tens of megabytes.
    EXPECT_LT(BytesRead() - before, 4ll << 20);
}

// A file cut short plays what it holds and still completes.
TEST_F(GraphTest, ATruncatedFileCompletes) {
    const auto size = std::filesystem::file_size(dir_ / "clip.avi");
    std::filesystem::copy_file(dir_ / "clip.avi", dir_ / "cut.avi", std::filesystem::copy_options::overwrite_existing);
    // The index and the last frames go; the headers stay.
    std::filesystem::resize_file(dir_ / "cut.avi", size - 400);
    ASSERT_EQ(Build("cut.avi"), S_OK);
    ASSERT_EQ(control_->Run(), S_OK);
    EXPECT_EQ(TakeEvent(5000), EC_COMPLETE);
    EXPECT_GT(renderer_->Count(), 0u);
    EXPECT_LT(renderer_->Count(), static_cast<size_t>(kFrames));
}

}  // namespace
