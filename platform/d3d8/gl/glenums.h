// Direct3D's enumerations as GL names.
#pragma once

#include <epoxy/gl.h>

#include "d3d8/d3d8.h"

namespace d3d8::gl {

GLenum CompareFunc(DWORD f);
// BOTHSRCALPHA and BOTHINVSRCALPHA name both factors: `source` picks which.
GLenum BlendFactor(DWORD b, bool source);
GLenum StencilOp(DWORD op);
GLenum Address(DWORD a);
GLenum Primitive(D3DPRIMITIVETYPE t);

struct TexFormat {
    GLenum internal, format, type;
    bool opaque;  // alpha reads as 1 whatever the padding bits hold
    bool luminance;
};

// False for a format the backend cannot sample.
bool TextureFormatOf(D3DFORMAT f, TexFormat& out);

}  // namespace d3d8::gl
