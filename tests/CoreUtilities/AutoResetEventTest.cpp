#include "CoreUtilities/AutoResetEvent.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

TEST(AutoResetEventTest, ASignalLetsOneWaitThroughAndIsKeptUntilThen)
{
    AutoResetEvent event;
    EXPECT_FALSE(event.WaitFor(0));
    event.Set();
    event.Set();  // signals do not count up
    EXPECT_TRUE(event.WaitFor(0));
    EXPECT_FALSE(event.WaitFor(0));

    event.Set();
    event.Reset();
    EXPECT_FALSE(event.WaitFor(0));
}

TEST(AutoResetEventTest, TimedWaitRunsOutAndWaitWakesOnASignal)
{
    using namespace std::chrono;
    AutoResetEvent event;
    auto start = steady_clock::now();
    EXPECT_FALSE(event.WaitFor(30));
    EXPECT_GE(steady_clock::now() - start, milliseconds(30));

    std::thread setter([&] {
        std::this_thread::sleep_for(milliseconds(10));
        event.Set();
    });
    event.Wait();
    setter.join();
    EXPECT_FALSE(event.WaitFor(0));
}

}  // namespace
