// Program entry: the platform's start-up hands over to the game's WinMain.
#include "d3d8/direct3d.h"
#include "dshow/moviemodule.h"
#include "game/gameapp.h"
#include "resources/programtables.h"

int main() {
    res::Install(res::ProgramTables());
    // The movie decoder loads in the background while the first level does, so that the intro
    // does not wait for it; not before the GL driver is in, which needs the loader too.
    d3d8::WhenDriverLoaded(dshow::PrefetchMovieModule);
    return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, 1);
}
