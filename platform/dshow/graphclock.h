// The graph's clock: the platform's performance counter in 100-ns units, so a scripted run's
// fixed step moves movies as it moves the game, and a stopped game leaves them running.
#pragma once

#include "dshow/interfaces.h"

namespace dshow {

REFERENCE_TIME GraphClockNow();

// Filters whose streaming work can be waited for: the graph asks each running filter, in a
// scripted run, to finish what the clock has made due before the game reads the graph.
inline constexpr GUID IID_IStreamCatchUp = {
    0x3F6C2B51, 0x8D0E, 0x4A77, {0x9C, 0x12, 0x5E, 0x40, 0xA1, 0x7B, 0x33, 0xC8}};
struct IStreamCatchUp : IUnknown {
    // Returns once the filter waits for a time still to come, has finished, or `msLimit` passed.
    virtual void CatchUp(DWORD msLimit) = 0;
};

}  // namespace dshow
