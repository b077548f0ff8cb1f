#include "CoreUtilities/Clock.h"

#include <atomic>
#include <cmath>
#include <ctime>
#include <thread>

namespace {

std::atomic<ClockTickSource> TickSource{&SystemTickCount};

// The base, or -1 while no reading has fixed it. A base of 0 is a real base
// (a first reading below one second), so it cannot double as "not set".
std::atomic<int64_t> ClockBase{-1};

}  // namespace

uint32_t SystemTickCount()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void SetClockTickSource(ClockTickSource source)
{
    TickSource.store(source ? source : &SystemTickCount);
    ClockBase.store(-1);
}

uint32_t ClockMilliseconds()
{
    uint32_t t = TickSource.load(std::memory_order_relaxed)();
    int64_t base = ClockBase.load(std::memory_order_relaxed);
    if (base < 0) {
        // Two threads reading first agree on the base that won.
        int64_t mine = t / 1000u * 1000u;
        base = ClockBase.compare_exchange_strong(base, mine) ? mine : base;
    }
    return t - static_cast<uint32_t>(base);
}

uint64_t ClockMicroseconds()
{
    return static_cast<uint64_t>(ClockMilliseconds()) * 1000u;
}

int32_t TicksToMilliseconds(int32_t ticks)
{
    // Wide enough that no tick count overflows before the division.
    return static_cast<int32_t>(static_cast<int64_t>(ticks) * 1000 / 60);
}

int32_t TicksToMillisecondsReal(double ticks)
{
    double ms = std::trunc(ticks * 1000.0 / 60.0);
    // What the processor's truncating conversion gives for NaN and
    // out-of-range values, without the undefined conversion.
    if (!(ms >= -2147483648.0 && ms <= 2147483647.0))
        return INT32_MIN;
    return static_cast<int32_t>(ms);
}

double MillisecondsToSeconds(int32_t milliseconds)
{
    return milliseconds / 1000.0;
}

void SleepMicroseconds(int32_t microseconds)
{
    int32_t ms = microseconds / 1000;
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    else
        std::this_thread::yield();
}
