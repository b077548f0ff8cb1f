#include "CoreUtilities/Clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>

namespace {

std::atomic<uint32_t> FakeTicks{0};
uint32_t ReadFakeTicks()
{
    return FakeTicks.load();
}

class ClockTest : public testing::Test {
protected:
    void TearDown() override { SetClockTickSource(nullptr); }

    // Installs the fake source; its first reading fixes the base.
    static void UseFakeTicks(uint32_t first)
    {
        FakeTicks = first;
        SetClockTickSource(&ReadFakeTicks);
    }
};

TEST_F(ClockTest, TicksConvertToMillisecondsTruncatingTowardZero)
{
    const struct {
        int32_t ticks;
        int32_t ms;
    } cases[] = {{0, 0}, {1, 16}, {10, 166}, {40, 666}, {60, 1000}, {90, 1500}, {-10, -166},
                 {-1, -16}, {100000000, 1666666666}, {-100000000, -1666666666}};
    for (const auto& c : cases)
        EXPECT_EQ(TicksToMilliseconds(c.ticks), c.ms) << c.ticks;

    EXPECT_EQ(TicksToMillisecondsReal(0.5), 8);
    EXPECT_EQ(TicksToMillisecondsReal(10.0), 166);
    EXPECT_EQ(TicksToMillisecondsReal(-0.5), -8);
    EXPECT_EQ(TicksToMillisecondsReal(NAN), INT32_MIN);
    EXPECT_EQ(TicksToMillisecondsReal(1e300), INT32_MIN);
    EXPECT_DOUBLE_EQ(MillisecondsToSeconds(1500), 1.5);
    EXPECT_DOUBLE_EQ(MillisecondsToSeconds(-1), -0.001);
}

TEST_F(ClockTest, BaseIsTheFirstReadingRoundedDownToAWholeSecond)
{
    UseFakeTicks(123456);
    EXPECT_EQ(ClockMilliseconds(), 456u);
    FakeTicks = 124000;
    EXPECT_EQ(ClockMilliseconds(), 1000u);
    EXPECT_EQ(ClockMicroseconds(), 1000000u);

    // A first reading below one second gives base 0, which stays the base:
    // the clock must not jump back by a second at a later reading.
    UseFakeTicks(500);
    EXPECT_EQ(ClockMilliseconds(), 500u);
    FakeTicks = 1500;
    EXPECT_EQ(ClockMilliseconds(), 1500u);
}

TEST_F(ClockTest, DifferencesHoldAcrossTheTickCountsWrap)
{
    UseFakeTicks(0xFFFFF000u);
    uint32_t before = ClockMilliseconds();
    FakeTicks = 0xFFFFFF00u;
    uint32_t a = ClockMilliseconds();
    FakeTicks = 0x00000100u;
    uint32_t b = ClockMilliseconds();
    EXPECT_EQ(b - a, 0x200u);
    EXPECT_EQ(b - before, 0x1100u);
}

TEST_F(ClockTest, SystemClockStartsBelowOneSecondAndNeverGoesBack)
{
    SetClockTickSource(nullptr);
    uint32_t first = ClockMilliseconds();
    EXPECT_LT(first, 1000u);
    uint32_t previous = first;
    for (int i = 0; i < 1000; ++i) {
        uint32_t now = ClockMilliseconds();
        EXPECT_LT(now - previous, 1000u);
        previous = now;
    }
}

TEST_F(ClockTest, SleepsWholeMilliseconds)
{
    using namespace std::chrono;
    auto elapsed = [](int32_t us) {
        auto start = steady_clock::now();
        SleepMicroseconds(us);
        return duration_cast<milliseconds>(steady_clock::now() - start).count();
    };
    EXPECT_LT(elapsed(500), 20);
    EXPECT_LT(elapsed(-50000), 20);  // a negative time never sleeps
    auto slept = elapsed(50000);
    EXPECT_GE(slept, 50);
    EXPECT_LT(slept, 500);
}

}  // namespace
