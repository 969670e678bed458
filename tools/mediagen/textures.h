// Every texture image. All are opaque (the game's alpha test drops texels below 0x99) and
// have power-of-two sizes; the ones a surface repeats tile seamlessly.
#pragma once

#include <string>

#include "heightmap.h"
#include "common.h"
#include "image.h"

namespace mediagen {

Image SeaFloorTexture(int size);  // sand, tiles
Image SeaTexture();               // "mar.bmp", tiles
Image AirBarTexture();            // ramp along the diagonal: full air near (0,0), empty near (1,1)
Image AirSpareTexture();
Image GaugeFrameTexture();
Image GaugeFillTexture();
// Caustic frame k of 32: bright ripple lines on black, tiling in space and looping in time.
Image CausticFrame(int frame);

Image RockTexture(uint32_t seed, Rgb base, Rgb tint);
Image KelpTexture();
Image AnemoneTexture(Rgb body, Rgb tips);

enum class FishPattern { Bands, Blotches, GoldBrow, Stripes, Bright };
Image FishTexture(FishPattern pattern, Rgb back, Rgb belly, Rgb mark);

Image DiverTexture();
Image SpearTexture();
Image BoatTexture();

struct SkyStyle {
    Rgb zenith, horizon, sea;
    Vec3 sun;      // direction towards the sun
    float clouds;  // 0 clear to 1 overcast
};
Image SkyTexture(int face, const SkyStyle& style);

Image ChartTexture(const HeightMap& map);
Image SolidTexture(Rgb c, Rgb edge);  // a small flat-coloured marker with a darker rim
Image SounderTexture();

}  // namespace mediagen
