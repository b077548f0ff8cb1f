#include "CoreUtilities/AutoResetEvent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

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

// A wake-up lost between a waiter's last look and its sleep shows as a
// timed-out hand-over; a Set that touches the event after letting the waiter
// through shows under the sanitizers, the waiter destroying it at once.
TEST(AutoResetEventTest, HandOversBackAndForthLoseNoSignal)
{
    AutoResetEvent run, done;
    constexpr int kTrips = 20000;
    std::thread partner([&] {
        for (int trip = 0; trip < kTrips; ++trip) {
            run.Wait();
            done.Set();
        }
    });
    int answered = 0;
    for (int trip = 0; trip < kTrips; ++trip) {
        run.Set();
        answered += done.WaitFor(5000) ? 1 : 0;
    }
    partner.join();
    EXPECT_EQ(answered, kTrips);

    for (int trip = 0; trip < 2000; ++trip) {
        auto event = std::make_unique<AutoResetEvent>();
        std::thread setter([raw = event.get()] { raw->Set(); });
        event->Wait();
        event.reset();
        setter.join();
    }
}

TEST(AutoResetEventTest, EachSignalLetsExactlyOneOfManyWaitersThrough)
{
    AutoResetEvent event;
    constexpr int kWaiters = 4, kEach = 200;
    std::atomic<int> passed{0};
    std::vector<std::thread> waiters;
    for (int w = 0; w < kWaiters; ++w) {
        waiters.emplace_back([&] {
            for (int n = 0; n < kEach; ++n) {
                event.Wait();
                passed.fetch_add(1);
            }
        });
    }
    bool onePerSignal = true;
    for (int n = 1; n <= kWaiters * kEach; ++n) {
        event.Set();
        while (passed.load() < n)
            std::this_thread::yield();
        onePerSignal = onePerSignal && passed.load() == n;
    }
    for (std::thread& waiter : waiters)
        waiter.join();
    EXPECT_TRUE(onePerSignal);
    EXPECT_FALSE(event.WaitFor(0));
}

}  // namespace
