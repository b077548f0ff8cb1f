#include "CoreUtilities/Stopwatch.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(StopwatchTest, MeasuresAndMovesTheMark)
{
    Stopwatch watch;
    watch.Start();
    EXPECT_EQ(CounterFrequency.load(), 1000000000);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    int64_t us = -1;
    watch.ElapsedMicroseconds(us);
    EXPECT_GE(us, 20000);
    EXPECT_LT(us, 2000000);
    watch.ElapsedMicroseconds(us);
    EXPECT_GE(us, 0);
    EXPECT_LT(us, 15000);
}

TEST(StopwatchTest, LongIntervalsDoNotOverflow)
{
    Stopwatch watch;
    watch.Start();
    watch.mark -= 5 * 86400 * 1000000000LL;  // five days ago
    int64_t us = 0;
    watch.ElapsedMicroseconds(us);
    EXPECT_GE(us, 5 * 86400 * 1000000LL);
    EXPECT_LT(us, 5 * 86400 * 1000000LL + 1000000);
}

TEST(StopwatchTest, WithoutACounterTheOutputIsLeftAlone)
{
    Stopwatch watch;
    watch.Start();
    int64_t saved = CounterFrequency.exchange(0);
    int64_t us = 12345;
    watch.ElapsedMicroseconds(us);
    EXPECT_EQ(us, 12345);
    CounterFrequency = saved;
}

}  // namespace
