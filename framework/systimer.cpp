#include "framework/systimer.h"

#include "win32/timesource.h"

namespace {

BOOL s_bTimerInitialised = FALSE;
BOOL s_bUsingCounter = FALSE;

LONGLONG s_llCounterFrequency = 0;
LONGLONG s_llStopCount = 0;
LONGLONG s_llLastElapsedCount = 0;
LONGLONG s_llBaseCount = 0;

double s_dStopTime = 0.0;
double s_dLastElapsedTime = 0.0;
double s_dBaseTime = 0.0;

}  // namespace

float sysTimer(TimerCommand command) {
    if (!s_bTimerInitialised) {
        s_bTimerInitialised = TRUE;
        LARGE_INTEGER frequency;
        s_bUsingCounter = QueryPerformanceFrequency(&frequency);
        if (s_bUsingCounter) s_llCounterFrequency = frequency.QuadPart;
    }

    const bool bReadClock = command == TimerCommand::Start || command == TimerCommand::GetAbsoluteTime;

    if (s_bUsingCounter) {
        LONGLONG now;
        if (s_llStopCount != 0 && !bReadClock) {
            now = s_llStopCount;
        } else {
            LARGE_INTEGER count;
            QueryPerformanceCounter(&count);
            now = count.QuadPart;
        }
        const double c = static_cast<double>(s_llCounterFrequency);

        switch (command) {
            case TimerCommand::GetElapsedTime: {
                const double elapsed = static_cast<double>(now - s_llLastElapsedCount) / c;
                s_llLastElapsedCount = now;
                return static_cast<float>(elapsed);
            }
            case TimerCommand::GetAppTime: return static_cast<float>(static_cast<double>(now - s_llBaseCount) / c);
            case TimerCommand::Reset:
                s_llBaseCount = now;
                s_llLastElapsedCount = now;
                return 0.0f;
            case TimerCommand::Start:
                s_llBaseCount += now - s_llStopCount;
                s_llStopCount = 0;
                s_llLastElapsedCount = now;
                return 0.0f;
            case TimerCommand::Stop:
                s_llStopCount = now;
                s_llLastElapsedCount = now;
                return 0.0f;
            case TimerCommand::Advance: s_llStopCount += s_llCounterFrequency / 10; return 0.0f;
            case TimerCommand::GetAbsoluteTime: return static_cast<float>(static_cast<double>(now) / c);
        }
        return -1.0f;
    }

    double now;
    if (s_dStopTime != 0.0 && !bReadClock)
        now = s_dStopTime;
    else
        now = static_cast<double>(timeGetTime()) * 0.001;

    switch (command) {
        case TimerCommand::GetElapsedTime: {
            const double elapsed = now - s_dLastElapsedTime;
            s_dLastElapsedTime = now;
            return static_cast<float>(elapsed);
        }
        case TimerCommand::GetAppTime: return static_cast<float>(now - s_dBaseTime);
        case TimerCommand::Reset:
            s_dBaseTime = now;
            s_dLastElapsedTime = now;
            return 0.0f;
        case TimerCommand::Start:
            s_dBaseTime += now - s_dStopTime;
            s_dStopTime = 0.0;
            s_dLastElapsedTime = now;
            return 0.0f;
        case TimerCommand::Stop: s_dStopTime = now; return 0.0f;
        case TimerCommand::Advance: s_dStopTime += static_cast<double>(0.1f); return 0.0f;
        case TimerCommand::GetAbsoluteTime: return static_cast<float>(now);
    }
    return -1.0f;
}

void sysTimerResetForTest() {
    s_bTimerInitialised = FALSE;
    s_bUsingCounter = FALSE;
    s_llCounterFrequency = s_llStopCount = s_llLastElapsedCount = s_llBaseCount = 0;
    s_dStopTime = s_dLastElapsedTime = s_dBaseTime = 0.0;
}
