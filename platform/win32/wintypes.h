// Base types, result codes and small macros of the Windows platform as the game and framework use
// them. Widths follow the 32-bit platform the code was written for: DWORD and LONG are 32 bits;
// handles and message parameters are pointer-sized.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using INT = std::int32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using BOOL = int;
using CHAR = char;
using UCHAR = unsigned char;
using WCHAR = char16_t;
using FLOAT = float;
using HRESULT = std::int32_t;
using LPARAM = std::intptr_t;
using WPARAM = std::uintptr_t;
using LRESULT = std::intptr_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
using ATOM = WORD;
using COLORREF = DWORD;

using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPVOID = void*;
using LPCVOID = const void*;
using PVOID = void*;
using LPDWORD = DWORD*;
using LPBYTE = BYTE*;
using TCHAR = char;
using LPTSTR = char*;
using LPCTSTR = const char*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#ifndef CALLBACK
#define CALLBACK
#endif
#ifndef WINAPI
#define WINAPI
#endif
#ifndef APIENTRY
#define APIENTRY
#endif
#define MAX_PATH 260

// Opaque handles: distinct pointer types so overloads and mistakes are caught at compile time.
#define ABI_DECLARE_HANDLE(name) \
    struct name##__ {            \
        int unused;              \
    };                           \
    using name = name##__*
ABI_DECLARE_HANDLE(HWND);
ABI_DECLARE_HANDLE(HINSTANCE);
ABI_DECLARE_HANDLE(HMENU);
ABI_DECLARE_HANDLE(HICON);
ABI_DECLARE_HANDLE(HBRUSH);
ABI_DECLARE_HANDLE(HACCEL);
ABI_DECLARE_HANDLE(HDC);
ABI_DECLARE_HANDLE(HFONT);
ABI_DECLARE_HANDLE(HBITMAP);
ABI_DECLARE_HANDLE(HKEY);
ABI_DECLARE_HANDLE(HMONITOR);
#undef ABI_DECLARE_HANDLE
using HCURSOR = HICON;
using HMODULE = HINSTANCE;
using HGDIOBJ = void*;
using HANDLE = void*;
using HRSRC = void*;

struct POINT {
    LONG x;
    LONG y;
};
struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
struct SIZE {
    LONG cx;
    LONG cy;
};
using LPPOINT = POINT*;
using LPRECT = RECT*;
using LPCRECT = const RECT*;
using LPSIZE = SIZE*;

union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
};

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return true;
}

// Result codes.
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_FAIL ((HRESULT)0x80004005)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define E_NOINTERFACE ((HRESULT)0x80004002)
#define E_POINTER ((HRESULT)0x80004003)
#define E_NOTIMPL ((HRESULT)0x80004001)
#define E_UNEXPECTED ((HRESULT)0x8000FFFF)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#define MAKE_HRESULT(sev, fac, code) ((HRESULT)(((DWORD)(sev) << 31) | ((DWORD)(fac) << 16) | ((DWORD)(code))))

#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xFFFF))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xFFFF))
#define LOBYTE(w) ((BYTE)(((DWORD_PTR)(w)) & 0xFF))
#define HIBYTE(w) ((BYTE)((((DWORD_PTR)(w)) >> 8) & 0xFF))
#define MAKELONG(a, b) \
    ((LONG)(((WORD)(((DWORD_PTR)(a)) & 0xFFFF)) | ((DWORD)((WORD)(((DWORD_PTR)(b)) & 0xFFFF))) << 16))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR_T)((WORD)(i))))
#define ULONG_PTR_T std::uintptr_t
#define MAKEINTRESOURCE MAKEINTRESOURCEA
#define IS_INTRESOURCE(p) ((((std::uintptr_t)(p)) >> 16) == 0)
#define RGB(r, g, b) ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))
#define ZeroMemory(p, n) std::memset((p), 0, (n))
