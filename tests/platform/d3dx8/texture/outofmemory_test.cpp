// Memory that runs out inside the loaders and the device comes back as E_OUTOFMEMORY, with
// nothing held and nothing thrown at the caller.
#include <gtest/gtest.h>

// The replacements below pair malloc with free on purpose.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <cstdlib>
#include <fstream>
#include <new>
#include <string>

#include "../../d3d8/record_fixture.h"
#include "../image/imagefixtures.h"
#include "../mesh/meshfixtures.h"
#include "d3dx8/d3dx8.h"
#include "d3dx8/texturecache.h"
#include "scratch_file.h"

// While set, every allocation of at least this many bytes fails, as a large one does when memory
// runs out. The replacements go through malloc and free alike, so the sanitizers see one pair.
std::size_t g_failAllocationsFrom = 0;

void* operator new(std::size_t size) {
    if (g_failAllocationsFrom && size >= g_failAllocationsFrom) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (g_failAllocationsFrom && size >= g_failAllocationsFrom) return nullptr;
    return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

class OutOfMemoryTest : public d3d8test::RecordTest {
protected:
    void SetUp() override {
        RecordTest::SetUp();
        CreateDevice();
    }
    void TearDown() override {
        g_failAllocationsFrom = 0;
        RecordTest::TearDown();  // the device's count shows any reference a failure kept
    }
};

TEST_F(OutOfMemoryTest, TheDeviceReportsStorageItCannotHave) {
    g_failAllocationsFrom = 1 << 20;
    IDirect3DTexture8* t = reinterpret_cast<IDirect3DTexture8*>(0x1);
    EXPECT_EQ(dev_->CreateTexture(1024, 1024, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), E_OUTOFMEMORY);
    EXPECT_EQ(t, nullptr);
    IDirect3DVertexBuffer8* vb = nullptr;
    EXPECT_EQ(dev_->CreateVertexBuffer(4 << 20, 0, 0, D3DPOOL_MANAGED, &vb), E_OUTOFMEMORY);
    IDirect3DIndexBuffer8* ib = nullptr;
    EXPECT_EQ(dev_->CreateIndexBuffer(4 << 20, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), E_OUTOFMEMORY);
    IDirect3DSurface8* s = nullptr;
    EXPECT_EQ(dev_->CreateImageSurface(1024, 1024, D3DFMT_A8R8G8B8, &s), E_OUTOFMEMORY);
    g_failAllocationsFrom = 0;
    ASSERT_EQ(dev_->CreateTexture(1024, 1024, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t), D3D_OK);
    t->Release();
    D3DPRESENT_PARAMETERS pp = d3d8test::WindowedParams();
    EXPECT_EQ(dev_->Reset(&pp), D3D_OK) << "a failed creation leaves no default-pool resource counted";
}

TEST_F(OutOfMemoryTest, TheLoadersReportIt) {
    fixtures::PngSpec spec;
    spec.width = spec.height = 1024;
    spec.colourType = PNG_COLOR_TYPE_GRAY;
    spec.bitDepth = 1;
    spec.rows.assign(std::size_t{128} * 1024, 0);
    const fixtures::Bytes png = fixtures::MakePng(spec);
    const std::string path = testscratch::Path("oom.png").string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), png.size());

    const std::string grid = meshfixtures::WriteFile("oom-grid.x", meshfixtures::TextGrid(300));

    g_failAllocationsFrom = 1 << 20;
    IDirect3DTexture8* t = reinterpret_cast<IDirect3DTexture8*>(0x1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(D3DXCreateTextureFromFileA(dev_, path.c_str(), &t), E_OUTOFMEMORY);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(t, nullptr);
    EXPECT_NE(said.find(path + ": texture refused: not enough memory"), std::string::npos) << said;
    EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(dev_, png.data(), static_cast<UINT>(png.size()), D3DX_DEFAULT,
                                                  D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                  D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &t),
              E_OUTOFMEMORY);
    EXPECT_EQ(d3dx::FileTexelsHeld(dev_), 0u);

    ID3DXMesh* mesh = nullptr;
    EXPECT_EQ(D3DXCreateMeshFVF(4 << 20, 3, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, dev_, &mesh), E_OUTOFMEMORY);
    EXPECT_EQ(mesh, nullptr);
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    EXPECT_TRUE(FAILED(D3DXLoadMeshFromX(grid.c_str(), D3DXMESH_SYSTEMMEM, dev_, nullptr, &materials, &count, &mesh)));
    EXPECT_EQ(mesh, nullptr);

    g_failAllocationsFrom = 0;
    ASSERT_EQ(D3DXCreateTextureFromFileA(dev_, path.c_str(), &t), D3D_OK) << "with memory again, it loads";
    EXPECT_EQ(t->Release(), 0u);
}

}  // namespace
