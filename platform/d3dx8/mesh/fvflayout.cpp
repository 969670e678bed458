#include "d3dx8/mesh/fvflayout.h"

namespace d3dx {

FvfLayout LayoutOf(DWORD fvf) {
    FvfLayout l;
    UINT offset = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
        case 0: break;
        case D3DFVF_XYZ: offset = 12; break;
        case D3DFVF_XYZRHW: offset = 16; break;
        case D3DFVF_XYZB1: offset = 16; break;
        case D3DFVF_XYZB2: offset = 20; break;
        case D3DFVF_XYZB3: offset = 24; break;
        case D3DFVF_XYZB4: offset = 28; break;
        case D3DFVF_XYZB5: offset = 32; break;
        default: return l;
    }
    l.positionSize = offset;
    if (fvf & D3DFVF_NORMAL) {
        l.normal = static_cast<int>(offset);
        offset += 12;
    }
    if (fvf & D3DFVF_PSIZE) {
        l.pointSize = static_cast<int>(offset);
        offset += 4;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        l.diffuse = static_cast<int>(offset);
        offset += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        l.specular = static_cast<int>(offset);
        offset += 4;
    }
    l.texCoordCount = static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
    if (l.texCoordCount > 8) return l;
    for (int i = 0; i < l.texCoordCount; ++i) {
        static const UINT kSizes[4] = {8, 12, 16, 4};  // format codes 0: 2 floats, 1: 3, 2: 4, 3: 1
        l.texCoord[i] = static_cast<int>(offset);
        l.texCoordSize[i] = kSizes[(fvf >> (16 + 2 * i)) & 3];
        offset += l.texCoordSize[i];
    }
    l.stride = offset;
    l.valid = offset > 0;
    return l;
}

}  // namespace d3dx
