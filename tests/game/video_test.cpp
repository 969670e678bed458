// The video screen and its texture renderer on the record backend: media types, the frame copy,
// the quad, the screen's update on a graph whose events the test posts, failures with their
// boxes, and movies started and stopped across level changes and shutdown.
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "d3dx8/d3dx8.h"
#include "dshow/moviemodule.h"
#include "game/videotexture.h"
#include "framework/sysutil.h"
#include "game/vsconsts.h"
#include "game_fixture.h"
#include "test_clip.h"
#include "video_fixtures.h"
#include "win32/timesource.h"

namespace {

using gametest::FakeSample;
using gametest::GameTest;
using gametest::SmallLevel;
using gametest::VideoType;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

constexpr int kClipWidth = 32, kClipHeight = 24, kClipFrames = 6;

class VideoTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        WriteLevel("nivel1", SmallLevel("nivel2"));
        WriteLevel("nivel2", SmallLevel("nivel1"));
        testclip::Write(dir_ / "nivel1" / "intro.avi", kClipWidth, kClipHeight, 25, kClipFrames);
        std::filesystem::copy_file(dir_ / "nivel1" / "intro.avi", dir_ / "nivel1" / "captura.avi");
        std::filesystem::copy_file(dir_ / "nivel1" / "intro.avi", dir_ / "nivel2" / "intro.avi");
        StartDevice();
    }
    void TearDown() override {
        GameTest::TearDown();
        dshow::SetFailureInjection(nullptr);
        win32::ResetTimeSource();
        EXPECT_EQ(dshow::LiveGraphs(), 0) << "every graph released";
        EXPECT_EQ(dshow::LiveStreams(), 0);
        EXPECT_EQ(win32::ComInitCount(), 0) << "COM left as often as entered";
    }

    // The graph clock stands still: movies start and never end by themselves.
    void FreezeClock() {
        win32::SetTimeSourceForTest(kUnitsPerSecond, true, [] { return std::int64_t{1} << 40; });
    }
    void Post(long code) {
        IMediaEventSink* sink = nullptr;
        ASSERT_EQ(g_pGraphBuilder->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)), S_OK);
        sink->Notify(code, 0, 0);
        sink->Release();
    }
    void Key(int nKey, bool bDown) { App().HandleMessage(nullptr, bDown ? WM_KEYDOWN : WM_KEYUP, nKey, 0); }
    CVideoScreen& Screen() { return App().m_VideoScreen; }
    bool Playing() { return Screen().m_bPlaying == 1; }
    void FirstUpdateDone() { App().m_bIntroStarted = 1; }

    // The quad's four positions as the vertex buffer holds them.
    std::vector<D3DXVECTOR2> Quad() {
        BYTE* p = nullptr;
        EXPECT_EQ(Screen().m_pVB[0]->Lock(0, 0, &p, 0), S_OK);
        std::vector<D3DXVECTOR2> v;
        for (int i = 0; i < 4; ++i) {
            const auto* s = reinterpret_cast<const SceneVertex*>(p) + i;
            v.emplace_back(s->x, s->y);
        }
        Screen().m_pVB[0]->Unlock();
        return v;
    }
};

// ---- The renderer: types, sizes and the frame copy ----

TEST_F(VideoTest, TheRendererTakesOnlyRGB24VideoInfo) {
    HRESULT hr = S_OK;
    CTextureRenderer* r = new CTextureRenderer(nullptr, &hr);
    ASSERT_EQ(hr, S_OK);
    struct Case {
        GUID major, subtype, format;
        HRESULT hr;
    };
    const Case cases[] = {
        {MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, S_OK},
        {MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo2, E_INVALIDARG},
        {MEDIATYPE_Video, MEDIASUBTYPE_RGB32, FORMAT_VideoInfo, E_FAIL},
        {MEDIATYPE_Audio, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, E_FAIL},
    };
    for (const Case& c : cases) {
        const CMediaType mt = VideoType(c.major, c.subtype, c.format, 4, 4);
        EXPECT_EQ(r->CheckMediaType(&mt), c.hr);
    }
    EXPECT_EQ(r->Release(), 0u);

    // An outer unknown is refused by the base, and the failure reaches the caller.
    hr = S_OK;
    r = new CTextureRenderer(reinterpret_cast<IUnknown*>(r + 1), &hr);
    EXPECT_EQ(hr, CLASS_E_NOAGGREGATION);
    r->Release();
}

TEST_F(VideoTest, TheTextureIsMadeAtTheMoviesSizeWithTheRowPitch) {
    struct Case {
        LONG w, h;
        int nPitch, nHeight;
    };
    for (const Case& c : {Case{3, 4, 12, 4}, Case{4, -4, 12, 4}, Case{5, 2, 16, 2}, Case{320, -240, 960, 240}}) {
        HRESULT hr = S_OK;
        CTextureRenderer* r = new CTextureRenderer(nullptr, &hr);
        const CMediaType mt = VideoType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, c.w, c.h);
        ASSERT_EQ(r->SetMediaType(&mt), S_OK);
        EXPECT_EQ(r->m_nWidth, c.w);
        EXPECT_EQ(r->m_nHeight, c.nHeight) << "the height's sign only says which row comes first";
        EXPECT_EQ(r->m_nPitch, c.nPitch);
        D3DSURFACE_DESC d{};
        ASSERT_NE(Screen().m_pMovieTexture, nullptr);
        Screen().m_pMovieTexture->GetLevelDesc(0, &d);
        EXPECT_EQ(d.Width, static_cast<UINT>(c.w));
        EXPECT_EQ(d.Height, static_cast<UINT>(c.nHeight));
        EXPECT_EQ(Screen().m_pMovieTexture->GetLevelCount(), 1u);
        EXPECT_EQ(g_TextureFormat, D3DFMT_A8R8G8B8);
        r->Release();
    }
    Screen().m_pMovieTexture->Release();
    Screen().m_pMovieTexture = nullptr;
}

TEST_F(VideoTest, FramesAreCopiedRowByRowIntoEitherFormat) {
    HRESULT hr = S_OK;
    CTextureRenderer* r = new CTextureRenderer(nullptr, &hr);
    const CMediaType mt = VideoType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, 3, 2);
    ASSERT_EQ(r->SetMediaType(&mt), S_OK);
    // Source row 0: pixel (b 8, g 128, r 255) then two others; row 1 different; pitch 12.
    std::vector<BYTE> bytes = {8,  128, 255, 1,  2,  3,  4,  5,  6,  0xEE, 0xEE, 0xEE,
                               10, 20,  30,  40, 50, 60, 70, 80, 90, 0xEE, 0xEE, 0xEE};
    IDirect3DTexture8* pArgb = Screen().m_pMovieTexture;
    IDirect3DTexture8* p16 = nullptr;
    ASSERT_EQ(App().m_pDevice->CreateTexture(3, 2, 1, 0, D3DFMT_A1R5G5B5, D3DPOOL_MANAGED, &p16), S_OK);

    FakeSample* s = new FakeSample(bytes, 24);
    ASSERT_EQ(r->DoRenderSample(s), S_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(pArgb->LockRect(0, &lr, nullptr, 0), S_OK);
    const BYTE* t = static_cast<const BYTE*>(lr.pBits);
    EXPECT_EQ(std::vector<BYTE>(t, t + 8), (std::vector<BYTE>{8, 128, 255, 255, 1, 2, 3, 255}));
    EXPECT_EQ(std::vector<BYTE>(t + lr.Pitch, t + lr.Pitch + 4), (std::vector<BYTE>{10, 20, 30, 255}))
        << "texture row 1 from source row 1";
    pArgb->UnlockRect(0);

    Screen().m_pMovieTexture = p16;
    g_TextureFormat = D3DFMT_A1R5G5B5;
    ASSERT_EQ(r->DoRenderSample(s), S_OK);
    ASSERT_EQ(p16->LockRect(0, &lr, nullptr, 0), S_OK);
    EXPECT_EQ(static_cast<const WORD*>(lr.pBits)[0], 0xFE01);
    EXPECT_EQ(reinterpret_cast<const WORD*>(static_cast<const BYTE*>(lr.pBits) + lr.Pitch)[0],
              0x8000 | (24 << 7) | (16 << 2) | (10 >> 3));
    p16->UnlockRect(0);

    // A sample shorter than pitch x height is dropped untouched.
    FakeSample* shortSample = new FakeSample(std::vector<BYTE>(23, 0), 23);
    EXPECT_EQ(r->DoRenderSample(shortSample), E_FAIL);
    ASSERT_EQ(p16->LockRect(0, &lr, nullptr, 0), S_OK);
    EXPECT_EQ(static_cast<const WORD*>(lr.pBits)[0], 0xFE01);
    p16->UnlockRect(0);

    // A texture smaller than the frame takes only what fits (the sanitizer build checks the bounds).
    IDirect3DTexture8* pSmall = nullptr;
    ASSERT_EQ(App().m_pDevice->CreateTexture(2, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &pSmall), S_OK);
    Screen().m_pMovieTexture = pSmall;
    g_TextureFormat = D3DFMT_A8R8G8B8;
    EXPECT_EQ(r->DoRenderSample(s), S_OK);
    ASSERT_EQ(pSmall->LockRect(0, &lr, nullptr, 0), S_OK);
    EXPECT_EQ(static_cast<const BYTE*>(lr.pBits)[4], 1);
    pSmall->UnlockRect(0);

    s->Release();
    shortSample->Release();
    r->Release();
    pSmall->Release();
    p16->Release();
    pArgb->Release();
    Screen().m_pMovieTexture = nullptr;
}

// ---- The quad and its draw ----

TEST_F(VideoTest, TheQuadFromTheGlobalsAndItsDrawInPassOneOnly) {
    // Before any movie: the initial place, 0.9 high and 1.2 wide.
    std::vector<D3DXVECTOR2> q = Quad();
    EXPECT_FLOAT_EQ(q[0].x, -0.45f);
    EXPECT_FLOAT_EQ(q[2].x, -0.45f + 1.2f);
    EXPECT_FLOAT_EQ(q[2].y, -0.45f + 0.9f);

    FreezeClock();
    FirstUpdateDone();
    ASSERT_EQ(Screen().Play(-0.45f, -0.45f, 0.4f, "nivel1\\intro.avi"), 0);
    q = Quad();
    const D3DXVECTOR2 expected[4] = {{-0.45f, -0.45f}, {0.0833333f, -0.45f}, {0.0833333f, -0.05f}, {-0.45f, -0.05f}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(q[i].x, expected[i].x, 1e-5f) << i;
        EXPECT_NEAR(q[i].y, expected[i].y, 1e-5f) << i;
    }

    auto draws = [&](int nPass) {
        Log().clear();
        App().m_nRenderPass = nPass;
        App().m_pDevice->BeginScene();
        Screen().Render();
        App().m_pDevice->EndScene();
        std::vector<const d3d8::Call*> d;
        for (const d3d8::Call& c : Log())
            if (c.draw) d.push_back(&c);
        return d;
    };
    auto d1 = draws(1);
    ASSERT_EQ(d1.size(), 1u);
    EXPECT_EQ(d1[0]->draw->textures[0], Screen().m_pMovieTexture);
    EXPECT_EQ(d1[0]->draw->vertexShader, App().m_dwVSObjects);
    EXPECT_EQ(d1[0]->draw->indices, (std::vector<WORD>{1, 0, 3, 1, 3, 2}));
    EXPECT_FLOAT_EQ(d1[0]->draw->constants[VSC_COLOR_B][0], 0.8f);
    EXPECT_EQ(draws(2).size(), 0u) << "the caustics pass leaves the movie out";
    float c22[4];
    App().m_pDevice->GetVertexShaderConstant(VSC_COLOR_B, c22, 1);
    EXPECT_FLOAT_EQ(c22[0], App().m_UnderwaterScene.m_vC22.x) << "colour B put back";

    // A device reset rebuilds the quad where the last movie played, and nothing plays any more.
    Screen().Invalidate();
    EXPECT_FALSE(Playing());
    EXPECT_EQ(Screen().m_pMovieTexture, nullptr);
    ASSERT_EQ(Screen().Restore(), 0);
    EXPECT_NEAR(Quad()[2].y, -0.05f, 1e-5f);
    EXPECT_EQ(draws(1).size(), 0u);
}

// ---- The screen's update on a graph ----

TEST_F(VideoTest, TheFirstUpdatePlaysTheIntroOnceWithItsMessage) {
    FreezeClock();
    ASSERT_EQ(App().m_bIntroStarted, 0);
    Frame(0.1f);
    EXPECT_TRUE(Playing());
    EXPECT_STREQ(Screen().m_szMovieFile, "nivel1\\intro.avi");
    EXPECT_STREQ(g_szMessage, "v para activar/desactivar video");
    EXPECT_NEAR(App().m_Hud.m_fMessageTime, 10.0f, 0.11f);
    IGraphBuilder* pGraph = g_pGraphBuilder;
    Frame(0.2f);
    EXPECT_EQ(g_pGraphBuilder, pGraph) << "played once";
    EXPECT_EQ(dshow::LiveGraphs(), 1);
}

TEST_F(VideoTest, CheckStatusTakesOneEventPerCall) {
    FreezeClock();
    EXPECT_EQ(vidCheckStatus(), 1) << "no graph";
    FirstUpdateDone();
    ASSERT_EQ(Screen().Play(-0.45f, -0.45f, 0.4f, "nivel1\\intro.avi"), 0);
    EXPECT_EQ(vidCheckStatus(), 1) << "nothing queued";
    Post(EC_USERABORT);
    Post(EC_COMPLETE);
    EXPECT_EQ(vidCheckStatus(), 1);
    EXPECT_EQ(vidCheckStatus(), 2);
    EXPECT_EQ(vidCheckStatus(), 1);
}

TEST_F(VideoTest, AMovieStopsInTheFrameThatTakesItsCompletion) {
    FreezeClock();
    FirstUpdateDone();
    ASSERT_EQ(Screen().Play(-0.45f, -0.45f, 0.4f, "nivel1\\intro.avi"), 0);
    for (int k = 0; k < 3; ++k) Post(0x100 + k);
    Post(EC_COMPLETE);
    for (int nFrame = 1; nFrame <= 3; ++nFrame) {
        Frame(0.1f * nFrame);
        EXPECT_TRUE(Playing()) << "frame " << nFrame << " takes an earlier event";
    }
    Frame(0.4f);
    EXPECT_FALSE(Playing());
    EXPECT_EQ(Screen().m_pMovieTexture, nullptr);
    EXPECT_EQ(g_pGraphBuilder, nullptr);
    EXPECT_EQ(dshow::LiveGraphs(), 0);
}

TEST_F(VideoTest, VActsOnThePressEdgeAndAlwaysReplaysTheIntro) {
    FreezeClock();
    FirstUpdateDone();
    ASSERT_EQ(Screen().Play(-0.45f, -0.45f, 0.4f, "nivel1\\captura.avi"), 0);
    Key('V', true);
    Frame(0.1f);
    EXPECT_FALSE(Playing()) << "'V' stops the catch movie";
    EXPECT_FLOAT_EQ(App().m_Hud.m_fMessageTime, 0.1f) << "the line reverts soon";
    Frame(0.2f);
    Frame(0.3f);
    EXPECT_FALSE(Playing()) << "held down, it acted once";
    Key('V', false);
    Frame(0.4f);
    Key('V', true);
    Frame(0.5f);
    EXPECT_TRUE(Playing());
    EXPECT_STREQ(Screen().m_szMovieFile, "nivel1\\intro.avi");
}

// One graph at a time: a movie started over another stops it first.
TEST_F(VideoTest, PlayOverAPlayingMovieStopsItFirst) {
    FreezeClock();
    FirstUpdateDone();
    ASSERT_EQ(Screen().Play(-0.45f, -0.45f, 0.4f, "nivel1\\intro.avi"), 0);
    ASSERT_EQ(Screen().Play(-0.45f, -0.45f, 0.4f, "nivel1\\captura.avi"), 0);
    EXPECT_EQ(dshow::LiveGraphs(), 1);
    EXPECT_EQ(win32::ComInitCount(), 1);
    EXPECT_STREQ(Screen().m_szMovieFile, "nivel1\\captura.avi");
}

// Each failing step shows its box once, and leaves nothing behind: the next movie starts clean.
TEST_F(VideoTest, AFailedPlayShowsItsBoxAndLeavesNothingBehind) {
    FreezeClock();
    FirstUpdateDone();
    Write("nivel1", "roto.avi", std::string(3000, 'R'));
    struct Case {
        std::string file;
        const char* inject;
        const char* box;
        const char* module = "";  // the movie decoder module to load (empty: the built one)
    };
    const Case cases[] = {
        {"nivel1\\falta.avi", nullptr, "Could not create source filter to graph!  hr=0x80070002"},
        {"nivel1\\roto.avi", nullptr, "Could not create source filter to graph!  hr=0x80040240"},
        {"nivel1\\intro.avi", "CoCreateInstance", "Could not create the filter graph!  hr=0x80004005"},
        {"nivel1\\intro.avi", "QueryInterface(IMediaControl)",
         "Could not get the media control of the graph!  hr=0x80004005"},
        {"nivel1\\intro.avi", "QueryInterface(IMediaEvent)",
         "Could not get the media events of the graph!  hr=0x80004005"},
        {"nivel1\\intro.avi", nullptr, "Could not create source filter to graph!  hr=0x80040265",
         "/nonexistent/decoder.so"},
    };
    for (const Case& c : cases) {
        dshow::SetFailureInjection(
            [&](const char* call) { return c.inject && std::strcmp(call, c.inject) == 0 ? E_FAIL : S_OK; });
        dshow::SetMovieModulePath(c.module);
        CaptureStderr();
        EXPECT_EQ(Screen().Play(-0.45f, -0.45f, 0.4f, c.file.c_str()), E_FAIL) << c.box;
        const std::string err = GetCapturedStderr();
        dshow::SetMovieModulePath("");
        EXPECT_NE(err.find(std::string("Video Texture: ") + c.box), std::string::npos) << c.box << "\n" << err;
        EXPECT_EQ(err.find("Video Texture", err.find("Video Texture") + 1), std::string::npos) << "one box: " << err;
        EXPECT_FALSE(Playing());
        EXPECT_EQ(Screen().m_pMovieTexture, nullptr);
        EXPECT_EQ(dshow::LiveGraphs(), 0) << c.box;
        EXPECT_EQ(win32::ComInitCount(), 0) << c.box;
    }
    dshow::SetFailureInjection(nullptr);
    EXPECT_EQ(Screen().Play(-0.45f, -0.45f, 0.4f, "nivel1\\intro.avi"), 0);
    EXPECT_TRUE(Playing());
    vidCleanup();
    vidCleanup();
    EXPECT_EQ(win32::ComInitCount(), 0) << "a second cleanup releases nothing twice";
    Screen().m_bPlaying = 0;
    Screen().m_pMovieTexture->Release();
    Screen().m_pMovieTexture = nullptr;
}

// The registry's shared media folder goes in front of the movie name, and the two together must
// fit the graph builder's path.
TEST_F(VideoTest, TheSharedMediaFolderGoesInFrontWithinItsBound) {
    FreezeClock();
    FirstUpdateDone();
    ::setenv("ABISALIA_REGISTRY", (dir_ / "registry").c_str(), 1);
    auto share = [&](const std::string& strFolder) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Graphics Platform", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(sysWriteRegString(key, "Shared Media Path", strFolder.c_str()), S_OK);
        RegCloseKey(key);
    };
    share((dir_ / "shared").string());
    std::filesystem::create_directories(dir_ / "shared" / "Media" / "cine");
    std::filesystem::copy_file(dir_ / "nivel1" / "intro.avi", dir_ / "shared" / "Media" / "cine" / "a.avi");
    EXPECT_EQ(Screen().Play(-0.45f, -0.45f, 0.4f, "cine\\a.avi"), 0);
    EXPECT_TRUE(Playing());

    share((dir_ / std::string(150, 's')).string());
    CaptureStderr();
    EXPECT_EQ(Screen().Play(-0.45f, -0.45f, 0.4f, ("cine\\" + std::string(60, 'a') + ".avi").c_str()), E_FAIL);
    EXPECT_NE(GetCapturedStderr().find("Could not create source filter to graph!  hr=0x800700ce"), std::string::npos);
    EXPECT_FALSE(Playing());
    ::unsetenv("ABISALIA_REGISTRY");
}

// ---- A clip played to its end ----

TEST_F(VideoTest, AClipPlaysToItsEndAndTheTextureHoldsItsLastFrameUpright) {
    FirstUpdateDone();
    ASSERT_EQ(Screen().Play(-0.45f, -0.45f, 0.4f, "nivel1\\intro.avi"), 0);
    IDirect3DTexture8* pTexture = Screen().m_pMovieTexture;
    pTexture->AddRef();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    float t = 0;
    while (Playing() && std::chrono::steady_clock::now() < end) {
        Frame(t += 0.01f);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_FALSE(Playing()) << "the completion arrived";
    D3DLOCKED_RECT lr;
    ASSERT_EQ(pTexture->LockRect(0, &lr, nullptr, 0), S_OK);
    const BYTE* t0 = static_cast<const BYTE*>(lr.pBits);
    // Texture row 0 lies along the quad's bottom edge: the picture's bottom half.
    EXPECT_TRUE(testclip::Near(t0 + 2 * lr.Pitch + 16 * 4, testclip::kBottom));
    EXPECT_TRUE(testclip::Near(t0 + (kClipHeight - 3) * lr.Pitch + 16 * 4, testclip::TopColour(kClipFrames - 1)));
    EXPECT_EQ(t0[3], 0xFF);
    pTexture->UnlockRect(0);
    EXPECT_EQ(pTexture->Release(), 0u) << "the screen released its reference";
}

// ---- Movies across level changes, many starts and shutdown ----

TEST_F(VideoTest, StartsStopsAndLevelChangesLeaveNothingRunning) {
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(Screen().Play(-0.45f, -0.45f, 0.4f, "nivel1\\intro.avi"), 0);
        if (i % 2) Post(EC_COMPLETE);
        Key('V', i % 2 == 0);
        Frame(0.1f * (i + 1));
        Key('V', false);
        Frame(0.1f * (i + 1) + 0.05f);
        if (Playing()) Screen().Invalidate(), Screen().Restore();
        ASSERT_FALSE(Playing()) << i;
        ASSERT_EQ(dshow::LiveGraphs(), 0) << i;
    }
    // A level change while a movie plays stops it and plays the new level's intro.
    ASSERT_EQ(Screen().Play(-0.45f, -0.45f, 0.4f, "nivel1\\captura.avi"), 0);
    App().ChangeLevel();
    EXPECT_TRUE(Playing());
    EXPECT_STREQ(Screen().m_szMovieFile, "nivel2\\intro.avi");
    EXPECT_EQ(dshow::LiveGraphs(), 1);
    // Shutdown during the movie: the fixture's teardown releases the device with the movie running.
}

// A next level that cannot be read gives way to the one that was playing, whose intro starts
// again; the line saying why stays on screen.
TEST_F(VideoTest, TheLevelFailureLineOutlivesTheIntrosMessage) {
    FreezeClock();
    FirstUpdateDone();
    // A folder without its settings would load on the previous ones: the whole folder goes.
    std::filesystem::remove_all(dir_ / "nivel2");
    App().ChangeLevel();
    EXPECT_TRUE(Playing());
    EXPECT_STREQ(Screen().m_szMovieFile, "nivel1\\intro.avi");
    EXPECT_STREQ(g_szMessage, "No se pudo cargar el nivel nivel2\\");
    EXPECT_FLOAT_EQ(App().m_Hud.m_fMessageTime, 10.0f);
}

// The two debugging helpers put the playing graph into the running-object table under the name a
// graph inspector looks for, and take it out again.
TEST_F(VideoTest, RegisterGraphNamesThePlayingGraphUntilRevoked) {
    FreezeClock();
    Frame(0.1f);
    ASSERT_TRUE(Playing());
    ASSERT_NE(g_pGraphBuilder, nullptr);
    const int nBefore = win32::RunningObjectCount();
    ASSERT_EQ(vidRegisterGraph(g_pGraphBuilder), S_OK);
    EXPECT_EQ(win32::RunningObjectCount(), nBefore + 1);

    char szItem[64];
    std::snprintf(szItem, sizeof szItem, "!FilterGraph 00000000  pid %08x", static_cast<unsigned>(::getpid()));
    const std::u16string strItem(szItem, szItem + std::strlen(szItem));
    IMoniker* pName = nullptr;
    ASSERT_EQ(CreateItemMoniker(u"", strItem.c_str(), &pName), S_OK);
    IRunningObjectTable* pROT = nullptr;
    ASSERT_EQ(GetRunningObjectTable(0, &pROT), S_OK);
    IUnknown* pFound = nullptr;
    ASSERT_EQ(pROT->GetObject(pName, &pFound), S_OK);
    EXPECT_EQ(pFound, static_cast<IUnknown*>(g_pGraphBuilder));
    pFound->Release();

    vidRevokeGraph();
    EXPECT_EQ(pROT->IsRunning(pName), S_FALSE);
    EXPECT_EQ(win32::RunningObjectCount(), nBefore);
    pName->Release();
    pROT->Release();
    // The teardown's count of live graphs shows that the table kept no reference.
}

}  // namespace
