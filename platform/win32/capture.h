// Frame captures for scripted runs: the presented picture written as a PNG.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace win32::detail::capture {

// Writes rows of RGB pixels, top row first. False (with a message on stderr) on failure.
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb);

// Reads the current read framebuffer's rectangle (GL coordinates, origin bottom left) and writes
// it as a PNG, top row first.
bool CaptureFramebuffer(const std::string& path, int x, int y, int width, int height);

}  // namespace win32::detail::capture
