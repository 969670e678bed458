#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../../d3d8/record_fixture.h"
#include "d3dx8/d3dx8.h"
#include "d3dx8/mesh/meshload.h"
#include "meshfixtures.h"

namespace {

struct Vertex {
    float p[3], n[3], uv[2];
};

struct Loaded {
    DWORD fvf = 0, vertices = 0, faces = 0;
    std::vector<Vertex> vb;
    std::vector<WORD> ib;
    std::vector<DWORD> attributes;
    std::vector<D3DXMATERIAL> materials;
    std::vector<std::string> textures;
};

class MeshTest : public d3d8test::RecordTest {
protected:
    void SetUp() override {
        RecordTest::SetUp();
        CreateDevice();
    }
    // Loads, reads everything back and releases.
    HRESULT Load(const std::string& path, Loaded* out, std::string* error = nullptr) {
        ID3DXMesh* mesh = nullptr;
        ID3DXBuffer* materials = nullptr;
        DWORD count = 0;
        const HRESULT hr =
            d3dx::LoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, dev_, &materials, &count, &mesh, error);
        if (FAILED(hr)) {
            EXPECT_EQ(mesh, nullptr);
            EXPECT_EQ(materials, nullptr);
            return hr;
        }
        Read(mesh, out);
        auto* m = static_cast<D3DXMATERIAL*>(materials->GetBufferPointer());
        for (DWORD i = 0; i < count; ++i) {
            out->materials.push_back(m[i]);
            out->textures.push_back(m[i].pTextureFilename ? m[i].pTextureFilename : "");
        }
        materials->Release();
        EXPECT_EQ(mesh->Release(), 0u);
        return hr;
    }
    static void Read(ID3DXMesh* mesh, Loaded* out) {
        out->fvf = mesh->GetFVF();
        out->vertices = mesh->GetNumVertices();
        out->faces = mesh->GetNumFaces();
        BYTE* p = nullptr;
        if (out->fvf == (D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1)) {
            ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &p), D3D_OK);
            out->vb.resize(out->vertices);
            std::memcpy(out->vb.data(), p, out->vertices * sizeof(Vertex));
            mesh->UnlockVertexBuffer();
        }
        ASSERT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &p), D3D_OK);
        out->ib.assign(reinterpret_cast<WORD*>(p), reinterpret_cast<WORD*>(p) + out->faces * 3);
        mesh->UnlockIndexBuffer();
        DWORD* a = nullptr;
        mesh->LockAttributeBuffer(0, &a);
        out->attributes.assign(a, a + out->faces);
        mesh->UnlockAttributeBuffer();
    }
};

TEST_F(MeshTest, TextAndBinaryFilesLoadToTheSameMesh) {
    Loaded text;
    ASSERT_EQ(Load(meshfixtures::WriteFile("quad.x", std::string(meshfixtures::kTextMesh)), &text), D3D_OK);
    EXPECT_EQ(text.fvf, DWORD{D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1});
    // The file's five vertices in order, then vertices 0 and 1 again with the triangle's normal.
    ASSERT_EQ(text.vertices, 7u);
    EXPECT_EQ(text.ib, (std::vector<WORD>{0, 1, 2, 0, 2, 3, 5, 4, 6}));
    EXPECT_EQ(text.attributes, (std::vector<DWORD>{1, 1, 0}));
    EXPECT_FLOAT_EQ(text.vb[4].p[0], 10.5f);
    EXPECT_FLOAT_EQ(text.vb[4].p[1], 21.0f);
    EXPECT_FLOAT_EQ(text.vb[4].uv[0], 0.5f);
    EXPECT_FLOAT_EQ(text.vb[5].p[0], text.vb[0].p[0]);
    EXPECT_FLOAT_EQ(text.vb[0].n[1], 1.0f);
    EXPECT_FLOAT_EQ(text.vb[5].n[2], -1.0f);
    EXPECT_FLOAT_EQ(text.vb[6].uv[0], 1.0f);
    ASSERT_EQ(text.materials.size(), 2u);
    EXPECT_EQ(text.textures, (std::vector<std::string>{"roca.bmp", ""}));
    const D3DMATERIAL8& shiny = text.materials[0].MatD3D;
    EXPECT_FLOAT_EQ(shiny.Diffuse.g, 0.6f);
    EXPECT_FLOAT_EQ(shiny.Ambient.r, 0.0f);
    EXPECT_FLOAT_EQ(shiny.Power, 12.5f);
    EXPECT_FLOAT_EQ(shiny.Emissive.b, 0.5f);
    EXPECT_FLOAT_EQ(text.materials[1].MatD3D.Diffuse.a, 0.5f);

    for (bool doubles : {false, true}) {
        Loaded binary;
        ASSERT_EQ(Load(meshfixtures::WriteFile("quad-bin.x", meshfixtures::BinaryMesh(doubles)), &binary), D3D_OK);
        EXPECT_EQ(binary.fvf, text.fvf);
        ASSERT_EQ(binary.vertices, text.vertices);
        EXPECT_EQ(std::memcmp(binary.vb.data(), text.vb.data(), text.vb.size() * sizeof(Vertex)), 0);
        EXPECT_EQ(binary.ib, text.ib);
        EXPECT_EQ(binary.attributes, text.attributes);
        EXPECT_EQ(binary.textures, text.textures);
        EXPECT_EQ(std::memcmp(&binary.materials[0].MatD3D, &shiny, sizeof shiny), 0);
    }
}

TEST_F(MeshTest, MalformedFilesFailCleanlyAndUnknownObjectsAreSkipped) {
    const std::string head = "xof 0303txt 0032\n";
    const std::string tri = "Mesh { 3; 0;0;0;, 1;0;0;, 0;0;1;; 1; 3; 0, 1, 2;; ";
    struct Case {
        const char* what;
        std::string text;
        bool loads;
    } cases[] = {
        {"plain triangle", head + tri + "}", true},
        {"unknown object inside and outside", head + "Odd { 1; 2; } " + tri + "Odd2 { \"x\"; } }", true},
        {"unbalanced braces", head + tri, false},
        {"face index past the vertices", head + "Mesh { 3; 0;0;0;, 1;0;0;, 0;0;1;; 1; 3; 0, 1, 3;; }", false},
        {"counts past the data", head + "Mesh { 9; 0;0;0;, 1;0;0;, 0;0;1;; 1; 3; 0, 1, 2;; }", false},
        {"material index out of range",
         head + tri + "MeshMaterialList { 1; 1; 4;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }", false},
        {"no mesh at all", head + "Frame F { }", false},
        {"not an X file", "hello", false},
        {"compressed", "xof 0303tzip0032xxxxxxxx", false},
    };
    for (const Case& c : cases) {
        Loaded out;
        std::string error;
        const HRESULT hr = Load(meshfixtures::WriteFile("bad.x", c.text), &out, &error);
        EXPECT_EQ(SUCCEEDED(hr), c.loads) << c.what << ": " << error;
        if (!c.loads) {
            EXPECT_FALSE(error.empty()) << c.what;
        }
    }
    Loaded none;
    EXPECT_EQ(Load("/nonexistent/none.x", &none), DXFILEERR_FILENOTFOUND);
}

TEST_F(MeshTest, VerticesPastTheSixteenBitLimitAreRefused) {
    for (int count : {65535, 65536}) {
        std::string s = "xof 0303txt 0032\nMesh {" + std::to_string(count) + ";\n";
        for (int i = 0; i < count; ++i) s += i + 1 == count ? "0;0;0;;\n" : "0;0;0;,\n";
        s += "1; 3; 0, 1, " + std::to_string(count - 1) + ";; }";
        Loaded out;
        std::string error;
        EXPECT_EQ(SUCCEEDED(Load(meshfixtures::WriteFile("big.x", s), &out, &error)), count == 65535) << error;
    }
}

TEST_F(MeshTest, DrawSubsetBindsTheMeshAndDrawsOnlyItsFaces) {
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromX(meshfixtures::WriteFile("quad.x", std::string(meshfixtures::kTextMesh)).c_str(),
                                D3DXMESH_MANAGED, dev_, nullptr, nullptr, nullptr, &mesh),
              D3D_OK);
    struct Case {
        DWORD subset;
        std::vector<std::pair<UINT, UINT>> draws;  // start index, triangles
    } cases[] = {{1, {{0, 2}}}, {0, {{6, 1}}}, {7, {}}};
    dev_->BeginScene();
    for (const Case& c : cases) {
        Log().clear();
        ASSERT_EQ(mesh->DrawSubset(c.subset), D3D_OK);
        std::vector<std::pair<UINT, UINT>> draws;
        bool fvf = false, stream = false, indices = false;
        for (const auto& call : Log()) {
            if (call.method == "SetVertexShader") fvf = call.args[0] == mesh->GetFVF();
            if (call.method == "SetStreamSource") stream = call.args[0] == 0 && call.args[1] == 32;
            if (call.method == "SetIndices") indices = call.object != nullptr;
            if (call.draw) {
                EXPECT_TRUE(call.draw->indexed);
                EXPECT_EQ(call.draw->vertexShader, mesh->GetFVF());
                draws.emplace_back(call.draw->startIndex, call.draw->primitiveCount);
            }
        }
        EXPECT_EQ(draws, c.draws) << "subset " << c.subset;
        if (!c.draws.empty()) {
            EXPECT_TRUE(fvf && stream && indices) << "subset " << c.subset;
        }
    }
    dev_->EndScene();
    // Buffers handed out carry their own reference and outlive the mesh.
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    ASSERT_EQ(mesh->GetVertexBuffer(&vb), D3D_OK);
    ASSERT_EQ(mesh->GetIndexBuffer(&ib), D3D_OK);
    dev_->SetStreamSource(0, nullptr, 0);
    dev_->SetIndices(nullptr, 0);
    EXPECT_EQ(mesh->Release(), 0u);
    BYTE* p = nullptr;
    EXPECT_EQ(vb->Lock(0, 0, &p, D3DLOCK_READONLY), D3D_OK);
    vb->Unlock();
    EXPECT_EQ(vb->Release(), 0u);
    EXPECT_EQ(ib->Release(), 0u);
}

TEST_F(MeshTest, CloneKeepsVertexOrderAndComputedNormalsComeFromTheFaces) {
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromX(meshfixtures::WriteFile("quad.x", std::string(meshfixtures::kTextMesh)).c_str(),
                                D3DXMESH_SYSTEMMEM, dev_, nullptr, nullptr, nullptr, &mesh),
              D3D_OK);
    // Into a format without normals but with a colour: positions and order kept, colour zero.
    ID3DXMesh* coloured = nullptr;
    ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_DIFFUSE, dev_, &coloured), D3D_OK);
    BYTE *a = nullptr, *b = nullptr;
    mesh->LockVertexBuffer(D3DLOCK_READONLY, &a);
    coloured->LockVertexBuffer(D3DLOCK_READONLY, &b);
    for (DWORD v = 0; v < mesh->GetNumVertices(); ++v) {
        EXPECT_EQ(std::memcmp(a + v * 32, b + v * 16, 12), 0) << v;
        DWORD colour;
        std::memcpy(&colour, b + v * 16 + 12, 4);
        EXPECT_EQ(colour, 0u);
    }
    mesh->UnlockVertexBuffer();
    coloured->UnlockVertexBuffer();
    EXPECT_EQ(D3DXComputeNormals(coloured, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(coloured->Release(), 0u);

    // The file says +y for the quad; (v1 - v0) x (v2 - v0) of its faces says -y.
    ID3DXMesh* clone = nullptr;
    ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, 0x112, dev_, &clone), D3D_OK);
    ASSERT_EQ(D3DXComputeNormals(clone, nullptr), D3D_OK);
    Loaded out;
    Read(clone, &out);
    for (int v : {0, 1, 2, 3}) EXPECT_NEAR(out.vb[v].n[1], -1.0f, 1e-6) << v;
    // Vertex 4 only belongs to the triangle (0, 0, 0) (0.5, 1, 0.5) (1, 0, 0): normal (0, 0.447, -0.894).
    EXPECT_NEAR(out.vb[4].n[1], 0.4472136f, 1e-5);
    EXPECT_NEAR(out.vb[4].n[2], -0.8944272f, 1e-5);
    EXPECT_EQ(clone->Release(), 0u);
    EXPECT_EQ(mesh->Release(), 0u);
}

}  // namespace
