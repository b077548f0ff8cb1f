#include "CoreUtilities/Condition.h"

#include "CoreUtilities/ThreadLocks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(Condition, TimedWaitOfTwoSecondsEndsAfterTwoSeconds)
{
    Mutex mutex;
    Condition condition;
    MutexLock lock(mutex);
    const auto start = Clock::now();
    EXPECT_FALSE(TimedWaitCondition({2, 0}, condition, mutex, [] { return false; }));
    const double waited = SecondsSince(start);
    EXPECT_GE(waited, 2.0);
    EXPECT_LT(waited, 3.0);
}

TEST(Condition, WakeUpsWithoutTheAwaitedStateDoNotEndTheWait)
{
    Mutex mutex;
    Condition condition;
    std::atomic<bool> stop{false};
    // Wakes the waiter every millisecond without giving it what it waits for.
    std::thread waker([&] {
        while (!stop) {
            {
                MutexLock lock(mutex);
                condition.Broadcast();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const auto start = Clock::now();
    {
        MutexLock lock(mutex);
        EXPECT_FALSE(TimedWaitCondition({0, 300000000}, condition, mutex, [] { return false; }));
    }
    EXPECT_GE(SecondsSince(start), 0.3);
    stop = true;
    waker.join();
}

TEST(Condition, SignalledStateEndsTheWaitEarly)
{
    // The process-wide statically initialised locks wait the same way.
    bool posted = true;
    std::thread finisher([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        MutexLock lock(DoneMutex);
        posted = false;
        pthread_cond_broadcast(&DoneCondition);
    });
    const auto start = Clock::now();
    {
        MutexLock lock(DoneMutex);
        EXPECT_TRUE(TimedWaitCondition({10, 0}, DoneCondition, DoneMutex, [&] { return !posted; }));
    }
    EXPECT_LT(SecondsSince(start), 5.0);
    finisher.join();
    // A state that already holds returns without waiting.
    MutexLock lock(DoneMutex);
    EXPECT_TRUE(TimedWaitCondition({10, 0}, DoneCondition, DoneMutex, [] { return true; }));
}

TEST(Condition, DeadlineNormalisesNanoseconds)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    for (long nanoseconds : {0L, 999999999L, 1500000000L, 3999999999L, -300000000L}) {
        const timespec deadline = MonotonicDeadline({1, nanoseconds});
        EXPECT_GE(deadline.tv_nsec, 0);
        EXPECT_LT(deadline.tv_nsec, 1000000000L);
        const double ahead = double(deadline.tv_sec - now.tv_sec) + (deadline.tv_nsec - now.tv_nsec) * 1e-9;
        EXPECT_GE(ahead, 1.0 + nanoseconds * 1e-9);
        EXPECT_LT(ahead, 1.5 + nanoseconds * 1e-9);
    }
}

TEST(Condition, TimeOutAlreadyPassedReturnsAtOnce)
{
    Mutex mutex;
    Condition condition;
    MutexLock lock(mutex);
    const auto start = Clock::now();
    for (timespec timeOut : {timespec{0, 0}, timespec{-1, 0}, timespec{0, -5}})
        EXPECT_FALSE(TimedWaitCondition(timeOut, condition, mutex, [] { return false; }));
    EXPECT_LT(SecondsSince(start), 0.5);
}

TEST(MutexLock, KeepsCountersExactUnderContention)
{
    Mutex mutex;
    long owned = 0;
    long shared = 0;
    std::thread threads[8];
    for (auto& thread : threads)
        thread = std::thread([&] {
            for (int i = 0; i < 20000; ++i) {
                {
                    MutexLock lock(mutex);
                    ++owned;
                }
                MutexLock lock(TaskMutex);
                ++shared;
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(owned, 8 * 20000);
    EXPECT_EQ(shared, 8 * 20000);
}

}  // namespace
