// ID3DXMesh over a device vertex buffer, a 16-bit index buffer and attribute ids in memory.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <vector>

#include "d3dx8/mesh/d3dx8mesh.h"
#include "d3dx8/mesh/fvflayout.h"

namespace {

D3DPOOL PoolFor(DWORD options, DWORD systemBit, DWORD managedBit) {
    if (options & systemBit) return D3DPOOL_SYSTEMMEM;
    if (options & managedBit) return D3DPOOL_MANAGED;
    return D3DPOOL_DEFAULT;
}

DWORD UsageFor(DWORD options, DWORD writeOnlyBit, DWORD dynamicBit) {
    DWORD usage = 0;
    if (options & writeOnlyBit) usage |= D3DUSAGE_WRITEONLY;
    if (options & dynamicBit) usage |= D3DUSAGE_DYNAMIC;
    return usage;
}

class Mesh final : public win32::ComObject<ID3DXMesh, IID_ID3DXMesh> {
public:
    Mesh(IDirect3DDevice8* device, DWORD options, DWORD fvf, DWORD faces, DWORD vertices)
        : device_(device), options_(options), fvf_(fvf), faces_(faces), vertices_(vertices), attributes_(faces, 0) {
        device_->AddRef();
    }

    HRESULT Init() {
        const d3dx::FvfLayout layout = d3dx::LayoutOf(fvf_);
        stride_ = layout.stride;
        HRESULT hr = device_->CreateVertexBuffer(vertices_ * stride_,
                                                 UsageFor(options_, D3DXMESH_VB_WRITEONLY, D3DXMESH_VB_DYNAMIC), fvf_,
                                                 PoolFor(options_, D3DXMESH_VB_SYSTEMMEM, D3DXMESH_VB_MANAGED), &vb_);
        if (FAILED(hr)) return hr;
        hr = device_->CreateIndexBuffer(faces_ * 3 * sizeof(WORD),
                                        UsageFor(options_, D3DXMESH_IB_WRITEONLY, D3DXMESH_IB_DYNAMIC), D3DFMT_INDEX16,
                                        PoolFor(options_, D3DXMESH_IB_SYSTEMMEM, D3DXMESH_IB_MANAGED), &ib_);
        if (FAILED(hr)) return hr;
        BYTE* p = nullptr;
        if (SUCCEEDED(vb_->Lock(0, 0, &p, 0))) {
            std::memset(p, 0, std::size_t{vertices_} * stride_);
            vb_->Unlock();
        }
        if (SUCCEEDED(ib_->Lock(0, 0, &p, 0))) {
            std::memset(p, 0, std::size_t{faces_} * 3 * sizeof(WORD));
            ib_->Unlock();
        }
        return D3D_OK;
    }

    HRESULT DrawSubset(DWORD attribId) override {
        bool bound = false;
        for (DWORD f = 0; f < faces_;) {
            if (attributes_[f] != attribId) {
                ++f;
                continue;
            }
            DWORD end = f;
            while (end < faces_ && attributes_[end] == attribId) ++end;
            if (!bound) {
                device_->SetVertexShader(fvf_);
                device_->SetStreamSource(0, vb_, stride_);
                device_->SetIndices(ib_, 0);
                bound = true;
            }
            if (const HRESULT hr = device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, vertices_, f * 3, end - f);
                FAILED(hr))
                return hr;
            f = end;
        }
        return D3D_OK;
    }
    DWORD GetNumFaces() override { return faces_; }
    DWORD GetNumVertices() override { return vertices_; }
    DWORD GetFVF() override { return fvf_; }
    DWORD GetOptions() override { return options_; }
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override {
        if (!ppDevice) return D3DERR_INVALIDCALL;
        device_->AddRef();
        *ppDevice = device_;
        return D3D_OK;
    }

    HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* pDevice, ID3DXMesh** ppCloneMesh) override {
        if (!ppCloneMesh) return D3DERR_INVALIDCALL;
        *ppCloneMesh = nullptr;
        if (!pDevice) pDevice = device_;
        ID3DXMesh* clone = nullptr;
        if (const HRESULT hr = D3DXCreateMeshFVF(faces_, vertices_, options, fvf, pDevice, &clone); FAILED(hr))
            return hr;
        HRESULT hr = CopyInto(static_cast<Mesh*>(clone));
        if (FAILED(hr)) {
            clone->Release();
            return hr;
        }
        *ppCloneMesh = clone;
        return D3D_OK;
    }

    HRESULT GetVertexBuffer(IDirect3DVertexBuffer8** ppVB) override {
        if (!ppVB) return D3DERR_INVALIDCALL;
        vb_->AddRef();
        *ppVB = vb_;
        return D3D_OK;
    }
    HRESULT GetIndexBuffer(IDirect3DIndexBuffer8** ppIB) override {
        if (!ppIB) return D3DERR_INVALIDCALL;
        ib_->AddRef();
        *ppIB = ib_;
        return D3D_OK;
    }
    HRESULT LockVertexBuffer(DWORD flags, BYTE** ppData) override { return vb_->Lock(0, 0, ppData, flags); }
    HRESULT UnlockVertexBuffer() override { return vb_->Unlock(); }
    HRESULT LockIndexBuffer(DWORD flags, BYTE** ppData) override { return ib_->Lock(0, 0, ppData, flags); }
    HRESULT UnlockIndexBuffer() override { return ib_->Unlock(); }
    HRESULT LockAttributeBuffer(DWORD, DWORD** ppData) override {
        if (!ppData) return D3DERR_INVALIDCALL;
        *ppData = attributes_.empty() ? &emptyAttribute_ : attributes_.data();
        return D3D_OK;
    }
    HRESULT UnlockAttributeBuffer() override { return D3D_OK; }
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) override {
        if (!pAttribTableSize) return D3DERR_INVALIDCALL;
        DWORD runs = 0;
        for (DWORD f = 0; f < faces_;) {
            DWORD end = f;
            while (end < faces_ && attributes_[end] == attributes_[f]) ++end;
            if (pAttribTable) {
                if (runs >= *pAttribTableSize) return D3DERR_INVALIDCALL;
                pAttribTable[runs] = {attributes_[f], f, end - f, 0, vertices_};
            }
            ++runs;
            f = end;
        }
        *pAttribTableSize = runs;
        return D3D_OK;
    }

private:
    ~Mesh() override {
        if (ib_) ib_->Release();
        if (vb_) vb_->Release();
        device_->Release();
    }

    HRESULT CopyInto(Mesh* dst) {
        BYTE *from = nullptr, *to = nullptr;
        if (FAILED(vb_->Lock(0, 0, &from, D3DLOCK_READONLY))) return E_FAIL;
        if (FAILED(dst->vb_->Lock(0, 0, &to, 0))) {
            vb_->Unlock();
            return E_FAIL;
        }
        const d3dx::FvfLayout a = d3dx::LayoutOf(fvf_), b = d3dx::LayoutOf(dst->fvf_);
        for (DWORD v = 0; v < vertices_; ++v) {
            const BYTE* s = from + std::size_t{v} * a.stride;
            BYTE* d = to + std::size_t{v} * b.stride;
            std::memcpy(d, s, std::min(a.positionSize, b.positionSize));
            auto copy = [&](int so, int dof, UINT n) {
                if (so >= 0 && dof >= 0) std::memcpy(d + dof, s + so, n);
            };
            copy(a.normal, b.normal, 12);
            copy(a.pointSize, b.pointSize, 4);
            copy(a.diffuse, b.diffuse, 4);
            copy(a.specular, b.specular, 4);
            for (int t = 0; t < std::min(a.texCoordCount, b.texCoordCount); ++t)
                copy(a.texCoord[t], b.texCoord[t], std::min(a.texCoordSize[t], b.texCoordSize[t]));
        }
        dst->vb_->Unlock();
        vb_->Unlock();
        if (FAILED(ib_->Lock(0, 0, &from, D3DLOCK_READONLY))) return E_FAIL;
        if (FAILED(dst->ib_->Lock(0, 0, &to, 0))) {
            ib_->Unlock();
            return E_FAIL;
        }
        std::memcpy(to, from, std::size_t{faces_} * 3 * sizeof(WORD));
        dst->ib_->Unlock();
        ib_->Unlock();
        dst->attributes_ = attributes_;
        return D3D_OK;
    }

    IDirect3DDevice8* device_;
    DWORD options_, fvf_, faces_, vertices_;
    UINT stride_ = 0;
    IDirect3DVertexBuffer8* vb_ = nullptr;
    IDirect3DIndexBuffer8* ib_ = nullptr;
    std::vector<DWORD> attributes_;
    DWORD emptyAttribute_ = 0;
};

}  // namespace

HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice8* pDevice,
                          LPD3DXMESH* ppMesh) {
    if (!ppMesh) return D3DERR_INVALIDCALL;
    *ppMesh = nullptr;
    const d3dx::FvfLayout layout = d3dx::LayoutOf(fvf);
    if (!pDevice || numFaces == 0 || numVertices == 0 || numVertices > 0xFFFF || (options & D3DXMESH_32BIT) ||
        !layout.valid || layout.positionSize == 0 || numFaces > 0x7FFFFFFF / 6)
        return D3DERR_INVALIDCALL;
    // The attribute table is allocated with the object: a count beyond memory fails here.
    Mesh* mesh = nullptr;
    try {
        mesh = new Mesh(pDevice, options, fvf, numFaces, numVertices);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (const HRESULT hr = mesh->Init(); FAILED(hr)) {
        mesh->Release();
        return hr;
    }
    *ppMesh = mesh;
    return D3D_OK;
}
