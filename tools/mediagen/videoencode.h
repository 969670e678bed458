// Frames encoded as MPEG-4 part 2 in AVI, single-threaded and bit-exact so every run writes the
// same bytes. Used for the game's videos and for the clips the tests make.
#pragma once

#include <filesystem>
#include <functional>

#include "image.h"

namespace mediagen {

// Every frame drawn must be width x height (both even).
void EncodeVideo(const std::filesystem::path& path, int width, int height, int fps, int frameCount,
                 const std::function<Image(int)>& drawFrame);

}  // namespace mediagen
