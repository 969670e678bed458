// Where each component of a flexible vertex format sits in a vertex.
#pragma once

#include "d3d8/d3d8.h"

namespace d3dx {

struct FvfLayout {
    bool valid = false;
    UINT stride = 0;
    UINT positionSize = 0;  // bytes of the position (with blend weights), 0 when none
    int normal = -1, pointSize = -1, diffuse = -1, specular = -1;
    int texCoordCount = 0;
    int texCoord[8] = {};
    UINT texCoordSize[8] = {};  // bytes
};

FvfLayout LayoutOf(DWORD fvf);

}  // namespace d3dx
