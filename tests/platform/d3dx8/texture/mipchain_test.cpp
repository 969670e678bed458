// The mip chain's halving against the general resampler it stands in for.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "d3dx8/d3dx8.h"
#include "d3dx8/image/imagedecode.h"
#include "d3dx8/mipchain.h"

namespace {

using d3dx::ImageLevel;

// Every level of a full chain below `top`, built by NextMipLevel and by Resample alike; returns
// the number of levels compared.
int ExpectChainsAgree(const ImageLevel& top, DWORD filter, const std::string& what) {
    ImageLevel fast = top, general = top, next;
    int levels = 0;
    while (fast.width > 1 || fast.height > 1) {
        const UINT w = std::max(1u, fast.width / 2), h = std::max(1u, fast.height / 2);
        d3dx::NextMipLevel(fast, w, h, filter, &next);
        std::swap(fast, next);
        general = d3dx::Resample(general, w, h, filter);
        ++levels;
        EXPECT_EQ(fast.width, w);
        EXPECT_EQ(fast.height, h);
        EXPECT_EQ(fast.texels, general.texels) << what << " at " << w << " x " << h;
        if (fast.texels != general.texels) break;
    }
    return levels;
}

ImageLevel Noise(UINT w, UINT h, unsigned seed) {
    std::mt19937 random(seed);
    ImageLevel level{w, h, std::vector<DWORD>(std::size_t{w} * h)};
    // Mostly extremes and neighbours, where rounding of halves shows.
    const DWORD pick[] = {0x00, 0x01, 0x02, 0x7F, 0x80, 0x81, 0xFE, 0xFF};
    for (DWORD& t : level.texels) {
        t = 0;
        for (int c = 0; c < 4; ++c) t |= (random() % 3 ? pick[random() % 8] : random() % 256) << (8 * c);
    }
    return level;
}

TEST(MipChain, HalvingGivesTheResamplersTexels) {
    struct Case {
        UINT w, h;
        DWORD filter;
    } cases[] = {
        {16, 16, D3DX_FILTER_BOX},  {64, 8, D3DX_FILTER_BOX},      {8, 64, D3DX_FILTER_LINEAR},
        {32, 1, D3DX_FILTER_BOX},   {1, 32, D3DX_FILTER_TRIANGLE}, {2, 2, D3DX_FILTER_BOX},
        {12, 6, D3DX_FILTER_BOX},   {7, 5, D3DX_FILTER_BOX},       {16, 16, D3DX_FILTER_POINT},
        {6, 10, D3DX_FILTER_POINT}, {16, 8, D3DX_FILTER_NONE},     {16, 16, D3DX_FILTER_BOX | D3DX_FILTER_DITHER},
    };
    for (const Case& c : cases) {
        const std::string what =
            std::to_string(c.w) + " x " + std::to_string(c.h) + " filter " + std::to_string(c.filter);
        EXPECT_GT(ExpectChainsAgree(Noise(c.w, c.h, c.w * 131 + c.h), c.filter, what), 0) << what;
    }
}

TEST(MipChain, HalvingRoundsHalvesUp) {
    // Each pair's half rounds up, then the two rows' half: 1 and 2 give 2; 0 over 1 gives 1.
    ImageLevel level{2, 2, {0x01010100, 0x02020200, 0x01010101, 0x02020301}};
    ImageLevel next;
    d3dx::NextMipLevel(level, 1, 1, D3DX_FILTER_BOX, &next);
    ASSERT_EQ(next.texels.size(), 1u);
    EXPECT_EQ(next.texels[0], 0x02020201u);
}

TEST(MipChain, GeneratedMediaChainsAsBefore) {
    int images = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(ABISALIA_MEDIA_DIR)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".bmp" && ext != ".tga" && ext != ".png" && ext != ".jpg") continue;
        d3dx::DecodedImage image;
        if (FAILED(d3dx::DecodeImageFile(entry.path().c_str(), &image))) continue;
        ImageLevel top{image.width, image.height, image.texels};
        ExpectChainsAgree(top, D3DX_FILTER_BOX, entry.path().filename().string());
        ++images;
    }
    EXPECT_GT(images, 10);
}

}  // namespace
