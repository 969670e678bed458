// X-file meshes into ID3DXMesh: vertex order kept, corners with their own normals split off,
// polygons fanned, materials into a buffer of D3DXMATERIAL records followed by their names.
#include "d3dx8/mesh/meshload.h"

#include <cmath>
#include <cstring>
#include <map>
#include <new>
#include <utility>

#include "d3dx8/mesh/fvflayout.h"
#include "win32/codepage.h"

namespace d3dx {
namespace {

struct Vertex {
    D3DVECTOR position{};
    D3DVECTOR normal{};
    float uv[2] = {};
};

struct Built {
    std::vector<Vertex> vertices;
    std::vector<WORD> indices;
    std::vector<DWORD> attributes;
    std::vector<xfile::XMaterial> materials;
    bool normals = false, texCoords = false;
};

D3DVECTOR TransformPoint(const D3DMATRIX& m, const D3DVECTOR& p) {
    return {p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41, p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42,
            p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43};
}

D3DVECTOR TransformNormal(const D3DMATRIX& m, const D3DVECTOR& n) {
    D3DVECTOR r{n.x * m._11 + n.y * m._21 + n.z * m._31, n.x * m._12 + n.y * m._22 + n.z * m._32,
                n.x * m._13 + n.y * m._23 + n.z * m._33};
    const float len = std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z);
    if (len > 0) r = {r.x / len, r.y / len, r.z / len};
    return r;
}

bool IsIdentity(const D3DMATRIX& m) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (m.m[i][j] != (i == j ? 1.0f : 0.0f)) return false;
    return true;
}

HRESULT Fail(std::string* error, const std::string& what, HRESULT hr = D3DXERR_INVALIDDATA) {
    if (error) *error = what;
    return hr;
}

HRESULT Append(const xfile::XMeshInFile& in, bool materialsExpected, Built* out, std::string* error) {
    const xfile::XMeshData& m = in.mesh;
    const bool identity = IsIdentity(in.world);
    const std::size_t base = out->vertices.size();
    const bool hasNormals = !m.normals.empty();
    out->normals |= hasNormals;
    out->texCoords |= !m.texCoords.empty();
    for (std::size_t i = 0; i < m.positions.size(); ++i) {
        Vertex v;
        v.position = identity ? m.positions[i] : TransformPoint(in.world, m.positions[i]);
        if (!m.texCoords.empty()) {
            v.uv[0] = m.texCoords[i][0];
            v.uv[1] = m.texCoords[i][1];
        }
        out->vertices.push_back(v);
    }
    // The normal each file vertex took first, and the copies made for other normals.
    std::vector<long> firstNormal(m.positions.size(), -1);
    std::map<std::pair<DWORD, DWORD>, std::size_t> copies;
    auto corner = [&](std::size_t face, std::size_t k) -> std::size_t {
        const DWORD p = m.faces[face][k];
        if (!hasNormals) return base + p;
        const DWORD n = m.normalFaces[face][k];
        const D3DVECTOR normal = identity ? m.normals[n] : TransformNormal(in.world, m.normals[n]);
        if (firstNormal[p] < 0 || static_cast<DWORD>(firstNormal[p]) == n) {
            firstNormal[p] = n;
            out->vertices[base + p].normal = normal;
            return base + p;
        }
        auto [it, made] = copies.try_emplace({p, n}, out->vertices.size());
        if (made) {
            Vertex v = out->vertices[base + p];
            v.normal = normal;
            out->vertices.push_back(v);
        }
        return it->second;
    };

    const DWORD materialBase = static_cast<DWORD>(out->materials.size());
    DWORD ownDefault = materialBase;
    if (m.materials.empty() && materialsExpected) {
        xfile::XMaterial grey;
        grey.diffuse = {0.5f, 0.5f, 0.5f, 1.0f};
        grey.specular = grey.emissive = {0, 0, 0, 1};
        out->materials.push_back(grey);
    } else {
        out->materials.insert(out->materials.end(), m.materials.begin(), m.materials.end());
    }
    for (std::size_t f = 0; f < m.faces.size(); ++f) {
        const DWORD attribute = m.materials.empty() ? ownDefault : materialBase + m.faceMaterials[f];
        const std::size_t first = corner(f, 0);
        for (std::size_t k = 1; k + 1 < m.faces[f].size(); ++k) {
            const std::size_t b = corner(f, k), c = corner(f, k + 1);
            if (out->vertices.size() > 0xFFFF)
                return Fail(error, "mesh has more than 65535 vertices, past the 16-bit index limit");
            out->indices.push_back(static_cast<WORD>(first));
            out->indices.push_back(static_cast<WORD>(b));
            out->indices.push_back(static_cast<WORD>(c));
            out->attributes.push_back(attribute);
        }
    }
    if (out->vertices.size() > 0xFFFF)
        return Fail(error, "mesh has more than 65535 vertices, past the 16-bit index limit");
    return D3D_OK;
}

HRESULT MaterialBuffer(const std::vector<xfile::XMaterial>& materials, LPD3DXBUFFER* out) {
    DWORD size = static_cast<DWORD>(materials.size() * sizeof(D3DXMATERIAL));
    for (const auto& m : materials)
        if (!m.textureFilename.empty()) size += static_cast<DWORD>(m.textureFilename.size() + 1);
    if (const HRESULT hr = D3DXCreateBuffer(size, out); FAILED(hr)) return hr;
    auto* records = static_cast<D3DXMATERIAL*>((*out)->GetBufferPointer());
    char* names = reinterpret_cast<char*>(records + materials.size());
    for (std::size_t i = 0; i < materials.size(); ++i) {
        const xfile::XMaterial& m = materials[i];
        D3DXMATERIAL& r = records[i];
        r.MatD3D = D3DMATERIAL8{};
        r.MatD3D.Diffuse = m.diffuse;
        r.MatD3D.Specular = m.specular;
        r.MatD3D.Emissive = m.emissive;
        r.MatD3D.Power = m.power;
        r.pTextureFilename = nullptr;
        if (!m.textureFilename.empty()) {
            std::memcpy(names, m.textureFilename.c_str(), m.textureFilename.size() + 1);
            r.pTextureFilename = names;
            names += m.textureFilename.size() + 1;
        }
    }
    return D3D_OK;
}

}  // namespace

HRESULT BuildMesh(const std::vector<xfile::XMeshInFile>& meshes, DWORD options, IDirect3DDevice8* device,
                  LPD3DXBUFFER* materials, DWORD* materialCount, LPD3DXMESH* mesh, std::string* error) {
    bool anyMaterials = false;
    for (const auto& m : meshes) anyMaterials |= !m.mesh.materials.empty();
    Built built;
    for (const auto& m : meshes)
        if (const HRESULT hr = Append(m, anyMaterials, &built, error); FAILED(hr)) return hr;
    if (built.indices.empty() || built.vertices.empty())
        return Fail(error, "file holds no mesh with faces", D3DXERR_LOADEDMESHASNODATA);

    const DWORD fvf = D3DFVF_XYZ | (built.normals ? D3DFVF_NORMAL : 0u) | (built.texCoords ? D3DFVF_TEX1 : 0u);
    const DWORD faces = static_cast<DWORD>(built.attributes.size());
    const DWORD vertices = static_cast<DWORD>(built.vertices.size());
    ID3DXMesh* out = nullptr;
    if (const HRESULT hr = D3DXCreateMeshFVF(faces, vertices, options, fvf, device, &out); FAILED(hr))
        return Fail(error, "the device cannot hold the mesh", hr);
    const FvfLayout layout = LayoutOf(fvf);
    BYTE* p = nullptr;
    HRESULT hr = out->LockVertexBuffer(0, &p);
    if (SUCCEEDED(hr)) {
        for (DWORD v = 0; v < vertices; ++v) {
            BYTE* d = p + std::size_t{v} * layout.stride;
            std::memcpy(d, &built.vertices[v].position, 12);
            if (layout.normal >= 0) std::memcpy(d + layout.normal, &built.vertices[v].normal, 12);
            if (layout.texCoordCount > 0) std::memcpy(d + layout.texCoord[0], built.vertices[v].uv, 8);
        }
        out->UnlockVertexBuffer();
        hr = out->LockIndexBuffer(0, &p);
    }
    if (SUCCEEDED(hr)) {
        std::memcpy(p, built.indices.data(), built.indices.size() * sizeof(WORD));
        out->UnlockIndexBuffer();
        DWORD* attributes = nullptr;
        out->LockAttributeBuffer(0, &attributes);
        std::memcpy(attributes, built.attributes.data(), faces * sizeof(DWORD));
        out->UnlockAttributeBuffer();
    }
    if (SUCCEEDED(hr) && materials) hr = MaterialBuffer(built.materials, materials);
    if (FAILED(hr)) {
        out->Release();
        return Fail(error, "the mesh's buffers could not be filled", hr);
    }
    if (materialCount) *materialCount = static_cast<DWORD>(built.materials.size());
    *mesh = out;
    return D3D_OK;
}

HRESULT LoadMeshFromX(const char* fileName, DWORD options, IDirect3DDevice8* device, LPD3DXBUFFER* materials,
                      DWORD* materialCount, LPD3DXMESH* mesh, std::string* error) {
    if (!fileName || !device || !mesh) return Fail(error, "missing argument", D3DERR_INVALIDCALL);
    *mesh = nullptr;
    if (materials) *materials = nullptr;
    if (materialCount) *materialCount = 0;
    std::vector<xfile::XMeshInFile> meshes;
    if (const HRESULT hr = xfile::ReadXMeshesFromFile(fileName, &meshes, error); FAILED(hr)) return hr;
    return BuildMesh(meshes, options, device, materials, materialCount, mesh, error);
}

}  // namespace d3dx

HRESULT D3DXLoadMeshFromX(LPCSTR pFilename, DWORD options, IDirect3DDevice8* pDevice, LPD3DXBUFFER* ppAdjacency,
                          LPD3DXBUFFER* ppMaterials, DWORD* pNumMaterials, LPD3DXMESH* ppMesh) {
    if (ppAdjacency) *ppAdjacency = nullptr;
    std::string error;
    HRESULT hr = E_OUTOFMEMORY;
    try {
        hr = d3dx::LoadMeshFromX(pFilename, options, pDevice, ppMaterials, pNumMaterials, ppMesh, &error);
    } catch (const std::bad_alloc&) {
        // A file that needs more than there is is refused like any other it cannot hold.
        error = "not enough memory to load the mesh";
    }
    if (FAILED(hr) && hr != DXFILEERR_FILENOTFOUND) {
        // A missing file is the caller's to report; a file that is there and refused says why.
        const std::string line = std::string(pFilename ? pFilename : "") + ": " + error + "\n";
        OutputDebugStringA(line.c_str());
    }
    return hr;
}

HRESULT D3DXLoadMeshFromXof(IDirectXFileData* pXofObjMesh, DWORD options, IDirect3DDevice8* pDevice,
                            LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials, DWORD* pNumMaterials,
                            LPD3DXMESH* ppMesh) {
    if (ppAdjacency) *ppAdjacency = nullptr;
    if (!pXofObjMesh || !pDevice || !ppMesh) return D3DERR_INVALIDCALL;
    *ppMesh = nullptr;
    if (ppMaterials) *ppMaterials = nullptr;
    if (pNumMaterials) *pNumMaterials = 0;
    try {
        std::vector<xfile::XMeshInFile> meshes(1);
        if (const HRESULT hr = xfile::ReadXMesh(pXofObjMesh, &meshes[0].mesh); FAILED(hr)) return hr;
        D3DMATRIX identity{};
        identity._11 = identity._22 = identity._33 = identity._44 = 1;
        meshes[0].world = identity;
        return d3dx::BuildMesh(meshes, options, pDevice, ppMaterials, pNumMaterials, ppMesh, nullptr);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT D3DXComputeNormals(LPD3DXMESH pMesh, const DWORD*) {
    if (!pMesh) return D3DERR_INVALIDCALL;
    const d3dx::FvfLayout layout = d3dx::LayoutOf(pMesh->GetFVF());
    if (layout.normal < 0 || layout.positionSize < 12) return D3DERR_INVALIDCALL;
    BYTE* vb = nullptr;
    BYTE* ib = nullptr;
    if (FAILED(pMesh->LockVertexBuffer(0, &vb))) return E_FAIL;
    if (FAILED(pMesh->LockIndexBuffer(D3DLOCK_READONLY, &ib))) {
        pMesh->UnlockVertexBuffer();
        return E_FAIL;
    }
    const DWORD vertices = pMesh->GetNumVertices(), faces = pMesh->GetNumFaces();
    std::vector<D3DVECTOR> sums(vertices, D3DVECTOR{0, 0, 0});
    auto position = [&](WORD i) {
        D3DVECTOR p;
        std::memcpy(&p, vb + std::size_t{i} * layout.stride, 12);
        return p;
    };
    const WORD* indices = reinterpret_cast<const WORD*>(ib);
    for (DWORD f = 0; f < faces; ++f) {
        const WORD i[3] = {indices[f * 3], indices[f * 3 + 1], indices[f * 3 + 2]};
        if (i[0] >= vertices || i[1] >= vertices || i[2] >= vertices) continue;
        const D3DVECTOR a = position(i[0]), b = position(i[1]), c = position(i[2]);
        const D3DVECTOR e1{b.x - a.x, b.y - a.y, b.z - a.z}, e2{c.x - a.x, c.y - a.y, c.z - a.z};
        D3DVECTOR n{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
        const float len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        if (!(len > 0)) continue;
        for (WORD k : i) {
            sums[k].x += n.x / len;
            sums[k].y += n.y / len;
            sums[k].z += n.z / len;
        }
    }
    for (DWORD v = 0; v < vertices; ++v) {
        D3DVECTOR n = sums[v];
        const float len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        n = len > 0 ? D3DVECTOR{n.x / len, n.y / len, n.z / len} : D3DVECTOR{0, 0, 0};
        std::memcpy(vb + std::size_t{v} * layout.stride + layout.normal, &n, 12);
    }
    pMesh->UnlockIndexBuffer();
    pMesh->UnlockVertexBuffer();
    return D3D_OK;
}
