// The backends a Direct3D object can be made with. Only the choice (choose.cpp) names them.
#pragma once

#include "d3d8/direct3d.h"

namespace d3d8 {

// No GL: every call is logged with a copy of what each draw saw.
BackendProfile RecordProfile();
// Draws with OpenGL 3.3 core, within what the probe found.
BackendProfile GlProfile(const GlProbe& probe);

}  // namespace d3d8
