// Meshes read from X files, each with its materials and textures, kept in system memory with a
// copy for the device; and a tree of frames that places such meshes, loaded from a whole file.
#pragma once

#include "d3d8/d3d8.h"
#include "d3dx8/d3dx8.h"
#include "d3dx8/xfile/dxfile.h"

class CD3DFileMesh {
public:
    char m_szName[512];
    ID3DXMesh* m_pSystemMesh;
    ID3DXMesh* m_pDeviceMesh;
    DWORD m_dwMaterialCount;
    D3DMATERIAL8* m_pMaterialArray;
    IDirect3DTexture8** m_ppTextureArray;
    BOOL m_bApplyMaterials;

    explicit CD3DFileMesh(const char* strName = "CD3DFile_Mesh");
    virtual ~CD3DFileMesh();

    HRESULT LoadFromFile(IDirect3DDevice8* pd3dDevice, const char* strFilename);
    HRESULT LoadFromXof(IDirect3DDevice8* pd3dDevice, IDirectXFileData* pFileData);
    HRESULT ConvertFVF(IDirect3DDevice8* pd3dDevice, DWORD dwFVF);
    HRESULT Restore(IDirect3DDevice8* pd3dDevice);
    HRESULT Invalidate();
    HRESULT Destroy();
    HRESULT Render(IDirect3DDevice8* pd3dDevice, BOOL bDrawOpaqueSubsets = TRUE, BOOL bDrawAlphaSubsets = TRUE);
    ID3DXMesh* GetSystemMesh() { return m_pSystemMesh; }

private:
    HRESULT TakeMaterials(IDirect3DDevice8* pd3dDevice, ID3DXBuffer* pMtrlBuffer);
};

class CD3DFileFrame {
public:
    char m_szName[512];
    D3DXMATRIX m_matLocal;
    CD3DFileMesh* m_pMesh;
    CD3DFileFrame* m_pNext;
    CD3DFileFrame* m_pChild;

    explicit CD3DFileFrame(const char* strName = "CD3DFile_Frame");
    virtual ~CD3DFileFrame();

    void SetMatrix(const D3DXMATRIX* pmat) { m_matLocal = *pmat; }
    CD3DFileMesh* FindMesh(const char* strMeshName);
    CD3DFileFrame* FindFrame(const char* strFrameName);
    BOOL ForEachMesh(BOOL (*fnCallback)(CD3DFileMesh*, void*), void* pContext);
    HRESULT Restore(IDirect3DDevice8* pd3dDevice);
    HRESULT Invalidate();
    HRESULT Destroy();
    HRESULT Render(IDirect3DDevice8* pd3dDevice, BOOL bDrawOpaqueSubsets = TRUE, BOOL bDrawAlphaSubsets = TRUE);
};

class CD3DFileScene : public CD3DFileFrame {
public:
    explicit CD3DFileScene(const char* strName = "CD3DFile_Scene") : CD3DFileFrame(strName) {}

    HRESULT LoadFromFile(IDirect3DDevice8* pd3dDevice, const char* strFilename);
    HRESULT LoadFrame(IDirect3DDevice8* pd3dDevice, IDirectXFileData* pFileData, CD3DFileFrame* pParentFrame);
    HRESULT LoadMesh(IDirect3DDevice8* pd3dDevice, IDirectXFileData* pFileData, CD3DFileFrame* pParentFrame);
    HRESULT Render(IDirect3DDevice8* pd3dDevice);
};
