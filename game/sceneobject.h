// The plain base of every object the game draws, and the transform it carries.
#pragma once

#include "coldet/coldet.h"
#include "d3d8/d3d8.h"
#include "d3dx8/d3dx8math.h"

class CD3DFileMesh;

// Position, normal and one texture coordinate pair: 32 bytes, flexible format 0x112.
struct SceneVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
constexpr DWORD kSceneFVF = 0x112;
constexpr UINT kSceneVertexSize = 32;
static_assert(sizeof(SceneVertex) == kSceneVertexSize);

// Capacity of the object name fields, the terminator included.
constexpr int kObjectNameLength = 250;

// The texture name that stands for "no texture".
inline constexpr char g_szNoTexture[] = "notextura";
bool scnHasTexture(const char* szTextureFile);

// Sends a three-float vector as one register; the fourth component is zero.
void scnSetVector3(IDirect3DDevice8* pDevice, DWORD dwRegister, const D3DXVECTOR3& v);
// Sends a matrix transposed into four registers.
void scnSetMatrix(IDirect3DDevice8* pDevice, DWORD dwRegister, const D3DXMATRIX& m);
// The per-object constants of a render, in their order: c25 the diver's look direction, c50 his
// position, c51 the object's position, c4 to c7 world x view x projection, c8 to c11 world x view.
void scnSetObjectConstants(IDirect3DDevice8* pDevice, const D3DXMATRIX& matWorld, const D3DXMATRIX& matView,
                           const D3DXMATRIX& matProj, const D3DXVECTOR3& vObjectPos);
// The screen space of the 2D overlays: an orthographic unit square (depth 0 to 1) seen from the
// origin, so that quads are placed in screen units around the centre.
void scnSetScreenSpace(D3DXMATRIX* pMatProj, D3DXMATRIX* pMatWorld2D, D3DXMATRIX* pMatView2D);
// The index list of a screen quad (two faces: 1, 0, 3 and 1, 3, 2) in a managed 16-bit buffer.
HRESULT scnCreateQuadIndices(IDirect3DDevice8* pDevice, IDirect3DIndexBuffer8** ppIB);

// RotationZ(-z) x RotationX(-y) x RotationY(-x) of the angles (x yaw, y pitch, z roll): the order and
// signs of every object that turns.
D3DXMATRIX scnRotationMatrix(const D3DXVECTOR3& vRotation);

class CTransform {
public:
    CTransform();

    D3DXVECTOR3 m_vPosition;
    D3DXVECTOR3 m_vRotation;  // x yaw about Y, y pitch about X, z roll about Z (radians)
    D3DXMATRIX m_matWorld;
};

class CSceneObject {
public:
    CSceneObject();
    ~CSceneObject();
    CSceneObject(const CSceneObject&) = delete;
    CSceneObject& operator=(const CSceneObject&) = delete;

    int Reset(D3DXVECTOR3 vStart);
    int Start();
    int Update();
    int Load(const char* szMeshFile);
    int Render();
    // The model of the mesh's own triangles; given room for them, also the eight corners of the box
    // around the mesh, in the order of colBoxCorners.
    int BuildCollisionModel(D3DXVECTOR3* pvCorner = nullptr);

    // The per-object constants of a world render: c25, c50, c51, c4 to c7, c8 to c11.
    void SetWorldConstants(const D3DXMATRIX& matWorld) const;
    // Mesh 0 to nMeshes - 1 from their names, converted, with counts and buffers taken; then the
    // texture unless the name is "notextura". E_FAIL for a mesh, AppErrMediaNotFound for the texture.
    int LoadMeshes(int nMeshes, bool bMaterial);
    // Releases the buffers taken from the meshes and, unless the name is "notextura", the texture.
    void ReleaseDeviceData(int nBuffers);
    // Deletes the mesh holders that are set.
    void DeleteMeshes();

    IDirect3DVertexBuffer8* m_pVB[3];
    DWORD m_dwNumVertices;
    DWORD m_dwNumFaces;
    IDirect3DIndexBuffer8* m_pIB;
    IDirect3DTexture8* m_pTexture;
    CTransform m_Transform;
    D3DMATERIAL8 m_Material;
    CD3DFileMesh* m_pMesh[3];
    char m_szMeshFile[3][kObjectNameLength];
    char m_szTextureFile[kObjectNameLength];
    float m_fScale;
    D3DXVECTOR3 m_vStartPosition;
    CollisionModel3D* m_pCollisionModel;
    D3DXVECTOR3 m_vVelocity;
    D3DXVECTOR3 m_vAcceleration;
    D3DXVECTOR3 m_vAngularVelocity;
    float m_fTurnGain;
    float m_fspeed;
};
