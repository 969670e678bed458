// "configuracion.cfg" as start-up reads it: the application is created, on the record backend, in
// a scratch folder that holds the input as the file. The first device offers a few sizes in 16 and
// 32 bits, so that the file can choose a mode, a window or full screen.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "d3d8/backend.h"
#include "framework/d3dapp.h"
#include "framework/systimer.h"
#include "fuzz.h"

namespace {

class SettingsApp : public CD3DApp {
public:
    SettingsApp() { m_bNeedDepthBuffer = TRUE; }
    HWND Window() const { return m_hWnd; }
    // Whatever the file said, the current adapter, device and mode must be ones that exist.
    bool SelectionValid() const {
        if (m_dwCurAdapter >= m_dwAdapterCount) return false;
        const D3DAppAdapter& adapter = m_aAdapters[m_dwCurAdapter];
        if (adapter.dwCurDevice >= adapter.dwDeviceCount) return false;
        const D3DAppDevice& device = adapter.aDevices[adapter.dwCurDevice];
        return device.dwCurMode < device.dwModeCount;
    }
};

void SetUpOnce() {
    static const bool done = [] {
        fuzz::QuietTraces();
        const auto folder = fuzz::ScratchFolder("config");
        std::filesystem::current_path(folder);
        d3d8::SetBackendOverride(d3d8::BackendKind::Record);
        auto script = std::make_shared<d3d8::RecordScenario>();
        d3d8::RecordAdapter adapter;
        adapter.modes = {{640, 480, 60, D3DFMT_X8R8G8B8},  {800, 600, 60, D3DFMT_X8R8G8B8},
                         {800, 600, 60, D3DFMT_R5G6B5},    {1024, 768, 60, D3DFMT_X8R8G8B8},
                         {1024, 768, 60, D3DFMT_X1R5G5B5}, {1280, 1024, 75, D3DFMT_A8R8G8B8}};
        script->adapters = {adapter};
        d3d8::SetRecordScenario(script);
        return true;
    }();
    (void)done;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SetUpOnce();
    std::ofstream("configuracion.cfg", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    d3dAppResetForTest();
    sysTimerResetForTest();
    {
        SettingsApp app;
        app.Create(GetModuleHandleA(nullptr));
        if (app.Window() && !app.SelectionValid()) std::abort();
        if (app.Window()) SendMessageA(app.Window(), WM_CLOSE, 0, 0);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    return 0;
}
