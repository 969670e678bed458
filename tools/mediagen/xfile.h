// Text X files (format 0302, 32-bit floats) holding one mesh with normals, texture
// coordinates and a material list.
#pragma once

#include <filesystem>
#include <string>

#include "mesh.h"

namespace mediagen {

std::string XFileText(const Mesh& mesh);
void WriteXFile(const std::filesystem::path& path, const Mesh& mesh);

}  // namespace mediagen
