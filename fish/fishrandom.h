// The fish's random numbers and clock, the same on every platform: a 15-bit linear congruential
// generator and a millisecond clock from program start, so a fixed-step run is reproducible.
#pragma once

constexpr int kFishRandMax = 0x7FFF;

void fishSrand(unsigned int nSeed);
// 0 to 32767.
int fishRand();
// Milliseconds since the program started.
long fishClock();
