#include "dshow/graphclock.h"

#include "win32/timesource.h"
#include "win32/windows.h"

namespace dshow {

REFERENCE_TIME GraphClockNow() {
    LARGE_INTEGER frequency{}, count{};
    if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0 && QueryPerformanceCounter(&count)) {
        const __int128 units = static_cast<__int128>(count.QuadPart) * kUnitsPerSecond / frequency.QuadPart;
        return static_cast<REFERENCE_TIME>(units);
    }
    return static_cast<REFERENCE_TIME>(timeGetTime()) * (kUnitsPerSecond / 1000);
}

}  // namespace dshow
