// Plain records shared by the Direct3D 8 interfaces and the D3DX math that extends them.
#pragma once

#include "win32/wintypes.h"

struct D3DVECTOR {
    float x;
    float y;
    float z;
};

struct D3DCOLORVALUE {
    float r;
    float g;
    float b;
    float a;
};

struct D3DMATRIX {
    union {
        struct {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };
};

using D3DCOLOR = DWORD;
