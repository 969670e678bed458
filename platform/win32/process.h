// The running process as the platform names it.
#pragma once

#include "win32/wintypes.h"

DWORD GetCurrentProcessId();
