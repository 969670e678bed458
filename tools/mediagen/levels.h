// The three levels: their designs and every file of their folders.
#pragma once

#include <filesystem>

#include "heightmap.h"

namespace mediagen {

// Writes nivel1/ to nivel3/ under `root`, and the sky textures their sky boxes name into
// `root` itself (texture names in X files are looked up from the current folder).
void WriteLevels(const std::filesystem::path& root, const HeightMap& map);

}  // namespace mediagen
