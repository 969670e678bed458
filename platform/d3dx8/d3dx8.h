// The D3DX utility library: math, vertex-shader assembly, and the texture and mesh loaders where
// they are built.
#pragma once

#include "d3dx8/d3dx8math.h"

#if __has_include("d3dx8/d3dx8shader.h")
#include "d3dx8/d3dx8shader.h"
#endif
#if __has_include("d3dx8/texture.h")
#include "d3dx8/texture.h"
#endif
#if __has_include("d3dx8/mesh/d3dx8mesh.h")
#include "d3dx8/mesh/d3dx8mesh.h"
#endif
