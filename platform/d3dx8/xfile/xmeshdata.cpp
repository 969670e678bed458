#include "d3dx8/xfile/xmeshdata.h"

#include <cstring>
#include <functional>

#include "d3dx8/xfile/xdocument.h"

namespace xfile {
namespace {

// Reads the packed data of an object front to back; every read is checked.
class DataCursor {
public:
    DataCursor(const void* data, DWORD size) : m_data(static_cast<const BYTE*>(data)), m_size(size) {}
    bool Dword(DWORD* v) { return Raw(v, 4); }
    bool Float(float* v) { return Raw(v, 4); }
    bool String(std::string* s) {
        const char* p = nullptr;
        if (!Raw(&p, sizeof p)) return false;
        *s = p ? p : "";
        return true;
    }
    bool Vector(D3DVECTOR* v) { return Float(&v->x) && Float(&v->y) && Float(&v->z); }
    bool Colour(D3DCOLORVALUE* c, bool alpha) {
        c->a = 1;
        return Float(&c->r) && Float(&c->g) && Float(&c->b) && (!alpha || Float(&c->a));
    }
    // Counts are checked against the bytes left, so a count never drives a huge allocation.
    bool Count(DWORD* n, std::size_t minBytesEach) {
        return Dword(n) && std::uint64_t{*n} * minBytesEach <= m_size - m_pos;
    }

    bool Skip(std::size_t n) {
        if (n > m_size - m_pos) return false;
        m_pos += n;
        return true;
    }

private:
    bool Raw(void* out, std::size_t n) {
        if (n > m_size - m_pos) return false;
        std::memcpy(out, m_data + m_pos, n);
        m_pos += n;
        return true;
    }
    const BYTE* m_data;
    std::size_t m_size, m_pos = 0;
};

struct Fail {
    std::string* error;
    HRESULT operator()(const std::string& message) const {
        if (error) *error = message;
        return kMeshInvalidData;
    }
};

// One COM reference, released when it goes; Put() releases the old one before a new fill.
template <typename T> struct Ref {
    T* p = nullptr;
    Ref() = default;
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    Ref(Ref&& other) noexcept : p(other.p) { other.p = nullptr; }
    ~Ref() { Reset(); }
    void Reset() {
        if (p) p->Release();
        p = nullptr;
    }
    T** Put() {
        Reset();
        return &p;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    T* operator->() const { return p; }
};

HRESULT Cursor(IDirectXFileData* data, DataCursor* cursor) {
    DWORD size = 0;
    void* bytes = nullptr;
    const HRESULT hr = data->GetData(nullptr, &size, &bytes);
    if (FAILED(hr)) return hr;
    *cursor = DataCursor(bytes, size);
    return DXFILE_OK;
}

// Two walks over the faces: the first checks every count against the bytes left and sums the
// corners, so the second fills a list of exactly that size.
HRESULT ReadFaces(DataCursor& c, DWORD count, FaceList* faces) {
    DataCursor counting = c;
    std::size_t corners = 0;
    for (DWORD f = 0; f < count; ++f) {
        DWORD n;
        if (!counting.Count(&n, 4) || !counting.Skip(std::size_t{n} * 4)) return kMeshInvalidData;
        corners += n;
    }
    *faces = FaceList();
    faces->Reserve(count, corners);
    for (DWORD f = 0; f < count; ++f) {
        DWORD n = 0;
        c.Dword(&n);
        DWORD* index = faces->Add(n);
        for (DWORD k = 0; k < n; ++k) c.Dword(&index[k]);
    }
    return DXFILE_OK;
}

HRESULT ReadMaterial(IDirectXFileData* data, XMaterial* m, const Fail& fail) {
    DataCursor c(nullptr, 0);
    if (FAILED(Cursor(data, &c))) return fail("material data unreadable");
    if (!c.Colour(&m->diffuse, true) || !c.Float(&m->power) || !c.Colour(&m->specular, false) ||
        !c.Colour(&m->emissive, false))
        return fail("material data too short");
    for (Ref<IDirectXFileObject> child; SUCCEEDED(data->GetNextObject(child.Put()));) {
        Ref<IDirectXFileData> childData;
        if (FAILED(child->QueryInterface(IID_IDirectXFileData, childData.PutVoid()))) continue;
        const GUID* type = nullptr;
        childData->GetType(&type);
        if (*type != TID_D3DRMTextureFilename || !m->textureFilename.empty()) continue;
        DataCursor t(nullptr, 0);
        if (FAILED(Cursor(childData.p, &t)) || !t.String(&m->textureFilename))
            return fail("texture file name unreadable");
    }
    return DXFILE_OK;
}

// A child as data: a data object itself, or the object a reference names.
HRESULT AsData(IDirectXFileObject* child, IDirectXFileData** data) {
    if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(data)))) return DXFILE_OK;
    Ref<IDirectXFileDataReference> reference;
    if (FAILED(child->QueryInterface(IID_IDirectXFileDataReference, reference.PutVoid()))) return DXFILEERR_BADOBJECT;
    return reference->Resolve(data);
}

HRESULT ReadMaterialList(IDirectXFileData* data, XMeshData* mesh, const Fail& fail) {
    DataCursor c(nullptr, 0);
    DWORD materialCount, indexCount;
    if (FAILED(Cursor(data, &c)) || !c.Dword(&materialCount) || !c.Count(&indexCount, 4))
        return fail("material list too short");
    std::vector<DWORD> indices(indexCount);
    for (DWORD& i : indices)
        if (!c.Dword(&i)) return fail("material list too short");
    for (Ref<IDirectXFileObject> child; SUCCEEDED(data->GetNextObject(child.Put()));) {
        Ref<IDirectXFileData> material;
        if (FAILED(AsData(child.p, material.Put()))) return fail("material reference names no object");
        const GUID* type = nullptr;
        material->GetType(&type);
        if (*type != TID_D3DRMMaterial) continue;
        if (mesh->materials.size() == materialCount) break;
        XMaterial m;
        if (const HRESULT hr = ReadMaterial(material.p, &m, fail); FAILED(hr)) return hr;
        mesh->materials.push_back(std::move(m));
    }
    if (mesh->materials.size() != materialCount) return fail("material list names more materials than it holds");
    // A short list repeats its last index for the remaining faces.
    mesh->faceMaterials.assign(mesh->faces.size(), 0);
    for (std::size_t f = 0; f < mesh->faces.size(); ++f) {
        const DWORD index = indices.empty() ? 0 : indices[std::min(f, indices.size() - 1)];
        if (materialCount == 0 || index >= materialCount) return fail("face material index out of range");
        mesh->faceMaterials[f] = index;
    }
    return DXFILE_OK;
}

}  // namespace

HRESULT ReadXMesh(IDirectXFileData* data, XMeshData* out, std::string* error) {
    const Fail fail{error};
    *out = XMeshData{};
    if (!data) return DXFILEERR_BADVALUE;
    const GUID* type = nullptr;
    if (FAILED(data->GetType(&type)) || *type != TID_D3DRMMesh) return fail("not a mesh object");
    XMeshData mesh;
    DWORD nameLength = 0;
    data->GetName(nullptr, &nameLength);
    if (nameLength) {
        std::string name(nameLength, '\0');
        data->GetName(name.data(), &nameLength);
        mesh.name = name.c_str();
    }

    DataCursor c(nullptr, 0);
    DWORD vertexCount, faceCount;
    if (FAILED(Cursor(data, &c)) || !c.Count(&vertexCount, 12)) return fail("mesh vertices missing");
    mesh.positions.resize(vertexCount);
    for (D3DVECTOR& p : mesh.positions)
        if (!c.Vector(&p)) return fail("mesh vertices missing");
    if (!c.Count(&faceCount, 4) || FAILED(ReadFaces(c, faceCount, &mesh.faces))) return fail("mesh faces missing");
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        const FaceList::Face face = mesh.faces[f];
        if (face.size() < 3) return fail("mesh face with fewer than three corners");
        for (DWORD i : face)
            if (i >= vertexCount) return fail("mesh face index past the vertex count");
    }

    bool normals = false, coords = false, materials = false;
    for (Ref<IDirectXFileObject> child; SUCCEEDED(data->GetNextObject(child.Put()));) {
        Ref<IDirectXFileData> childData;
        if (FAILED(child->QueryInterface(IID_IDirectXFileData, childData.PutVoid()))) continue;
        const GUID* childType = nullptr;
        childData->GetType(&childType);
        DataCursor d(nullptr, 0);
        if (FAILED(Cursor(childData.p, &d))) return fail("mesh child unreadable");
        if (*childType == TID_D3DRMMeshNormals && !normals) {
            normals = true;
            DWORD n, nFaces;
            if (!d.Count(&n, 12)) return fail("normals missing");
            mesh.normals.resize(n);
            for (D3DVECTOR& v : mesh.normals)
                if (!d.Vector(&v)) return fail("normals missing");
            if (!d.Count(&nFaces, 4) || FAILED(ReadFaces(d, nFaces, &mesh.normalFaces)))
                return fail("normal faces missing");
            if (nFaces != faceCount) return fail("normal face count differs from the face count");
            for (std::size_t f = 0; f < nFaces; ++f) {
                if (mesh.normalFaces[f].size() != mesh.faces[f].size())
                    return fail("normal face corners differ from the face");
                for (DWORD i : mesh.normalFaces[f])
                    if (i >= n) return fail("normal index past the normal count");
            }
        } else if (*childType == TID_D3DRMMeshTextureCoords && !coords) {
            coords = true;
            DWORD n;
            if (!d.Count(&n, 8)) return fail("texture coordinates missing");
            if (n != vertexCount) return fail("texture coordinate count differs from the vertex count");
            mesh.texCoords.resize(n);
            for (auto& uv : mesh.texCoords)
                if (!d.Float(&uv[0]) || !d.Float(&uv[1])) return fail("texture coordinates missing");
        } else if (*childType == TID_D3DRMMeshMaterialList && !materials) {
            materials = true;
            if (const HRESULT hr = ReadMaterialList(childData.p, &mesh, fail); FAILED(hr)) return hr;
        }
    }
    *out = std::move(mesh);
    return DXFILE_OK;
}

namespace {

D3DMATRIX Identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1;
    return m;
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
}

// A frame's meshes are placed by its own matrix, then by its parents' (local x parent).
HRESULT Collect(IDirectXFileData* data, const D3DMATRIX& parent, std::vector<XMeshInFile>* out, const Fail& fail,
                int depth) {
    if (depth > 128) return fail("frames nested too deeply");
    const GUID* type = nullptr;
    if (FAILED(data->GetType(&type))) return fail("object without type");
    if (*type == TID_D3DRMMesh) {
        XMeshInFile m{{}, parent};
        if (const HRESULT hr = ReadXMesh(data, &m.mesh, fail.error); FAILED(hr)) return hr;
        out->push_back(std::move(m));
        return DXFILE_OK;
    }
    if (*type != TID_D3DRMFrame) return DXFILE_OK;
    D3DMATRIX local = Identity();
    std::vector<Ref<IDirectXFileData>> children;
    for (Ref<IDirectXFileObject> child; SUCCEEDED(data->GetNextObject(child.Put()));) {
        Ref<IDirectXFileData> childData;
        if (FAILED(child->QueryInterface(IID_IDirectXFileData, childData.PutVoid()))) continue;
        const GUID* childType = nullptr;
        childData->GetType(&childType);
        if (*childType == TID_D3DRMFrameTransformMatrix) {
            DWORD size = 0;
            void* bytes = nullptr;
            if (FAILED(childData->GetData(nullptr, &size, &bytes)) || size < sizeof(float) * 16)
                return fail("frame matrix too short");
            std::memcpy(local.m, bytes, sizeof(float) * 16);
            continue;
        }
        children.emplace_back();
        std::swap(children.back().p, childData.p);
    }
    const D3DMATRIX world = Multiply(local, parent);
    for (auto& child : children)
        if (const HRESULT hr = Collect(child.p, world, out, fail, depth + 1); FAILED(hr)) return hr;
    return DXFILE_OK;
}

// What the readers above look at: meshes at the top and in frames, with each mesh's first normals,
// coordinates and material list; frame matrices; materials wherever they are (a list may name any
// of them) with their texture names. The data of everything else is not kept.
enum MeshReading : Reading { kFrameReading = kFileReading + 1, kMeshReading, kMaterialReading, kLeafReading };

Reading MeshFileReading(Reading parent, const GUID& type, bool firstOfType) {
    if (type == TID_D3DRMMaterial) return kMaterialReading;
    switch (parent) {
        case kFileReading:
        case kFrameReading:
            if (type == TID_D3DRMMesh) return kMeshReading;
            if (type == TID_D3DRMFrame) return kFrameReading;
            if (type == TID_D3DRMFrameTransformMatrix && parent == kFrameReading) return kLeafReading;
            return kUnread;
        case kMeshReading:
            if (!firstOfType) return kUnread;
            if (type == TID_D3DRMMeshNormals || type == TID_D3DRMMeshTextureCoords || type == TID_D3DRMMeshMaterialList)
                return kLeafReading;
            return kUnread;
        case kMaterialReading: return type == TID_D3DRMTextureFilename ? kLeafReading : kUnread;
        default: return kUnread;
    }
}

HRESULT ReadAll(void* source, DXFILELOADOPTIONS options, std::vector<XMeshInFile>* out, std::string* error) {
    const Fail fail{error};
    out->clear();
    Ref<IDirectXFileEnumObject> enumObject;
    if (const HRESULT hr = OpenXFile(source, options, MeshFileReading, enumObject.Put()); FAILED(hr)) {
        if (error) *error = DescribeXFileError(hr);
        return hr;
    }
    for (Ref<IDirectXFileData> data; SUCCEEDED(enumObject->GetNextDataObject(data.Put()));)
        if (const HRESULT hr = Collect(data.p, Identity(), out, fail, 0); FAILED(hr)) {
            out->clear();
            return hr;
        }
    return DXFILE_OK;
}

}  // namespace

const char* DescribeXFileError(HRESULT hr) {
    switch (hr) {
        case DXFILEERR_FILENOTFOUND: return "file not found";
        case DXFILEERR_BADFILETYPE: return "not an X file";
        case DXFILEERR_BADFILEVERSION: return "X file of an unknown version";
        case DXFILEERR_BADFILEFLOATSIZE: return "X file with an unknown real size";
        case DXFILEERR_BADFILECOMPRESSIONTYPE: return "compressed X files are not read";
        case DXFILEERR_BADFILE: return "X file holds more objects than any mesh needs";
        case DXFILEERR_PARSEERROR: return "X file does not parse";
        case DXFILEERR_NOTEMPLATE: return "X file names a template it does not declare first";
        case DXFILEERR_BADTYPE: return "X file template reuses another template's identifier with other members";
        case DXFILEERR_BADARRAYSIZE: return "X file array larger than the data it holds";
        case DXFILEERR_BADVALUE: return "X file value of the wrong kind or out of range";
        case DXFILEERR_NOMOREDATA: return "X file object holds too few values";
        case DXFILEERR_BADDATAREFERENCE: return "X file reference is malformed";
        default: return "not a readable X file";
    }
}

HRESULT ReadXMeshesFromFile(const char* fileName, std::vector<XMeshInFile>* out, std::string* error) {
    return ReadAll(const_cast<char*>(fileName), DXFILELOAD_FROMFILE, out, error);
}

HRESULT ReadXMeshesFromMemory(const void* data, DWORD size, std::vector<XMeshInFile>* out, std::string* error) {
    DXFILELOADMEMORY memory{const_cast<void*>(data), size};
    return ReadAll(&memory, DXFILELOAD_FROMMEMORY, out, error);
}

}  // namespace xfile
