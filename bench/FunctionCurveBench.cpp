// Explicit curves of the benchmark formulas (BenchFormulas.h): each formula,
// with a as the curve's x and b held at 0.95, drawn as y = f(x) across 1000
// pixel columns over a in [1.9, 3.0], in the default (refined) mode, with
// the view's y range fitted to the curve. Each round computes every column
// afresh three ways, in an order that turns from round to round:
// - one: the curve on one worker (one part);
// - all: the curve on every worker (one part per processor);
// - native: the formula as an inline C++ loop over the same column edges.
// Both curves are checked against the native values at every column edge.
// Counters: microseconds per curve each way, one / native and one / all;
// after the run, their medians over the formulas. Also the columns that
// needed interval bounds, as a share of all.
#include "bench/BenchFormulas.h"
#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/InterpreterBuild.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphs2d/AFunctionOf_XorY.h"
#include "graphs2d/ViewMapping.h"

#include <memory>
#include <thread>

namespace {

constexpr int kColumns = 1000;
constexpr int kRows = 600;
constexpr int kRounds = 100;
constexpr double kB = 0.95;

enum Way { One, All, Native, WayCount };

void WaitForCurve(AFunctionOf_XorY& curve)
{
    while (!curve.IsComplete())
        std::this_thread::yield();
}

template <typename NativeFormula>
void FunctionCurve(benchmark::State& state, const std::string& name, const char* text, NativeFormula native)
{
    InitFormulaEngine();
    SelectInterpreterBuild();
    StartWorkerThreads();
    DocState doc;
    // Column k covers [1.9 + k h, 1.9 + (k + 1) h].
    const double h = kBenchSpan / kColumns;
    std::vector<double> edges(kColumns + 1);
    double lo = INFINITY, hi = -INFINITY;
    for (int k = 0; k <= kColumns; ++k) {
        edges[k] = native(kBenchA0 + k * h, kB);
        lo = std::min(lo, edges[k]);
        hi = std::max(hi, edges[k]);
    }
    const double margin = std::max(hi - lo, 1e-6) * 0.05;
    const double scaleY = kRows / (hi - lo + 2 * margin);
    ViewMapping mapping;
    ShortRect rect;
    SetShortRect(rect, 0, 0, kRows, kColumns);
    mapping.Set(rect, -kBenchA0 / h - 0.5, (hi + margin) * scaleY, 1 / h, -scaleY, 1);

    char b[32];
    std::snprintf(b, sizeof b, "(%.17g)", kB);
    std::unique_ptr<AFunctionOf_XorY> curves[2];
    for (int way : {One, All}) {
        FormulaNode* tree = BenchTree(text, "u", b);
        if (!tree) {
            state.SkipWithError("the formula is not read");
            return;
        }
        curves[way] = std::make_unique<AFunctionOf_XorY>(new CompiledFormula(tree, &doc), true,
                                                         new AGraphColor(nullptr, &doc), RefinedBounds, &mapping,
                                                         way == One ? 1 : 0);
        WaitForCurve(*curves[way]);
    }

    std::vector<double> out(kColumns + 1);
    double seconds[WayCount] = {};
    int round = 0;
    for (auto _ : state) {
        double oneThisRound = 0;
        for (int k = 0; k < WayCount; ++k) {
            const int way = (round + k) % WayCount;
            auto start = std::chrono::steady_clock::now();
            if (way == Native) {
                for (int i = 0; i <= kColumns; ++i) {
                    double value = native(kBenchA0 + i * h, kB);
                    BenchKeepScalar(value);
                    out[i] = value;
                }
            } else {
                curves[way]->Restart();
                WaitForCurve(*curves[way]);
            }
            const double elapsed = BenchSecondsSince(start);
            seconds[way] += elapsed;
            if (way == One)
                oneThisRound = elapsed;
        }
        state.SetIterationTime(oneThisRound);
        ++round;
        for (int way : {One, All}) {
            const ColumnSample* columns = curves[way]->Columns();
            for (int i = 0; i < kColumns; ++i) {
                if (!BenchAgree(columns[i].farEdgeValue, out[i + 1])) {
                    state.SkipWithError(("the curve disagrees at column " + std::to_string(i)).c_str());
                    return;
                }
            }
        }
    }

    int bounded = 0;
    for (int i = 0; i < kColumns; ++i)
        bounded += curves[One]->Columns()[i].state != EdgeSampled;
    const double n = static_cast<double>(state.iterations());
    state.counters["us_one"] = seconds[One] * 1e6 / n;
    state.counters["us_all"] = seconds[All] * 1e6 / n;
    state.counters["us_native"] = seconds[Native] * 1e6 / n;
    state.counters["one_x_native"] = seconds[One] / seconds[Native];
    state.counters["one_x_all"] = seconds[One] / seconds[All];
    state.counters["bounded_share"] = static_cast<double>(bounded) / kColumns;
    RecordBenchRatio("curve one thread/native", name, seconds[One] / seconds[Native]);
    RecordBenchRatio("curve all threads/native", name, seconds[All] / seconds[Native]);
    RecordBenchRatio("curve one/all threads", name, seconds[One] / seconds[All]);
    state.SetLabel(std::to_string(GetProcessorCount()) + " workers");
}

#define VL_REGISTER_CURVE(name, text, muparserText, expression)                                               \
    RegisterBenchFormula("FunctionCurve", #name, [](benchmark::State& state) {                                \
        FunctionCurve(state, #name, text, VL_BENCH_NATIVE(expression));                                        \
    })->Iterations(kRounds);

const bool Registered = [] {
    VL_BENCH_FORMULAS(VL_REGISTER_CURVE)
    return true;
}();

#undef VL_REGISTER_CURVE

}  // namespace

int main(int argc, char** argv)
{
    return RunBenchmarksWithMedians(argc, argv);
}
