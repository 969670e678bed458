// "height.raw" as the sea floor reads it. The input's first three bytes (little-endian) give the
// file's length, up to 4,000,000 bytes; the rest is a pattern repeated to that length (zeros when
// it is empty), so that short, exact and long maps all come from small inputs. The sea floor reads
// the file, then the patch builders run at the map's corners, past its edges and where the
// pattern says.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "fuzz.h"
#include "game/terrain.h"

namespace {

constexpr std::size_t kMapBytes = std::size_t{kMapColumns} * kMapRows;
constexpr std::size_t kLongestFile = 2 * kMapBytes;

void SetUpOnce() {
    static const bool done = [] {
        fuzz::QuietTraces();
        const auto folder = fuzz::ScratchFolder("heightmap");
        std::filesystem::current_path(folder);
        return true;
    }();
    (void)done;
}

bool Finite(const float* pf, int n) {
    return std::all_of(pf, pf + n, [](float f) { return std::isfinite(f); });
}

void BuildPatchesAt(const unsigned char* pMap, int i, int j) {
    float afDetailed[25], afCoarse[9];
    BuildDetailedHeights(pMap, i, j, afDetailed);
    BuildCoarseHeights(pMap, i, j, afCoarse);
    if (!Finite(afDetailed, 25) || !Finite(afCoarse, 9)) std::abort();
    static const int kCoarseInDetailed[9] = {0, 2, 4, 10, 12, 14, 20, 22, 24};
    for (int k = 0; k < 9; ++k)
        if (afCoarse[k] != afDetailed[kCoarseInDetailed[k]]) std::abort();
    D3DXVECTOR3 avDetailed[25], avCoarse[9];
    BuildDetailedNormals(pMap, i, j, avDetailed);
    BuildCoarseNormals(pMap, i, j, avCoarse);
    for (const D3DXVECTOR3& v : avDetailed)
        if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) std::abort();
    for (const D3DXVECTOR3& v : avCoarse)
        if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SetUpOnce();
    if (size < 3) return 0;
    const std::size_t length = std::min<std::size_t>(data[0] | data[1] << 8 | data[2] << 16, kLongestFile);
    const std::uint8_t* pattern = data + 3;
    const std::size_t patternSize = size - 3;
    std::vector<char> file(length, 0);
    if (patternSize)
        for (std::size_t k = 0; k < length; ++k) file[k] = static_cast<char>(pattern[k % patternSize]);
    std::ofstream("height.raw", std::ios::binary | std::ios::trunc).write(file.data(), std::streamsize(length));

    CTerrain terrain;
    terrain.Reset(D3DXVECTOR3(0, 0, 0));
    const unsigned char* pMap = terrain.m_pHeightMap;
    if (!pMap) std::abort();
    // The map holds the file's bytes as far as they reach, zeros after; nothing past its end is read.
    const std::size_t nRead = std::min(length, kMapBytes);
    if (!std::equal(file.begin(), file.begin() + std::ptrdiff_t(nRead), reinterpret_cast<const char*>(pMap)) ||
        std::any_of(pMap + nRead, pMap + kMapBytes, [](unsigned char b) { return b != 0; }))
        std::abort();

    std::vector<std::pair<int, int>> places = {
        {0, 0},   {kMapColumns - 1, kMapRows - 1}, {kMapColumns - 2, 0}, {0, kMapRows - 2},
        {-1, -1}, {kMapColumns, kMapRows},         {-1000000, 500},      {1000, 1000000}};
    for (std::size_t k = 0; k + 4 <= std::min<std::size_t>(patternSize, 64); k += 4) {
        const auto i = static_cast<std::int16_t>(pattern[k] | pattern[k + 1] << 8);
        const auto j = static_cast<std::int16_t>(pattern[k + 2] | pattern[k + 3] << 8);
        places.emplace_back(i, j);
    }
    for (const auto& [i, j] : places) BuildPatchesAt(pMap, i, j);
    terrain.FreeData();
    return 0;
}
