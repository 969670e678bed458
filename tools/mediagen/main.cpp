// Writes the whole media folder the game starts in: mediagen <media folder> [<hand-written media>]
#include <cstdio>
#include <exception>
#include <filesystem>

#include "heightmap.h"
#include "levels.h"
#include "models.h"
#include "textures.h"
#include "xfile.h"

namespace fs = std::filesystem;
using namespace mediagen;

namespace {

void WriteShared(const fs::path& root, const HeightMap& map) {
    WriteFileBytes(root / "height.raw", map.Bytes().data(), map.Bytes().size());
    WriteBmp24(root / "seafloor64.bmp", SeaFloorTexture(128));
    WriteBmp24(root / "seafloor32.bmp", SeaFloorTexture(64));
    WriteBmp24(root / "mar.bmp", SeaTexture());
    WriteBmp24(root / "aire1.bmp", AirBarTexture());
    WriteBmp24(root / "aire2.bmp", AirSpareTexture());
    WriteBmp24(root / "aleteo1.bmp", GaugeFrameTexture());
    WriteBmp24(root / "aleteo2.bmp", GaugeFillTexture());
    // Full screen at 1024 x 768: the mouse look works only in full screen.
    WriteTextFile(root / "configuracion.cfg", "1024 768 32 1\n");
    for (int k = 0; k < 32; ++k) WriteTga24(root / Format("Caust%02d.tga", k), CausticFrame(k));
    WriteXFile(root / "barca.x", BoatMesh());
    WriteBmp24(root / "barca.bmp", BoatTexture());
    WriteXFile(root / "arpon.x", SpearMesh());
    WriteBmp24(root / "arpon.bmp", SpearTexture());
    WriteXFile(root / "buzo.x", DiverMesh());
    WriteBmp24(root / "buzo.bmp", DiverTexture());
}

// Copies every regular file of the hand-written media folder (the vertex-shader files).
void CopyHandWritten(const fs::path& from, const fs::path& to) {
    if (from.empty() || !fs::is_directory(from)) return;
    for (const auto& entry : fs::directory_iterator(from)) {
        if (!entry.is_regular_file() || entry.path().filename().string().starts_with(".")) continue;
        fs::copy_file(entry.path(), to / entry.path().filename(), fs::copy_options::overwrite_existing);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s <media folder> [<hand-written media folder>]\n", argv[0]);
        return 2;
    }
    try {
        const fs::path root = argv[1];
        fs::create_directories(root);
        const HeightMap map;
        WriteShared(root, map);
        WriteLevels(root, map);
        CopyHandWritten(argc == 3 ? fs::path(argv[2]) : fs::path(), root);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mediagen: %s\n", e.what());
        return 1;
    }
    return 0;
}
