// The real program on the gl backend (llvmpipe) in a copy of the generated media folder, driven by
// a scripted run: what the first level's underwater frame shows.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Image {
    int nWidth = 0, nHeight = 0;
    std::vector<unsigned char> rgb;
    const unsigned char* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * nWidth + x) * 3]; }
};

Image ReadPng(const fs::path& path) {
    Image image;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return image;
    png.format = PNG_FORMAT_RGB;
    image.rgb.resize(PNG_IMAGE_SIZE(png));
    if (png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr)) {
        image.nWidth = static_cast<int>(png.width);
        image.nHeight = static_cast<int>(png.height);
    }
    return image;
}

int Distance(const unsigned char* a, const unsigned char* b) {
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
}

class PixelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("abisalia-pixels-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        // The generated settings ask for full screen at 1024 x 768.
        fs::copy(ABISALIA_MEDIA_DIR, folder_, fs::copy_options::recursive);
    }
    void TearDown() override { fs::remove_all(folder_); }

    int Run(const std::string& strScript) {
        std::ofstream(folder_ / "run.script") << strScript;
        const std::string strCommand = "cd '" + folder_.string() +
                                       "' && SDL_VIDEODRIVER=offscreen ABISALIA_FIXED_STEP=0.02 "
                                       "ABISALIA_SCRIPT=run.script '" ABISALIA_GAME_PATH "' > run.log 2>&1";
        return std::system(strCommand.c_str());
    }
    fs::path folder_;
};

TEST_F(PixelsTest, FirstLevelUnderWater) {
    ASSERT_EQ(Run("40 capture a.png\n+13 capture b.png\n+3 end\n"), 0);
    const Image a = ReadPng(folder_ / "a.png"), b = ReadPng(folder_ / "b.png");
    ASSERT_GT(a.nWidth, 0) << "no frame captured";
    ASSERT_EQ(a.nWidth, 1024) << "full screen at the settings file's size";
    ASSERT_EQ(a.nHeight, 768);
    ASSERT_EQ(a.nWidth, b.nWidth);
    const unsigned char kWater[3] = {30, 90, 110};  // the first level's water colour

    // The picture is not one flat colour, and far away it is the water's.
    int nDiffer = 0, nWaterLike = 0, nTotal = 0;
    for (int y = 0; y < a.nHeight; y += 4)
        for (int x = 0; x < a.nWidth; x += 4) {
            nDiffer += Distance(a.At(x, y), a.At(0, a.nHeight / 2)) > 30;
            ++nTotal;
        }
    // The start pose looks down at the floor: far away is the top edge, right of the statistics line.
    int nFar = 0;
    for (int y = 0; y < 6; ++y)
        for (int x = 300; x < 780; x += 2, ++nFar) nWaterLike += Distance(a.At(x, y), kWater) < 60;
    EXPECT_GT(nDiffer, nTotal / 20);
    EXPECT_GT(nWaterLike, nFar / 2) << "the water colour dominates far away";

    // The pillar ahead of the start stands near the centre, dark against the lit floor.
    int nRock = 0;
    for (int y = a.nHeight / 10; y < a.nHeight / 3; ++y)
        for (int x = a.nWidth * 9 / 20; x < a.nWidth * 11 / 20; ++x) {
            const unsigned char* p = a.At(x, y);
            nRock += p[0] + p[1] + p[2] < 200;
        }
    EXPECT_GT(nRock, (a.nHeight * 7 / 30) * (a.nWidth / 10) / 2);

    // The caustics move between the two captures.
    int nMoved = 0;
    for (int y = 0; y < a.nHeight; ++y)
        for (int x = 0; x < a.nWidth; ++x) nMoved += Distance(a.At(x, y), b.At(x, y)) > 6;
    EXPECT_GT(nMoved, 200);

    // The statistics line in yellow at the top left, and nowhere below it on the left.
    int nYellowTop = 0, nYellowMiddle = 0;
    auto yellow = [](const unsigned char* p) { return p[0] > 180 && p[1] > 180 && p[2] < 90; };
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 150; ++x) nYellowTop += yellow(a.At(x, y));
    for (int y = 60; y < 120; ++y)
        for (int x = 0; x < 150; ++x) nYellowMiddle += yellow(a.At(x, y));
    EXPECT_GT(nYellowTop, 40);
    EXPECT_EQ(nYellowMiddle, 0);

    // The bottom line: the message line on the left, "Peces :0" and the air bar's "AIRE" further right.
    int nYellowMessage = 0, nYellowCount = 0;
    for (int y = 730; y < 752; ++y) {
        for (int x = 100; x < 260; ++x) nYellowMessage += yellow(a.At(x, y));
        for (int x = 610; x < 680; ++x) nYellowCount += yellow(a.At(x, y));
    }
    EXPECT_GT(nYellowMessage, 40);
    EXPECT_GT(nYellowCount, 20);
}

}  // namespace
