// The demonstration application: the framework alone, clearing to a colour that moves with the
// application time and showing the statistics line. Without a text font the line goes into the
// window's title. Life-cycle events are written to standard output for the tests that run it.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "framework/d3dapp.h"
#include "resources/programtables.h"

class CDemoApp : public CD3DApp {
public:
    CDemoApp() {
        m_pszTitle = "Abisalia framework demo";
        m_bNeedDepthBuffer = TRUE;
        m_szShownText[0] = '\0';
    }

    HRESULT OnDeviceCreated() override {
        std::printf("created %s\n", m_szDeviceText);
        return S_OK;
    }
    HRESULT OnDeviceReset() override {
        std::printf("reset %ux%u %s\n", m_backBufferDesc.Width, m_backBufferDesc.Height,
                    m_bWindowedMode ? "windowed" : "fullscreen");
        return S_OK;
    }
    HRESULT OnDeviceLost() override {
        std::printf("lost\n");
        return S_OK;
    }
    HRESULT OnDeviceDestroyed() override {
        std::printf("destroyed\n");
        return S_OK;
    }
    HRESULT UpdateFrame() override {
        ++m_dwUpdates;
        return S_OK;
    }
    HRESULT RenderScene() override {
        ++m_dwFrames;
        m_pDevice->BeginScene();
        m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, ClearColour(m_fAppTime), 1.0f, 0);
        m_pDevice->EndScene();
        if (std::strcmp(m_szShownText, m_szFrameText) != 0) {
            std::strcpy(m_szShownText, m_szFrameText);
            char szTitle[128];
            std::snprintf(szTitle, sizeof szTitle, "%s - %s", m_pszTitle, m_szFrameText);
            SetWindowTextA(m_hWnd, szTitle);
        }
        return S_OK;
    }
    HRESULT ShutdownApp() override {
        std::printf("shutdown frames=%lu updates=%lu\n", static_cast<unsigned long>(m_dwFrames),
                    static_cast<unsigned long>(m_dwUpdates));
        return S_OK;
    }

    // Every channel stays within 32..223, so no colour is the window's white.
    static D3DCOLOR ClearColour(float fTime) {
        auto channel = [fTime](float fPhase) {
            return static_cast<DWORD>(128.0f + 95.0f * std::sin(fTime * 2.0f + fPhase));
        };
        return 0xFF000000u | (channel(0.0f) << 16) | (channel(2.1f) << 8) | channel(4.2f);
    }

private:
    char m_szShownText[40];
    DWORD m_dwFrames = 0;
    DWORD m_dwUpdates = 0;
};

int main() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    res::Install(res::ProgramTables());
    CDemoApp app;
    if (FAILED(app.Create(GetModuleHandleA(nullptr)))) return 1;
    return app.Run();
}
