// The short videos, drawn frame by frame.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "image.h"
#include "videoencode.h"

namespace mediagen {

constexpr int kVideoWidth = 320;
constexpr int kVideoHeight = 240;
constexpr int kVideoFps = 25;

inline void EncodeVideo(const std::filesystem::path& path, int frameCount, const std::function<Image(int)>& drawFrame) {
    EncodeVideo(path, kVideoWidth, kVideoHeight, kVideoFps, frameCount, drawFrame);
}

struct Palette {
    Rgb top, bottom;
};
// The level's intro: its number, name and goal over a scene of fish, bubbles and light.
Image IntroFrame(int frame, int frameCount, int level, const std::string& name, const std::string& goal,
                 const Palette& palette);
Image CatchFrame(int frame, int frameCount, const Palette& palette);
Image DrownFrame(int frame, int frameCount, const Palette& palette);

}  // namespace mediagen
