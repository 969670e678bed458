// Textures loaded from files: one per file and request on a device, with exact reference counts,
// and a bound on the texels a device's file textures hold together.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../../d3d8/record_fixture.h"
#include "../image/imagefixtures.h"
#include "d3dx8/d3dx8.h"
#include "d3dx8/texturecache.h"
#include "scratch_file.h"

namespace {

using fixtures::Bytes;

// A flat 1-bit grey PNG: a few hundred bytes for any size the decoder's floor admits.
Bytes FlatPng(unsigned w, unsigned h, BYTE value = 0) {
    fixtures::PngSpec s;
    s.width = w;
    s.height = h;
    s.colourType = PNG_COLOR_TYPE_GRAY;
    s.bitDepth = 1;
    s.rows.assign(std::size_t{(w + 7) / 8} * h, value);
    return fixtures::MakePng(s);
}

std::string Write(const std::string& name, const Bytes& bytes) {
    const auto path = testscratch::Path("share-" + name);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

// Texels of a 2048 x 2048 texture with its whole chain.
constexpr std::uint64_t kChain2048 = 5592405;

class TextureShareTest : public d3d8test::RecordTest {
protected:
    void SetUp() override {
        RecordTest::SetUp();
        CreateDevice();
    }
    HRESULT Load(const std::string& path, IDirect3DTexture8** t, D3DFORMAT format = D3DFMT_UNKNOWN,
                 IDirect3DDevice8* device = nullptr, D3DXIMAGE_INFO* info = nullptr) {
        return D3DXCreateTextureFromFileExA(
            device ? device : dev_, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, format, D3DPOOL_MANAGED,
            D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR, D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR, 0, info, nullptr, t);
    }
    IDirect3DDevice8* SecondDevice() {
        D3DPRESENT_PARAMETERS pp = d3d8test::WindowedParams();
        IDirect3DDevice8* second = nullptr;
        EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, d3d8test::FakeWindow(), D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                     &pp, &second),
                  D3D_OK);
        return second;
    }
};

TEST_F(TextureShareTest, OneFileAndRequestIsOneTextureWithAReferencePerUser) {
    const std::string path = Write("a.png", FlatPng(64, 32));
    IDirect3DTexture8 *first = nullptr, *second = nullptr, *third = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(Load(path, &first), D3D_OK);
    ASSERT_EQ(Load(path, &second, D3DFMT_UNKNOWN, nullptr, &info), D3D_OK);
    EXPECT_EQ(second, first);
    EXPECT_EQ(info.Width, 64u) << "a shared load still says what the file held";
    EXPECT_EQ(info.Height, 32u);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PNG);
    EXPECT_EQ(d3dx::FileTexelsHeld(dev_), 64u * 32 + 32 * 16 + 16 * 8 + 8 * 4 + 4 * 2 + 2 * 1 + 1)
        << "a shared texture counts once";
    EXPECT_EQ(first->Release(), 1u);
    ASSERT_EQ(Load(path, &third), D3D_OK);
    EXPECT_EQ(third, second) << "the texture lives while any user holds it";
    EXPECT_EQ(third->Release(), 1u);
    EXPECT_EQ(second->Release(), 0u) << "the cache holds no reference of its own";
    EXPECT_EQ(d3dx::FileTexelsHeld(dev_), 0u) << "the last Release gives the texels back";

    // Still bound to a stage when its last reference goes: gone for the program all the same.
    IDirect3DTexture8 *bound = nullptr, *fresh = nullptr;
    ASSERT_EQ(Load(path, &bound), D3D_OK);
    dev_->SetTexture(0, bound);
    EXPECT_EQ(bound->Release(), 0u);
    EXPECT_EQ(d3dx::FileTexelsHeld(dev_), 0u);
    ASSERT_EQ(Load(path, &fresh), D3D_OK);
    EXPECT_EQ(fresh->Release(), 0u) << "a new texture, not the one the stage keeps";
    dev_->SetTexture(0, nullptr);
}

TEST_F(TextureShareTest, WhatMakesTwoLoadsTheSameTexture) {
    const std::string path = Write("b.png", FlatPng(16, 16));
    const std::string link = testscratch::Path("share-b-link.png").string();
    std::filesystem::remove(link);
    std::filesystem::create_hard_link(path, link);
    const std::string copy = Write("b-copy.png", FlatPng(16, 16));
    IDirect3DDevice8* other = SecondDevice();
    ASSERT_NE(other, nullptr);

    IDirect3DTexture8* base = nullptr;
    ASSERT_EQ(Load(path, &base), D3D_OK);
    struct Case {
        const char* what;
        std::string path;
        D3DFORMAT format;
        IDirect3DDevice8* device;
        bool same;
    } cases[] = {
        {"the same file under another name", link, D3DFMT_UNKNOWN, nullptr, true},
        {"the same file through a longer path", testscratch::Folder().string() + "/./share-b.png", D3DFMT_UNKNOWN,
         nullptr, true},
        {"another file of the same bytes", copy, D3DFMT_UNKNOWN, nullptr, false},
        {"the same file in another format", path, D3DFMT_R5G6B5, nullptr, false},
        {"the same file on another device", path, D3DFMT_UNKNOWN, other, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        IDirect3DTexture8* t = nullptr;
        ASSERT_EQ(Load(c.path, &t, c.format, c.device), D3D_OK);
        EXPECT_EQ(t == base, c.same);
        EXPECT_EQ(t->Release(), c.same ? 1u : 0u);
    }
    // A file rewritten in its place is read again.
    Write("b.png", FlatPng(16, 8));
    IDirect3DTexture8* rewritten = nullptr;
    ASSERT_EQ(Load(path, &rewritten), D3D_OK);
    EXPECT_NE(rewritten, base);
    D3DSURFACE_DESC desc{};
    rewritten->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Height, 8u);
    EXPECT_EQ(rewritten->Release(), 0u);
    EXPECT_EQ(base->Release(), 0u);
    EXPECT_EQ(d3dx::FileTexelsHeld(dev_), 0u);
    EXPECT_EQ(d3dx::FileTexelsHeld(other), 0u);
    EXPECT_EQ(other->Release(), 0u) << "no shared texture keeps its device";
}

TEST_F(TextureShareTest, ADeviceResetAndReleaseWorkAsWithoutSharing) {
    const std::string path = Write("c.png", FlatPng(32, 32));
    IDirect3DTexture8 *a = nullptr, *b = nullptr;
    ASSERT_EQ(Load(path, &a), D3D_OK);
    ASSERT_EQ(Load(path, &b), D3D_OK);
    D3DPRESENT_PARAMETERS pp = d3d8test::WindowedParams();
    EXPECT_EQ(dev_->Reset(&pp), D3D_OK) << "managed textures survive a reset, shared or not";
    IDirect3DTexture8* again = nullptr;
    ASSERT_EQ(Load(path, &again), D3D_OK);
    EXPECT_EQ(again, a);
    for (IDirect3DTexture8* t : {a, b, again}) t->Release();
    // Default-pool textures hold a reset back until every user has let go, as each would alone.
    IDirect3DTexture8 *d1 = nullptr, *d2 = nullptr;
    auto loadDefault = [&](IDirect3DTexture8** t) {
        return D3DXCreateTextureFromFileExA(dev_, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN,
                                            D3DPOOL_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, t);
    };
    ASSERT_EQ(loadDefault(&d1), D3D_OK);
    ASSERT_EQ(loadDefault(&d2), D3D_OK);
    EXPECT_EQ(d1, d2);
    d1->Release();
    EXPECT_NE(dev_->Reset(&pp), D3D_OK);
    d2->Release();
    EXPECT_EQ(dev_->Reset(&pp), D3D_OK);
    EXPECT_EQ(d3dx::FileTexelsHeld(dev_), 0u);
}

TEST_F(TextureShareTest, BeyondTheDeviceBudgetALoadIsRefusedWithTheFileNamed) {
    ASSERT_EQ(d3dx::FileTextureTexelBudget(), std::uint64_t{1} << 25);
    const std::uint64_t fit = d3dx::kFileTextureTexelBudget / kChain2048;
    ASSERT_EQ(fit, 6u) << "six 2048 x 2048 images with their chains fit, a seventh does not";
    std::vector<IDirect3DTexture8*> held;
    for (std::uint64_t i = 0; i < fit; ++i) {
        IDirect3DTexture8* t = nullptr;
        ASSERT_EQ(Load(Write("big" + std::to_string(i) + ".png", FlatPng(2048, 2048)), &t), D3D_OK) << i;
        held.push_back(t);
    }
    EXPECT_EQ(d3dx::FileTexelsHeld(dev_), fit * kChain2048);
    // The same file again costs nothing.
    IDirect3DTexture8* shared = nullptr;
    ASSERT_EQ(Load(testscratch::Path("share-big0.png").string(), &shared), D3D_OK);
    EXPECT_EQ(shared, held[0]);
    shared->Release();

    const std::string over = Write("over.png", FlatPng(2048, 2048));
    IDirect3DTexture8* refused = reinterpret_cast<IDirect3DTexture8*>(0x1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Load(over, &refused), E_OUTOFMEMORY);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(refused, nullptr);
    EXPECT_NE(said.find(over + ": texture refused: its 5592405 texels would bring the textures loaded from files to "),
              std::string::npos)
        << said;
    EXPECT_EQ(d3dx::FileTexelsHeld(dev_), fit * kChain2048) << "a refusal holds nothing";

    // A small one still fits in what is left; the big one once another has gone.
    IDirect3DTexture8* small = nullptr;
    EXPECT_NE(Load(Write("small.png", FlatPng(2, 1)), &small), D3D_OK) << "2 texels are all that is left";
    held.back()->Release();
    held.pop_back();
    ASSERT_EQ(Load(over, &refused), D3D_OK);
    held.push_back(refused);
    for (IDirect3DTexture8* t : held) EXPECT_EQ(t->Release(), 0u);
    EXPECT_EQ(d3dx::FileTexelsHeld(dev_), 0u);
}

}  // namespace
