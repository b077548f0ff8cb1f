// Relations shaded on a 512 x 512 view by interval subdivision, against
// sampling every pixel centre with the batch (grid) interpreter:
// - one: the plot on one worker (one part);
// - all: the plot on every worker (one part per processor);
// - sampling: the relation at each pixel centre, row by row, on one thread.
// Counters: milliseconds each way, one / sampling and all / sampling, and,
// from a native reference that looks for a solution in each pixel (a 6 x 6
// lattice of points over the pixel: a point where the inequality holds, or a
// sign change of left minus right for an equation), the pixels holding a
// solution that sampling leaves blank (missed), that sampling shades though
// the lattice finds none there (stray), and that the plot leaves blank
// (plot_missed, which must be 0).
#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/GridProgramSet.h"
#include "evaluation/InterpreterBuild.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphs2d/A2DInequality.h"
#include "graphs2d/ViewMapping.h"
#include "support/FormulaReader.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int kSide = 512;
constexpr int kLattice = 6;

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void WaitForPlot(A2DInequality& plot)
{
    while (!plot.IsComplete())
        std::this_thread::yield();
}

// f(x, y): the relation's left minus right side; holds(f) for an inequality.
using Side = std::function<double(double, double)>;

// The pixel holds a solution by the lattice.
bool LatticeFindsSolution(const Side& f, bool isEquation, const ViewMapping& m, int row, int column)
{
    bool negative = false, positive = false;
    for (int i = 0; i < kLattice; ++i) {
        for (int j = 0; j < kLattice; ++j) {
            const double x = (column - m.originX - 0.5 + i / (kLattice - 1.0)) * m.unitsPerPixelX;
            const double y = -(row - m.originY - 0.5 + j / (kLattice - 1.0)) * m.unitsPerPixelY;
            const double v = f(x, y);
            if (!isEquation && v > 0)
                return true;
            negative |= v < 0;
            positive |= v > 0;
            if (v == 0 && isEquation)
                return true;
        }
    }
    return isEquation && negative && positive;
}

void Relation(benchmark::State& state, const char* text, bool isEquation, double scale, Side f)
{
    InitFormulaEngine();
    SelectInterpreterBuild();
    StartWorkerThreads();
    DocState doc;
    ViewMapping mapping;
    ShortRect rect;
    SetShortRect(rect, 0, 0, kSide, kSide);
    // The origin a little off the centre, so that no pixel edge meets an axis.
    mapping.Set(rect, kSide / 2 + 0.37, kSide / 2 - 0.29, scale, -scale, 1);

    std::unique_ptr<A2DInequality> plots[2];
    for (int way : {0, 1}) {
        plots[way] = std::make_unique<A2DInequality>(new CompiledFormula(ReadFormula(text), &doc), nullptr,
                                                     new AGraphColor(nullptr, &doc), ClassifiedBoundary, isEquation,
                                                     &mapping, way == 0 ? 1 : 0);
        WaitForPlot(*plots[way]);
    }
    CompiledFormula rows(ReadFormula(text), &doc);
    std::unique_ptr<GridProgramSet> set(LinkGridFormula(&rows));
    GridEvalState grid;
    std::vector<double> samples(static_cast<size_t>(kSide) * kSide);
    const double x0 = -mapping.originX * mapping.unitsPerPixelX, y0 = mapping.originY * mapping.unitsPerPixelY;

    double seconds[3] = {};
    int round = 0;
    for (auto _ : state) {
        for (int k = 0; k < 3; ++k) {
            const int way = (round + k) % 3;
            const auto start = std::chrono::steady_clock::now();
            if (way == 2) {
                PrepareGrid2D(x0, y0, mapping.unitsPerPixelX, -mapping.unitsPerPixelY, kSide, kSide, set.get(),
                              &grid);
                for (int j = 0; j < kSide; ++j)
                    rows.EvaluateRow(j, &grid, samples.data() + static_cast<size_t>(j) * kSide);
                benchmark::ClobberMemory();
            } else {
                plots[way]->Restart();
                WaitForPlot(*plots[way]);
            }
            seconds[way] += SecondsSince(start);
        }
        state.SetIterationTime(seconds[0] / (round + 1));
        ++round;
    }

    int missed = 0, stray = 0, plotMissed = 0, differ = 0, shaded = 0;
    for (int row = 0; row < kSide; ++row) {
        for (int column = 0; column < kSide; ++column) {
            const bool solution = LatticeFindsSolution(f, isEquation, mapping, row, column);
            const bool sampled = samples[static_cast<size_t>(row) * kSide + column] == 1;
            const bool drawn = (plots[0]->LevelAt(row, column) & 1) != 0;
            missed += solution && !sampled;
            stray += sampled && !solution;
            plotMissed += solution && !drawn;
            differ += plots[0]->LevelAt(row, column) != plots[1]->LevelAt(row, column);
            shaded += drawn;
        }
    }
    if (differ)
        state.SkipWithError("one and all workers give different masks");
    const double n = static_cast<double>(state.iterations());
    state.counters["ms_one"] = seconds[0] * 1e3 / n;
    state.counters["ms_all"] = seconds[1] * 1e3 / n;
    state.counters["ms_sampling"] = seconds[2] * 1e3 / n;
    state.counters["one_x_sampling"] = seconds[0] / seconds[2];
    state.counters["all_x_sampling"] = seconds[1] / seconds[2];
    state.counters["one_x_all"] = seconds[0] / seconds[1];
    state.counters["evals_per_pixel"] =
        static_cast<double>(plots[0]->BoxEvaluations()) / (n + 1) / (static_cast<double>(kSide) * kSide);
    state.counters["sampling_missed"] = missed;
    state.counters["sampling_stray"] = stray;
    state.counters["plot_missed"] = plotMissed;
    state.counters["plot_shaded"] = shaded;
    state.SetLabel(std::to_string(GetProcessorCount()) + " workers");
}

BENCHMARK_CAPTURE(Relation, disc, "x^2+y^2<4", false, 64,
                  [](double x, double y) { return 4 - (x * x + y * y); })
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Relation, sinxy, "sin(x*y)>0", false, 32, [](double x, double y) { return std::sin(x * y); })
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Relation, cubic, "y^2=x^3-x", true, 64,
                  [](double x, double y) { return y * y - (x * x * x - x); })
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
