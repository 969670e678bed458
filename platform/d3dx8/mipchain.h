// Image levels between decoding and packing: the resampler that fits an image to the texture and
// the halving that builds each mip level from the one above.
#pragma once

#include <cstddef>
#include <vector>

#include "win32/wintypes.h"

namespace d3dx {

// One image level as 0xAARRGGBB texels, row 0 at the top.
struct ImageLevel {
    UINT width = 0, height = 0;
    std::vector<DWORD> texels;
    DWORD At(UINT x, UINT y) const { return texels[std::size_t{y} * width + x]; }
};

// Resampling to a new size. NONE copies the overlap and leaves the rest transparent black;
// POINT takes the nearest texel; every other filter samples bilinearly at texel centres.
ImageLevel Resample(const ImageLevel& src, UINT width, UINT height, DWORD filter);

// The next mip level of `src` at width x height into `out` (whose storage is reused). Where each
// side is halved or stays 1, a linear filter is the rounded 2 x 2 (or 2 x 1) average computed in
// integers, texel for texel what Resample gives; every other case goes through Resample.
void NextMipLevel(const ImageLevel& src, UINT width, UINT height, DWORD mipFilter, ImageLevel* out);

}  // namespace d3dx
