// Reading back the generated media folder the way the game will look at it: names with
// backslashes resolved case-insensitively, text X files, level files and image headers.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace mediacheck {

namespace fs = std::filesystem;

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

// Finds a game file name ("nivel1\peces.plt") under root: '\' becomes '/', and a component
// that does not exist as written is matched case-insensitively.
std::optional<fs::path> Resolve(const fs::path& root, const std::string& name);

struct XMesh {
    std::vector<Vec3> positions;
    std::vector<std::array<int, 3>> faces;
    std::vector<std::array<float, 2>> uvs;
    int materialCount = 0;
    std::vector<int> faceMaterials;
    std::vector<std::string> textures;  // TextureFilename of each material, "" when none
};
// Reads a text X file holding one mesh; nullopt (with a reason) when it does not parse.
std::optional<XMesh> ReadXFile(const fs::path& path, std::string& error);

// Checks a closed mesh: every edge is shared by exactly two faces running it in opposite
// directions (vertices matched by position). Returns "" or what is wrong.
std::string CheckClosed(const XMesh& mesh);
// Six times the enclosed volume with face normals (v1 - v0) x (v2 - v0): positive when the faces
// point out.
double SignedVolume(const XMesh& mesh);
std::array<Vec3, 2> Bounds(const XMesh& mesh);

// Whitespace-separated tokens of a level file.
std::vector<std::string> Tokens(const fs::path& path);

struct ImageInfo {
    int width = 0, height = 0, bits = 0;
};
// 24-bit BMP or 24/32-bit uncompressed TGA header; nullopt when it is neither.
std::optional<ImageInfo> ReadImageInfo(const fs::path& path);

// The game's own loaders (meshes, textures, shaders): loads the file through them and returns ""
// or the loader's failure.
bool GameLoadersAvailable();
std::string LoadWithGameLoaders(const fs::path& file);

}  // namespace mediacheck
