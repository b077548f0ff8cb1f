#include "CoreUtilities/Stopwatch.h"

#include <ctime>

std::atomic<int64_t> CounterFrequency{1};

namespace {

constexpr int64_t kNanosecondsPerSecond = 1000000000;

int64_t ReadCounter()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
}

int64_t SystemCounterFrequency()
{
    timespec resolution;
    return clock_getres(CLOCK_MONOTONIC, &resolution) == 0 ? kNanosecondsPerSecond : 0;
}

// The frequency, asked of the system once. A reading of a stopwatch that was
// never started asks too, rather than dividing by the placeholder 1.
int64_t Frequency()
{
    int64_t frequency = CounterFrequency.load(std::memory_order_relaxed);
    if (frequency == 1) {
        frequency = SystemCounterFrequency();
        CounterFrequency.store(frequency, std::memory_order_relaxed);
    }
    return frequency;
}

}  // namespace

void Stopwatch::Start()
{
    Frequency();
    mark = ReadCounter();
}

void Stopwatch::ElapsedMicroseconds(int64_t& out)
{
    int64_t frequency = Frequency();
    if (frequency == 0)
        return;
    int64_t now = ReadCounter();
    int64_t counts = now - mark;
    // Whole seconds and the rest apart, so that a nanosecond counter does not
    // overflow after a few hours between readings.
    out = counts / frequency * 1000000 + counts % frequency * 1000000 / frequency;
    mark = now;
}
