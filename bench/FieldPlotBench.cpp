// The plots that cover the whole 2D view: a 512 by 512 density plot of
// sin(x y) over [-4, 4] on both axes, computed in one band and in one band
// per processor, and the contour lines of x^2 - y^2 at 20 levels over the
// same view (one job by design, so the same on any number of cores). Each
// iteration computes the plot afresh (Restart) and waits for it.
#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/InterpreterBuild.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphs2d/AContourPlot.h"
#include "graphs2d/ADensityPlot.h"
#include "graphs2d/ViewMapping.h"
#include "support/FormulaReader.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <thread>

namespace {

constexpr int kSize = 512;

void Start(DocState& doc, ViewMapping& mapping)
{
    InitFormulaEngine();
    SelectInterpreterBuild();
    StartWorkerThreads();
    ShortRect rect;
    SetShortRect(rect, 0, 0, kSize, kSize);
    mapping.Set(rect, kSize / 2.0, kSize / 2.0, kSize / 8.0, -kSize / 8.0, 1);
    mapping.doc = &doc;
}

template <typename Plot>
void WaitFor(Plot& plot)
{
    while (!plot.IsComplete())
        std::this_thread::yield();
}

void DensityPlot(benchmark::State& state)
{
    DocState doc;
    ViewMapping mapping;
    Start(doc, mapping);
    const int32_t bands = static_cast<int32_t>(state.range(0));
    ADensityPlot plot(new CompiledFormula(ReadFormula("sin(x*y)"), &doc), 0.5, new AGraphColor(nullptr, &doc),
                      &mapping, bands);
    WaitFor(plot);
    for (auto _ : state) {
        plot.Restart();
        WaitFor(plot);
    }
    state.counters["bands"] = plot.Image().cells ? (bands ? bands : GetProcessorCount()) : 0;
}

void ContourPlot(benchmark::State& state)
{
    DocState doc;
    ViewMapping mapping;
    Start(doc, mapping);
    // Resolution 0.8 asks for 20 levels.
    AContourPlot plot(new CompiledFormula(ReadFormula("x^2-y^2"), &doc), 0.8, new AGraphColor(nullptr, &doc),
                      &mapping);
    while (!plot.SweepFinished())
        std::this_thread::yield();
    for (auto _ : state) {
        plot.Restart();
        while (!plot.SweepFinished())
            std::this_thread::yield();
    }
    state.counters["levels"] = plot.LevelCount();
    state.counters["segments"] = plot.SegmentCount();
}

}  // namespace

// 1: one band; 0: one band per processor.
BENCHMARK(DensityPlot)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ContourPlot)->Unit(benchmark::kMillisecond)->UseRealTime();
