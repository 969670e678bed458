// A mesh as an X file describes it, before it becomes a device mesh: the file's vertex order,
// its polygons, normals with their own face indices, texture coordinates and materials.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "d3d8/d3d8types.h"
#include "d3dx8/xfile/dxfile.h"

namespace xfile {

struct XMaterial {
    D3DCOLORVALUE diffuse{};  // the file's face colour
    float power = 0;
    D3DCOLORVALUE specular{};     // alpha 1
    D3DCOLORVALUE emissive{};     // alpha 1
    std::string textureFilename;  // empty when the material names none
};

struct XMeshData {
    std::string name;
    std::vector<D3DVECTOR> positions;
    std::vector<std::vector<DWORD>> faces;  // polygons of three or more position indices
    std::vector<D3DVECTOR> normals;
    std::vector<std::vector<DWORD>> normalFaces;  // per face, one normal index per corner
    std::vector<std::array<float, 2>> texCoords;  // one (u, v) per position, or none
    std::vector<XMaterial> materials;
    std::vector<DWORD> faceMaterials;  // per face, when there are materials
};

// Reads a Mesh data object with its MeshNormals, MeshTextureCoords and MeshMaterialList
// children (materials inline or referenced). Every index is checked against what it indexes;
// a mesh that breaks a rule gives kMeshInvalidData and a message in `error`, if given.
constexpr HRESULT kMeshInvalidData = MAKE_HRESULT(1, 0x876, 2905);
HRESULT ReadXMesh(IDirectXFileData* mesh, XMeshData* out, std::string* error = nullptr);

struct XMeshInFile {
    XMeshData mesh;
    D3DMATRIX world;  // the frame matrices above the mesh, innermost first (row vectors)
};

// A sentence for a failure of the X-file component.
const char* DescribeXFileError(HRESULT hr);

// Every mesh of a file in file order, top-level ones and those inside frames.
HRESULT ReadXMeshesFromFile(const char* fileName, std::vector<XMeshInFile>* out, std::string* error = nullptr);
HRESULT ReadXMeshesFromMemory(const void* data, DWORD size, std::vector<XMeshInFile>* out,
                              std::string* error = nullptr);

}  // namespace xfile
