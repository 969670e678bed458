// The level files, read by the application as at start-up: the input holds "nivel.plt",
// "ladrillos.plt", "peces.plt", "ladrillosmv.plt", "guibarca.plt" and "mar.plt" in this order,
// separated by NUL bytes (a file left out is missing).
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "d3d8/backend.h"
#include "fuzz.h"
#include "game/gameapp.h"

namespace {

std::filesystem::path ScratchFolder() {
    static const std::filesystem::path folder = [] {
        const auto p = fuzz::ScratchFolder("level");
        std::filesystem::create_directories(p / "nivel1");
        std::filesystem::current_path(p);
        fuzz::QuietTraces();
        d3d8::SetBackendOverride(d3d8::BackendKind::Record);
        return p;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path folder = ScratchFolder();
    static const char* const kFiles[] = {"nivel.plt",       "ladrillos.plt", "peces.plt",
                                         "ladrillosmv.plt", "guibarca.plt",  "mar.plt"};
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    for (const char* name : kFiles) {
        const std::filesystem::path path = folder / "nivel1" / name;
        if (start > input.size()) {
            std::filesystem::remove(path);
            continue;
        }
        const std::size_t end = std::min(input.find('\0', start), input.size());
        std::ofstream(path, std::ios::binary) << input.substr(start, end - start);
        start = end + 1;
    }
    gameResetProgramState();
    { CGameApp app; }
    return 0;
}
