#include "framework/apperrors.h"

#include <cstdio>

namespace {

struct ErrorText {
    HRESULT hr;
    const char* strText;
};

constexpr HRESULT kOutOfMemory = static_cast<HRESULT>(0x8007000E);       // E_OUTOFMEMORY
constexpr HRESULT kOutOfVideoMemory = static_cast<HRESULT>(0x8876017C);  // D3DERR_OUTOFVIDEOMEMORY

constexpr ErrorText kTexts[] = {
    {AppErrNoDirect3D,
     "Could not initialize Direct3D. You may\nwant to check that the latest version of\nDirectX is correctly "
     "installed on your\nsystem.  Also make sure that this program\nwas compiled with header files that "
     "match\nthe installed DirectX DLLs."},
    {AppErrNoCompatibleDevices, "Could not find any compatible Direct3D\ndevices."},
    {AppErrNoWindowableDevices,
     "This sample cannot run in a desktop\nwindow with the current display settings.\nPlease change your "
     "desktop settings to a\n16- or 32-bit display mode and re-run this\nsample."},
    {AppErrNoHardwareDevice, "No hardware-accelerated Direct3D devices\nwere found."},
    {AppErrHalNotCompatible,
     "This sample requires functionality that is\nnot available on your Direct3D hardware\naccelerator."},
    {AppErrNoWindowedHal,
     "Your Direct3D hardware accelerator cannot\nrender into a window.\nPress F2 while the app is running to "
     "see a\nlist of available devices and modes."},
    {AppErrNoDesktopHal,
     "Your Direct3D hardware accelerator cannot\nrender into a window with the current\ndesktop display "
     "settings.\nPress F2 while the app is running to see a\nlist of available devices and modes."},
    {AppErrNoHalThisMode,
     "This sample requires functionality that is\nnot available on your Direct3D hardware\naccelerator with "
     "the current desktop display\nsettings.\nPress F2 while the app is running to see a\nlist of available "
     "devices and modes."},
    {AppErrNonZeroRefCount,
     "A D3D object has a non-zero reference\ncount (meaning things were not properly\ncleaned up)."},
    {AppErrMediaNotFound, "Could not load required media."},
    {AppErrResetFailed, "Could not reset the Direct3D device."},
    {kOutOfMemory, "Not enough memory."},
    {kOutOfVideoMemory, "Not enough video memory."},
};

constexpr const char* kFallbackText = "Generic application error. Enable\ndebug output for detailed information.";

constexpr UINT kIconError = 0x10;    // MB_ICONERROR
constexpr UINT kIconWarning = 0x30;  // MB_ICONWARNING

}  // namespace

const char* AppErrorText(HRESULT hr) {
    for (const ErrorText& e : kTexts)
        if (e.hr == hr) return e.strText;
    return kFallbackText;
}

const char* AppErrorSuffix(DWORD dwType) {
    switch (dwType) {
        case ErrorBoxFatal: return "\n\nThis sample will now exit.";
        case ErrorBoxReferenceWarning:
            return "\n\nSwitching to the reference rasterizer,\na software device that implements the entire\n"
                   "Direct3D feature set, but runs very slowly.";
        default: return "";
    }
}

UINT AppErrorIcon(DWORD dwType) { return dwType == ErrorBoxFatal ? kIconError : kIconWarning; }

void AppErrorBuildMessage(HRESULT hr, DWORD dwType, char (&strMsg)[512]) {
    std::snprintf(strMsg, sizeof strMsg, "%s%s", AppErrorText(hr), AppErrorSuffix(dwType));
}
