// The movie frame's copy into the texture against a reader of the texels on another thread, the
// movie's failure boxes word for word, and the largest movie side.
#include <atomic>
#include <chrono>
#include <cstring>
#include <sstream>
#include <thread>

#include "d3d8/resources.h"
#include "dshow/moviemodule.h"
#include "game/videotexture.h"
#include "game_fixture.h"
#include "test_clip.h"
#include "video_fixtures.h"
#include "win32/timesource.h"

namespace {

using gametest::FakeSample;
using gametest::GameTest;
using gametest::Rgb24;
using gametest::SmallLevel;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

// A texture that keeps, at each unlock, what an upload serialised by the lock would read then.
class UploadingTexture final : public win32::ComObject<IDirect3DTexture8, IID_IDirect3DTexture8> {
public:
    UploadingTexture(UINT nWidth, UINT nHeight, UINT nPitch)
        : width(nWidth), height(nHeight), pitch(nPitch), texels(static_cast<size_t>(nPitch) * nHeight, 0x11) {}
    HRESULT GetDevice(IDirect3DDevice8**) override { return E_NOTIMPL; }
    HRESULT SetPrivateData(REFGUID, const void*, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT GetPrivateData(REFGUID, void*, DWORD*) override { return E_NOTIMPL; }
    HRESULT FreePrivateData(REFGUID) override { return E_NOTIMPL; }
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD SetLOD(DWORD) override { return 0; }
    DWORD GetLOD() override { return 0; }
    DWORD GetLevelCount() override { return 1; }
    HRESULT GetLevelDesc(UINT, D3DSURFACE_DESC* d) override {
        *d = D3DSURFACE_DESC{};
        d->Format = D3DFMT_A8R8G8B8;
        d->Type = D3DRTYPE_TEXTURE;
        d->Pool = D3DPOOL_MANAGED;
        d->Width = width;
        d->Height = height;
        return D3D_OK;
    }
    HRESULT GetSurfaceLevel(UINT, IDirect3DSurface8**) override { return E_NOTIMPL; }
    HRESULT LockRect(UINT nLevel, D3DLOCKED_RECT* p, const RECT* pRect, DWORD) override {
        if (nLevel != 0 || pRect || locked) return D3DERR_INVALIDCALL;
        locked = true;
        ++locks;
        p->pBits = texels.data();
        p->Pitch = static_cast<INT>(pitch);
        return D3D_OK;
    }
    HRESULT UnlockRect(UINT nLevel) override {
        if (nLevel != 0 || !locked) return D3DERR_INVALIDCALL;
        locked = false;
        uploaded = texels;
        return D3D_OK;
    }
    HRESULT AddDirtyRect(const RECT*) override { return D3D_OK; }

    UINT width, height, pitch;
    std::vector<BYTE> texels, uploaded;
    bool locked = false;
    int locks = 0;
};

// A bottom-up RGB24 frame of w x h whose every pixel is (b, g, r) = (v, v + 1, v + 2).
std::vector<BYTE> Picture(int nWidth, int nHeight, BYTE v) {
    const int nPitch = (nWidth * 3 + 3) & ~3;
    std::vector<BYTE> bytes(static_cast<size_t>(nPitch) * nHeight, 0xEE);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x) {
            BYTE* p = &bytes[static_cast<size_t>(y) * nPitch + x * 3];
            p[0] = v, p[1] = static_cast<BYTE>(v + 1), p[2] = static_cast<BYTE>(v + 2);
        }
    return bytes;
}

class VideoCopyTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        script_ = std::make_shared<d3d8::RecordScenario>();
        d3d8::SetRecordScenario(script_);
        WriteLevel("nivel1", SmallLevel("nivel2"));
        WriteLevel("nivel2", SmallLevel("nivel1"));
        StartDevice();
        App().m_bIntroStarted = 1;
    }
    void TearDown() override {
        StopMovie();
        script_->inject = nullptr;
        dshow::SetFailureInjection(nullptr);
        GameTest::TearDown();
        EXPECT_EQ(dshow::LiveGraphs(), 0) << "every graph released";
        EXPECT_EQ(win32::ComInitCount(), 0) << "COM left as often as entered";
    }
    // The graph released, then the texture, as the screen's stop does.
    void StopMovie() {
        vidCleanup();
        CVideoScreen& screen = App().m_VideoScreen;
        screen.m_bPlaying = 0;
        if (screen.m_pMovieTexture) screen.m_pMovieTexture->Release();
        screen.m_pMovieTexture = nullptr;
    }
    // A renderer agreed on an RGB24 movie of w x h, its texture made.
    CTextureRenderer* Renderer(int nWidth, int nHeight) {
        HRESULT hr = S_OK;
        auto* r = new CTextureRenderer(nullptr, &hr);
        const CMediaType mt = Rgb24(nWidth, nHeight);
        EXPECT_EQ(r->SetMediaType(&mt), S_OK);
        return r;
    }
    std::shared_ptr<d3d8::RecordScenario> script_;
};

// The whole frame is written between the texture's lock and its unlock: what an upload that waits
// for the lock reads at the unlock is the complete new frame, and nothing changes after it.
TEST_F(VideoCopyTest, TheWholeFrameIsWrittenWhileTheTextureIsLocked) {
    CTextureRenderer* r = Renderer(3, 2);
    App().m_VideoScreen.m_pMovieTexture->Release();
    auto* pTexture = new UploadingTexture(3, 2, 16);
    App().m_VideoScreen.m_pMovieTexture = pTexture;
    FakeSample* s = new FakeSample(Picture(3, 2, 40));
    ASSERT_EQ(r->DoRenderSample(s), S_OK);
    EXPECT_EQ(pTexture->locks, 1);
    EXPECT_FALSE(pTexture->locked);
    std::vector<BYTE> expected(16 * 2, 0x11);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            BYTE* p = &expected[y * 16 + x * 4];
            p[0] = 40, p[1] = 41, p[2] = 42, p[3] = 0xFF;
        }
    EXPECT_EQ(pTexture->uploaded, expected) << "the frame as it stood at the unlock";
    EXPECT_EQ(pTexture->texels, pTexture->uploaded) << "nothing written after the unlock";
    s->Release();
    r->Release();
}

// A drawing thread reads the texture's CPU copy under the texture's guard, as the upload does,
// while the streaming thread copies frames of two colours by turns: every read sees one whole frame.
TEST_F(VideoCopyTest, AReaderUnderTheTexturesGuardNeverSeesAHalfCopiedFrame) {
    constexpr int kSide = 256;
    CTextureRenderer* r = Renderer(kSide, kSide);
    auto* pTexture = static_cast<d3d8::TextureImpl*>(App().m_VideoScreen.m_pMovieTexture);
    FakeSample* frames[2] = {new FakeSample(Picture(kSide, kSide, 10)), new FakeSample(Picture(kSide, kSide, 100))};
    ASSERT_EQ(r->DoRenderSample(frames[0]), S_OK);

    // While the reader holds the guard, the copy waits.
    std::thread first;
    {
        auto guard = pTexture->Guard();
        first = std::thread([&] { EXPECT_EQ(r->DoRenderSample(frames[1]), S_OK); });
        // Whenever the copy starts, it cannot touch the texels while the guard is held.
        EXPECT_EQ(pTexture->Levels()[0].data[0], 10);
    }
    first.join();
    EXPECT_EQ(pTexture->Levels()[0].data[0], 100);

    std::atomic<bool> bDone{false};
    std::thread streaming([&] {
        for (int i = 0; i < 300; ++i) r->DoRenderSample(frames[i % 2]);
        bDone = true;
    });
    int nReads = 0, nTorn = 0;
    while (!bDone) {
        auto guard = pTexture->Guard();
        const std::vector<BYTE>& t = pTexture->Levels()[0].data;
        const BYTE first = t[0], last = t[t.size() - 4];
        nTorn += first != last;
        ++nReads;
    }
    streaming.join();
    EXPECT_GT(nReads, 0);
    EXPECT_EQ(nTorn, 0) << "of " << nReads << " reads";
    frames[0]->Release();
    frames[1]->Release();
    r->Release();
}

// Each failure's box, word for word and alone in its line: the movie's steps and the texture the
// renderer makes when the pins connect.
TEST_F(VideoCopyTest, EachFailureShowsItsTextExactly) {
    testclip::Write(dir_ / "nivel1" / "clip.avi", 16, 8, 25, 2);
    struct Case {
        const char* szMovie;
        const char* szGraphCall;   // failed by the movie platform
        const char* szDeviceCall;  // failed by the device
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
        {"nivel1\\falta.avi", nullptr, nullptr, {"Could not create source filter to graph!  hr=0x80070002"}},
        {"nivel1\\clip.avi", "CoCreateInstance", nullptr, {"Could not create the filter graph!  hr=0x80004005"}},
        {"nivel1\\clip.avi",
         "QueryInterface(IMediaControl)",
         nullptr,
         {"Could not get the media control of the graph!  hr=0x80004005"}},
        {"nivel1\\clip.avi",
         "QueryInterface(IMediaEvent)",
         nullptr,
         {"Could not get the media events of the graph!  hr=0x80004005"}},
        {"nivel1\\clip.avi",
         nullptr,
         "CreateTexture",
         {"Could not create the D3DX texture!  hr=0x8007000e", "Could not connect pins!  hr=0x8007000e"}},
    };
    for (const Case& c : cases) {
        dshow::SetFailureInjection(
            [&](const char* call) { return c.szGraphCall && std::strcmp(call, c.szGraphCall) == 0 ? E_FAIL : S_OK; });
        script_->inject = [&](const char* call) {
            return c.szDeviceCall && std::strcmp(call, c.szDeviceCall) == 0 ? E_OUTOFMEMORY : D3D_OK;
        };
        CaptureStderr();
        EXPECT_EQ(App().m_VideoScreen.Play(-0.45f, -0.45f, 0.4f, c.szMovie), E_FAIL) << c.boxes[0];
        std::istringstream err(GetCapturedStderr());
        std::vector<std::string> boxes;
        for (std::string line; std::getline(err, line);)
            if (line.find("Video Texture") != std::string::npos) boxes.push_back(line);
        std::vector<std::string> expected;
        for (const std::string& box : c.boxes) expected.push_back("[error] Video Texture: " + box);
        EXPECT_EQ(boxes, expected);
        EXPECT_FALSE(App().m_VideoScreen.m_bPlaying);
        EXPECT_EQ(dshow::LiveGraphs(), 0) << c.boxes[0];
    }
}

// A movie may be 4096 texels on a side, no more.
TEST_F(VideoCopyTest, TheLargestMovieSideIs4096) {
    win32::SetTimeSourceForTest(10000000, true, [] { return std::int64_t{1} << 40; });  // never ends
    struct Case {
        int nWidth, nHeight;
        bool bPlays;
    };
    for (const Case& c : {Case{4096, 4, true}, Case{4097, 4, false}, Case{16, 4096, true}, Case{16, 4097, false}}) {
        const std::string strName = "big" + std::to_string(c.nWidth) + "x" + std::to_string(c.nHeight) + ".avi";
        testclip::Write(dir_ / "nivel1" / strName, c.nWidth, c.nHeight, 25, 1);
        CaptureStderr();
        const HRESULT hr = App().m_VideoScreen.Play(-0.45f, -0.45f, 0.4f, ("nivel1\\" + strName).c_str());
        const std::string err = GetCapturedStderr();
        EXPECT_EQ(hr == 0, c.bPlays) << strName << ": " << err;
        if (c.bPlays) {
            // The texture is as large as the device allows; the copy takes what fits.
            EXPECT_NE(App().m_VideoScreen.m_pMovieTexture, nullptr) << strName;
            EXPECT_EQ(err.find("Video Texture"), std::string::npos) << err;
            StopMovie();
        } else {
            EXPECT_NE(err.find("[error] Video Texture: Could not create source filter to graph!  hr=0x80040265"),
                      std::string::npos)
                << err;
        }
    }
    win32::ResetTimeSource();
}

// The scaler writes whole vector blocks past a row's end: a movie 4 wide and 4096 tall, played
// after one 4096 wide, once crashed the streaming thread under ThreadSanitizer, where the bytes
// past an unpadded frame are not mapped.
TEST_F(VideoCopyTest, ANarrowTallMovieAfterAWideOneStaysWithinItsFrame) {
    win32::SetTimeSourceForTest(10000000, true, [] { return std::int64_t{1} << 40; });
    for (const auto& [nWidth, nHeight] : {std::pair{4096, 4}, std::pair{4, 4096}}) {
        const std::string strName = "narrow" + std::to_string(nWidth) + "x" + std::to_string(nHeight) + ".avi";
        testclip::Write(dir_ / "nivel1" / strName, nWidth, nHeight, 25, 1);
        EXPECT_EQ(App().m_VideoScreen.Play(-0.45f, -0.45f, 0.4f, ("nivel1\\" + strName).c_str()), 0) << strName;
        StopMovie();
    }
    win32::ResetTimeSource();
}

}  // namespace
