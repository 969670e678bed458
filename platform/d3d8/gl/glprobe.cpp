// The probe, a hidden window's GL context asked for its limits, and the gl backend's profile.
#include "d3d8/gl/glprobe.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <mutex>

#include "d3d8/backends.h"
#include "d3d8/gl/glbackend.h"
#include "win32/gldriverpin.h"

namespace d3d8::gl {

const GlProbe& ProbeGl() {
    static GlProbe probe;
    static std::once_flag once;
    std::call_once(once, [] {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_Window* w = SDL_CreateWindow("probe", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!w) {
            std::fprintf(stderr, "gl: no window for OpenGL: %s\n", SDL_GetError());
            return;
        }
        if (SDL_GLContext ctx = SDL_GL_CreateContext(w)) {
            if constexpr (win32::kLeakChecked) win32::PinGlDriver();
            const char* r = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
            probe.renderer = r ? r : "OpenGL";
            glGetIntegerv(GL_MAX_SAMPLES, &probe.maxSamples);
            glGetIntegerv(GL_MAX_TEXTURE_SIZE, &probe.maxTextureSize);
            probe.ok = epoxy_gl_version() >= 33;
            if (!probe.ok)
                std::fprintf(stderr, "gl: OpenGL %d.%d here, 3.3 needed\n", epoxy_gl_version() / 10,
                             epoxy_gl_version() % 10);
            SDL_GL_MakeCurrent(w, nullptr);
            SDL_GL_DeleteContext(ctx);
        } else {
            std::fprintf(stderr, "gl: no OpenGL 3.3 core context: %s\n", SDL_GetError());
        }
        SDL_DestroyWindow(w);
    });
    if (probe.ok) DriverLoaded();
    return probe;
}

}  // namespace d3d8::gl

namespace d3d8 {

namespace {

// The display and its GL library, for as long as a Direct3D object lives.
struct GlHold {
    GlHold() = default;
    GlHold(const GlHold&) = delete;
    GlHold& operator=(const GlHold&) = delete;
    ~GlHold() {
        if (library) SDL_GL_UnloadLibrary();
        if (video) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    bool video = false, library = false;
};

}  // namespace

std::optional<BackendProfile> GlProfile() {
    // Taken before the probe: released between the probe and the program's window, the driver
    // would be unloaded and loaded again.
    auto hold = std::make_shared<GlHold>();
    hold->video = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (!hold->video) {
        std::fprintf(stderr, "gl: no display: %s\n", SDL_GetError());
        return std::nullopt;
    }
    hold->library = SDL_GL_LoadLibrary(nullptr) == 0;
    if (!hold->library) {
        std::fprintf(stderr, "gl: no OpenGL library: %s\n", SDL_GetError());
        return std::nullopt;
    }
    const gl::GlProbe& probe = gl::ProbeGl();
    if (!probe.ok) return std::nullopt;
    BackendProfile p;
    p.make = [](DeviceImpl& device) -> std::unique_ptr<Backend> { return std::make_unique<gl::GlBackend>(device); };
    p.maxSamples = probe.maxSamples;
    p.maxTextureSize = probe.maxTextureSize;
    p.renderer = probe.renderer;
    p.hold = std::move(hold);
    return p;
}

}  // namespace d3d8
