#include "game/contact.h"

#include "game/gameapp.h"
#include "game/terrain.h"

void colVertexBounds(const SceneVertex* pVertices, DWORD n, D3DXVECTOR3* pvMin, D3DXVECTOR3* pvMax) {
    *pvMin = *pvMax = D3DXVECTOR3(pVertices[0].x, pVertices[0].y, pVertices[0].z);
    for (DWORD i = 1; i < n; ++i) {
        const D3DXVECTOR3 v(pVertices[i].x, pVertices[i].y, pVertices[i].z);
        D3DXVec3Minimize(pvMin, pvMin, &v);
        D3DXVec3Maximize(pvMax, pvMax, &v);
    }
}

D3DXVECTOR3 colBoxCorner(const char* szCorner, const D3DXVECTOR3& vMin, const D3DXVECTOR3& vMax) {
    return D3DXVECTOR3(szCorner[0] == 'X' ? vMax.x : vMin.x, szCorner[1] == 'Y' ? vMax.y : vMin.y,
                       szCorner[2] == 'Z' ? vMax.z : vMin.z);
}

void colBoxCorners(const D3DXVECTOR3& vMin, const D3DXVECTOR3& vMax, D3DXVECTOR3 avCorner[8]) {
    static constexpr const char* kCorners[8] = {"XYZ", "xYZ", "XyZ", "XYz", "xyz", "Xyz", "xYz", "xyZ"};
    for (int k = 0; k < 8; ++k) avCorner[k] = colBoxCorner(kCorners[k], vMin, vMax);
}

D3DXVECTOR3 colMirroredDirection(const D3DXVECTOR3& v, const D3DXVECTOR3& vP, const D3DXVECTOR3& vT0,
                                 const D3DXVECTOR3& vNormal) {
    D3DXVECTOR3 d;
    if (D3DXVec3LengthSq(&vNormal) == 0.0f) {
        const D3DXVECTOR3 vBack = -v;
        return *D3DXVec3Normalize(&d, &vBack);
    }
    const D3DXVECTOR3 vQ = vP - v;
    const D3DXVECTOR3 vToPlane = vT0 - vQ;
    const D3DXVECTOR3 vMirror = vQ + vNormal * (2.0f * D3DXVec3Dot(&vToPlane, &vNormal));
    const D3DXVECTOR3 vOut = vP - vMirror;
    return *D3DXVec3Normalize(&d, &vOut);
}

D3DXVECTOR3 colMirroredOffTriangle(const D3DXVECTOR3& v, const D3DXVECTOR3& vP, const float* pTriangle) {
    const D3DXVECTOR3 vT0(&pTriangle[0]), vT1(&pTriangle[3]), vT2(&pTriangle[6]);
    const D3DXVECTOR3 vE0 = vT0 - vT1, vE1 = vT1 - vT2;
    D3DXVECTOR3 vNormal;
    D3DXVec3Cross(&vNormal, &vE0, &vE1);
    D3DXVec3Normalize(&vNormal, &vNormal);
    return colMirroredDirection(v, vP, vT0, vNormal);
}

D3DXVECTOR3 colMirroredOffFloor(const D3DXVECTOR3& v) {
    D3DXVECTOR3 vP;
    const D3DXVECTOR3* pT = g_pApp->m_pTerrain->GetLastSurfaceHit(&vP);
    D3DXPLANE plane;
    D3DXPlaneFromPoints(&plane, &pT[0], &pT[1], &pT[2]);
    D3DXVECTOR3 vNormal(plane.a, plane.b, plane.c);
    D3DXVec3Normalize(&vNormal, &vNormal);
    return colMirroredDirection(v, vP, pT[0], vNormal);
}
