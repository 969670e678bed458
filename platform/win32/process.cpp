#include "win32/process.h"

#include <unistd.h>

DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }
