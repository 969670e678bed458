// The backends a Direct3D object can be made with. Only the choice (choose.cpp) names them.
#pragma once

#include <optional>

#include "d3d8/direct3d.h"

namespace d3d8 {

// No GL: every call is logged with a copy of what each draw saw.
BackendProfile RecordProfile();
// Draws with OpenGL 3.3 core, within what a probe of the display found; none when the display or
// its GL cannot serve (said on stderr). The profile holds the display and the GL library.
std::optional<BackendProfile> GlProfile();

// Said by a backend once its driver is in: runs what WhenDriverLoaded holds.
void DriverLoaded();

}  // namespace d3d8
