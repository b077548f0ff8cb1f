// A high-resolution stopwatch for frame times. A stopwatch belongs to one thread.
#pragma once

#include <atomic>
#include <cstdint>

// Counts per second of the high-resolution counter: 1 until the first start
// asks the system, 0 when the system has none.
extern std::atomic<int64_t> CounterFrequency;

struct Stopwatch {
    int64_t mark = 0;

    // Records the counter as the mark (asks for the frequency on the first start).
    void Start();
    // Microseconds since the mark, which moves to now. Writes nothing when
    // there is no high-resolution counter.
    void ElapsedMicroseconds(int64_t& out);
};
