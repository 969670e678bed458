// COM initialisation. Nothing here needs an apartment; the calls only count, so that tests can
// see each movie start paired with its stop.
#pragma once

#include "win32/wintypes.h"

HRESULT CoInitialize(void* reserved);
void CoUninitialize();

namespace win32 {
// Current balance of CoInitialize over CoUninitialize calls.
int ComInitCount();
}  // namespace win32
