// A mesh as an X file describes it, before it becomes a device mesh: the file's vertex order,
// its polygons, normals with their own face indices, texture coordinates and materials.
#pragma once

#include <array>
#include <cstddef>
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

// Polygons as one run of indices and where each starts: a file of millions of faces costs what
// its indices do.
class FaceList {
public:
    class Face {
    public:
        std::size_t size() const { return m_size; }
        DWORD operator[](std::size_t k) const { return m_first[k]; }
        const DWORD* begin() const { return m_first; }
        const DWORD* end() const { return m_first + m_size; }

    private:
        friend class FaceList;
        Face(const DWORD* first, std::size_t size) : m_first(first), m_size(size) {}
        const DWORD* m_first;
        std::size_t m_size;
    };

    std::size_t size() const { return m_starts.empty() ? 0 : m_starts.size() - 1; }  // 0 once moved from
    bool empty() const { return size() == 0; }
    Face operator[](std::size_t f) const { return Face(m_indices.data() + m_starts[f], m_starts[f + 1] - m_starts[f]); }
    void Reserve(std::size_t faces, std::size_t indices) {
        m_starts.reserve(faces + 1);
        m_indices.reserve(indices);
    }
    // Room for one more face of `corners` indices, to be filled at once.
    DWORD* Add(std::size_t corners) {
        const std::size_t at = m_indices.size();
        m_indices.resize(at + corners);
        m_starts.push_back(static_cast<DWORD>(m_indices.size()));
        return m_indices.data() + at;
    }

private:
    std::vector<DWORD> m_indices;
    std::vector<DWORD> m_starts{0};  // an object's data, and so its indices, stay under 4 GB
};

struct XMeshData {
    std::string name;
    std::vector<D3DVECTOR> positions;
    FaceList faces;  // polygons of three or more position indices
    std::vector<D3DVECTOR> normals;
    FaceList normalFaces;                         // per face, one normal index per corner
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
