// The one way the game and framework reach files.
//
// Names are written the Windows way ("nivel1\peces.plt") and compared as stored, so the layer
// turns '\' into '/' and, where the exact name does not exist, looks each path component up
// without regard to letter case. Every loader opens its files through here.
#pragma once

#include <cstdio>
#include <string>

#include "win32/wintypes.h"

namespace win32 {

// The path on this system for a Windows-style name: separators mapped; each missing component
// replaced by the single entry of its folder that matches it case-insensitively (the first in
// name order when several do). Components that match nothing are kept as written.
std::string ResolvePath(const char* name);

// fopen over ResolvePath. For reading ("r" modes), only a regular file is opened, and the open
// never blocks: a FIFO, device or folder gives nullptr. Returns nullptr (errno set) when the file
// cannot be opened.
std::FILE* OpenFile(const char* name, const char* mode);

// True when the name resolves to a regular file that can be opened for reading.
bool FileReadable(const char* name);

}  // namespace win32

// The subset of CreateFileA the program uses: opening an existing file for reading, to test that
// it exists. Any other request fails with INVALID_HANDLE_VALUE.
#define GENERIC_READ 0x80000000u
#define FILE_SHARE_READ 0x00000001u
#define OPEN_EXISTING 3u
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, void* security, DWORD disposition, DWORD flags,
                   HANDLE templateFile);
BOOL CloseHandle(HANDLE handle);
