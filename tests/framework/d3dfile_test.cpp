#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>

#include "../platform/d3d8/record_fixture.h"
#include "../platform/d3dx8/mesh/meshfixtures.h"
#include "framework/d3dfile.h"

// Array allocations without exceptions, which the mesh's material arrays use: while a size is
// set here, an allocation of that size fails, and every other one comes back filled with junk,
// as fresh memory may be.
std::size_t g_failArrayOfSize = 0;

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (g_failArrayOfSize && size == g_failArrayOfSize) return nullptr;
    void* p = nullptr;
    try {
        p = ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
    if (g_failArrayOfSize) std::memset(p, 0xBE, size);
    return p;
}

namespace {

class FileMeshTest : public d3d8test::RecordTest {
protected:
    void SetUp() override {
        RecordTest::SetUp();
        CreateDevice();
        path_ = meshfixtures::WriteFile("fw-quad.x", std::string(meshfixtures::kTextMesh));
    }
    // Draws per subset of the last Render, by the material alpha that was set for it.
    std::vector<float> DrawnAlphas() {
        std::vector<float> alphas;
        for (const auto& c : Log())
            if (c.draw) alphas.push_back(c.draw->material.Diffuse.a);
        return alphas;
    }
    std::string path_;
};

// The material array failing after the texture array was made: the load reports it and the
// clean-up releases no texture pointer that was never set.
TEST_F(FileMeshTest, AFailedMaterialAllocationLeavesTheMeshEmpty) {
    CD3DFileMesh mesh;
    g_failArrayOfSize = 2 * sizeof(D3DMATERIAL8);
    const HRESULT hr = mesh.LoadFromFile(dev_, path_.c_str());
    g_failArrayOfSize = 0;
    EXPECT_EQ(hr, E_OUTOFMEMORY);
    EXPECT_EQ(mesh.m_dwMaterialCount, 0u);
    EXPECT_EQ(mesh.m_ppTextureArray, nullptr);
    EXPECT_EQ(mesh.GetSystemMesh(), nullptr);
    EXPECT_EQ(mesh.Destroy(), S_OK) << "a second clean-up is harmless";
}

TEST_F(FileMeshTest, LoadTakesAmbientFromDiffuseAndKeepsMaterialsWithoutTextures) {
    CD3DFileMesh mesh;
    EXPECT_STREQ(mesh.m_szName, "CD3DFile_Mesh");
    ASSERT_EQ(mesh.LoadFromFile(dev_, path_.c_str()), S_OK);
    ASSERT_EQ(mesh.m_dwMaterialCount, 2u);
    const D3DMATERIAL8& m = mesh.m_pMaterialArray[0];
    EXPECT_FLOAT_EQ(m.Ambient.r, 0.8f);
    EXPECT_FLOAT_EQ(m.Ambient.g, 0.6f);
    EXPECT_FLOAT_EQ(m.Ambient.b, 0.4f);
    EXPECT_FLOAT_EQ(m.Ambient.a, 1.0f);
    EXPECT_EQ(mesh.m_ppTextureArray[0], nullptr) << "roca.bmp exists nowhere";
    // A second load replaces the first.
    ASSERT_EQ(mesh.LoadFromFile(dev_, path_.c_str()), S_OK);
    EXPECT_TRUE(FAILED(mesh.LoadFromFile(dev_, "/nonexistent.x")));
    EXPECT_EQ(mesh.GetSystemMesh(), nullptr);

    const std::string longName(700, 'n');
    CD3DFileMesh named(longName.c_str());
    EXPECT_EQ(std::string(named.m_szName), longName.substr(0, 511));
}

// Up to 1.0 each subset is drawn in exactly one pass; an alpha above 1.0 is drawn in both.
TEST_F(FileMeshTest, EachSubsetIsDrawnInThePassesOfItsAlpha) {
    struct Case {
        float alphas[2];
        BOOL opaque, alpha;
        std::vector<float> drawn;
    } cases[] = {
        {{1.0f, 0.5f}, TRUE, FALSE, {1.0f}},       {{1.0f, 0.5f}, FALSE, TRUE, {0.5f}},
        {{1.0f, 0.5f}, TRUE, TRUE, {1.0f, 0.5f}},  {{1.5f, 0.5f}, TRUE, TRUE, {1.5f, 1.5f, 0.5f}},
        {{1.5f, 0.5f}, FALSE, TRUE, {1.5f, 0.5f}}, {{0.25f, 0.5f}, TRUE, FALSE, {}},
    };
    CD3DFileMesh mesh;
    ASSERT_EQ(mesh.LoadFromFile(dev_, path_.c_str()), S_OK);
    EXPECT_EQ(mesh.Render(dev_, TRUE, TRUE), E_FAIL) << "no device copy yet";
    ASSERT_EQ(mesh.Restore(dev_), S_OK);
    ASSERT_EQ(mesh.Restore(dev_), S_OK) << "a second restore replaces the copy";
    dev_->BeginScene();
    for (const Case& c : cases) {
        mesh.m_pMaterialArray[0].Diffuse.a = c.alphas[0];
        mesh.m_pMaterialArray[1].Diffuse.a = c.alphas[1];
        Log().clear();
        EXPECT_EQ(mesh.Render(dev_, c.opaque, c.alpha), S_OK);
        EXPECT_EQ(DrawnAlphas(), c.drawn) << c.alphas[0] << " " << c.opaque << c.alpha;
    }
    dev_->EndScene();
    dev_->SetStreamSource(0, nullptr, 0);
    dev_->SetIndices(nullptr, 0);
}

TEST_F(FileMeshTest, ConvertRecomputesNormalsAndTheLifecycleEndsEmpty) {
    CD3DFileMesh mesh;
    ASSERT_EQ(mesh.LoadFromFile(dev_, path_.c_str()), S_OK);
    ASSERT_EQ(mesh.ConvertFVF(dev_, 0x112), S_OK);
    ID3DXMesh* sys = mesh.GetSystemMesh();
    EXPECT_EQ(sys->GetFVF(), 0x112u);
    BYTE* p = nullptr;
    sys->LockVertexBuffer(D3DLOCK_READONLY, &p);
    float normal[3];
    std::memcpy(normal, p + 2 * 32 + 12, 12);
    sys->UnlockVertexBuffer();
    EXPECT_NEAR(normal[1], -1.0f, 1e-6) << "from the faces, not the file's +y";
    EXPECT_EQ(mesh.Restore(dev_), S_OK);
    // A buffer taken before Destroy stays usable after it.
    IDirect3DVertexBuffer8* vb = nullptr;
    sys->GetVertexBuffer(&vb);
    EXPECT_EQ(mesh.Destroy(), S_OK);
    EXPECT_EQ(mesh.Destroy(), S_OK);
    EXPECT_EQ(vb->Release(), 0u);
    EXPECT_EQ(mesh.m_dwMaterialCount, 0u);
    EXPECT_EQ(mesh.Restore(dev_), E_FAIL);
    EXPECT_EQ(mesh.Render(dev_, TRUE, TRUE), E_FAIL);
}

const char kScene[] = R"(xof 0303txt 0032
FrameTransformMatrix { 2,0,0,0, 0,2,0,0, 0,0,2,0, 0,0,0,1;; }
Frame ALPHA {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 5,0,0,1;; }
  Mesh First { 3; 0;0;0;, 1;0;0;, 0;0;1;; 1; 3; 0, 1, 2;;
    MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }
  Frame Inner { }
}
Frame Beta { }
)";

TEST_F(FileMeshTest, SceneTreeOrderFindAndMatrices) {
    CD3DFileScene scene;
    ASSERT_EQ(scene.LoadFromFile(dev_, meshfixtures::WriteFile("scene.x", std::string(kScene)).c_str()), S_OK);
    EXPECT_FLOAT_EQ(scene.m_matLocal._11, 2.0f) << "a top-level matrix is the scene's own";
    ASSERT_NE(scene.m_pChild, nullptr);
    EXPECT_STREQ(scene.m_pChild->m_szName, "Beta") << "siblings come out in reverse file order";
    ASSERT_NE(scene.m_pChild->m_pNext, nullptr);
    CD3DFileFrame* alpha = scene.FindFrame("alpha");
    ASSERT_EQ(alpha, scene.m_pChild->m_pNext);
    EXPECT_FLOAT_EQ(alpha->m_matLocal._41, 5.0f);
    EXPECT_NE(scene.FindFrame("INNER"), nullptr);
    EXPECT_EQ(scene.FindFrame("gamma"), nullptr);
    EXPECT_EQ(scene.FindMesh("first"), alpha->m_pMesh);
    int meshes = 0;
    scene.ForEachMesh(
        [](CD3DFileMesh*, void* n) {
            ++*static_cast<int*>(n);
            return TRUE;
        },
        &meshes);
    EXPECT_EQ(meshes, 1);

    scene.Restore(dev_);
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, 0, 0, 1);
    dev_->SetTransform(D3DTS_WORLD, &world);
    dev_->BeginScene();
    Log().clear();
    EXPECT_EQ(scene.Render(dev_), S_OK);
    dev_->EndScene();
    ASSERT_EQ(DrawnAlphas().size(), 1u);
    // The mesh is drawn under local x (saved x scene): moved by 5 in x and 1 in z, then scaled by 2.
    const d3d8::Call* draw = LastDraw();
    EXPECT_FLOAT_EQ(draw->draw->world._11, 2.0f);
    EXPECT_FLOAT_EQ(draw->draw->world._41, 10.0f);
    EXPECT_FLOAT_EQ(draw->draw->world._43, 2.0f);
    D3DMATRIX after;
    dev_->GetTransform(D3DTS_WORLD, &after);
    EXPECT_FLOAT_EQ(after._43, 1.0f);
    DWORD blend = 1;
    dev_->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
    EXPECT_EQ(blend, 0u);
    dev_->SetStreamSource(0, nullptr, 0);
    dev_->SetIndices(nullptr, 0);
    scene.Destroy();

    const std::string twoMeshes =
        "xof 0303txt 0032\nFrame F { Mesh { 3; 0;0;0;, 1;0;0;, 0;0;1;; 1; 3; 0,1,2;; } "
        "Mesh { 3; 0;0;0;, 1;0;0;, 0;0;1;; 1; 3; 0,1,2;; } }";
    CD3DFileScene second;
    EXPECT_EQ(second.LoadFromFile(dev_, meshfixtures::WriteFile("two.x", twoMeshes).c_str()), E_FAIL);
    ASSERT_NE(second.FindFrame("F"), nullptr);
    EXPECT_NE(second.FindFrame("F")->m_pMesh, nullptr) << "the first mesh stays";
}

}  // namespace
