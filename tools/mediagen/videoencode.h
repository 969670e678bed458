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

// Other containers and codecs, for the tests' clips: any size the codec takes (FFV1 and MJPEG take
// odd ones), B-frames where the codec has them.
struct VideoFormat {
    const char* container = "avi";  // an FFmpeg muxer name
    const char* codec = "mpeg4";    // an FFmpeg encoder name
    int pixelFormat = 0;            // an AVPixelFormat; 0 (YUV 4:2:0) unless the codec needs another
    int bFrames = 0;
};
void EncodeVideo(const std::filesystem::path& path, int width, int height, int fps, int frameCount,
                 const std::function<Image(int)>& drawFrame, const VideoFormat& format);

}  // namespace mediagen
