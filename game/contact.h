// What the diver's and the spear's contacts share: the box around a mesh, its corners in their fixed
// order, and the bounce of a direction off a plane.
#pragma once

#include "game/sceneobject.h"

// Minimum and maximum of the vertex positions on each axis, from vertex 0 on; n is at least 1.
void colVertexBounds(const SceneVertex* pVertices, DWORD n, D3DXVECTOR3* pvMin, D3DXVECTOR3* pvMax);

// A box corner by name: a lower-case letter takes the minimum on its axis, an upper-case one the
// maximum.
D3DXVECTOR3 colBoxCorner(const char* szCorner, const D3DXVECTOR3& vMin, const D3DXVECTOR3& vMax);

// The eight corners in the order the floor tests walk them.
void colBoxCorners(const D3DXVECTOR3& vMin, const D3DXVECTOR3& vMax, D3DXVECTOR3 avCorner[8]);

// The unit direction from the mirror image of P - v in the plane through T0 with unit normal n to the
// contact point P: v mirrored in the plane. A plane with no normal sends v straight back.
D3DXVECTOR3 colMirroredDirection(const D3DXVECTOR3& v, const D3DXVECTOR3& vP, const D3DXVECTOR3& vT0,
                                 const D3DXVECTOR3& vNormal);

// v mirrored in the plane of a triangle (nine floats) with normal (T0 - T1) x (T1 - T2), seen from P.
D3DXVECTOR3 colMirroredOffTriangle(const D3DXVECTOR3& v, const D3DXVECTOR3& vP, const float* pTriangle);

// v mirrored in the plane of the floor triangle the last point query below the floor found, seen from
// the floor point under it.
D3DXVECTOR3 colMirroredOffFloor(const D3DXVECTOR3& v);
