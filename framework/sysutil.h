// The framework's general helpers: where media files are found, the platform's shared media
// folder, small registry readers and writers, text conversions and debugger trace output.
#pragma once

#include "win32/registry.h"
#include "win32/wintypes.h"

// The platform's shared media folder with a trailing backslash, or "". The text lives in static
// storage that the next call replaces.
const char* sysGetMediaDir();

// Finds a media file: the name as given, else inside the fixed media folder. strPath holds
// MAX_PATH characters. S_OK when found; E_FAIL when not (strPath then holds the name as given, or
// "" for a name too long for it); E_INVALIDARG for a null pointer (nothing written).
HRESULT sysFindMediaFile(char* strPath, const char* strFilename);

// The fixed media folder tried second: the build's generated media folder, or ABISALIA_MEDIA_DIR
// from the environment. Always ends in '/'.
const char* sysFixedMediaDir();

HRESULT sysReadRegString(HKEY hKey, const char* strRegName, char* strValue, DWORD dwLength, const char* strDefault);
HRESULT sysWriteRegString(HKEY hKey, const char* strRegName, const char* strValue);
HRESULT sysReadRegInt(HKEY hKey, const char* strRegName, DWORD* pdwValue, DWORD dwDefault);
HRESULT sysWriteRegInt(HKEY hKey, const char* strRegName, DWORD dwValue);
HRESULT sysReadRegBool(HKEY hKey, const char* strRegName, BOOL* pbValue, BOOL bDefault);
HRESULT sysWriteRegBool(HKEY hKey, const char* strRegName, BOOL bValue);
HRESULT sysReadRegGuid(HKEY hKey, const char* strRegName, GUID* pGuidValue, const GUID& guidDefault);
HRESULT sysWriteRegGuid(HKEY hKey, const char* strRegName, GUID guidValue);

void sysAnsiToWide(WCHAR* wstrDestination, const char* strSource, int cchDestChar);
void sysWideToAnsi(char* strDestination, const WCHAR* wstrSource, int cchDestChar);
void sysGenericToAnsi(char* strDestination, const char* tstrSource, int cchDestChar);
void sysAnsiToGeneric(char* tstrDestination, const char* strSource, int cchDestChar);
void sysGenericToWide(WCHAR* wstrDestination, const char* tstrSource, int cchDestChar);
void sysWideToGeneric(char* tstrDestination, const WCHAR* wstrSource, int cchDestChar);

HRESULT sysTrace(const char* strFile, long dwLine, HRESULT hr, const char* strMsg);
void sysTracef(const char* strFormat, ...);
