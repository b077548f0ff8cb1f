// From Draw Graph to the first complete frame of a 1000 x 700 2D view, for
// documents whose lines are given as formula text: the analysis, the idle
// slices of graph building, the graph workers, and the view drawn into its
// offscreen surface. Whatever graph kinds are registered are built; a line
// whose form has no builder yet is built as nothing and costs only its
// classification.
#include "support/BenchDocument.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> TenCurves()
{
    std::vector<std::string> lines;
    for (int k = 1; k <= 10; ++k)
        lines.push_back("y=sin(" + std::to_string(k) + "*x)*x");
    return lines;
}

void Run(benchmark::State& state, const std::vector<std::string>& lines)
{
    BenchDocument document(lines);
    for (auto _ : state)
        document.DrawGraphToFirstFrame();
    state.counters["lines"] = static_cast<double>(lines.size());
}

void BM_DrawGraphSinTimesX(benchmark::State& state)
{
    Run(state, {"y=sin(x)*x"});
}

void BM_DrawGraphTenCurves(benchmark::State& state)
{
    Run(state, TenCurves());
}

}  // namespace

BENCHMARK(BM_DrawGraphSinTimesX)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_DrawGraphTenCurves)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
