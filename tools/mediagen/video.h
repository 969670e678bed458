// The short videos, drawn frame by frame.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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
// What a level's intro says: its goal, the lines under it, and the fish the goal names, if any,
// drawn large in its own colours.
struct IntroCard {
    int level;
    std::string name, goal;
    std::vector<std::string> rules;
    struct Fish {
        std::string label;
        Rgb back, belly, mark;
    };
    std::optional<Fish> target;
};
// The level's intro: its number, name and goal over a scene of fish, bubbles and light, and how
// the spear aims: at the middle of the screen.
Image IntroFrame(int frame, int frameCount, const IntroCard& card, const Palette& palette);
Image CatchFrame(int frame, int frameCount, const Palette& palette);
Image DrownFrame(int frame, int frameCount, const Palette& palette);

}  // namespace mediagen
