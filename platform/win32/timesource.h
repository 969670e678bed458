// The clocks behind QueryPerformanceCounter and timeGetTime.
//
// Normally the monotonic clock. Tests inject a counter of their own; a scripted run
// (ABISALIA_FIXED_STEP=<seconds>) gets a clock that moves only when the main loop is about to
// step a frame, so the run is reproducible and no frame is skipped for lack of elapsed time.
#pragma once

#include <cstdint>
#include <functional>

#include "win32/wintypes.h"

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
DWORD timeGetTime();

namespace win32 {

// Replaces the clock: `now` returns counts at `frequency` counts per second. With hasCounter
// false, QueryPerformanceFrequency fails (the millisecond source is then the only one).
void SetTimeSourceForTest(std::int64_t frequency, bool hasCounter, std::function<std::int64_t()> now);

// Back to the monotonic clock (or the fixed-step clock when the environment asks for one).
void ResetTimeSource();

// The fixed-step clock of scripted runs: true when active. The main loop calls AdvanceFixedStep
// each time it is about to step a frame.
bool FixedStepActive();
void AdvanceFixedStep();

// Milliseconds for the platform's own waits on the window system (how long a resized window must
// hold still, how long the geometry reports of its own changes take): an injected clock when a
// test set one, else the monotonic clock. A scripted run's fixed step does not move it, since the
// window system answers in real time. Counts from the program's start (from the injected clock's
// setting), wrapping at 32 bits.
std::uint32_t WindowSystemTicks();

// Milliseconds since the program started (since the clock was replaced, for an injected one), as
// the C runtime's processor clock counts them on the target platform: wall time, 1000 per second.
std::int64_t MillisecondsSinceStart();

}  // namespace win32
