// Whole-file reads for the D3DX loaders, through the platform's file layer (backslashes in
// names, letter case ignored where the exact name is missing).
#pragma once

#include <cstdio>
#include <vector>

#include "win32/wintypes.h"

namespace d3dx {

// The one place loaders open files.
std::FILE* OpenLoaderFile(const char* fileName);

// E_FAIL when the file cannot be opened or read, E_OUTOFMEMORY past 1 GB.
HRESULT ReadWholeFile(const char* fileName, std::vector<BYTE>* bytes);
// The same from a file already open, from its start; the file stays open.
HRESULT ReadWholeFile(std::FILE* file, std::vector<BYTE>* bytes);

}  // namespace d3dx
