// Grid evaluation of common formulas on a 1000 x 1000 grid, one thread:
// rows by the batch interpreter (the grid prepared, then one batch per row),
// against the same formula as a C++ loop over the grid compiled into the
// program, muparser's bulk evaluation of the whole grid, and the point
// interpreter at every point (through the plain point entry and through the
// grid's point entry). Each round evaluates the grid every way, so the
// figures come from one run. Counters: nanoseconds per point for each, the
// batch time as a multiple of the native time, and the muparser and point
// times as multiples of the batch time.
#include "bench/BenchFormulas.h"
#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/GridProgramSet.h"
#include "evaluation/InterpreterBuild.h"
#include "formula/FormulaEngine.h"

#include <benchmark/benchmark.h>
#include <muParser.h>
#include <omp.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kSide = 1000;
constexpr double kX0 = 0.3;
constexpr double kDx = 2.7 / kSide;
constexpr double kY0 = 1.7;
constexpr double kDy = -1.1 / kSide;

using GridLoop = void (*)(double* out);

struct BenchFormula {
    const char* name;
    const char* muparserText;
    FormulaNode* (*tree)();
    GridLoop native;
};

// The whole grid, row by row, as one would write it in C++.
#define VL_GRID_FORMULA(name, text, treeExpression, expression) \
    {#name, text, [] { return treeExpression; }, [](double* out) {  \
         for (int j = 0; j < kSide; ++j) {                          \
             [[maybe_unused]] double y = kY0 + j * kDy;             \
             for (int i = 0; i < kSide; ++i) {                      \
                 double x = kX0 + i * kDx;                          \
                 out[j * kSide + i] = expression;                   \
             }                                                      \
         }                                                          \
     }},

const BenchFormula kFormulas[] = {VL_BENCH_FORMULAS(VL_GRID_FORMULA)};

#undef VL_GRID_FORMULA

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool Close(double a, double b)
{
    return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b));
}

void GridEvaluation(benchmark::State& state, const BenchFormula& formula)
{
    InitFormulaEngine();
    SelectInterpreterBuild();
    // muparser spreads its bulk evaluation over every processor otherwise.
    omp_set_num_threads(1);
    DocState doc;
    CompiledFormula rows(formula.tree(), &doc);
    std::unique_ptr<GridProgramSet> set(LinkGridFormula(&rows));
    CompiledFormula points(formula.tree(), &doc);
    CompileFormula(&points);
    GridEvalState grid;

    constexpr size_t kCount = static_cast<size_t>(kSide) * kSide;
    std::vector<double> xs(kCount);
    std::vector<double> ys(kCount);
    for (int j = 0; j < kSide; ++j) {
        for (int i = 0; i < kSide; ++i) {
            xs[j * kSide + i] = kX0 + i * kDx;
            ys[j * kSide + i] = kY0 + j * kDy;
        }
    }
    mu::Parser parser;
    parser.DefineVar("x", xs.data());
    parser.DefineVar("y", ys.data());
    parser.SetExpr(formula.muparserText);

    std::vector<double> batch(kCount);
    std::vector<double> native(kCount);
    std::vector<double> bulk(kCount);
    std::vector<double> point(kCount);
    std::vector<double> gridPoint(kCount);

    // Through a volatile, so that the loop is not fitted to its caller.
    GridLoop volatile nativeLoopHolder = formula.native;
    GridLoop nativeLoop = nativeLoopHolder;
    double batchSeconds = 0;
    double nativeSeconds = 0;
    double muparserSeconds = 0;
    double pointSeconds = 0;
    double gridPointSeconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        PrepareGrid2D(kX0, kY0, kDx, kDy, kSide, kSide, set.get(), &grid);
        for (int j = 0; j < kSide; ++j)
            rows.EvaluateRow(j, &grid, batch.data() + static_cast<size_t>(j) * kSide);
        double seconds = SecondsSince(start);
        batchSeconds += seconds;
        state.SetIterationTime(seconds);

        start = std::chrono::steady_clock::now();
        nativeLoop(native.data());
        nativeSeconds += SecondsSince(start);

        start = std::chrono::steady_clock::now();
        parser.Eval(bulk.data(), static_cast<int>(kCount));
        muparserSeconds += SecondsSince(start);

        start = std::chrono::steady_clock::now();
        for (size_t p = 0; p < kCount; ++p)
            point[p] = points.EvaluateAtXY(xs[p], ys[p]);
        pointSeconds += SecondsSince(start);

        start = std::chrono::steady_clock::now();
        for (int j = 0; j < kSide; ++j) {
            for (int i = 0; i < kSide; ++i)
                gridPoint[static_cast<size_t>(j) * kSide + i] = rows.EvaluateAtGridPoint(i, j, &grid);
        }
        gridPointSeconds += SecondsSince(start);
        benchmark::ClobberMemory();
    }

    // All five must compute the same grid.
    for (size_t p = 0; p < kCount; p += 997) {
        if (!Close(batch[p], native[p]) || !Close(bulk[p], native[p]) || !Close(point[p], native[p]) ||
            !Close(gridPoint[p], native[p])) {
            state.SkipWithError("the evaluations disagree");
            return;
        }
    }

    double evaluations = static_cast<double>(state.iterations()) * kCount;
    state.counters["ns_batch"] = batchSeconds * 1e9 / evaluations;
    state.counters["ns_native"] = nativeSeconds * 1e9 / evaluations;
    state.counters["ns_muparser_bulk"] = muparserSeconds * 1e9 / evaluations;
    state.counters["ns_point"] = pointSeconds * 1e9 / evaluations;
    state.counters["ns_grid_point"] = gridPointSeconds * 1e9 / evaluations;
    state.counters["batch_per_native"] = batchSeconds / nativeSeconds;
    state.counters["muparser_per_batch"] = muparserSeconds / batchSeconds;
    state.counters["point_per_batch"] = pointSeconds / batchSeconds;
    state.SetLabel(InterpreterBuildFlag ? "x86-64-v3 build" : "baseline build");
}

const bool Registered = [] {
    for (const BenchFormula& formula : kFormulas) {
        benchmark::RegisterBenchmark((std::string("GridEvaluation/") + formula.name).c_str(), GridEvaluation, formula)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
