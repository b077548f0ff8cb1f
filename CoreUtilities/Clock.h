// The program's clock: milliseconds since a base taken at the first reading,
// and durations counted in ticks of 1/60 s.
#pragma once

#include <cstdint>

// The system's millisecond tick count: 32 bits, wrapping about every 49.7 days.
using ClockTickSource = uint32_t (*)();

// Milliseconds since the clock's base (the first reading's tick count rounded
// down to a whole second). Wraps with the tick count: compare readings by
// their unsigned difference, never by their order.
uint32_t ClockMilliseconds();
// ClockMilliseconds() x 1,000: millisecond resolution.
uint64_t ClockMicroseconds();

// n x 1,000 / 60, truncated toward zero.
int32_t TicksToMilliseconds(int32_t ticks);
// x x 1,000 / 60, truncated toward zero.
int32_t TicksToMillisecondsReal(double ticks);
double MillisecondsToSeconds(int32_t milliseconds);

// Sleeps n / 1,000 whole milliseconds; below that it only gives up the time slice.
void SleepMicroseconds(int32_t microseconds);

// The monotonic clock in milliseconds, cut to 32 bits.
uint32_t SystemTickCount();
// Replaces the tick source (null: SystemTickCount) and lets the next reading
// take a new base. Tests drive the clock with it, across the wrap too.
void SetClockTickSource(ClockTickSource source);
