// The one place that names the backends: which one a new Direct3D object is made with, and the
// adapters each reports.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "d3d8/backends.h"

namespace d3d8 {

namespace {

std::mutex g_configMutex;
std::optional<BackendKind> g_override;
std::shared_ptr<const RecordScenario> g_scenario;

D3DFORMAT FromSdlFormat(Uint32 f) {
    switch (f) {
        case SDL_PIXELFORMAT_RGB565: return D3DFMT_R5G6B5;
        case SDL_PIXELFORMAT_RGB555: return D3DFMT_X1R5G5B5;
        default: return D3DFMT_X8R8G8B8;
    }
}

// Every size SDL lists, and the classic sizes up to the desktop, each in the three display formats.
std::vector<D3DDISPLAYMODE> ModesFor(int display, const D3DDISPLAYMODE& desktop) {
    std::vector<std::pair<UINT, UINT>> sizes;
    std::vector<UINT> rates;
    int n = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < n; ++i) {
        SDL_DisplayMode m;
        if (SDL_GetDisplayMode(display, i, &m) == 0 && m.w > 0 && m.h > 0)
            sizes.emplace_back(static_cast<UINT>(m.w), static_cast<UINT>(m.h));
    }
    const std::pair<UINT, UINT> classic[] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}};
    for (auto s : classic)
        if (s.first <= desktop.Width && s.second <= desktop.Height) sizes.push_back(s);
    sizes.emplace_back(desktop.Width, desktop.Height);
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    std::vector<D3DDISPLAYMODE> modes;
    for (D3DFORMAT f : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5})
        for (auto s : sizes) modes.push_back({s.first, s.second, desktop.RefreshRate, f});
    return modes;
}

std::vector<AdapterInfo> SdlAdapters(const std::string& renderer) {
    std::vector<AdapterInfo> adapters;
    int count = SDL_GetNumVideoDisplays();
    for (int d = 0; d < count; ++d) {
        SDL_DisplayMode dm;
        if (SDL_GetDesktopDisplayMode(d, &dm) != 0) continue;
        AdapterInfo a;
        a.display = d;
        a.desktop = {static_cast<UINT>(dm.w), static_cast<UINT>(dm.h), static_cast<UINT>(dm.refresh_rate),
                     D3DFMT_X8R8G8B8};
        (void)FromSdlFormat(dm.format);  // the desktop always shows as 32-bit
        const char* name = SDL_GetDisplayName(d);
        a.description = renderer + " (" + (name ? name : "display") + ")";
        a.driver = "abisalia-gl";
        a.modes = ModesFor(d, a.desktop);
        adapters.push_back(std::move(a));
    }
    return adapters;
}

std::vector<AdapterInfo> ScenarioAdapters(const RecordScenario& scenario) {
    std::vector<AdapterInfo> adapters;
    int d = 0;
    for (const RecordAdapter& s : scenario.adapters) {
        AdapterInfo a;
        a.display = d++;
        a.description = s.description;
        a.driver = s.driver;
        a.desktop = s.desktop;
        a.modes = s.modes;
        a.halCaps = s.halCaps;
        a.refCaps = s.refCaps;
        adapters.push_back(std::move(a));
    }
    return adapters;
}

}  // namespace

void SetBackendOverride(std::optional<BackendKind> kind) {
    std::lock_guard lock(g_configMutex);
    g_override = kind;
}

BackendKind ChosenBackend() {
    {
        std::lock_guard lock(g_configMutex);
        if (g_override) return *g_override;
    }
    const char* env = std::getenv("ABISALIA_D3D_BACKEND");
    if (env && std::strcmp(env, "record") == 0) return BackendKind::Record;
    return BackendKind::Gl;
}

void SetRecordScenario(std::shared_ptr<const RecordScenario> scenario) {
    std::lock_guard lock(g_configMutex);
    g_scenario = std::move(scenario);
}

RecordAdapter RecordScenario::DefaultAdapter() {
    RecordAdapter a;
    for (D3DFORMAT f : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5})
        for (auto [w, h] : {std::pair{640u, 480u}, {800u, 600u}, {1024u, 768u}}) a.modes.push_back({w, h, 60, f});
    return a;
}

}  // namespace d3d8

IDirect3D8* Direct3DCreate8(UINT sdkVersion) {
    using namespace d3d8;
    if (sdkVersion != D3D_SDK_VERSION) return nullptr;
    if (ChosenBackend() == BackendKind::Record) {
        std::shared_ptr<const RecordScenario> scenario;
        {
            std::lock_guard lock(g_configMutex);
            scenario = g_scenario;
        }
        if (!scenario) scenario = std::make_shared<RecordScenario>();
        if (scenario->failCreate) return nullptr;
        return new Direct3D8Impl(RecordProfile(), ScenarioAdapters(*scenario), scenario);
    }
    std::optional<BackendProfile> profile = GlProfile();  // else it said why
    if (!profile) return nullptr;
    std::vector<AdapterInfo> adapters = SdlAdapters(profile->renderer);
    if (adapters.empty()) {
        std::fprintf(stderr, "gl: the display reports no modes: %s\n", SDL_GetError());
        return nullptr;
    }
    return new Direct3D8Impl(std::move(*profile), std::move(adapters), nullptr);
}
