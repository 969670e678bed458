// The application object on the record backend: start-up, the frame step, enumeration, device
// creation and its fall-back, resets while stopped, the error boxes and the settings file.
#include <gmock/gmock.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app_fixture.h"
#include "framework/apperrors.h"
#include "resources/resource.h"

namespace fwtest {
namespace {

using ::testing::HasSubstr;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

D3DCAPS8 CapsWith(DWORD dwDevCaps, DWORD dwCaps2 = D3DCAPS2_CANRENDERWINDOWED) {
    D3DCAPS8 caps{};
    caps.DevCaps = dwDevCaps;
    caps.Caps2 = dwCaps2;
    caps.VertexShaderVersion = D3DVS_VERSION(1, 1);
    return caps;
}

// ---------------------------------------------------------------------------------------------
// The frame step

TEST_F(AppTest, StepFrameByDeviceStateClockAndStepOnce) {
    struct Case {
        const char* name;
        HRESULT cooperative;  // what TestCooperativeLevel answers
        bool animating;
        bool stepOnce;
        std::int64_t advanceMs;
        HRESULT expected;
        bool updated, rendered, presented, reset;
    };
    const Case cases[] = {
        {"running", S_OK, true, false, 20, S_OK, true, true, true, false},
        {"running, no time passed", S_OK, true, false, 0, S_OK, false, false, false, false},
        {"stopped", S_OK, false, false, 20, S_OK, false, true, true, false},
        {"stopped, no time passed", S_OK, false, false, 0, S_OK, false, true, true, false},
        {"stopped with a step due", S_OK, false, true, 0, S_OK, true, true, true, false},
        {"lost", D3DERR_DEVICELOST, true, false, 20, S_OK, false, false, false, false},
        {"not reset", D3DERR_DEVICENOTRESET, true, false, 20, S_OK, false, false, false, true},
        {"other failure", E_FAIL, true, false, 20, E_FAIL, false, false, false, false},
    };
    ASSERT_EQ(Create(), S_OK);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HRESULT cooperative = c.cooperative;
        script_->inject = [&](const char* call) {
            return std::string(call) == "TestCooperativeLevel" ? cooperative : S_OK;
        };
        app_->m_bAnimating = c.animating;
        sysTimer(c.animating ? TimerCommand::Start : TimerCommand::Stop);
        app_->m_bStepOnce = c.stepOnce;
        sysTimer(TimerCommand::GetElapsedTime);
        now_ += c.advanceMs;
        float fAppBefore = app_->m_fAppTime;
        app_->calls.clear();
        Log().clear();

        EXPECT_EQ(app_->StepFrame(), c.expected);
        EXPECT_EQ(app_->Count("UpdateFrame"), c.updated ? 1 : 0);
        EXPECT_EQ(app_->Count("RenderScene"), c.rendered ? 1 : 0);
        EXPECT_EQ(DeviceCalls("Present"), c.presented ? 1 : 0);
        EXPECT_EQ(app_->Count("OnDeviceLost") == 1 && app_->Count("OnDeviceReset") == 1, c.reset);
        if (c.updated) {
            EXPECT_FALSE(app_->m_bStepOnce);
            if (c.animating) {
                EXPECT_FLOAT_EQ(app_->m_fFrameTime, c.advanceMs / 1000.0f);
            }
        } else {
            EXPECT_EQ(app_->m_fAppTime, fAppBefore) << "the times keep their values";
        }
        script_->inject = nullptr;
    }
}

TEST_F(AppTest, StatisticsLineRefreshesAfterMoreThanOneSecond) {
    ASSERT_EQ(Create(), S_OK);
    sysTimer(TimerCommand::GetElapsedTime);
    now_ += 10;
    ASSERT_EQ(app_->StepFrame(), S_OK);  // the first frame refreshes at once
    EXPECT_THAT(app_->m_szFrameText, HasSubstr("fps (400x300x32) (D16)"));
    app_->m_szFrameText[0] = '\0';
    now_ += 1000;  // exactly one second later: no refresh
    ASSERT_EQ(app_->StepFrame(), S_OK);
    EXPECT_STREQ(app_->m_szFrameText, "");
    now_ += 1;
    ASSERT_EQ(app_->StepFrame(), S_OK);
    EXPECT_STREQ(app_->m_szFrameText, "2.00 fps (400x300x32) (D16)") << "two frames over 1.001 s";
}

TEST_F(AppTest, PausesNestAndOnlyTheOutermostMovesARunningClock) {
    ASSERT_EQ(Create(), S_OK);
    now_ += 100;
    app_->Pause(TRUE);
    app_->Pause(TRUE);
    now_ += 500;
    app_->Pause(FALSE);
    EXPECT_FALSE(app_->m_bDeviceReady);
    EXPECT_FLOAT_EQ(sysTimer(TimerCommand::GetAppTime), 0.1f);
    app_->Pause(FALSE);
    EXPECT_TRUE(app_->m_bDeviceReady);
    now_ += 100;
    EXPECT_FLOAT_EQ(sysTimer(TimerCommand::GetAppTime), 0.2f);
}

// ---------------------------------------------------------------------------------------------
// Start-up and its failures

TEST_F(AppTest, CreateRunsItsStepsInOrder) {
    ASSERT_EQ(Create(), S_OK);
    EXPECT_EQ(app_->calls, (std::vector<std::string>{"InitApp", "OnDeviceCreated", "OnDeviceReset", "AfterCreate"}));
    EXPECT_TRUE(app_->m_bDeviceReady);
    EXPECT_TRUE(app_->m_bWindowActive);
    EXPECT_STREQ(app_->m_szDeviceText, "HAL (pure hw vp): Record adapter");
}

TEST_F(AppTest, CreateFailingAtEachStepShowsTheFatalBoxAndLeavesNothingBehind) {
    struct Case {
        const char* name;
        std::function<void(d3d8::RecordScenario&, TestApp&)> arrange;
        HRESULT expected;
        const char* text;
        bool windowExisted;
        int devicesReleased;  // device objects brought down by OnDeviceDestroyed
    };
    const Case cases[] = {
        {"no Direct3D", [](d3d8::RecordScenario& s, TestApp&) { s.failCreate = true; }, AppErrNoDirect3D,
         "Could not initialize Direct3D.", false, 0},
        {"no adapter", [](d3d8::RecordScenario& s, TestApp&) { s.adapters.clear(); }, AppErrNoCompatibleDevices,
         "Could not find any compatible Direct3D\ndevices.", false, 0},
        {"InitApp", [](d3d8::RecordScenario&, TestApp& a) { a.failures["InitApp"] = E_OUTOFMEMORY; }, E_OUTOFMEMORY,
         "Not enough memory.", true, 0},
        {"device creation",
         [](d3d8::RecordScenario&, TestApp& a) { a.failures["OnDeviceCreated"] = AppErrMediaNotFound; },
         AppErrMediaNotFound, "Could not load required media.", true, 2},
        {"AfterCreate", [](d3d8::RecordScenario&, TestApp& a) { a.failures["AfterCreate"] = E_FAIL; }, E_FAIL,
         "Generic application error.", true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        *script_ = d3d8::RecordScenario{};
        app_ = std::make_unique<TestApp>();
        c.arrange(*script_, *app_);
        CaptureStderr();
        EXPECT_EQ(Create(), c.expected);
        std::string boxes = GetCapturedStderr();
        EXPECT_THAT(boxes, HasSubstr(std::string(c.text)));
        EXPECT_THAT(boxes, HasSubstr("This sample will now exit."));
        EXPECT_EQ(app_->m_pDirect3D, nullptr);
        EXPECT_EQ(app_->m_pDevice, nullptr);
        EXPECT_EQ(app_->m_hWnd, nullptr) << "no window left behind";
        EXPECT_EQ(app_->Count("ShutdownApp"), c.windowExisted ? 1 : 0);
        EXPECT_EQ(app_->Count("OnDeviceDestroyed"), c.devicesReleased);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
}

TEST_F(AppTest, HalFailureFallsBackToTheReferenceDeviceAndThenIsFatal) {
    // The first creation fails on the HAL with no video memory: a warning, then the REF device.
    script_->inject = [n = 0](const char* call) mutable {
        return std::string(call) == "CreateDevice" && n++ == 0 ? D3DERR_OUTOFVIDEOMEMORY : S_OK;
    };
    CaptureStderr();
    ASSERT_EQ(Create(), S_OK);
    std::string boxes = GetCapturedStderr();
    EXPECT_THAT(boxes, HasSubstr("[warning]"));
    EXPECT_THAT(boxes, HasSubstr("Not enough video memory.\n\nSwitching to the reference rasterizer,"));
    EXPECT_EQ(app_->CurrentDevice()->DeviceType, D3DDEVTYPE_REF);
    EXPECT_STREQ(app_->m_szDeviceText, "REF (simulated pure hw vp)");

    // Loading fails on both: the warning, then the fatal box.
    SendMessageA(app_->m_hWnd, WM_CLOSE, 0, 0);
    *script_ = d3d8::RecordScenario{};
    app_ = std::make_unique<TestApp>();
    app_->failures["OnDeviceCreated"] = AppErrMediaNotFound;
    CaptureStderr();
    EXPECT_EQ(Create(), AppErrMediaNotFound);
    boxes = GetCapturedStderr();
    size_t warning = boxes.find("Could not load required media.\n\nSwitching to the reference rasterizer");
    size_t fatal = boxes.find("Could not load required media.\n\nThis sample will now exit.");
    EXPECT_NE(warning, std::string::npos);
    EXPECT_NE(fatal, std::string::npos);
    EXPECT_LT(warning, fatal);
}

TEST_F(AppTest, ResetAndRecreationWhileStoppedRunOneUpdateAtAStandingTime) {
    std::ofstream("configuracion.cfg").close();  // no settings: only the other two paths
    std::filesystem::remove("configuracion.cfg");
    ASSERT_EQ(Create(), S_OK);
    SendMessageA(app_->m_hWnd, WM_COMMAND, CmdGoStop, 0);  // stop
    now_ += 500;
    float fStanding = sysTimer(TimerCommand::GetAppTime);
    const std::function<HRESULT()> paths[] = {
        [&] { return app_->ResetDevice(); }, [&] { return app_->SwitchFullscreen(); },  // reset into full screen
        [&] { return app_->SwitchFullscreen(); },                                       // and back
    };
    for (const auto& path : paths) {
        ASSERT_EQ(path(), S_OK);
        app_->calls.clear();
        now_ += 300;
        ASSERT_EQ(app_->StepFrame(), S_OK);
        ASSERT_EQ(app_->StepFrame(), S_OK);
        EXPECT_EQ(app_->Count("UpdateFrame"), 1);
        EXPECT_FLOAT_EQ(app_->m_fAppTime, fStanding);
    }
    EXPECT_TRUE(app_->m_bWindowedMode);
}

TEST_F(AppTest, FullScreenAndBackKeepsTheWindowPlacement) {
    ASSERT_EQ(Create(), S_OK);
    RECT before = app_->m_rcWindow;
    SendMessageA(app_->m_hWnd, WM_COMMAND, CmdToggleFullscreen, 0);
    EXPECT_FALSE(app_->m_bWindowedMode);
    EXPECT_EQ(app_->m_backBufferDesc.Width, 640u) << "the default full-screen mode";
    EXPECT_EQ(app_->m_backBufferDesc.Format, D3DFMT_X1R5G5B5) << "the first 16-bit format in sorted order";
    SendMessageA(app_->m_hWnd, WM_COMMAND, CmdToggleFullscreen, 0);
    EXPECT_TRUE(app_->m_bWindowedMode);
    EXPECT_EQ(app_->m_backBufferDesc.Width, 400u);
    EXPECT_EQ(std::memcmp(&before, &app_->m_rcWindow, sizeof before), 0);
}

// ---------------------------------------------------------------------------------------------
// Enumeration

TEST_F(AppTest, ModesAreFilteredDeduplicatedAndSorted) {
    d3d8::RecordAdapter a;
    a.modes = {{800, 600, 60, D3DFMT_X8R8G8B8}, {800, 600, 75, D3DFMT_X8R8G8B8}, {639, 480, 60, D3DFMT_R5G6B5},
               {640, 399, 60, D3DFMT_R5G6B5},   {1024, 768, 60, D3DFMT_R5G6B5},  {640, 480, 60, D3DFMT_R5G6B5}};
    script_->adapters = {a};
    ASSERT_EQ(Create(), S_OK);
    const D3DAppDevice& hal = app_->m_aAdapters[0].aDevices[0];
    ASSERT_EQ(hal.dwModeCount, 3u);
    EXPECT_EQ(hal.aModes[0].dwWidth, 640u);
    EXPECT_EQ(hal.aModes[0].Format, D3DFMT_R5G6B5);
    EXPECT_EQ(hal.aModes[1].dwWidth, 1024u);
    EXPECT_EQ(hal.aModes[2].Format, D3DFMT_X8R8G8B8);
}

TEST_F(AppTest, DefaultFullScreenMode) {
    struct Case {
        const char* name;
        std::vector<D3DDISPLAYMODE> modes;
        DWORD width;
        D3DFORMAT format;
        bool bAnyDisplayFormat = false;  // the platform takes every format as a display format
    };
    const Case cases[] = {
        {"16-bit 640 x 480 wins",
         {{640, 480, 60, D3DFMT_X8R8G8B8}, {640, 480, 60, D3DFMT_X1R5G5B5}, {640, 480, 60, D3DFMT_R5G6B5}},
         640,
         D3DFMT_X1R5G5B5},
        {"else the last 640 x 480",
         {{640, 480, 60, D3DFMT_X8R8G8B8}, {800, 600, 60, D3DFMT_X8R8G8B8}},
         640,
         D3DFMT_X8R8G8B8},
        {"else the first mode",
         {{1024, 768, 60, D3DFMT_X8R8G8B8}, {800, 600, 60, D3DFMT_X8R8G8B8}},
         800,
         D3DFMT_X8R8G8B8},
        {"else the last of several 640 x 480",
         {{640, 480, 60, D3DFMT_A8R8G8B8}, {640, 480, 60, D3DFMT_X8R8G8B8}, {800, 600, 60, D3DFMT_X8R8G8B8}},
         640,
         D3DFMT_A8R8G8B8,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        d3d8::RecordAdapter a;
        a.modes = c.modes;
        script_->adapters = {a};
        if (c.bAnyDisplayFormat) {
            script_->checkDeviceType = [](UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, BOOL) { return S_OK; };
            script_->checkDeviceFormat = [](UINT, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE, D3DFORMAT) {
                return S_OK;
            };
            script_->checkDepthStencilMatch = [](UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT) { return S_OK; };
        }
        app_ = std::make_unique<TestApp>();
        ASSERT_EQ(Create(), S_OK);
        EXPECT_EQ(app_->CurrentMode()->dwWidth, c.width);
        EXPECT_EQ(app_->CurrentMode()->Format, c.format);
        SendMessageA(app_->m_hWnd, WM_CLOSE, 0, 0);
    }
}

TEST_F(AppTest, VertexProcessingAndDepthFormatChoice) {
    // The game's rule: no hardware or mixed processing without vertex shaders 1.0.
    auto gameRule = [](const D3DCAPS8* caps, DWORD behavior, D3DFORMAT) {
        bool hardware = behavior & (D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING);
        return hardware && caps->VertexShaderVersion < D3DVS_VERSION(1, 0) ? E_FAIL : S_OK;
    };
    struct Case {
        const char* name;
        D3DCAPS8 caps;
        std::function<HRESULT(UINT, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE, D3DFORMAT)> depth;
        DWORD behavior;
        D3DFORMAT depthFormat;
    };
    D3DCAPS8 noShaders = CapsWith(D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE);
    noShaders.VertexShaderVersion = D3DVS_VERSION(0, 0);
    auto only = [](D3DFORMAT allowed) {
        return [allowed](UINT, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE, D3DFORMAT f) {
            return f == allowed ? S_OK : D3DERR_NOTAVAILABLE;
        };
    };
    const Case cases[] = {
        {"pure", CapsWith(D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE), nullptr, 0x50, D3DFMT_D16},
        {"hardware", CapsWith(D3DDEVCAPS_HWTRANSFORMANDLIGHT), nullptr, 0x40, D3DFMT_D16},
        {"software", CapsWith(0), nullptr, 0x20, D3DFMT_D16},
        {"refused by the game", noShaders, nullptr, 0x20, D3DFMT_D16},
        {"D15S1 has too few bits", CapsWith(0),
         [](UINT, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE, D3DFORMAT f) {
             return f == D3DFMT_D15S1 || f == D3DFMT_D24X4S4 ? S_OK : D3DERR_NOTAVAILABLE;
         },
         0x20, D3DFMT_D24X4S4},
        {"D32 last", CapsWith(0), only(D3DFMT_D32), 0x20, D3DFMT_D32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        d3d8::RecordAdapter a = d3d8::RecordScenario::DefaultAdapter();
        a.halCaps = c.caps;
        script_->adapters = {a};
        script_->checkDeviceFormat = c.depth;
        app_ = std::make_unique<TestApp>();
        app_->capsRule = gameRule;
        ASSERT_EQ(Create(), S_OK);
        EXPECT_EQ(app_->CurrentMode()->dwBehavior, c.behavior);
        EXPECT_EQ(app_->CurrentMode()->DepthStencilFormat, c.depthFormat);
        SendMessageA(app_->m_hWnd, WM_CLOSE, 0, 0);
    }
}

TEST_F(AppTest, ReferenceDeviceWarningsAndDenseLists) {
    auto halFails = [](UINT, D3DDEVTYPE type, D3DFORMAT, D3DFORMAT, BOOL) {
        return type == D3DDEVTYPE_HAL ? D3DERR_NOTAVAILABLE : S_OK;
    };
    struct Case {
        const char* name;
        std::function<void(d3d8::RecordScenario&)> arrange;
        HRESULT created;
        const char* warning;  // nullptr: none
        DWORD adapters;
    };
    const Case cases[] = {
        {"a HAL", [](d3d8::RecordScenario&) {}, S_OK, nullptr, 1},
        {"no HAL", [&](d3d8::RecordScenario& s) { s.checkDeviceType = halFails; }, S_OK, "No hardware-accelerated", 1},
        {"HAL cannot window",
         [](d3d8::RecordScenario& s) { s.adapters[0].halCaps = CapsWith(D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0); }, S_OK,
         "cannot\nrender into a window.\n", 1},
        {"HAL keeps no mode",
         [](auto& s) {
             s.checkDeviceFormat = [](UINT, D3DDEVTYPE type, D3DFORMAT, DWORD, D3DRESOURCETYPE, D3DFORMAT) {
                 return type == D3DDEVTYPE_HAL ? D3DERR_NOTAVAILABLE : S_OK;
             };
         },
         S_OK, "hardware\naccelerator.\n", 1},
        {"HAL refuses the desktop format",
         [](auto& s) {
             s.checkDeviceType = [](UINT, D3DDEVTYPE type, D3DFORMAT f, D3DFORMAT, BOOL) {
                 return type == D3DDEVTYPE_HAL && f == D3DFMT_X8R8G8B8 ? D3DERR_NOTAVAILABLE : S_OK;
             };
         },
         S_OK, "render into a window with the current\ndesktop", 1},
        {"HAL has no depth buffer in the desktop format",
         [](auto& s) {
             s.checkDeviceFormat = [](UINT, D3DDEVTYPE type, D3DFORMAT f, DWORD, D3DRESOURCETYPE, D3DFORMAT) {
                 return type == D3DDEVTYPE_HAL && f == D3DFMT_X8R8G8B8 ? D3DERR_NOTAVAILABLE : S_OK;
             };
         },
         S_OK, "accelerator with the current desktop", 1},
        {"an empty adapter takes no slot",
         [](d3d8::RecordScenario& s) {
             d3d8::RecordAdapter empty;
             empty.description = "Tiny";
             empty.modes = {{320, 200, 60, D3DFMT_R5G6B5}};
             s.adapters.insert(s.adapters.begin(), empty);
         },
         S_OK, nullptr, 1},
        {"nothing can window",
         [](d3d8::RecordScenario& s) {
             s.adapters[0].halCaps = CapsWith(0, 0);
             s.adapters[0].refCaps = CapsWith(0, 0);
         },
         AppErrNoWindowableDevices, nullptr, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        *script_ = d3d8::RecordScenario{};
        c.arrange(*script_);
        app_ = std::make_unique<TestApp>();
        CaptureStderr();
        EXPECT_EQ(Create(), c.created);
        std::string boxes = GetCapturedStderr();
        if (c.warning) {
            EXPECT_THAT(boxes, HasSubstr(std::string(c.warning)));
        } else if (c.created == S_OK) {
            EXPECT_EQ(boxes.find("[warning]"), std::string::npos) << boxes;
        }
        EXPECT_EQ(app_->m_dwAdapterCount, c.adapters);
        if (c.created == S_OK) {
            EXPECT_STREQ(app_->m_aAdapters[0].Identifier.Description, "Record adapter");
            EXPECT_EQ(app_->m_aAdapters[0].uOrdinal, script_->adapters.size() - 1);
        }
        if (app_->m_hWnd) SendMessageA(app_->m_hWnd, WM_CLOSE, 0, 0);
    }
}

// ---------------------------------------------------------------------------------------------
// Error boxes

TEST_F(AppTest, ShowErrorTextsSuffixesIconsAndClose) {
    ASSERT_EQ(Create(), S_OK);
    struct Case {
        HRESULT hr;
        DWORD type;
        const char* text;
    };
    const Case cases[] = {
        {AppErrResetFailed, ErrorBoxReferenceWarning,
         "[warning] D3D8 Application: Could not reset the Direct3D device.\n\nSwitching to the reference rasterizer,"},
        {static_cast<HRESULT>(0x82000002), 3,
         "[warning] D3D8 Application: Generic application error. Enable\ndebug "
         "output for detailed information.\n"},
        {AppErrNoDirect3D, ErrorBoxFatal, "[error] D3D8 Application: Could not initialize Direct3D. You may\nwant"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        HWND hwnd = app_->m_hWnd;
        CaptureStderr();
        EXPECT_EQ(app_->ShowError(c.hr, c.type), c.hr);
        EXPECT_THAT(GetCapturedStderr(), HasSubstr(std::string(c.text)));
        EXPECT_EQ(IsWindow(hwnd) != FALSE, c.type != ErrorBoxFatal) << "only a fatal box closes the window";
    }
    EXPECT_EQ(app_->Count("ShutdownApp"), 1);
    CaptureStderr();
    app_->ShowError(AppErrResetFailed, ErrorBoxFatal);  // no window any more: only the box
    GetCapturedStderr();
    EXPECT_EQ(app_->Count("ShutdownApp"), 1);
}

// ---------------------------------------------------------------------------------------------
// Settings file

class SettingsFile : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        folder_ = std::filesystem::temp_directory_path() / ("fwsettings" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_);
    }
    void TearDown() override {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(folder_);
        AppTest::TearDown();
    }
    std::filesystem::path folder_, previous_;
};

TEST_F(SettingsFile, ChoosesTheModeAndWindowFromTheFile) {
    struct Case {
        const char* name;
        const char* text;  // nullptr: no file
        std::vector<D3DDISPLAYMODE> modes;
        bool windowed;
        DWORD width;  // of the chosen mode
        D3DFORMAT format;
        int recreations;
        const char* fileName = "configuracion.cfg";
    };
    const std::vector<D3DDISPLAYMODE> both = {{800, 600, 60, D3DFMT_X8R8G8B8},
                                              {800, 600, 60, D3DFMT_R5G6B5},
                                              {640, 480, 60, D3DFMT_X8R8G8B8},
                                              {1024, 768, 60, D3DFMT_X8R8G8B8}};
    const Case cases[] = {
        {"no file", nullptr, both, true, 640, D3DFMT_X8R8G8B8, 0},
        {"16-bit full screen", "800 600 0 1", both, false, 800, D3DFMT_R5G6B5, 1},
        {"32-bit only", "800 600 0 1", {{800, 600, 60, D3DFMT_X8R8G8B8}}, false, 800, D3DFMT_X8R8G8B8, 1},
        {"windowed", "1024 768 32 0", both, true, 1024, D3DFMT_X8R8G8B8, 1},
        {"2 means windowed", "800 600 0 2", both, true, 800, D3DFMT_R5G6B5, 1},
        {"no such size", "123 456 0 1", both, true, 640, D3DFMT_X8R8G8B8, 0},
        {"short file", "800 600", both, true, 640, D3DFMT_X8R8G8B8, 0},
        {"a word", "800 six 0 1", both, true, 640, D3DFMT_X8R8G8B8, 0},
        {"name in other letter case", "800 600 0 1", both, false, 800, D3DFMT_R5G6B5, 1, "Configuracion.CFG"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove("configuracion.cfg");
        if (c.text) std::ofstream(c.fileName) << c.text;
        d3d8::RecordAdapter a;
        a.modes = c.modes;
        script_->adapters = {a};
        app_ = std::make_unique<TestApp>();
        CaptureStderr();
        ASSERT_EQ(Create(), S_OK);
        std::string messages = GetCapturedStderr();
        EXPECT_EQ(app_->m_bWindowedMode != FALSE, c.windowed);
        EXPECT_EQ(app_->CurrentMode()->dwWidth, c.width);
        EXPECT_EQ(app_->CurrentMode()->Format, c.format);
        EXPECT_EQ(app_->Count("OnDeviceCreated"), 1 + c.recreations);
        if (c.windowed)
            EXPECT_EQ(app_->m_backBufferDesc.Width, 400u) << "the window keeps its size";
        else
            EXPECT_EQ(app_->m_backBufferDesc.Width, c.width);
        if (c.text && c.recreations == 0) {
            EXPECT_THAT(messages, HasSubstr("configuracion.cfg:"));
        }
        if (!c.text) {
            EXPECT_THAT(messages, ::testing::Not(HasSubstr("configuracion"))) << "a missing file is silent";
        }
        std::filesystem::remove(c.fileName);
        SendMessageA(app_->m_hWnd, WM_CLOSE, 0, 0);
    }
}

}  // namespace
}  // namespace fwtest
