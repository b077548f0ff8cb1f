// Round trip of one hand-over (user-interface thread -> analysis -> back),
// against the bare cost of waking another thread and being woken by it.
#include "CoreUtilities/AutoResetEvent.h"
#include "CoreUtilities/Clock.h"
#include "CoreUtilities/CoopThread.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <semaphore>
#include <thread>

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

void BM_CoopSliceRoundTrip(benchmark::State& state)
{
    SetClockTickSource(&ReadFakeTicks);
    DocState doc;
    doc.AnalysisThread = StartCoopThread(&YieldEveryStep, &doc);
    for (auto _ : state)
        RunCoopThreadSlice();
    StopCoopThread(doc.AnalysisThread);
    SetClockTickSource(nullptr);
    if (CoopSliceOverrun)
        state.SkipWithError("a slice overran");
}
BENCHMARK(BM_CoopSliceRoundTrip)->UseRealTime();

// Wakes the other thread and waits to be woken back, over two events.
template <typename Event>
void PingPong(benchmark::State& state)
{
    Event run, done;
    bool stop = false;
    std::thread partner([&] {
        for (;;) {
            run.Wait();
            if (stop)
                return;
            done.Set();
        }
    });
    for (auto _ : state) {
        run.Set();
        done.Wait();
    }
    stop = true;
    run.Set();
    partner.join();
}

// Strict alternation never releases a semaphore that is already up.
struct SemaphoreEvent {
    std::binary_semaphore semaphore{0};
    void Set() { semaphore.release(); }
    void Wait() { semaphore.acquire(); }
};

// The reference: two binary semaphores passed back and forth between two threads.
void BM_SemaphorePingPong(benchmark::State& state)
{
    PingPong<SemaphoreEvent>(state);
}
BENCHMARK(BM_SemaphorePingPong)->UseRealTime();

// The events alone, without the hand-over's lock and clock readings.
void BM_EventPingPong(benchmark::State& state)
{
    PingPong<AutoResetEvent>(state);
}
BENCHMARK(BM_EventPingPong)->UseRealTime();

}  // namespace
