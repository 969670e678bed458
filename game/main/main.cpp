// Program entry: the platform's start-up hands over to the game's WinMain.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

#include "d3d8/direct3d.h"
#include "dshow/moviemodule.h"
#include "framework/apperrors.h"
#include "framework/sysutil.h"
#include "game/gameapp.h"
#include "resources/programtables.h"
#include "win32/fileio.h"

namespace {

std::terminate_handler g_pfnDefaultTerminate = nullptr;

// The loaders refuse what does not fit; memory that runs out anywhere else (on any thread, or
// in a destructor) still ends the game with the framework's out-of-memory box, as any fatal
// failure does, and exit code 0. Nothing is unwound or freed on the way: that could need memory.
[[noreturn]] void OnTerminate() {
    bool bOutOfMemory = false;
    if (const std::exception_ptr pException = std::current_exception()) {
        try {
            std::rethrow_exception(pException);
        } catch (const std::bad_alloc&) {
            bOutOfMemory = true;
        } catch (...) {
        }
    }
    if (bOutOfMemory) {
        char szText[512];
        AppErrorBuildMessage(E_OUTOFMEMORY, ErrorBoxFatal, szText);
        MessageBoxA(nullptr, szText, "Abisalia", MB_OK | MB_ICONERROR);
        std::fflush(nullptr);
        std::_Exit(0);
    }
    if (g_pfnDefaultTerminate) g_pfnDefaultTerminate();
    std::abort();
}

}  // namespace

int main() {
    g_pfnDefaultTerminate = std::set_terminate(OnTerminate);
    // Level folders come from anyone: what their files name is read only from the folder the game
    // starts in and the media folder, wherever the names or links inside them point.
    win32::SetFileRoots({".", sysFixedMediaDir()});
    res::Install(res::ProgramTables());
    // The movie decoder loads in the background while the first level does, so that the intro
    // does not wait for it; not before the GL driver is in, which needs the loader too.
    d3d8::WhenDriverLoaded(dshow::PrefetchMovieModule);
    return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, 1);
}
