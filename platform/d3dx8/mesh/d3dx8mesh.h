// D3DX meshes: indexed triangle lists with one attribute id per face, in vertex and index
// buffers of the device, loaded from X files, cloned into other vertex formats and drawn by
// attribute.
#pragma once

#include "d3d8/d3d8.h"
#include "d3dx8/d3dx8shader.h"

struct IDirectXFileData;

// Mesh creation options: where the buffers live and the index size.
#define D3DXMESH_32BIT 0x001u
#define D3DXMESH_DONOTCLIP 0x002u
#define D3DXMESH_POINTS 0x004u
#define D3DXMESH_RTPATCHES 0x008u
#define D3DXMESH_NPATCHES 0x4000u
#define D3DXMESH_VB_SYSTEMMEM 0x010u
#define D3DXMESH_VB_MANAGED 0x020u
#define D3DXMESH_VB_WRITEONLY 0x040u
#define D3DXMESH_VB_DYNAMIC 0x080u
#define D3DXMESH_IB_SYSTEMMEM 0x100u
#define D3DXMESH_IB_MANAGED 0x200u
#define D3DXMESH_IB_WRITEONLY 0x400u
#define D3DXMESH_IB_DYNAMIC 0x800u
#define D3DXMESH_VB_SHARE 0x1000u
#define D3DXMESH_USEHWONLY 0x2000u
#define D3DXMESH_SYSTEMMEM 0x110u
#define D3DXMESH_MANAGED 0x220u
#define D3DXMESH_WRITEONLY 0x440u
#define D3DXMESH_DYNAMIC 0x880u

#define D3DXERR_CANNOTATTRSORT MAKE_HRESULT(1, 0x876, 2902)
#define D3DXERR_LOADEDMESHASNODATA MAKE_HRESULT(1, 0x876, 2906)

// A material of a loaded mesh; the texture name is NULL when the material names none. The names
// live inside the buffer that holds the array.
struct D3DXMATERIAL {
    D3DMATERIAL8 MatD3D;
    LPSTR pTextureFilename;
};
using LPD3DXMATERIAL = D3DXMATERIAL*;

// A run of faces with one attribute id.
struct D3DXATTRIBUTERANGE {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
};

inline constexpr GUID IID_ID3DXMesh = {0xab15a002, 0x0d38, 0x4d01, {0xa0, 0x02, 0, 0, 0, 0, 0, 0x10}};

struct ID3DXMesh : public IUnknown {
    // Sets the mesh's FVF, stream 0 and indices, then draws the faces whose attribute is attribId
    // (each run of consecutive such faces as one indexed draw). A subset without faces draws nothing.
    virtual HRESULT DrawSubset(DWORD attribId) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetDevice(IDirect3DDevice8** ppDevice) = 0;
    // Same faces and attributes, vertices in another FVF in the same order: components both
    // formats have are copied, the others are zero.
    virtual HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* pDevice, ID3DXMesh** ppCloneMesh) = 0;
    // Both add a reference.
    virtual HRESULT GetVertexBuffer(IDirect3DVertexBuffer8** ppVB) = 0;
    virtual HRESULT GetIndexBuffer(IDirect3DIndexBuffer8** ppIB) = 0;
    virtual HRESULT LockVertexBuffer(DWORD flags, BYTE** ppData) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD flags, BYTE** ppData) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
    // The attribute ids, one DWORD per face, in face order.
    virtual HRESULT LockAttributeBuffer(DWORD flags, DWORD** ppData) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;
    // Runs of equal attribute ids in face order; with a null table only the count.
    virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) = 0;

protected:
    ~ID3DXMesh() = default;
};
using LPD3DXMESH = ID3DXMesh*;

// An empty mesh (zeroed buffers, attribute 0 everywhere). Only 16-bit indices: D3DXMESH_32BIT and
// more than 65,535 vertices give D3DERR_INVALIDCALL.
HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice8* pDevice,
                          LPD3DXMESH* ppMesh);

// Loads every mesh of an X file into one mesh: meshes joined in file order, placed by the
// frame matrices above them, polygons fanned into triangles, each face's attribute its material's
// index. Vertex i is the file's vertex i; a vertex used with different normals is copied, the
// copies appended after the file's vertices. FVF: XYZ, plus NORMAL when the file has normals,
// plus TEX1 when it has texture coordinates. ppAdjacency is not supported and is set to NULL.
// ppMaterials (an array of D3DXMATERIAL, ambient 0) and pNumMaterials may be NULL.
HRESULT D3DXLoadMeshFromX(LPCSTR pFilename, DWORD options, IDirect3DDevice8* pDevice, LPD3DXBUFFER* ppAdjacency,
                          LPD3DXBUFFER* ppMaterials, DWORD* pNumMaterials, LPD3DXMESH* ppMesh);
// The same for one Mesh data object.
HRESULT D3DXLoadMeshFromXof(IDirectXFileData* pXofObjMesh, DWORD options, IDirect3DDevice8* pDevice,
                            LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials, DWORD* pNumMaterials,
                            LPD3DXMESH* ppMesh);

// Vertex normals from the faces: the normalised sum of the unit normals (v1 - v0) x (v2 - v0)
// of the faces that use the vertex; degenerate faces add nothing, unused vertices get zero.
// Adjacency is accepted and ignored. The mesh's FVF must have a normal.
HRESULT D3DXComputeNormals(LPD3DXMESH pMesh, const DWORD* pAdjacency);
