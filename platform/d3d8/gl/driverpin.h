// Keeps the process's OpenGL driver objects loaded until exit.
//
// Leak checkers run after exit handlers, by which time SDL and EGL have unloaded the Mesa driver;
// the driver's own leftovers then show as frames of no module, which no suppression can match.
// Pinning the already-loaded driver objects keeps those frames named, so the suppressions of
// cmake/lsan.supp apply and leak checking stays on for everything else. The gl backend calls
// this after making its first context current in sanitizer builds; anything else that creates a
// GL context in a sanitizer build (end-to-end tests) may call it too. Calling it again is cheap.
#pragma once

namespace d3d8::gl {

// Marks every loaded GL driver object (Mesa's drivers, its LLVM, the GL/EGL/GLX dispatch
// libraries) as never to be unloaded. Returns how many objects it pinned in this call.
int PinGlDriver();

// Whether this build runs under AddressSanitizer (then the gl backend pins the driver).
constexpr bool kLeakChecked =
#if defined(__SANITIZE_ADDRESS__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

}  // namespace d3d8::gl
