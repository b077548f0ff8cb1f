// The demonstration player's mode, which the rest of the program reads to
// leave the player in charge: 0 none, 4 the benchmark, others demonstrations.
#pragma once

#include <cstdint>

int32_t GetDemoMode();
void SetDemoMode(int32_t mode);
// A demonstration or the benchmark runs.
bool IsDemoRunning();
bool IsBenchmarkRunning();
