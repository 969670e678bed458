// The one way the game and framework reach files.
//
// Names are written the Windows way ("nivel1\peces.plt") and compared as stored, so the layer
// takes '\' as a separator and, where a path component does not exist as written, looks it up
// without regard to letter case. Every loader opens its files through here, so this is also where
// the names that level, mesh and settings files give are kept inside the game's folders.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "win32/wintypes.h"

namespace win32 {

// The folders that names may lead into. Once set, a file opens only when it lies inside one of
// them, however its name gets there (an absolute name, "..", a symbolic link); a name that leads
// elsewhere is refused with a line on standard error naming it. Folders that do not exist count
// for nothing; an empty list (the default) confines nothing.
void SetFileRoots(const std::vector<std::string>& folders);

// fopen of a Windows-style name. For reading ("r" modes), only a regular file is opened, and the
// open never blocks: a FIFO, device or folder gives nullptr. Returns nullptr (errno set) when the
// file cannot be opened.
std::FILE* OpenFile(const char* name, const char* mode);

// True when the name leads to a regular file that can be opened for reading. Says nothing on a
// refusal: it is a question, which the open that follows answers aloud.
bool FileReadable(const char* name);

}  // namespace win32

// The subset of CreateFileA the program uses: opening an existing file for reading, to test that
// it exists (as FileReadable does). Any other request fails with INVALID_HANDLE_VALUE.
#define GENERIC_READ 0x80000000u
#define FILE_SHARE_READ 0x00000001u
#define OPEN_EXISTING 3u
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, void* security, DWORD disposition, DWORD flags,
                   HANDLE templateFile);
BOOL CloseHandle(HANDLE handle);
