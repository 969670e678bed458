#include "win32/timesource.h"

#include <cstdlib>
#include <ctime>
#include <mutex>

namespace win32 {
namespace {

constexpr std::int64_t kNanosPerSecond = 1'000'000'000;

std::int64_t MonotonicNanos() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * kNanosPerSecond + ts.tv_nsec;
}

struct Clock {
    std::int64_t frequency = kNanosPerSecond;
    bool hasCounter = true;
    std::function<std::int64_t()> now;
    // Fixed-step clock: starts one hour in, so absolute times are never near zero.
    bool fixedStep = false;
    std::int64_t fixedNow = 3600 * kNanosPerSecond;
    std::int64_t fixedStepCounts = 0;
    // Where the program's millisecond clock counts from.
    std::int64_t startCounts = 0;
};

// The clock is read from the window thread and from the media streaming thread.
std::mutex g_mutex;

Clock MakeDefaultClock() {
    Clock c;
    const char* step = std::getenv("ABISALIA_FIXED_STEP");
    const double seconds = step ? std::atof(step) : 0.0;
    if (seconds > 0.0) {
        c.fixedStep = true;
        c.fixedStepCounts = static_cast<std::int64_t>(seconds * kNanosPerSecond + 0.5);
    }
    c.startCounts = c.fixedStep ? c.fixedNow : MonotonicNanos();
    return c;
}

Clock& TheClock() {
    static Clock clock = MakeDefaultClock();
    return clock;
}

std::int64_t ReadCounts(const Clock& c) {
    if (c.now) return c.now();
    if (c.fixedStep) return c.fixedNow;
    return MonotonicNanos();
}

}  // namespace

void SetTimeSourceForTest(std::int64_t frequency, bool hasCounter, std::function<std::int64_t()> now) {
    std::lock_guard lock(g_mutex);
    Clock& c = TheClock();
    c.frequency = frequency > 0 ? frequency : 1;
    c.hasCounter = hasCounter;
    c.now = std::move(now);
    c.startCounts = c.now ? c.now() : 0;
}

void ResetTimeSource() {
    std::lock_guard lock(g_mutex);
    TheClock() = MakeDefaultClock();
}

bool FixedStepActive() {
    std::lock_guard lock(g_mutex);
    return TheClock().fixedStep && !TheClock().now;
}

void AdvanceFixedStep() {
    std::lock_guard lock(g_mutex);
    Clock& c = TheClock();
    if (c.fixedStep) c.fixedNow += c.fixedStepCounts;
}

std::uint32_t WindowSystemTicks() {
    std::lock_guard lock(g_mutex);
    const Clock& c = TheClock();
    static const std::int64_t start = MonotonicNanos();
    const std::int64_t counts = c.now ? c.now() - c.startCounts : MonotonicNanos() - start;
    const std::int64_t frequency = c.now ? c.frequency : kNanosPerSecond;
    return static_cast<std::uint32_t>(counts / frequency * 1000 + counts % frequency * 1000 / frequency);
}

std::int64_t MillisecondsSinceStart() {
    std::lock_guard lock(g_mutex);
    const Clock& c = TheClock();
    const std::int64_t counts = ReadCounts(c) - c.startCounts;
    return counts / c.frequency * 1000 + counts % c.frequency * 1000 / c.frequency;
}

}  // namespace win32

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    std::lock_guard lock(win32::g_mutex);
    const auto& c = win32::TheClock();
    if (!c.hasCounter) {
        if (frequency) frequency->QuadPart = 0;
        return FALSE;
    }
    if (frequency) frequency->QuadPart = c.frequency;
    return TRUE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    std::lock_guard lock(win32::g_mutex);
    const auto& c = win32::TheClock();
    if (!c.hasCounter) return FALSE;
    if (count) count->QuadPart = win32::ReadCounts(c);
    return TRUE;
}

DWORD timeGetTime() {
    std::lock_guard lock(win32::g_mutex);
    const auto& c = win32::TheClock();
    const std::int64_t counts = win32::ReadCounts(c);
    // Milliseconds, wrapping at 32 bits as the platform's does.
    const auto ms = static_cast<std::uint64_t>(counts / c.frequency) * 1000u +
                    static_cast<std::uint64_t>((counts % c.frequency) * 1000 / c.frequency);
    return static_cast<DWORD>(ms);
}
