#include "fish/fishrandom.h"

#include "win32/timesource.h"

namespace {
// One generator for the program, as the waypoint choice expects.
unsigned int g_nFishSeed = 1;
}  // namespace

void fishSrand(unsigned int nSeed) { g_nFishSeed = nSeed; }

int fishRand() {
    g_nFishSeed = g_nFishSeed * 214013u + 2531011u;
    return static_cast<int>((g_nFishSeed >> 16) & kFishRandMax);
}

long fishClock() { return static_cast<long>(win32::MillisecondsSinceStart()); }
