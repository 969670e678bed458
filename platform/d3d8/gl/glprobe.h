// What OpenGL can do on this display, asked once per process before any device exists (the
// adapters' names, the most samples, the largest texture), and the gl backend's profile built on it.
#pragma once

#include <string>

namespace d3d8::gl {

struct GlProbe {
    bool ok = false;  // a 3.3 core context could be made; else the probe said why on stderr
    std::string renderer;
    int maxSamples = 0;
    int maxTextureSize = 2048;
};

// The first call probes; the video subsystem and the GL library must be held around it.
const GlProbe& ProbeGl();

}  // namespace d3d8::gl
