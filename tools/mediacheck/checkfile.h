// Loads one media file through the game's own loaders (X-file meshes, texture images, vertex
// shaders) and describes what they made of it.
#pragma once

#include <string>

namespace mediacheck {

struct FileReport {
    bool loaded = false;
    std::string text;  // what was found, or the loader's error message
};

// Picks the loader by the file's extension (.x, .bmp/.tga/.png/.jpg/.jpeg, .vsh).
FileReport CheckMediaFile(const std::string& path);

}  // namespace mediacheck
