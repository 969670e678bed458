// The level files "nivel.plt" and "ladrillos.plt" (the input holds both, split at its first NUL
// byte), read by the application as at start-up.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "d3d8/backend.h"
#include "fuzz.h"
#include "game/gameapp.h"

namespace {

std::filesystem::path ScratchFolder() {
    static const std::filesystem::path folder = [] {
        auto p = std::filesystem::temp_directory_path() / ("abisalia-fuzz-level-" + std::to_string(::getpid()));
        std::filesystem::create_directories(p / "nivel1");
        std::filesystem::current_path(p);
        std::freopen("/dev/null", "w", stderr);  // every refusal is traced
        d3d8::SetBackendOverride(d3d8::BackendKind::Record);
        return p;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path folder = ScratchFolder();
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    std::ofstream(folder / "nivel1" / "nivel.plt", std::ios::binary) << input.substr(0, split);
    std::ofstream(folder / "nivel1" / "ladrillos.plt", std::ios::binary)
        << (split == std::string::npos ? std::string() : input.substr(split + 1));
    gameResetProgramState();
    { CGameApp app; }
    return 0;
}
