// The demonstration application end to end under the offscreen driver and the gl backend, driven
// by a script: go/stop, single step, full screen and back, the device dialog from F2 and from the
// menu strip, exit; captured frames show the clear colour.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "png_image.h"

namespace {

namespace fs = std::filesystem;

using testpng::Image;
using testpng::ReadPng;

// The whole image is one colour.
bool Uniform(const Image& image) {
    for (int y = 0; y < image.nHeight; ++y)
        for (int x = 0; x < image.nWidth; ++x)
            if (image.Pixel(x, y) != image.Pixel(0, 0)) return false;
    return true;
}

class DemoRun : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("fwdemo" + std::to_string(::getpid()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    // Runs the demo with the script; returns its exit code and fills the output.
    int Run(const std::string& script, std::string* output) {
        std::ofstream(folder_ / "run.script") << script;
        std::string command = "cd '" + folder_.string() +
                              "' && env -u ABISALIA_D3D_BACKEND SDL_VIDEODRIVER=offscreen " +
                              "ABISALIA_FIXED_STEP=0.02 ABISALIA_SCRIPT=run.script '" ABISALIA_DEMO_PATH "' 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return -1;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe)) *output += buffer;
        int status = pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    fs::path folder_;
};

TEST_F(DemoRun, CommandsDialogAndExit) {
    std::string output;
    const std::string script =
        "10 capture a.png\n"
        "12 press enter\n"  // stop
        "20 capture b.png\n"
        "30 capture c.png\n"
        "40 press space\n"  // one step of 0.1 s
        "50 capture d.png\n"
        "60 press enter\n"                                  // go
        "70 key-down alt\n+1 press enter\n+2 key-up alt\n"  // full screen
        "90 capture e.png\n"
        "100 key-down alt\n+1 press enter\n+2 key-up alt\n"  // back to the window
        "120 capture f.png\n"
        "130 press f2\n"
        "140 capture g.png\n"
        "150 press escape\n"                      // closes the dialog
        "160 mouse-move 20 -10\n+1 click left\n"  // the File menu on the strip
        "+10 press c\n"                           // "&Change device..."
        "+10 capture h.png\n"
        "+10 press escape\n"
        "+10 press escape\n";  // exit
    ASSERT_EQ(Run(script, &output), 0) << output;

    Image a = ReadPng(folder_ / "a.png"), b = ReadPng(folder_ / "b.png"), c = ReadPng(folder_ / "c.png");
    Image d = ReadPng(folder_ / "d.png"), f = ReadPng(folder_ / "f.png");
    ASSERT_EQ(a.nWidth, 400) << output;
    ASSERT_EQ(a.nHeight, 300);
    for (const auto& [name, image] : {std::pair{"a", &a}, {"b", &b}, {"c", &c}, {"d", &d}, {"f", &f}}) {
        EXPECT_TRUE(Uniform(*image)) << name << ": the whole client area is the clear colour";
        EXPECT_NE(image->Pixel(0, 0), 0xFFFFFFu) << name << ": not the empty window";
    }
    EXPECT_NE(a.Pixel(0, 0), b.Pixel(0, 0)) << "the colour moves with the clock";
    EXPECT_EQ(b.Pixel(0, 0), c.Pixel(0, 0)) << "stopped";
    EXPECT_NE(c.Pixel(0, 0), d.Pixel(0, 0)) << "a single step moves it once";

    Image e = ReadPng(folder_ / "e.png");
    EXPECT_TRUE(Uniform(e));
    EXPECT_NE(output.find("fullscreen"), std::string::npos) << output;
    EXPECT_EQ(f.nWidth, 400) << "back in the window at its size";

    // The dialog over the last frame, from F2 and from the menu.
    for (const char* name : {"g.png", "h.png"}) {
        Image g = ReadPng(folder_ / name);
        ASSERT_EQ(g.nWidth, 400) << name;
        EXPECT_FALSE(Uniform(g)) << name;
        EXPECT_EQ(g.Pixel(200, 150), 0xF0F0F0u) << name << ": the dialog's face";
    }
    EXPECT_NE(output.find("shutdown"), std::string::npos);
}

TEST_F(DemoRun, ThousandFramesAndExit) {
    std::string output;
    ASSERT_EQ(Run("1000 press escape\n", &output), 0) << output;
    EXPECT_NE(output.find("shutdown frames="), std::string::npos) << output;
}

}  // namespace
