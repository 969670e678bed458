// Decompression bombs against the texture loader: refused or decoded small, within 100 MB for any
// file under 64 KB, while a large real picture still loads at its size.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "../../d3d8/record_fixture.h"
#include "../image/imagefixtures.h"
#include "d3dx8/d3dx8.h"
#include "d3dx8/image/imagedecode.h"
#include "measured_child.h"
#include "scratch_file.h"

namespace {

using fixtures::Bytes;

std::string Write(const std::string& name, const Bytes& bytes) {
    const auto path = testscratch::Path("budget-" + name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path.string();
}

// What a load gave, sent back from the child that ran it.
struct Outcome {
    HRESULT result = E_FAIL;
    UINT width = 0, height = 0;
};

// Runs `load` in a forked child whose high-water mark starts at what it holds, and returns its
// outcome with the peak resident memory it added (-1 where that cannot be measured: sanitizer
// shadow memory and quarantine swamp it, so there the load runs here, unmeasured).
Outcome RunMeasured(const std::function<Outcome()>& load, long* peakMb) {
    *peakMb = -1;
    if (measured::kSanitized) return load();
    const measured::Child<Outcome> child = measured::RunInChild(load);
    if (!child.reported) return Outcome{};
    *peakMb = child.peakMb;
    return child.value;
}

Bytes FlatPng(unsigned w, unsigned h) {
    fixtures::PngSpec s;
    s.width = w;
    s.height = h;
    s.colourType = PNG_COLOR_TYPE_GRAY;
    s.bitDepth = 1;
    s.rows.assign(std::size_t{(w + 7) / 8} * h, 0);
    return fixtures::MakePng(s);
}

// Runs of 255 texels of index 1 across every row, then the end of the bitmap.
Bytes Rle8Bomb(LONG w, LONG h) {
    Bytes runs;
    for (LONG y = 0; y < h; ++y) {
        for (LONG x = 0; x < w; x += 255) runs.insert(runs.end(), {BYTE(std::min<LONG>(255, w - x)), 1});
        runs.insert(runs.end(), {0, 0});
    }
    runs.insert(runs.end(), {0, 1});
    return fixtures::MakeBmp(
        {.width = w, .height = h, .bpp = 8, .compression = 1, .palette = {0, 0xFFFFFF}, .pixels = runs});
}

// Grey run-length TGA: 128-texel packets of one value.
Bytes RleTga(unsigned w, unsigned h) {
    fixtures::TgaSpec s{.type = 11, .width = w, .height = h, .depth = 8};
    for (std::size_t n = std::size_t{w} * h; n > 0; n -= std::min<std::size_t>(n, 128))
        s.pixels.insert(s.pixels.end(), {BYTE(0x80 | (std::min<std::size_t>(n, 128) - 1)), 0x40});
    return fixtures::MakeTga(s);
}

class TextureBudgetTest : public d3d8test::RecordTest {
protected:
    void SetUp() override {
        RecordTest::SetUp();
        // The gl device's limit; the record device's own is 2048.
        D3DCAPS8 caps{};
        d3d_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps);
        caps.MaxTextureWidth = caps.MaxTextureHeight = 4096;
        script_->adapters[0].halCaps = caps;
        d3d8::SetRecordScenario(script_);
        d3d_->Release();
        d3d_ = Direct3DCreate8(D3D_SDK_VERSION);
        CreateDevice();
    }
    HRESULT Load(const std::string& path, IDirect3DTexture8** t, D3DXIMAGE_INFO* info = nullptr) {
        return D3DXCreateTextureFromFileExA(dev_, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                            D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR,
                                            D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR, 0, info, nullptr, t);
    }
};

TEST_F(TextureBudgetTest, SmallFilesDescribingHugeImagesAreRefusedOrDecodedSmallWithinTheBudget) {
    Bytes flatJpeg = fixtures::MakeJpeg(4096, 4096, 1, Bytes(std::size_t{4096} * 4096, 0x80), 50);
    struct Case {
        const char* name;
        Bytes file;
        HRESULT result;
        UINT width, height;  // of the texture made, when one is
        std::size_t under;   // bytes the file stays below
        bool floorOnly;      // far past the per-byte rule: only the floor of the budget matters
    } cases[] = {
        {"1-bit PNG of 16384 x 4096", FlatPng(16384, 4096), E_OUTOFMEMORY, 0, 0, 65536},
        {"flat 1-bit PNG of 4096 x 4096", FlatPng(4096, 4096), E_OUTOFMEMORY, 0, 0, 65536},
        {"RLE8 BMP of 4096 x 1536", Rle8Bomb(4096, 1536), E_OUTOFMEMORY, 0, 0, 65536},
        {"RLE TGA of 4096 x 1000, at the budget", RleTga(4096, 1000), D3D_OK, 4096, 1000, 65536},
        // Far past 64 texels a byte: only the floor of 2^22 texels admits the first, and the
        // second is one row past it.
        {"flat 1-bit PNG of 2048 x 2048, at the floor", FlatPng(2048, 2048), D3D_OK, 2048, 2048, 4096, true},
        {"flat 1-bit PNG of 2048 x 2049, past the floor", FlatPng(2048, 2049), E_OUTOFMEMORY, 0, 0, 4096, true},
        // About 200 KB: a JPEG cannot be made smaller at this size.
        {"flat JPEG of 4096 x 4096 decodes at half size", flatJpeg, D3D_OK, 2048, 2048, 262144},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_LT(c.file.size(), c.under);
        if (c.floorOnly) {
            ASSERT_LT(d3dx::kImageTexelsPerFileByte * c.file.size(), 2048u * 2048)
                << "the per-byte rule alone refuses it";
        }
        const std::string path = Write("bomb", c.file);
        long peakMb = -1;
        const Outcome outcome = RunMeasured(
            [&] {
                IDirect3DTexture8* t = reinterpret_cast<IDirect3DTexture8*>(0x1);
                Outcome o;
                o.result = Load(path, &t);
                if (SUCCEEDED(o.result)) {
                    D3DSURFACE_DESC d{};
                    t->GetLevelDesc(0, &d);
                    o.width = d.Width;
                    o.height = d.Height;
                    t->Release();
                } else if (t != nullptr) {
                    o.result = E_UNEXPECTED;  // a failure must leave no texture
                }
                return o;
            },
            &peakMb);
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(outcome.width, c.width);
        EXPECT_EQ(outcome.height, c.height);
        std::printf("%s: %zu bytes, peak %ld MB\n", c.name, c.file.size(), peakMb);
        if (peakMb >= 0) {
            EXPECT_LT(peakMb, 100);
        }
    }
}

TEST_F(TextureBudgetTest, ALargeNoisyPictureLoadsAtItsSize) {
    std::mt19937 random(7);
    Bytes samples(std::size_t{4096} * 4096 * 3);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = BYTE((i / 3 % 4096) / 16 + random() % 64);
    const Bytes jpeg = fixtures::MakeJpeg(4096, 4096, 3, samples, 85);
    ASSERT_GT(jpeg.size(), 65536u);
    const std::string path = Write("noisy.jpg", jpeg);
    IDirect3DTexture8* t = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(Load(path, &t, &info), D3D_OK);
    EXPECT_EQ(info.Width, 4096u);
    EXPECT_EQ(info.Height, 4096u);
    D3DSURFACE_DESC d{};
    t->GetLevelDesc(0, &d);
    EXPECT_EQ(d.Width, 4096u);
    EXPECT_EQ(d.Height, 4096u);
    EXPECT_EQ(t->GetLevelCount(), 13u);
    EXPECT_EQ(t->Release(), 0u);
}

TEST_F(TextureBudgetTest, ARefusalSaysWhy) {
    const std::string path = Write("wide.png", FlatPng(16384, 4096));
    IDirect3DTexture8* t = nullptr;
    testing::internal::CaptureStderr();
    EXPECT_EQ(Load(path, &t), E_OUTOFMEMORY);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(path + ": texture refused: the image is 16384 x 4096, larger than the 4096"), std::string::npos)
        << said;
}

}  // namespace
