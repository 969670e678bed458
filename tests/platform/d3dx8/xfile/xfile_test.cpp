#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "d3dx8/xfile/dxfile.h"
#include "d3dx8/xfile/xmeshdata.h"
#include "xfixtures.h"
#include "scratch_file.h"

namespace {

using fixtures::XBinary;
using xfile::XMeshData;

const char kTextMesh[] = R"(xof 0303txt 0032
// A quad and a triangle, a named material referenced from the list and one inline.
Header { 1; 0; 1; }
Material Shiny {
 0.8; 0.6; 0.4; 1.0;;
 12.5;
 0.1; 0.2; 0.3;;
 0.0; 0.0; 0.5;;
 TextureFilename { "roca.bmp"; }
}
Frame Root {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,20,30,1;; }
  Mesh Quad {
    5;
    0.0; 0.0; 0.0;, 1.0; 0.0; 0.0;, 1.0; 0.0; 1.0;, 0.0; 0.0; 1.0;, 0.5; 1.0; 0.5;;
    2;
    4; 0, 1, 2, 3;,
    3; 0, 4, 1;;
    VertexDuplicationIndices { 5; 5; 0, 1, 2, 3, 4;; }
    MeshNormals { 2; 0.0; 1.0; 0.0;, 0.0; 0.0; -1.0;; 2; 4; 0, 0, 0, 0;, 3; 1, 1, 1;; }
    MeshTextureCoords { 5; 0.0; 0.0;, 1.0; 0.0;, 1.0; 1.0;, 0.0; 1.0;, 0.5; 0.5;; }
    MeshMaterialList {
      2; 2; 1, 0;;
      { Shiny }
      Material { 1.0; 1.0; 1.0; 0.5;; 0.0; 0.0; 0.0; 0.0;; 0.0; 0.0; 0.0;; }
    }
  }
}
)";

std::vector<BYTE> BinaryMesh(bool doubles, bool wordTerminator = false) {
    XBinary x(doubles);
    x.Object("Header").Ints({1, 0, 1}).Close();
    x.Object("Material", "Shiny").Floats({0.8, 0.6, 0.4, 1.0, 12.5, 0.1, 0.2, 0.3, 0.0, 0.0, 0.5});
    x.Object("TextureFilename").String("roca.bmp", wordTerminator).Close().Close();
    x.Object("Frame", "Root");
    x.Object("FrameTransformMatrix").Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1}).Close();
    x.Object("Mesh", "Quad").Ints({5}).Floats({0, 0, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 0.5, 1, 0.5});
    x.Ints({2, 4, 0, 1, 2, 3, 3, 0, 4, 1});
    x.Object("VertexDuplicationIndices").Ints({5, 5, 0, 1, 2, 3, 4}).Close();
    x.Object("MeshNormals").Ints({2}).Floats({0, 1, 0, 0, 0, -1}).Ints({2, 4, 0, 0, 0, 0, 3, 1, 1, 1}).Close();
    x.Object("MeshTextureCoords").Ints({5}).Floats({0, 0, 1, 0, 1, 1, 0, 1, 0.5, 0.5}).Close();
    x.Object("MeshMaterialList").Ints({2, 2, 1, 0}).Reference("Shiny");
    x.Object("Material").Floats({1, 1, 1, 0.5, 0, 0, 0, 0, 0, 0, 0}).Close();
    x.Close().Close().Close();
    return x.Bytes();
}

std::vector<BYTE> Text(const char* s) { return std::vector<BYTE>(s, s + std::strlen(s)); }

HRESULT ReadMeshes(const std::vector<BYTE>& file, std::vector<xfile::XMeshInFile>* meshes,
                   std::string* error = nullptr) {
    return xfile::ReadXMeshesFromMemory(file.data(), static_cast<DWORD>(file.size()), meshes, error);
}

std::vector<std::vector<DWORD>> Faces(const xfile::FaceList& faces) {
    std::vector<std::vector<DWORD>> out;
    for (std::size_t f = 0; f < faces.size(); ++f) out.emplace_back(faces[f].begin(), faces[f].end());
    return out;
}

void ExpectVector(const D3DVECTOR& v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

TEST(XFileMesh, TextAndBinaryEncodingsReadAlike) {
    const struct {
        const char* name;
        std::vector<BYTE> file;
    } encodings[] = {{"text", Text(kTextMesh)},
                     {"binary", BinaryMesh(false)},
                     {"binary 64-bit", BinaryMesh(true)},
                     {"binary, strings ended by a WORD", BinaryMesh(false, true)}};
    for (const auto& e : encodings) {
        SCOPED_TRACE(e.name);
        std::vector<xfile::XMeshInFile> meshes;
        std::string error;
        ASSERT_EQ(ReadMeshes(e.file, &meshes, &error), DXFILE_OK) << error;
        ASSERT_EQ(meshes.size(), 1u);
        const XMeshData& m = meshes[0].mesh;
        EXPECT_EQ(m.name, "Quad");
        ASSERT_EQ(m.positions.size(), 5u);  // the file's order
        ExpectVector(m.positions[1], 1, 0, 0);
        ExpectVector(m.positions[4], 0.5f, 1, 0.5f);
        EXPECT_EQ(Faces(m.faces), (std::vector<std::vector<DWORD>>{{0, 1, 2, 3}, {0, 4, 1}}));
        ASSERT_EQ(m.normals.size(), 2u);
        ExpectVector(m.normals[1], 0, 0, -1);
        EXPECT_EQ(Faces(m.normalFaces), (std::vector<std::vector<DWORD>>{{0, 0, 0, 0}, {1, 1, 1}}));
        ASSERT_EQ(m.texCoords.size(), 5u);
        EXPECT_FLOAT_EQ(m.texCoords[2][0], 1);
        EXPECT_FLOAT_EQ(m.texCoords[3][1], 1);
        EXPECT_EQ(m.faceMaterials, (std::vector<DWORD>{1, 0}));
        ASSERT_EQ(m.materials.size(), 2u);
        const xfile::XMaterial& shiny = m.materials[0];
        EXPECT_FLOAT_EQ(shiny.diffuse.r, 0.8f);
        EXPECT_FLOAT_EQ(shiny.diffuse.b, 0.4f);
        EXPECT_FLOAT_EQ(shiny.diffuse.a, 1.0f);
        EXPECT_FLOAT_EQ(shiny.power, 12.5f);
        EXPECT_FLOAT_EQ(shiny.specular.g, 0.2f);
        EXPECT_FLOAT_EQ(shiny.emissive.b, 0.5f);
        EXPECT_EQ(shiny.textureFilename, "roca.bmp");
        EXPECT_FLOAT_EQ(m.materials[1].diffuse.a, 0.5f);
        EXPECT_EQ(m.materials[1].textureFilename, "");
        EXPECT_FLOAT_EQ(meshes[0].world._41, 10);
        EXPECT_FLOAT_EQ(meshes[0].world._43, 30);
    }
}

// Nested frames place their meshes by local x parent; a mesh outside frames stays put.
TEST(XFileMesh, FrameMatricesComposeInnermostFirst) {
    const char* file = R"(xof 0302txt 0064
Frame Outer {
  FrameTransformMatrix { 2,0,0,0, 0,2,0,0, 0,0,2,0, 0,0,0,1;; }
  Frame Inner {
    FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 1,2,3,1;; }
    Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0,1,2;; }
  }
}
Mesh Loose { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0,2,1;; }
)";
    std::vector<xfile::XMeshInFile> meshes;
    ASSERT_EQ(ReadMeshes(Text(file), &meshes), DXFILE_OK);
    ASSERT_EQ(meshes.size(), 2u);
    EXPECT_FLOAT_EQ(meshes[0].world._11, 2);
    EXPECT_FLOAT_EQ(meshes[0].world._41, 2);  // (1, 2, 3) scaled by the outer frame
    EXPECT_FLOAT_EQ(meshes[0].world._43, 6);
    EXPECT_TRUE(meshes[0].mesh.materials.empty());
    EXPECT_EQ(meshes[1].mesh.name, "Loose");
    EXPECT_FLOAT_EQ(meshes[1].world._11, 1);
    EXPECT_FLOAT_EQ(meshes[1].world._41, 0);
}

TEST(XFileMesh, ShortMaterialListRepeatsItsLastIndex) {
    const char* file = R"(xof 0303txt 0032
Mesh { 4; 0;0;0;, 1;0;0;, 0;1;0;, 1;1;0;; 3; 3; 0,1,2;, 3; 1,3,2;, 3; 0,2,3;;
  MeshMaterialList { 2; 2; 0, 1;;
    Material { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; }
    Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; } } }
)";
    std::vector<xfile::XMeshInFile> meshes;
    ASSERT_EQ(ReadMeshes(Text(file), &meshes), DXFILE_OK);
    EXPECT_EQ(meshes[0].mesh.faceMaterials, (std::vector<DWORD>{0, 1, 1}));
}

TEST(XFileMesh, MalformedFilesFailCleanly) {
    const char* tri = "3; 0;0;0;, 1;0;0;, 0;1;0;;";
    auto mesh = [&](const std::string& body) { return std::string("xof 0303txt 0032\nMesh { ") + body + " }\n"; };
    const struct {
        const char* name;
        std::string file;
        HRESULT expected;  // 0: any failure
    } cases[] = {
        {"not an X file", "hello world, this is text", DXFILEERR_BADFILETYPE},
        {"short header", "xof 0303", DXFILEERR_BADFILETYPE},
        {"unknown version", "xof 0201txt 0032\n", DXFILEERR_BADFILEVERSION},
        {"unknown float size", "xof 0303txt 0016\n", DXFILEERR_BADFILEFLOATSIZE},
        {"compressed", "xof 0303tzip0032\x10\x00\x00\x00", DXFILEERR_BADFILECOMPRESSIONTYPE},
        {"unclosed object", "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0,1,2;;\n",
         DXFILEERR_PARSEERROR},
        {"stray closing brace", mesh(std::string(tri) + " 1; 3; 0,1,2;;") + "}\n", DXFILEERR_PARSEERROR},
        {"vertex count past the data", mesh("9; 0;0;0;, 1;0;0;; 1; 3; 0,1,2;;"), DXFILEERR_BADARRAYSIZE},
        {"huge face count", mesh(std::string(tri) + " 4000000000; 3; 0,1,2;;"), DXFILEERR_BADARRAYSIZE},
        {"face index past the vertex count", mesh(std::string(tri) + " 1; 3; 0,1,3;;"), 0},
        {"face with two corners", mesh(std::string(tri) + " 1; 2; 0,1;;"), 0},
        {"values beyond the template", mesh(std::string(tri) + " 1; 3; 0,1,2;; 7;"), DXFILEERR_PARSEERROR},
        {"fraction as a count", mesh("2.5; 0;0;0;, 1;0;0;; 0;;"), DXFILEERR_BADVALUE},
        {"string as a number", mesh("\"three\"; 1; 3; 0,1,2;;"), DXFILEERR_BADVALUE},
        {"material index out of range",
         mesh(std::string(tri) +
              " 1; 3; 0,1,2;; MeshMaterialList { 1; 1; 1;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }"),
         0},
        {"material list without its materials",
         mesh(std::string(tri) + " 1; 3; 0,1,2;; MeshMaterialList { 2; 1; 0;; }"), 0},
        {"reference to nothing", mesh(std::string(tri) + " 1; 3; 0,1,2;; MeshMaterialList { 1; 1; 0;; { Nowhere } }"),
         0},
        {"normals for another face count",
         mesh(std::string(tri) + " 1; 3; 0,1,2;; MeshNormals { 1; 0;1;0;; 2; 3; 0,0,0;, 3; 0,0,0;; }"), 0},
        {"normal index past the normals",
         mesh(std::string(tri) + " 1; 3; 0,1,2;; MeshNormals { 1; 0;1;0;; 1; 3; 0,0,1;; }"), 0},
        {"texture coordinates for another vertex count",
         mesh(std::string(tri) + " 1; 3; 0,1,2;; MeshTextureCoords { 2; 0;0;, 1;1;; }"), 0},
        {"template member of no template",
         "xof 0303txt 0032\ntemplate Odd { <11111111-2222-3333-4444-555555555555> Missing m; }\nOdd { 1; }\n",
         DXFILEERR_NOTEMPLATE},
        {"template that contains itself",
         "xof 0303txt 0032\ntemplate Loop { <11111111-2222-3333-4444-555555555555> DWORD n; Loop next; }\nLoop { 1; 2; "
         "}\n",
         DXFILEERR_PARSEERROR},
        {"bad GUID", "xof 0303txt 0032\ntemplate Odd { <1111-22> DWORD n; }\n", DXFILEERR_PARSEERROR},
        {"unterminated string", "xof 0303txt 0032\nTextureFilename { \"roca.bmp; }\n", DXFILEERR_PARSEERROR},
        {"nesting too deep", "xof 0303txt 0032\n" + std::string(1000, 'F'), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<xfile::XMeshInFile> meshes;
        std::string error;
        const HRESULT hr = ReadMeshes(std::vector<BYTE>(c.file.begin(), c.file.end()), &meshes, &error);
        if (c.expected)
            EXPECT_EQ(hr, c.expected);
        else
            EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
        EXPECT_TRUE(meshes.empty());
    }
    // Deeply nested objects are refused rather than recursed into without end.
    std::string deep = "xof 0303txt 0032\n";
    for (int i = 0; i < 1000; ++i) deep += "Frame {";
    std::vector<xfile::XMeshInFile> meshes;
    EXPECT_EQ(ReadMeshes(std::vector<BYTE>(deep.begin(), deep.end()), &meshes), DXFILEERR_PARSEERROR);
}

// Crafted files of a few hundred bytes: each is refused at once, without a crash and without
// a run of minutes or an allocation out of proportion to its size.
TEST(XFileMesh, HostileFilesAreRefusedCleanly) {
    const std::string head = "xof 0303txt 0032\n";
    const std::string tri = "3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0,1,2;;";
    auto withMaterial = [&](const std::string& templates, const std::string& inside) {
        return head + templates + "Mesh { " + tri +
               " MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; " + inside + " } } }\n";
    };
    // Templates that double at every level: 2^60 values per element.
    std::string doubling = "template T0 { DWORD a; DWORD b; }\n";
    for (int i = 1; i <= 60; ++i) {
        const std::string inner = "T" + std::to_string(i - 1);
        doubling += "template T" + std::to_string(i) + " { " + inner + " a; " + inner + " b; }\n";
    }
    std::string empties;
    for (int i = 0; i < 200000; ++i) empties += "E{}";
    const struct {
        const char* name;
        std::string file;
        HRESULT expected;
    } cases[] = {
        // The texture-name reader trusts the standard identifier to mean a string pointer.
        {"standard identifier with other members",
         withMaterial("template Fake { <94AF3CAD-637C-454A-9613-84D95E28C203> DWORD filename; }\n", "Fake { 1234; }"),
         DXFILEERR_BADTYPE},
        {"templates expanding exponentially", head + doubling + "T60 { 1; 2; }\n", DXFILEERR_BADARRAYSIZE},
        {"templates referring to each other",
         head + "template A { <00000000-0000-0000-0000-00000000000A> B b; B c; }\n"
                "template B { <00000000-0000-0000-0000-00000000000B> A a; A d; }\nA { 1; }\n",
         DXFILEERR_NOTEMPLATE},
        {"nested arrays of empty elements",
         head + "template E { <00000000-0000-0000-0000-0000000000E0> }\n"
                "template R { <00000000-0000-0000-0000-0000000000E1> array E e[1000000]; }\n"
                "template S { <00000000-0000-0000-0000-0000000000E2> array R r[1000000]; }\n"
                "template U { <00000000-0000-0000-0000-0000000000E3> array S s[1000000]; }\nU { }\n",
         DXFILEERR_BADARRAYSIZE},
        {"hundreds of thousands of empty objects", head + empties, DXFILEERR_BADFILE},
        {"real past 64 bits as a count", head + "Mesh { 1e19; 0;0;0;; 0;; }\n", DXFILEERR_BADVALUE},
        {"infinity as a count", head + "Mesh { 1e999; 0;0;0;; 0;; }\n", DXFILEERR_BADVALUE},
        {"real past a float's range", head + "Mesh { 1; 1e300;0;0;; 0;; }\n", DXFILEERR_BADVALUE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<xfile::XMeshInFile> meshes;
        std::string error;
        EXPECT_EQ(ReadMeshes(std::vector<BYTE>(c.file.begin(), c.file.end()), &meshes, &error), c.expected);
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(meshes.empty());
    }
    // The same identifier with the same members is the standard template under another name.
    const std::string alias = withMaterial("template Named { <94AF3CAD-637C-454A-9613-84D95E28C203> STRING file; }\n",
                                           "Named { \"roca.bmp\"; }");
    std::vector<xfile::XMeshInFile> meshes;
    ASSERT_EQ(ReadMeshes(std::vector<BYTE>(alias.begin(), alias.end()), &meshes), DXFILE_OK);
    ASSERT_EQ(meshes.size(), 1u);
    ASSERT_EQ(meshes[0].mesh.materials.size(), 1u);
    EXPECT_EQ(meshes[0].mesh.materials[0].textureFilename, "roca.bmp");
}

// The mesh reader keeps the data only of what it looks at; each file here puts what it reads
// where a narrower choice of what to keep would lose it.
TEST(XFileMesh, WhatTheReaderLooksAtKeepsItsDataWhereverItLies) {
    const std::string head = "xof 0303txt 0032\n";
    const std::string tri = "3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0,1,2;;";
    const std::string red = "1;0;0;1;; 5; 0;0;0;; 0;0;0;;";
    const struct {
        const char* name;
        std::string file;
        float power;          // of the mesh's one material
        const char* texture;  // its texture name
        std::size_t normals;  // of the mesh
    } cases[] = {
        {"material named inside an object nobody reads",
         head + "Header { 1; 0; 1; Material Red { " + red + " TextureFilename { \"a.bmp\"; } } }\nMesh { " + tri +
             " MeshMaterialList { 1; 1; 0;; { Red } } }\n",
         5, "a.bmp", 0},
        {"material named inside a mesh's second normals",
         head + "Mesh { " + tri + " MeshNormals { 1; 0;1;0;; 1; 3; 0,0,0;; } MeshNormals { 2; 0;1;0;, 1;0;0;; 1; 3; " +
             "0,0,1;; Material Red { " + red + " } } MeshMaterialList { 1; 1; 0;; { Red } } }\n",
         5, "", 1},
        {"texture name after an empty one",
         head + "Mesh { " + tri + " MeshMaterialList { 1; 1; 0;; Material { " + red +
             " TextureFilename { \"\"; } TextureFilename { \"b.bmp\"; } } } }\n",
         5, "b.bmp", 0},
        {"mesh in a frame in a frame, after an unknown object",
         head +
             "Frame { Skin { 1, 2, 3; } Frame { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; } Mesh { " +
             tri + " MeshNormals { 1; 0;1;0;; 1; 3; 0,0,0;; } MeshMaterialList { 1; 1; 0;; Material { " + red +
             " } } } } }\n",
         5, "", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<xfile::XMeshInFile> meshes;
        std::string error;
        ASSERT_EQ(ReadMeshes(Text(c.file.c_str()), &meshes, &error), DXFILE_OK) << error;
        ASSERT_EQ(meshes.size(), 1u);
        ASSERT_EQ(meshes[0].mesh.materials.size(), 1u);
        EXPECT_FLOAT_EQ(meshes[0].mesh.materials[0].power, c.power);
        EXPECT_EQ(meshes[0].mesh.materials[0].textureFilename, c.texture);
        EXPECT_EQ(meshes[0].mesh.normals.size(), c.normals);
    }
}

// A cut-off file never reads past its end. Cut between top-level objects it is a shorter valid
// file without the mesh; cut anywhere else it fails.
TEST(XFileMesh, CutOffFilesFailOrLackTheMesh) {
    const std::vector<BYTE> binary = BinaryMesh(false);
    std::vector<BYTE> text = Text(kTextMesh);
    text.pop_back();  // the closing newline: without it the file is still whole
    for (const std::vector<BYTE>* whole : {&binary, static_cast<const std::vector<BYTE>*>(&text)}) {
        for (std::size_t length = 0; length < whole->size(); ++length) {
            const std::vector<BYTE> prefix(whole->begin(), whole->begin() + length);
            std::vector<xfile::XMeshInFile> meshes;
            const HRESULT hr = ReadMeshes(prefix, &meshes);
            EXPECT_TRUE(FAILED(hr) || meshes.empty()) << "length " << length;
        }
    }
}

struct Released {
    void operator()(IDirectXFile* p) const { p->Release(); }
};

// Walks the interfaces the frame-tree loader uses, with their reference counts.
TEST(XFileComponent, WalksObjectsChildrenAndReferences) {
    IDirectXFile* file = nullptr;
    ASSERT_EQ(DirectXFileCreate(&file), DXFILE_OK);
    EXPECT_EQ(file->RegisterTemplates(const_cast<char*>(D3DRM_XTEMPLATES), D3DRM_XTEMPLATE_BYTES), DXFILE_OK);
    std::vector<BYTE> text = Text(kTextMesh);
    DXFILELOADMEMORY memory{text.data(), static_cast<DWORD>(text.size())};
    IDirectXFileEnumObject* enumObject = nullptr;
    ASSERT_EQ(file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &enumObject), DXFILE_OK);
    EXPECT_EQ(file->Release(), 0u);

    // Top level: Header, Material, Frame, then nothing more.
    std::vector<IDirectXFileData*> top;
    for (IDirectXFileData* d = nullptr; enumObject->GetNextDataObject(&d) == DXFILE_OK;) top.push_back(d);
    IDirectXFileData* none = reinterpret_cast<IDirectXFileData*>(1);
    EXPECT_EQ(enumObject->GetNextDataObject(&none), DXFILEERR_NOMOREOBJECTS);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(enumObject->Release(), 0u);
    ASSERT_EQ(top.size(), 3u);
    const GUID* type = nullptr;
    const GUID* expected[] = {&TID_DXFILEHeader, &TID_D3DRMMaterial, &TID_D3DRMFrame};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(top[i]->GetType(&type), DXFILE_OK);
        EXPECT_EQ(*type, *expected[i]) << i;
    }

    // Names: the length with its terminator, 0 when unnamed, refused when the buffer is short.
    DWORD length = 99;
    EXPECT_EQ(top[0]->GetName(nullptr, &length), DXFILE_OK);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(top[2]->GetName(nullptr, &length), DXFILE_OK);
    EXPECT_EQ(length, 5u);
    char name[8] = {};
    DWORD small = 4;
    EXPECT_EQ(top[2]->GetName(name, &small), DXFILEERR_BADVALUE);
    EXPECT_EQ(top[2]->GetName(name, &length), DXFILE_OK);
    EXPECT_STREQ(name, "Root");

    // Data laid out by the template, whole or by member.
    DWORD size = 0;
    void* data = nullptr;
    ASSERT_EQ(top[0]->GetData(nullptr, &size, &data), DXFILE_OK);
    EXPECT_EQ(size, 8u);
    const WORD* header = static_cast<const WORD*>(data);
    EXPECT_EQ(header[0], 1);
    EXPECT_EQ(static_cast<const DWORD*>(data)[1], 1u);
    ASSERT_EQ(top[1]->GetData("power", &size, &data), DXFILE_OK);
    EXPECT_EQ(size, 4u);
    EXPECT_FLOAT_EQ(*static_cast<const float*>(data), 12.5f);
    EXPECT_EQ(top[1]->GetData("shininess", &size, &data), DXFILEERR_NOTFOUND);

    // The frame's children in file order: the matrix, then the mesh.
    IDirectXFileObject* child = nullptr;
    ASSERT_EQ(top[2]->GetNextObject(&child), DXFILE_OK);
    IDirectXFileData* matrix = nullptr;
    ASSERT_EQ(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&matrix)), S_OK);
    EXPECT_EQ(child->Release(), 1u);
    ASSERT_EQ(matrix->GetData(nullptr, &size, &data), DXFILE_OK);
    EXPECT_EQ(size, 64u);
    EXPECT_FLOAT_EQ(static_cast<const float*>(data)[13], 20.0f);
    EXPECT_EQ(matrix->Release(), 0u);
    ASSERT_EQ(top[2]->GetNextObject(&child), DXFILE_OK);
    IDirectXFileData* mesh = nullptr;
    ASSERT_EQ(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&mesh)), S_OK);
    child->Release();
    EXPECT_EQ(top[2]->GetNextObject(&child), DXFILEERR_NOMOREOBJECTS);
    ASSERT_EQ(mesh->GetData("nVertices", &size, &data), DXFILE_OK);
    EXPECT_EQ(*static_cast<const DWORD*>(data), 5u);

    // Mesh children: the unknown object is skipped, so normals, coordinates, material list.
    const GUID* childTypes[] = {&TID_D3DRMMeshNormals, &TID_D3DRMMeshTextureCoords, &TID_D3DRMMeshMaterialList};
    IDirectXFileData* list = nullptr;
    for (const GUID* want : childTypes) {
        ASSERT_EQ(mesh->GetNextObject(&child), DXFILE_OK);
        IDirectXFileData* d = nullptr;
        ASSERT_EQ(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&d)), S_OK);
        child->Release();
        d->GetType(&type);
        EXPECT_EQ(*type, *want);
        if (*want == TID_D3DRMMeshMaterialList)
            list = d;
        else
            d->Release();
    }
    EXPECT_EQ(mesh->Release(), 0u);

    // The list's first child is a reference: not a data object, but it resolves to one.
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->GetNextObject(&child), DXFILE_OK);
    void* asData = reinterpret_cast<void*>(1);
    EXPECT_EQ(child->QueryInterface(IID_IDirectXFileData, &asData), E_NOINTERFACE);
    EXPECT_EQ(asData, nullptr);
    IDirectXFileDataReference* reference = nullptr;
    ASSERT_EQ(child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&reference)), S_OK);
    EXPECT_EQ(child->Release(), 1u);
    IDirectXFileData* resolved = nullptr;
    ASSERT_EQ(reference->Resolve(&resolved), DXFILE_OK);
    EXPECT_EQ(reference->Release(), 0u);
    resolved->GetName(nullptr, &length);
    resolved->GetName(name, &length);
    EXPECT_STREQ(name, "Shiny");
    EXPECT_EQ(resolved->AddRef(), 2u);
    EXPECT_EQ(resolved->Release(), 1u);
    EXPECT_EQ(resolved->Release(), 0u);
    EXPECT_EQ(list->Release(), 0u);
    for (IDirectXFileData* d : top) EXPECT_EQ(d->Release(), 0u);
}

TEST(XFileComponent, TemplatesDeclaredInTheFileOrRegisteredLayOutTheirData) {
    const char* declared = R"(xof 0303txt 0032
template Marker {
 <0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9>
 DWORD count;
 array WORD codes[count];
 DOUBLE weight;
 STRING label;
 [...]
}
Marker Tag { 2; 7, 9; 0.25; "buoy"; }
)";
    const char* registered =
        "xof 0303txt 0032\ntemplate Marker { <0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9> "
        "DWORD count; array WORD codes[count]; DOUBLE weight; STRING label; }\n";
    const char* user = "xof 0303txt 0032\nMarker Tag { 2; 7, 9; 0.25; \"buoy\"; }\n";
    const GUID markerId = {0x0A1B2C3D, 0x4E5F, 0x6071, {0x82, 0x93, 0xA4, 0xB5, 0xC6, 0xD7, 0xE8, 0xF9}};
    for (bool viaRegister : {false, true}) {
        SCOPED_TRACE(viaRegister ? "registered" : "declared");
        IDirectXFile* file = nullptr;
        ASSERT_EQ(DirectXFileCreate(&file), DXFILE_OK);
        std::string source = declared;
        if (viaRegister) {
            ASSERT_EQ(file->RegisterTemplates(const_cast<char*>(registered), DWORD(std::strlen(registered))),
                      DXFILE_OK);
            source = user;
        }
        DXFILELOADMEMORY memory{source.data(), DWORD(source.size())};
        IDirectXFileEnumObject* enumObject = nullptr;
        ASSERT_EQ(file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &enumObject), DXFILE_OK);
        IDirectXFileData* tag = nullptr;
        ASSERT_EQ(enumObject->GetDataObjectByName("Tag", &tag), DXFILE_OK);
        const GUID* type = nullptr;
        tag->GetType(&type);
        EXPECT_EQ(*type, markerId);
        DWORD size = 0;
        void* data = nullptr;
        ASSERT_EQ(tag->GetData(nullptr, &size, &data), DXFILE_OK);
        ASSERT_EQ(size, 4u + 4u + 8u + sizeof(char*));
        const BYTE* b = static_cast<const BYTE*>(data);
        WORD codes[2];
        double weight;
        const char* label;
        std::memcpy(codes, b + 4, 4);
        std::memcpy(&weight, b + 8, 8);
        std::memcpy(&label, b + 16, sizeof label);
        EXPECT_EQ(codes[0], 7);
        EXPECT_EQ(codes[1], 9);
        EXPECT_EQ(weight, 0.25);
        EXPECT_STREQ(label, "buoy");
        tag->Release();
        enumObject->Release();
        file->Release();
    }
    // Without the declaration the object is unknown and skipped.
    IDirectXFile* file = nullptr;
    ASSERT_EQ(DirectXFileCreate(&file), DXFILE_OK);
    std::string source = user;
    DXFILELOADMEMORY memory{source.data(), DWORD(source.size())};
    IDirectXFileEnumObject* enumObject = nullptr;
    ASSERT_EQ(file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &enumObject), DXFILE_OK);
    IDirectXFileData* d = nullptr;
    EXPECT_EQ(enumObject->GetNextDataObject(&d), DXFILEERR_NOMOREOBJECTS);
    enumObject->Release();
    file->Release();
}

TEST(XFileComponent, OpensFilesThroughTheFileLayer) {
    const testscratch::ScratchFolder scratch("abisalia_xfile_");
    const std::filesystem::path& folder = scratch.Path();
    std::filesystem::create_directories(folder / "Meshes");
    {
        std::FILE* f = std::fopen((folder / "Meshes" / "Roca.X").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs(kTextMesh, f);
        std::fclose(f);
    }
    std::vector<xfile::XMeshInFile> meshes;
    const std::string windowsName = folder.string() + "\\meshes\\roca.x";
    EXPECT_EQ(xfile::ReadXMeshesFromFile(windowsName.c_str(), &meshes), DXFILE_OK);
    EXPECT_EQ(meshes.size(), 1u);
    EXPECT_EQ(xfile::ReadXMeshesFromFile((folder / "none.x").c_str(), &meshes), DXFILEERR_FILENOTFOUND);
    IDirectXFile* file = nullptr;
    ASSERT_EQ(DirectXFileCreate(&file), DXFILE_OK);
    IDirectXFileEnumObject* enumObject = reinterpret_cast<IDirectXFileEnumObject*>(1);
    EXPECT_EQ(file->CreateEnumObject(const_cast<char*>("x"), DXFILELOAD_FROMURL, &enumObject), DXFILEERR_BADVALUE);
    EXPECT_EQ(enumObject, nullptr);
    file->Release();
}

}  // namespace
