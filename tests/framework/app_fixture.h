// An application that logs its life-cycle calls and fails them on request, run on the record
// backend with a manual clock, in a real (offscreen) window.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "d3d8/backend.h"
#include "framework/d3dapp.h"
#include "framework/systimer.h"
#include "win32/timesource.h"

namespace fwtest {

class TestApp : public CD3DApp {
public:
    TestApp() { m_bNeedDepthBuffer = TRUE; }

    std::vector<std::string> calls;
    std::map<std::string, HRESULT> failures;  // a life-cycle call that fails, every time
    std::map<std::string, int> failuresLeft;  // ... only the next n times
    // Optional vertex-processing rule for enumeration.
    std::function<HRESULT(const D3DCAPS8*, DWORD, D3DFORMAT)> capsRule;

    HRESULT Log(const char* name) {
        calls.push_back(name);
        if (auto it = failuresLeft.find(name); it != failuresLeft.end() && it->second > 0) {
            --it->second;
            return failures[name];
        }
        if (auto it = failures.find(name); it != failures.end() && !failuresLeft.count(name)) return it->second;
        return S_OK;
    }

    HRESULT AfterCreate() override { return Log("AfterCreate"); }
    HRESULT CheckDeviceCaps(const D3DCAPS8* pCaps, DWORD dwBehavior, D3DFORMAT Format) override {
        return capsRule ? capsRule(pCaps, dwBehavior, Format) : S_OK;
    }
    HRESULT InitApp() override { return Log("InitApp"); }
    HRESULT OnDeviceCreated() override { return Log("OnDeviceCreated"); }
    HRESULT OnDeviceReset() override { return Log("OnDeviceReset"); }
    HRESULT UpdateFrame() override { return Log("UpdateFrame"); }
    HRESULT RenderScene() override { return Log("RenderScene"); }
    HRESULT OnDeviceLost() override { return Log("OnDeviceLost"); }
    HRESULT OnDeviceDestroyed() override { return Log("OnDeviceDestroyed"); }
    HRESULT ShutdownApp() override { return Log("ShutdownApp"); }

    int Count(const std::string& name) const {
        int n = 0;
        for (const std::string& c : calls) n += c == name;
        return n;
    }

    using CD3DApp::ChangeDeviceDialog;
    using CD3DApp::CurrentAdapter;
    using CD3DApp::CurrentDevice;
    using CD3DApp::CurrentMode;
    using CD3DApp::EnumerateDevices;
    using CD3DApp::InitDevice;
    using CD3DApp::m_aAdapters;
    using CD3DApp::m_backBufferDesc;
    using CD3DApp::m_bAnimating;
    using CD3DApp::m_bDeviceReady;
    using CD3DApp::m_bFullscreenCursor;
    using CD3DApp::m_bStepOnce;
    using CD3DApp::m_bWindowActive;
    using CD3DApp::m_bWindowedMode;
    using CD3DApp::m_dwAdapterCount;
    using CD3DApp::m_dwCurAdapter;
    using CD3DApp::m_fAppTime;
    using CD3DApp::m_fFrameTime;
    using CD3DApp::m_hWnd;
    using CD3DApp::m_pDevice;
    using CD3DApp::m_pDirect3D;
    using CD3DApp::m_presentParams;
    using CD3DApp::m_rcWindow;
    using CD3DApp::m_szDeviceText;
    using CD3DApp::m_szFrameText;
    using CD3DApp::ResetDevice;
    using CD3DApp::ShowError;
    using CD3DApp::StepFrame;
    using CD3DApp::SwitchFullscreen;
};

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        d3d8::SetBackendOverride(d3d8::BackendKind::Record);
        d3d8::SetRecordScenario(script_);
        win32::SetTimeSourceForTest(1000, true, [this] { return now_; });
        sysTimerResetForTest();
        d3dAppResetForTest();
        app_ = std::make_unique<TestApp>();
    }
    void TearDown() override {
        if (app_->m_hWnd) SendMessageA(app_->m_hWnd, WM_CLOSE, 0, 0);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        app_.reset();
        d3d8::SetRecordScenario(nullptr);
        d3d8::SetBackendOverride(std::nullopt);
        win32::ResetTimeSource();
    }
    // Creates the application; the record script must be set up before.
    HRESULT Create() {
        d3d8::SetRecordScenario(script_);
        return app_->Create(GetModuleHandleA(nullptr));
    }
    std::vector<d3d8::Call>& Log() { return *d3d8::RecordLog(app_->m_pDevice); }
    int DeviceCalls(const std::string& method) {
        int n = 0;
        for (const d3d8::Call& c : Log()) n += c.method == method;
        return n;
    }

    std::shared_ptr<d3d8::RecordScenario> script_ = std::make_shared<d3d8::RecordScenario>();
    std::unique_ptr<TestApp> app_;
    std::int64_t now_ = 5000;  // milliseconds
};

}  // namespace fwtest
