// The optional settings file "configuracion.cfg": display size and window or full screen, applied
// once at the end of start-up by re-creating the device.
#include <cstdio>
#include <sstream>
#include <string>

#include "framework/apperrors.h"
#include "framework/d3dapp.h"
#include "framework/systimer.h"
#include "win32/fileio.h"

HRESULT CD3DApp::ApplySettingsFile() {
    std::FILE* pFile = win32::OpenFile("configuracion.cfg", "r");
    if (!pFile) return S_OK;
    // Only the first four numbers count: a bounded start of the file is read.
    std::string text(64 * 1024, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), pFile));
    std::fclose(pFile);
    std::istringstream file(text);

    DWORD dwWidth = 0, dwHeight = 0, dwUnused = 0, dwMode = 0;
    file >> dwWidth >> dwHeight >> dwUnused >> dwMode;
    const bool bComplete = !file.fail();
    // A file that does not hold four numbers changes nothing.
    if (!bComplete) {
        std::fprintf(stderr,
                     "configuracion.cfg: expected four numbers (width, height, unused, 1 for full screen); "
                     "the settings are left as they are\n");
        return S_OK;
    }
    const BOOL bWindowed = dwMode != 1;

    // Only adapter 0's first device is searched; a 16-bit mode of the size wins, else the last.
    D3DAppDevice* pDevice = &m_aAdapters[0].aDevices[0];
    BOOL bFound = FALSE;
    DWORD dwModeIndex = 0;
    for (DWORD m = 0; m < pDevice->dwModeCount; ++m) {
        const D3DAppMode& mode = pDevice->aModes[m];
        if (mode.dwWidth != dwWidth || mode.dwHeight != dwHeight) continue;
        bFound = TRUE;
        dwModeIndex = m;
        if (mode.Format == D3DFMT_R5G6B5 || mode.Format == D3DFMT_X1R5G5B5 || mode.Format == D3DFMT_A1R5G5B5) break;
    }
    if (!bFound) {
        std::fprintf(stderr,
                     "configuracion.cfg: the first device has no %lu x %lu mode; the settings are left as "
                     "they are\n",
                     static_cast<unsigned long>(dwWidth), static_cast<unsigned long>(dwHeight));
        return S_OK;
    }

    m_dwCurAdapter = 0;
    m_aAdapters[0].dwCurDevice = 0;
    pDevice->dwCurMode = dwModeIndex;
    pDevice->bWindowed = bWindowed;
    pDevice->MultiSampleType = D3DMULTISAMPLE_NONE;
    m_bWindowedMode = pDevice->bWindowed;

    HRESULT hr = ReleaseAndRecreateDevice();
    if (FAILED(hr)) return hr;

    StepOnceIfStopped();
    return S_OK;
}
