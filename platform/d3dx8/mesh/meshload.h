// The X-file mesh loader with the reason for a failure, for tools that report it.
#pragma once

#include <string>
#include <vector>

#include "d3dx8/mesh/d3dx8mesh.h"
#include "d3dx8/xfile/xmeshdata.h"

namespace d3dx {

// D3DXLoadMeshFromX, with a message in `error` (when given) on failure.
HRESULT LoadMeshFromX(const char* fileName, DWORD options, IDirect3DDevice8* device, LPD3DXBUFFER* materials,
                      DWORD* materialCount, LPD3DXMESH* mesh, std::string* error);

// Builds one mesh from parsed meshes (joined in order, each placed by its matrix).
HRESULT BuildMesh(const std::vector<xfile::XMeshInFile>& meshes, DWORD options, IDirect3DDevice8* device,
                  LPD3DXBUFFER* materials, DWORD* materialCount, LPD3DXMESH* mesh, std::string* error);

}  // namespace d3dx
