// Program entry: the platform's start-up hands over to the game's WinMain.
#include "d3d8/direct3d.h"
#include "dshow/moviemodule.h"
#include "framework/sysutil.h"
#include "game/gameapp.h"
#include "resources/programtables.h"
#include "win32/fileio.h"

int main() {
    // Level folders come from anyone: what their files name is read only from the folder the game
    // starts in and the media folder, wherever the names or links inside them point.
    win32::SetFileRoots({".", sysFixedMediaDir()});
    res::Install(res::ProgramTables());
    // The movie decoder loads in the background while the first level does, so that the intro
    // does not wait for it; not before the GL driver is in, which needs the loader too.
    d3d8::WhenGlDriverLoaded(dshow::PrefetchMovieModule);
    return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, 1);
}
