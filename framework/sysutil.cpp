#include "framework/sysutil.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "win32/codepage.h"
#include "win32/fileio.h"

#ifndef ABISALIA_MEDIA_DIR
#define ABISALIA_MEDIA_DIR "media/"
#endif

namespace {

// The existence test of the media lookup: the path opens for reading.
bool FileExistsForReading(const char* strPath) {
    HANDLE hFile = CreateFileA(strPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return false;
    CloseHandle(hFile);
    return true;
}

}  // namespace

const char* sysFixedMediaDir() {
    static std::string s_strDir;
    const char* env = std::getenv("ABISALIA_MEDIA_DIR");
    s_strDir = (env && *env) ? env : ABISALIA_MEDIA_DIR;
    if (s_strDir.back() != '/' && s_strDir.back() != '\\') s_strDir += '/';
    return s_strDir.c_str();
}

const char* sysGetMediaDir() {
    static char s_strMediaPath[MAX_PATH];
    static char s_strNull[] = "";

    HKEY hKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Graphics Platform", 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return s_strNull;

    DWORD dwType;
    DWORD dwSize = MAX_PATH;
    const LONG lResult =
        RegQueryValueExA(hKey, "Shared Media Path", nullptr, &dwType, reinterpret_cast<BYTE*>(s_strMediaPath), &dwSize);
    RegCloseKey(hKey);
    if (lResult != ERROR_SUCCESS) return s_strNull;

    // A stored value need not be terminated, and one too long for the suffix is no use.
    s_strMediaPath[dwSize < MAX_PATH ? dwSize : MAX_PATH - 1] = '\0';
    static const char s_strSuffix[] = "\\Media\\";
    if (std::strlen(s_strMediaPath) + sizeof(s_strSuffix) > MAX_PATH) return s_strNull;
    std::strcat(s_strMediaPath, s_strSuffix);
    return s_strMediaPath;
}

HRESULT sysFindMediaFile(char* strPath, const char* strFilename) {
    if (strPath == nullptr || strFilename == nullptr) return E_INVALIDARG;

    // A name that does not fit the buffer cannot be passed on; the loader then fails on "".
    if (std::strlen(strFilename) >= MAX_PATH) {
        strPath[0] = '\0';
        return E_FAIL;
    }

    std::strcpy(strPath, strFilename);
    if (FileExistsForReading(strPath)) return S_OK;

    const int n = std::snprintf(strPath, MAX_PATH, "%s%s", sysFixedMediaDir(), strFilename);
    if (n > 0 && n < MAX_PATH && FileExistsForReading(strPath)) return S_OK;

    std::strcpy(strPath, strFilename);
    return E_FAIL;
}

HRESULT sysReadRegString(HKEY hKey, const char* strRegName, char* strValue, DWORD dwLength, const char* strDefault) {
    if (strValue == nullptr || dwLength == 0) return S_OK;
    DWORD dwType;
    DWORD dwSize = dwLength;
    if (RegQueryValueExA(hKey, strRegName, nullptr, &dwType, reinterpret_cast<BYTE*>(strValue), &dwSize) !=
        ERROR_SUCCESS) {
        std::snprintf(strValue, dwLength, "%s", strDefault ? strDefault : "");
        return S_OK;
    }
    strValue[dwSize < dwLength ? dwSize : dwLength - 1] = '\0';
    return S_OK;
}

HRESULT sysWriteRegString(HKEY hKey, const char* strRegName, const char* strValue) {
    if (strValue == nullptr) return E_FAIL;
    const DWORD dwSize = static_cast<DWORD>(std::strlen(strValue) + 1);
    if (RegSetValueExA(hKey, strRegName, 0, REG_SZ, reinterpret_cast<const BYTE*>(strValue), dwSize) != ERROR_SUCCESS)
        return E_FAIL;
    return S_OK;
}

HRESULT sysReadRegInt(HKEY hKey, const char* strRegName, DWORD* pdwValue, DWORD dwDefault) {
    if (pdwValue == nullptr) return S_OK;
    DWORD dwType;
    DWORD dwSize = sizeof(DWORD);
    if (RegQueryValueExA(hKey, strRegName, nullptr, &dwType, reinterpret_cast<BYTE*>(pdwValue), &dwSize) !=
        ERROR_SUCCESS)
        *pdwValue = dwDefault;
    return S_OK;
}

HRESULT sysWriteRegInt(HKEY hKey, const char* strRegName, DWORD dwValue) {
    if (RegSetValueExA(hKey, strRegName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(DWORD)) !=
        ERROR_SUCCESS)
        return E_FAIL;
    return S_OK;
}

HRESULT sysReadRegBool(HKEY hKey, const char* strRegName, BOOL* pbValue, BOOL bDefault) {
    if (pbValue == nullptr) return S_OK;
    DWORD dwValue;
    sysReadRegInt(hKey, strRegName, &dwValue, static_cast<DWORD>(bDefault));
    *pbValue = static_cast<BOOL>(dwValue);
    return S_OK;
}

HRESULT sysWriteRegBool(HKEY hKey, const char* strRegName, BOOL bValue) {
    return sysWriteRegInt(hKey, strRegName, static_cast<DWORD>(bValue));
}

HRESULT sysReadRegGuid(HKEY hKey, const char* strRegName, GUID* pGuidValue, const GUID& guidDefault) {
    if (pGuidValue == nullptr) return S_OK;
    DWORD dwType;
    DWORD dwSize = sizeof(GUID);
    if (RegQueryValueExA(hKey, strRegName, nullptr, &dwType, reinterpret_cast<BYTE*>(pGuidValue), &dwSize) !=
        ERROR_SUCCESS)
        *pGuidValue = guidDefault;
    return S_OK;
}

HRESULT sysWriteRegGuid(HKEY hKey, const char* strRegName, GUID guidValue) {
    if (RegSetValueExA(hKey, strRegName, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&guidValue), sizeof(GUID)) !=
        ERROR_SUCCESS)
        return E_FAIL;
    return S_OK;
}

void sysAnsiToWide(WCHAR* wstrDestination, const char* strSource, int cchDestChar) {
    if (wstrDestination == nullptr || strSource == nullptr) return;
    if (cchDestChar == -1) cchDestChar = static_cast<int>(std::strlen(strSource)) + 1;
    if (cchDestChar <= 0) return;
    MultiByteToWideChar(CP_ACP, 0, strSource, -1, wstrDestination, cchDestChar - 1);
    wstrDestination[cchDestChar - 1] = 0;
}

void sysWideToAnsi(char* strDestination, const WCHAR* wstrSource, int cchDestChar) {
    if (strDestination == nullptr || wstrSource == nullptr) return;
    if (cchDestChar == -1) {
        cchDestChar = 1;
        while (wstrSource[cchDestChar - 1]) ++cchDestChar;
    }
    if (cchDestChar <= 0) return;
    WideCharToMultiByte(CP_ACP, 0, wstrSource, -1, strDestination, cchDestChar - 1, nullptr, nullptr);
    strDestination[cchDestChar - 1] = 0;
}

void sysGenericToAnsi(char* strDestination, const char* tstrSource, int cchDestChar) {
    if (strDestination == nullptr || tstrSource == nullptr) return;
    if (cchDestChar == -1)
        std::strcpy(strDestination, tstrSource);
    else if (cchDestChar > 0)
        std::strncpy(strDestination, tstrSource, static_cast<std::size_t>(cchDestChar));
}

void sysAnsiToGeneric(char* tstrDestination, const char* strSource, int cchDestChar) {
    sysGenericToAnsi(tstrDestination, strSource, cchDestChar);
}

void sysGenericToWide(WCHAR* wstrDestination, const char* tstrSource, int cchDestChar) {
    sysAnsiToWide(wstrDestination, tstrSource, cchDestChar);
}

void sysWideToGeneric(char* tstrDestination, const WCHAR* wstrSource, int cchDestChar) {
    sysWideToAnsi(tstrDestination, wstrSource, cchDestChar);
}

HRESULT sysTrace(const char* strFile, long dwLine, HRESULT hr, const char* strMsg) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, "%s(%ld): ", strFile ? strFile : "", dwLine);
    OutputDebugStringA(buffer);
    OutputDebugStringA(strMsg ? strMsg : "");
    if (hr != 0) {
        std::snprintf(buffer, sizeof buffer, "(hr=%08lx)\n", static_cast<unsigned long>(static_cast<DWORD>(hr)));
        OutputDebugStringA(buffer);
    }
    OutputDebugStringA("\n");
    return hr;
}

void sysTracef(const char* strFormat, ...) {
    char buffer[512];
    va_list args;
    va_start(args, strFormat);
    std::vsnprintf(buffer, sizeof buffer, strFormat ? strFormat : "", args);
    va_end(args);
    OutputDebugStringA(buffer);
}
