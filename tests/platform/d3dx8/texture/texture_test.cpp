#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "../../d3d8/record_fixture.h"
#include "../image/imagefixtures.h"
#include "d3dx8/d3dx8.h"
#include "scratch_file.h"

namespace {

using fixtures::Bytes;

std::string Write(const std::string& name, const Bytes& bytes) {
    const auto path = testscratch::Path("tex-" + name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path.string();
}

// A bottom-up 24-bit BMP of w x h from texels given top row first (0x00RRGGBB).
Bytes Bmp24(LONG w, LONG h, const std::vector<DWORD>& topDown) {
    fixtures::BmpSpec s;
    s.width = w;
    s.height = h;
    const int pad = (4 - (w * 3) % 4) % 4;
    for (LONG y = h - 1; y >= 0; --y) {
        for (LONG x = 0; x < w; ++x) {
            const DWORD c = topDown[y * w + x];
            fixtures::Append(s.pixels, {int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)});
        }
        for (int i = 0; i < pad; ++i) s.pixels.push_back(0);
    }
    return fixtures::MakeBmp(s);
}

Bytes Bmp32(LONG w, LONG h) {
    fixtures::BmpSpec s;
    s.width = w;
    s.height = h;
    s.bpp = 32;
    s.pixels.assign(w * h * 4, 0x40);
    return fixtures::MakeBmp(s);
}

Bytes PngRgba(unsigned w, unsigned h) {
    fixtures::PngSpec s;
    s.width = w;
    s.height = h;
    s.colourType = PNG_COLOR_TYPE_RGBA;
    s.rows.assign(w * h * 4, 0x80);
    return fixtures::MakePng(s);
}

class TextureTest : public d3d8test::RecordTest {
protected:
    void SetUp() override {
        RecordTest::SetUp();
        CreateDevice();
    }
    // Recreates the device with caps changed by `edit`.
    void WithCaps(const std::function<void(D3DCAPS8&)>& edit) {
        D3DCAPS8 caps{};
        d3d_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps);
        edit(caps);
        dev_->Release();
        d3d_->Release();
        script_->adapters[0].halCaps = caps;
        d3d8::SetRecordScenario(script_);
        d3d_ = Direct3DCreate8(D3D_SDK_VERSION);
        dev_ = nullptr;
        CreateDevice();
    }
    static DWORD Texel(IDirect3DTexture8* t, UINT level, UINT x, UINT y) {
        D3DLOCKED_RECT r{};
        EXPECT_EQ(t->LockRect(level, &r, nullptr, D3DLOCK_READONLY), D3D_OK);
        D3DSURFACE_DESC d{};
        t->GetLevelDesc(level, &d);
        DWORD v = 0;
        const UINT bpp = (d.Format == D3DFMT_A4R4G4B4 || d.Format == D3DFMT_R5G6B5) ? 2 : 4;
        std::memcpy(&v, static_cast<BYTE*>(r.pBits) + y * r.Pitch + x * bpp, bpp);
        t->UnlockRect(level);
        return v;
    }
};

TEST_F(TextureTest, FormatSizeAndMipChainComeFromTheFile) {
    struct Case {
        const char* what;
        Bytes file;
        D3DFORMAT format;
        UINT width, height, levels;
    } cases[] = {
        {"24-bit BMP", Bmp24(4, 2, std::vector<DWORD>(8, 0x123456)), D3DFMT_X8R8G8B8, 4, 2, 3},
        {"32-bit BI_RGB BMP", Bmp32(3, 5), D3DFMT_X8R8G8B8, 3, 5, 3},
        {"PNG with alpha", PngRgba(8, 8), D3DFMT_A8R8G8B8, 8, 8, 4},
    };
    for (const Case& c : cases) {
        IDirect3DTexture8* t = nullptr;
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(D3DXCreateTextureFromFileExA(dev_, Write("t", c.file).c_str(), D3DX_DEFAULT, D3DX_DEFAULT,
                                               D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                               D3DX_DEFAULT, 0, &info, nullptr, &t),
                  D3D_OK)
            << c.what;
        D3DSURFACE_DESC d{};
        t->GetLevelDesc(0, &d);
        EXPECT_EQ(d.Format, c.format) << c.what;
        EXPECT_EQ(d.Width, c.width) << c.what;
        EXPECT_EQ(d.Height, c.height) << c.what;
        EXPECT_EQ(d.Pool, D3DPOOL_MANAGED) << c.what;
        EXPECT_EQ(t->GetLevelCount(), c.levels) << c.what;
        EXPECT_EQ(info.Width, c.width) << c.what;
        EXPECT_EQ(t->Release(), 0u);
    }
}

TEST_F(TextureTest, TexelsKeyAndMipLevels) {
    // Top row red, green; bottom row blue, white.
    const std::string path = Write("quad.bmp", Bmp24(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}));
    IDirect3DTexture8* t = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(dev_, path.c_str(), &t), D3D_OK);
    EXPECT_EQ(Texel(t, 0, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(Texel(t, 0, 1, 0), 0xFF00FF00u);
    EXPECT_EQ(Texel(t, 0, 0, 1), 0xFF0000FFu);
    EXPECT_EQ(Texel(t, 1, 0, 0), 0xFF808080u) << "the 2 x 2 average";
    t->Release();

    // A colour key clears the matching texels and asks for alpha; A4R4G4B4 packs the rest.
    ASSERT_EQ(D3DXCreateTextureFromFileExA(dev_, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN,
                                           D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0xFF00FF00, nullptr,
                                           nullptr, &t),
              D3D_OK);
    EXPECT_EQ(Texel(t, 0, 1, 0), 0u);
    EXPECT_EQ(Texel(t, 0, 0, 0), 0xFFFF0000u);
    t->Release();
    ASSERT_EQ(
        D3DXCreateTextureFromFileExA(dev_, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, 1, 0, D3DFMT_A4R4G4B4,
                                     D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr, nullptr, &t),
        D3D_OK);
    EXPECT_EQ(Texel(t, 0, 0, 0), 0xFF00u);
    EXPECT_EQ(Texel(t, 0, 0, 1), 0xF00Fu);
    t->Release();

    // 32-bit levels keep the image's alpha, or read opaque where the format has none.
    const std::string translucent = Write("translucent.png", PngRgba(2, 2));
    for (const auto& [format, texel] : {std::pair{D3DFMT_A8R8G8B8, 0x80808080u}, {D3DFMT_X8R8G8B8, 0xFF808080u}}) {
        ASSERT_EQ(D3DXCreateTextureFromFileExA(dev_, translucent.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, 2, 0, format,
                                               D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &t),
                  D3D_OK);
        EXPECT_EQ(Texel(t, 0, 1, 1), texel) << format;
        EXPECT_EQ(Texel(t, 1, 0, 0), texel) << format;
        t->Release();
    }

    // The default pool is filled through a system-memory copy.
    ASSERT_EQ(
        D3DXCreateTextureFromFileExA(dev_, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                     D3DPOOL_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &t),
        D3D_OK);
    EXPECT_EQ(t->Release(), 0u);
}

TEST_F(TextureTest, SizesBecomePowersOfTwoOnlyWhereTheCapsAskForIt) {
    const std::string path = Write("odd.bmp", Bmp24(3, 5, std::vector<DWORD>(15, 0x808080)));
    struct Case {
        DWORD textureCaps;
        UINT width, height;
    } cases[] = {{0, 3, 5}, {D3DPTEXTURECAPS_POW2, 4, 8}, {D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY, 8, 8}};
    for (const Case& c : cases) {
        WithCaps([&](D3DCAPS8& caps) { caps.TextureCaps = (caps.TextureCaps & ~DWORD{0x22}) | c.textureCaps; });
        IDirect3DTexture8* t = nullptr;
        ASSERT_EQ(D3DXCreateTextureFromFileA(dev_, path.c_str(), &t), D3D_OK);
        D3DSURFACE_DESC d{};
        t->GetLevelDesc(0, &d);
        EXPECT_EQ(d.Width, c.width);
        EXPECT_EQ(d.Height, c.height);
        EXPECT_EQ(Texel(t, 0, d.Width - 1, d.Height - 1), 0xFF808080u);
        t->Release();
    }
    WithCaps([](D3DCAPS8& caps) { caps.MaxTextureWidth = caps.MaxTextureHeight = 256; });
    IDirect3DTexture8* t = nullptr;
    ASSERT_EQ(D3DXCreateTexture(dev_, 1024, D3DX_DEFAULT, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, &t), D3D_OK);
    D3DSURFACE_DESC d{};
    t->GetLevelDesc(0, &d);
    EXPECT_EQ(d.Width, 256u);
    EXPECT_EQ(d.Height, 256u);
    EXPECT_EQ(d.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(t->GetLevelCount(), 9u);
    t->Release();
}

TEST_F(TextureTest, BadFilesFailAndLeaveNoTexture) {
    Bytes truncated = Bmp24(4, 4, std::vector<DWORD>(16, 0));
    truncated.resize(truncated.size() / 2);
    Bytes huge = Bmp24(1, 1, {0});
    huge[18] = 0xFF;
    huge[19] = 0xFF;
    huge[20] = 0xFF;
    huge[21] = 0x7F;
    for (const Bytes& file : {truncated, huge, Bytes{'x', 'y', 'z'}}) {
        IDirect3DTexture8* t = reinterpret_cast<IDirect3DTexture8*>(0x1);
        EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileA(dev_, Write("bad", file).c_str(), &t)));
        EXPECT_EQ(t, nullptr);
    }
    IDirect3DTexture8* t = nullptr;
    EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileA(dev_, "/nonexistent/none.bmp", &t)));
    EXPECT_EQ(D3DXCreateTextureFromFileA(nullptr, "x", &t), D3DERR_INVALIDCALL);
}

}  // namespace
