// Preloaded into the real program by the run benchmark: writes the monotonic time of every buffer
// swap to the file named by ABISALIA_SWAP_TIMES, one line each:
//   <nanoseconds> <1 once the game has drawn, 0 for the window's own white frame before it>
// The program itself is left as it is, so any commit can be measured alike.
#include <SDL.h>
#include <dlfcn.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>

namespace {

using SwapFn = void (*)(SDL_Window*);
using ReadPixelsFn = void (*)(int, int, int, int, unsigned, unsigned, void*);
using BindFn = void (*)(unsigned, unsigned);
using GetIntegervFn = void (*)(unsigned, int*);

constexpr unsigned kReadFramebuffer = 0x8CA8, kReadFramebufferBinding = 0x8CAA;
constexpr unsigned kRgba = 0x1908, kUnsignedByte = 0x1401;

FILE* Out() {
    static FILE* out = [] {
        const char* path = std::getenv("ABISALIA_SWAP_TIMES");
        return path ? std::fopen(path, "w") : nullptr;
    }();
    return out;
}

// Until the game's first frame, the centre pixel tells it from the window's white fallback. The
// read waits for the frame, which the swap does too.
bool GameHasDrawn(SDL_Window* window) {
    static bool drawn = false;
    if (drawn) return true;
    static auto readPixels = reinterpret_cast<ReadPixelsFn>(SDL_GL_GetProcAddress("glReadPixels"));
    static auto bind = reinterpret_cast<BindFn>(SDL_GL_GetProcAddress("glBindFramebuffer"));
    static auto getIntegerv = reinterpret_cast<GetIntegervFn>(SDL_GL_GetProcAddress("glGetIntegerv"));
    if (!readPixels || !bind || !getIntegerv) return false;
    int w = 0, h = 0, read = 0;
    SDL_GL_GetDrawableSize(window, &w, &h);
    getIntegerv(kReadFramebufferBinding, &read);
    bind(kReadFramebuffer, 0);
    unsigned char px[4] = {};
    readPixels(w / 2, h / 2, 1, 1, kRgba, kUnsignedByte, px);
    bind(kReadFramebuffer, static_cast<unsigned>(read));
    drawn = !(px[0] == 255 && px[1] == 255 && px[2] == 255);
    return drawn;
}

}  // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
    static auto real = reinterpret_cast<SwapFn>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    const bool drawn = Out() && GameHasDrawn(window);
    real(window);
    if (FILE* out = Out()) {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        std::fprintf(out, "%lld %d\n", static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec, drawn ? 1 : 0);
        std::fflush(out);
    }
}
