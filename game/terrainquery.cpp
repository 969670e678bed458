#include <algorithm>
#include <cmath>

#include "game/terrain.h"

int CTerrain::IsBelowSurface(D3DXVECTOR3 vPoint) {
    if (!m_pPatches || m_nPatches <= 0) return 0;
    const int n = static_cast<int>(m_fRange / kPatchSize);
    const int w = static_cast<int>(2 * m_fRange / kPatchSize);
    const D3DXVECTOR3& vBase = m_pPatches[n * w + n].m_vPosition;
    // A point that is not a finite number lies in no patch.
    if (!std::isfinite(vPoint.x) || !std::isfinite(vPoint.z)) return 0;
    // Floored, as the window is laid out, so that negative coordinates find their own patch.
    const float qx = std::floor(vPoint.x / kPatchSize) * kPatchSize;
    const float qz = std::floor(vPoint.z / kPatchSize) * kPatchSize;
    // Tested before the conversion, so that a point far off the window never wraps into it.
    const float fCol = std::round((qx - vBase.x) / kPatchSize) + static_cast<float>(n);
    const float fRow = std::round((qz - vBase.z) / kPatchSize) + static_cast<float>(n);
    if (!(fCol >= 0 && fCol < static_cast<float>(w) && fRow >= 0 && fRow < static_cast<float>(w))) return 0;
    const int ix = static_cast<int>(fCol), iz = static_cast<int>(fRow);
    const CTerrainPatch& patch = m_pPatches[iz * w + ix];
    const float lx = vPoint.x - patch.m_vPosition.x, lz = vPoint.z - patch.m_vPosition.z;
    const bool bCoarse = IsCoarse(patch);
    const float s = bCoarse ? 10.0f : 5.0f;
    const int N = bCoarse ? 3 : 5;
    const int col = std::clamp(static_cast<int>(lx / s), 0, N - 2);
    const int row = std::clamp(static_cast<int>(lz / s), 0, N - 2);
    const int i0 = (N - 1 - row) * N + col, i1 = i0 + 1, i2 = i0 - N, i3 = i0 - N + 1;
    const float ax = patch.m_vPosition.x + s * col, az = patch.m_vPosition.z + s * row;
    const float cx = ax + s, cz = az + s;
    const float d1 = (vPoint.x - ax) * (vPoint.x - ax) + (vPoint.z - az) * (vPoint.z - az);
    const float d2 = (vPoint.x - cx) * (vPoint.x - cx) + (vPoint.z - cz) * (vPoint.z - cz);
    const float* h = patch.m_afHeight;
    if (d2 > d1) {
        m_vLastTriangle[0] = D3DXVECTOR3(cx, h[i1], az);
        m_vLastTriangle[1] = D3DXVECTOR3(ax, h[i0], az);
        m_vLastTriangle[2] = D3DXVECTOR3(ax, h[i2], cz);
    } else {
        m_vLastTriangle[0] = D3DXVECTOR3(cx, h[i1], az);
        m_vLastTriangle[1] = D3DXVECTOR3(ax, h[i2], cz);
        m_vLastTriangle[2] = D3DXVECTOR3(cx, h[i3], cz);
    }
    D3DXPLANE plane;
    D3DXPlaneFromPoints(&plane, &m_vLastTriangle[0], &m_vLastTriangle[1], &m_vLastTriangle[2]);
    const float fSurface = -(plane.a * vPoint.x + plane.c * vPoint.z + plane.d) / plane.b;
    m_vLastSurfacePoint = D3DXVECTOR3(vPoint.x, fSurface, vPoint.z);
    return vPoint.y < fSurface ? 1 : 0;
}

int CTerrain::FindSurfaceAlongRay(D3DXVECTOR3 vDir, D3DXVECTOR3 vOrigin, float* pfT, float fStart) {
    float t = fStart, fStep = 20.0f;
    for (int nIter = 0; nIter < 10; ++nIter) {
        if (t < 0) {
            t = 0;
            break;
        }
        if (IsBelowSurface(vOrigin + vDir * t) == 1) {
            t -= fStep;
        } else if (nIter == 0) {
            return 0;
        } else {
            t += fStep;
            fStep /= 2;
            t -= fStep;
        }
    }
    *pfT = t;
    return 1;
}

D3DXVECTOR3* CTerrain::GetLastSurfaceHit(D3DXVECTOR3* pvPoint) {
    *pvPoint = m_vLastSurfacePoint;
    return m_vLastTriangle;
}
