// Conversions between the program's single-byte text (Windows-1252, the ANSI code page the game's
// Spanish texts were written in) and UTF-16, and trace output.
#pragma once

#include <cstdarg>
#include <string>

#include "win32/wintypes.h"

#define CP_ACP 0u
#define CP_UTF8 65001u

// As on Windows: cbMultiByte / cchWideChar of -1 means "through the terminator, which is counted".
// A destination size of 0 returns the size needed. Returns the characters written, or 0 when the
// destination is too small; what fits is still written, and nothing past the destination's end.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int cbMultiByte, LPWSTR dst, int cchWideChar);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int cchWideChar, LPSTR dst, int cbMultiByte,
                        LPCSTR defaultChar, BOOL* usedDefaultChar);

// Formats as the platform's wsprintfW: at most 1024 characters and the terminator. Conversions
// d, i, u, x, X, c (a UTF-16 unit) and s (a UTF-16 string) with flags, width and precision; the
// size prefixes h and l both read a 32-bit value, as there. Returns the characters written.
int wsprintfW(LPWSTR out, LPCWSTR format, ...);
int wvsprintfW(LPWSTR out, LPCWSTR format, va_list args);

// Debugger output: standard error here.
void OutputDebugStringA(LPCSTR text);

namespace win32 {
// The program's single-byte text as UTF-8, for the system's own text interfaces (SDL, terminals).
std::string AnsiToUtf8(const char* text);
// UTF-8 from the system as the program's single-byte text; characters the code page lacks, and
// malformed sequences, are dropped.
std::string Utf8ToAnsi(const char* text);
}  // namespace win32
