// The application clock: absolute time, application time (stands while stopped, moves in 0.1 s
// steps on Advance) and the time elapsed between reads. One clock per program.
#pragma once

#include "win32/wintypes.h"

enum class TimerCommand : int {
    Reset = 0,
    Start = 1,
    Stop = 2,
    Advance = 3,
    GetAbsoluteTime = 4,
    GetAppTime = 5,
    GetElapsedTime = 6,
};

// Seconds for the read commands, 0 for the others, -1 for an unknown command.
float sysTimer(TimerCommand command);

// Returns the clock to its program-start state, so that each test starts from scratch.
void sysTimerResetForTest();
