// Whether a window manager will carry out a full-screen request (see winstate.h).
#include <SDL.h>
#include <SDL_syswm.h>

#include <cstring>

// Xlib's names clash with the windowing layer's, so its state header stays out of this file.

namespace win32::detail {

bool DisplayHasWindowManager(SDL_Window* window) {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0) return true;  // compositors and headless drivers do it themselves
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return true;
    Display* display = info.info.x11.display;
    // A compliant manager names its check window on the root; nobody else sets the property.
    Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type, &format,
                                    &count, &after, &data);
    const bool present = status == Success && type == XA_WINDOW && count == 1;
    if (data) XFree(data);
    return present;
#else
    return true;
#endif
}

}  // namespace win32::detail
