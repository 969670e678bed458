// The framework's own failure codes and the texts its message boxes show for them.
#pragma once

#include "win32/wintypes.h"

// HRESULT-style, severity bit set; the series has no second value (0x82000002).
constexpr HRESULT AppErrNoDirect3D = static_cast<HRESULT>(0x82000001);
constexpr HRESULT AppErrNoCompatibleDevices = static_cast<HRESULT>(0x82000003);
constexpr HRESULT AppErrNoWindowableDevices = static_cast<HRESULT>(0x82000004);
constexpr HRESULT AppErrNoHardwareDevice = static_cast<HRESULT>(0x82000005);
constexpr HRESULT AppErrHalNotCompatible = static_cast<HRESULT>(0x82000006);
constexpr HRESULT AppErrNoWindowedHal = static_cast<HRESULT>(0x82000007);
constexpr HRESULT AppErrNoDesktopHal = static_cast<HRESULT>(0x82000008);
constexpr HRESULT AppErrNoHalThisMode = static_cast<HRESULT>(0x82000009);
constexpr HRESULT AppErrNonZeroRefCount = static_cast<HRESULT>(0x8200000A);
constexpr HRESULT AppErrMediaNotFound = static_cast<HRESULT>(0x8200000B);
constexpr HRESULT AppErrResetFailed = static_cast<HRESULT>(0x8200000C);

// Second argument of ShowError.
constexpr DWORD ErrorBoxFatal = 1;
constexpr DWORD ErrorBoxReferenceWarning = 2;

// The text for a code: its own, the out-of-memory texts, or the shared fallback.
const char* AppErrorText(HRESULT hr);

// What a box of this type appends to the text ("" for a plain warning).
const char* AppErrorSuffix(DWORD dwType);

// The message-box icon of a box type (MB_ICONERROR for fatal, else MB_ICONWARNING).
UINT AppErrorIcon(DWORD dwType);

// The box text of ShowError, built in its 512-character buffer: code text, then the suffix.
void AppErrorBuildMessage(HRESULT hr, DWORD dwType, char (&strMsg)[512]);
