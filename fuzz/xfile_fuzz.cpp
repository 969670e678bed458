// X files, text and binary: the component's parse, the mesh reader and the mesh build. The mesh
// reader keeps only the data it looks at; the same bytes read through the component with every
// object's data kept must give the same meshes, or the same failure.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "d3dx8/xfile/xmeshdata.h"
#include "fuzz.h"

namespace {

template <typename T> void Release(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

// Reads every byte of every object, walking children and references.
void Touch(IDirectXFileData* data, int depth, unsigned* sum) {
    DWORD size = 0;
    void* bytes = nullptr;
    if (SUCCEEDED(data->GetData(nullptr, &size, &bytes)))
        for (DWORD i = 0; i < size; ++i) *sum += static_cast<const BYTE*>(bytes)[i];
    if (depth > 8) return;
    IDirectXFileObject* child = nullptr;
    while (SUCCEEDED(data->GetNextObject(&child))) {
        IDirectXFileData* childData = nullptr;
        IDirectXFileDataReference* reference = nullptr;
        if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&childData)))) {
            Touch(childData, depth + 1, sum);
        } else if (SUCCEEDED(
                       child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&reference))) &&
                   SUCCEEDED(reference->Resolve(&childData))) {
            DWORD n = 0;
            void* p = nullptr;
            childData->GetData(nullptr, &n, &p);
        }
        Release(childData);
        Release(reference);
        Release(child);
    }
}

// The meshes at the top and in frames, read from fully kept data objects.
HRESULT CollectMeshes(IDirectXFileData* data, int depth, std::vector<xfile::XMeshData>* out) {
    if (depth > 128) return E_FAIL;
    const GUID* type = nullptr;
    data->GetType(&type);
    if (*type == TID_D3DRMMesh) {
        xfile::XMeshData mesh;
        if (const HRESULT hr = xfile::ReadXMesh(data, &mesh); FAILED(hr)) return hr;
        out->push_back(std::move(mesh));
        return S_OK;
    }
    if (*type != TID_D3DRMFrame) return S_OK;
    HRESULT hr = S_OK;
    IDirectXFileObject* child = nullptr;
    while (SUCCEEDED(hr) && SUCCEEDED(data->GetNextObject(&child))) {
        IDirectXFileData* childData = nullptr;
        if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&childData)))) {
            const GUID* childType = nullptr;
            childData->GetType(&childType);
            DWORD size = 0;
            void* bytes = nullptr;
            if (*childType == TID_D3DRMFrameTransformMatrix &&
                (FAILED(childData->GetData(nullptr, &size, &bytes)) || size < 64))
                hr = xfile::kMeshInvalidData;
            else if (*childType != TID_D3DRMFrameTransformMatrix)
                hr = CollectMeshes(childData, depth + 1, out);
        }
        Release(childData);
        Release(child);
    }
    return hr;
}

bool SameFaces(const xfile::FaceList& a, const xfile::FaceList& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t f = 0; f < a.size(); ++f)
        if (a[f].size() != b[f].size() || !std::equal(a[f].begin(), a[f].end(), b[f].begin())) return false;
    return true;
}

bool SameMesh(const xfile::XMeshData& a, const xfile::XMeshData& b) {
    auto bytes = [](const auto& x, const auto& y) {
        return x.size() == y.size() && (x.empty() || std::memcmp(x.data(), y.data(), x.size() * sizeof x[0]) == 0);
    };
    if (a.name != b.name || !bytes(a.positions, b.positions) || !bytes(a.normals, b.normals) ||
        !bytes(a.texCoords, b.texCoords) || a.faceMaterials != b.faceMaterials || !SameFaces(a.faces, b.faces) ||
        !SameFaces(a.normalFaces, b.normalFaces) || a.materials.size() != b.materials.size())
        return false;
    for (std::size_t i = 0; i < a.materials.size(); ++i) {
        const xfile::XMaterial &x = a.materials[i], &y = b.materials[i];
        if (std::memcmp(&x.diffuse, &y.diffuse, sizeof x.diffuse) != 0 || std::memcmp(&x.power, &y.power, 4) != 0 ||
            std::memcmp(&x.specular, &y.specular, sizeof x.specular) != 0 ||
            std::memcmp(&x.emissive, &y.emissive, sizeof x.emissive) != 0 || x.textureFilename != y.textureFilename)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<xfile::XMeshInFile> meshes;
    std::string error;
    const HRESULT read = xfile::ReadXMeshesFromMemory(data, static_cast<DWORD>(size), &meshes, &error);

    IDirectXFile* file = nullptr;
    if (FAILED(DirectXFileCreate(&file))) return 0;
    DXFILELOADMEMORY memory{const_cast<std::uint8_t*>(data), static_cast<DWORD>(size)};
    IDirectXFileEnumObject* enumObject = nullptr;
    const HRESULT parsed = file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &enumObject);
    HRESULT collected = parsed;
    std::vector<xfile::XMeshData> kept;
    for (IDirectXFileData* object = nullptr;
         SUCCEEDED(parsed) && SUCCEEDED(collected) && SUCCEEDED(enumObject->GetNextDataObject(&object));
         Release(object))
        collected = CollectMeshes(object, 0, &kept);
    Release(enumObject);
    // Walking children uses up an object's list of them, so every byte is read on a second parse.
    unsigned sum = 0;
    if (SUCCEEDED(parsed) && SUCCEEDED(file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &enumObject))) {
        for (IDirectXFileData* object = nullptr; SUCCEEDED(enumObject->GetNextDataObject(&object)); Release(object))
            Touch(object, 0, &sum);
        Release(enumObject);
    }
    if (SUCCEEDED(read) != SUCCEEDED(collected) || (FAILED(read) && FAILED(parsed) && read != parsed)) std::abort();
    if (SUCCEEDED(read)) {
        if (meshes.size() != kept.size()) std::abort();
        for (std::size_t i = 0; i < kept.size(); ++i)
            if (!SameMesh(meshes[i].mesh, kept[i])) std::abort();
    }
    // The same bytes as templates to register.
    file->RegisterTemplates(const_cast<std::uint8_t*>(data), static_cast<DWORD>(size));
    file->Release();
    return static_cast<int>(sum & 0);
}
