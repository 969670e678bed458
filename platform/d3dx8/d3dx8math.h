// D3DX math: vectors, matrices and their operations, row-vector convention.
#pragma once

#include "d3d8/d3d8types.h"

struct D3DXVECTOR3 : public D3DVECTOR {
    D3DXVECTOR3() = default;
    D3DXVECTOR3(float fx, float fy, float fz) {
        x = fx;
        y = fy;
        z = fz;
    }
};
