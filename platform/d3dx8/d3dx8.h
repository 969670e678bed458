// The D3DX utility library: math, vertex-shader assembly, and the texture and mesh loaders.
#pragma once

#include "d3dx8/d3dx8math.h"
#include "d3dx8/d3dx8shader.h"
#include "d3dx8/texture.h"
#include "d3dx8/mesh/d3dx8mesh.h"
