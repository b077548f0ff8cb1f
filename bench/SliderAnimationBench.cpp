// Frames of an animated y = sin(x + a) in a 1000 x 700 2D view: each frame
// moves the slider one step (a bounces between 0 and 10 in 100 steps),
// lets the graph recompute and draws the view. Reports frames per second
// and the share of frames that took more than 16 ms (one refresh at 60 Hz).
#include "CoreUtilities/Clock.h"
#include "support/BenchDocument.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

void BM_AnimateSinXPlusA(benchmark::State& state)
{
    BenchDocument document({"y=sin(x+a)"});
    DocState& doc = document.doc;
    doc.SliderVariable = 'a';
    doc.SliderMin = 0;
    doc.SliderMax = 10;
    doc.SliderSteps = 100;
    document.DrawGraphToFirstFrame();
    int64_t frames = 0, slow = 0;
    for (auto _ : state) {
        const uint64_t start = ClockMicroseconds();
        doc.AnimationStep();
        document.CompleteAndDraw();
        if (ClockMicroseconds() - start > 16000)
            ++slow;
        ++frames;
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["over16ms"] = frames ? static_cast<double>(slow) / static_cast<double>(frames) : 0;
}

}  // namespace

BENCHMARK(BM_AnimateSinXPlusA)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
