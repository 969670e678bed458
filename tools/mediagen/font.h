// A tiny 5 x 7 bitmap font for the video titles (capitals, digits and a little punctuation;
// lower case is drawn as capitals).
#pragma once

#include <string_view>

#include "image.h"

namespace mediagen {

int TextWidth(std::string_view text, int scale);
// Draws text with its top-left corner at (x, y); each font pixel is scale x scale image pixels.
void DrawText(Image& image, std::string_view text, int x, int y, int scale, Rgb colour);

}  // namespace mediagen
