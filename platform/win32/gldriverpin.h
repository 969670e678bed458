// Keeps the process's OpenGL driver objects loaded until exit.
//
// Leak checkers run after exit handlers, by which time SDL and EGL have unloaded the Mesa driver;
// the driver's own leftovers then show as frames of no module, which no suppression can match.
// Pinning the already-loaded driver objects keeps those frames named, so the suppressions of
// cmake/lsan.supp apply and leak checking stays on for everything else. Windows call this when
// they are made and when they create a GL context, in sanitizer builds. Calling it again is cheap.
#pragma once

namespace win32 {

// Marks every loaded GL driver object (Mesa's drivers, its LLVM, the GL/EGL/GLX dispatch
// libraries) as never to be unloaded. Returns how many objects it pinned in this call.
int PinGlDriver();

// Whether this build runs under AddressSanitizer (then windows pin the driver).
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

}  // namespace win32
