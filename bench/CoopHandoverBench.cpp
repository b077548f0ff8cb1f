// Round trip of one hand-over (user-interface thread -> analysis -> back),
// against the bare cost of waking another thread and being woken by it,
// measured side by side in the same rounds.
#include "CoreUtilities/AutoResetEvent.h"
#include "CoreUtilities/Clock.h"
#include "CoreUtilities/CoopThread.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <semaphore>
#include <thread>
#include <vector>

namespace {

// A clock that the analysis moves past the slice's end at every step, so that
// each CoopYield hands back (without reaching the overrun limit).
std::atomic<uint32_t> FakeTicks{0};
uint32_t ReadFakeTicks()
{
    return FakeTicks.load(std::memory_order_relaxed);
}

void YieldEveryStep(DocState*)
{
    while (!AbortFlag.load(std::memory_order_relaxed)) {
        FakeTicks.fetch_add(static_cast<uint32_t>(TicksToMilliseconds(10)) + 1, std::memory_order_relaxed);
        CoopYield();
    }
}

// Wakes the partner thread and waits to be woken back, over two events.
template <typename Event>
struct PingPongPartner {
    Event run, done;
    bool stop = false;
    std::thread thread{[this] {
        for (;;) {
            run.Wait();
            if (stop)
                return;
            done.Set();
        }
    }};

    ~PingPongPartner()
    {
        stop = true;
        run.Set();
        thread.join();
    }

    void RoundTrip()
    {
        run.Set();
        done.Wait();
    }
};

// Strict alternation never releases a semaphore that is already up.
struct SemaphoreEvent {
    std::binary_semaphore semaphore{0};
    void Set() { semaphore.release(); }
    void Wait() { semaphore.acquire(); }
};

enum Way { Slice, Semaphores, Events, WayCount };
constexpr int kTrips = 500;

// Each round times kTrips round trips three ways, in an order that turns
// from round to round: a slice handed to the cooperative thread and back;
// the reference, two binary semaphores passed back and forth between two
// threads; and the events alone, without the hand-over's lock and clock
// readings. Counters: nanoseconds per round trip each way, and the slice
// and the events as multiples of the semaphores in the median round.
void BM_HandOver(benchmark::State& state)
{
    SetClockTickSource(&ReadFakeTicks);
    DocState doc;
    doc.AnalysisThread = StartCoopThread(&YieldEveryStep, &doc);
    {
        PingPongPartner<SemaphoreEvent> semaphores;
        PingPongPartner<AutoResetEvent> events;
        double seconds[WayCount] = {};
        std::vector<double> sliceRatios, eventRatios;
        int round = 0;
        for (auto _ : state) {
            double thisRound[WayCount] = {};
            for (int k = 0; k < WayCount; ++k) {
                int way = (round + k) % WayCount;
                auto start = std::chrono::steady_clock::now();
                for (int trip = 0; trip < kTrips; ++trip) {
                    if (way == Slice)
                        RunCoopThreadSlice();
                    else if (way == Semaphores)
                        semaphores.RoundTrip();
                    else
                        events.RoundTrip();
                }
                double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                seconds[way] += elapsed;
                thisRound[way] = elapsed;
            }
            state.SetIterationTime(thisRound[Slice]);
            sliceRatios.push_back(thisRound[Slice] / thisRound[Semaphores]);
            eventRatios.push_back(thisRound[Events] / thisRound[Semaphores]);
            ++round;
        }
        double trips = static_cast<double>(state.iterations()) * kTrips;
        state.counters["ns_slice"] = seconds[Slice] * 1e9 / trips;
        state.counters["ns_semaphores"] = seconds[Semaphores] * 1e9 / trips;
        state.counters["ns_events"] = seconds[Events] * 1e9 / trips;
        // The median round: a burst of load on a shared machine moves one
        // round's ratio, not the figure.
        auto median = [](std::vector<double>& ratios) {
            std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
            return ratios[ratios.size() / 2];
        };
        state.counters["slice_x_semaphores"] = median(sliceRatios);
        state.counters["events_x_semaphores"] = median(eventRatios);
    }
    StopCoopThread(doc.AnalysisThread);
    SetClockTickSource(nullptr);
    if (CoopSliceOverrun)
        state.SkipWithError("a slice overran");
}
BENCHMARK(BM_HandOver)->UseManualTime()->Iterations(400);

}  // namespace
