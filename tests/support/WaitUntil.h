// Polls a condition that another thread will make true, with a limit so that
// a fault fails the test instead of hanging it.
#pragma once

#include <chrono>
#include <thread>

// True once done() holds; false when it still does not after seconds.
template <typename Done>
bool WaitUntil(Done done, double seconds = 5.0)
{
    const auto limit = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

inline double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
