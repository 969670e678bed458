// Program entry: the platform's start-up hands over to the game's WinMain.
#include <cstdio>
#include <new>

#include "d3d8/direct3d.h"
#include "dshow/moviemodule.h"
#include "framework/apperrors.h"
#include "game/gameapp.h"
#include "resources/programtables.h"

int main() {
    res::Install(res::ProgramTables());
    // The movie decoder loads in the background while the first level does, so that the intro
    // does not wait for it; not before the GL driver is in, which needs the loader too.
    d3d8::WhenGlDriverLoaded(dshow::PrefetchMovieModule);
    try {
        return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, 1);
    } catch (const std::bad_alloc&) {
        // The loaders refuse what does not fit; memory that runs out anywhere else still ends
        // the game with the framework's out-of-memory box, as any fatal failure does.
        char szText[512];
        AppErrorBuildMessage(E_OUTOFMEMORY, ErrorBoxFatal, szText);
        MessageBoxA(nullptr, szText, "Abisalia", MB_OK | MB_ICONERROR);
        return 0;
    }
}
