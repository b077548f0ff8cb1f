// Box evaluation of the common benchmark formulas through the interval
// entry, as implicit graphing subdivides the plane: each round evaluates the
// same 1,024 small boxes. Counter: nanoseconds per box.
#include "bench/BenchFormulas.h"
#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/InterpreterBuild.h"
#include "formula/FormulaEngine.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <string>

namespace {

constexpr int kBoxes = 1024;

struct BenchFormula {
    const char* name;
    const char* text;
};

#define VL_BOX_FORMULA(name, text, complexText, expression) {#name, text},

const BenchFormula kFormulas[] = {VL_BENCH_FORMULAS(VL_BOX_FORMULA)};

#undef VL_BOX_FORMULA

void BoxEvaluation(benchmark::State& state, const BenchFormula& formula)
{
    InitFormulaEngine();
    SelectInterpreterBuild();
    DocState doc;
    FormulaNode* tree = BenchTree(formula.text, "x", "y");
    if (!tree) {
        state.SkipWithError("the formula is not read");
        return;
    }
    CompiledFormula compiled(tree, &doc);
    CompileFormula(&compiled);

    constexpr double kSide = 2.7 / kBoxes;
    double sink = 0;
    double seconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kBoxes; ++i) {
            double x = 0.3 + kSide * i;
            double y = 1.7 - kSide * i;
            Interval r = compiled.EvaluateOverBoxXY(x, x + kSide, y, y + kSide);
            sink += r.hi - r.lo;
        }
        double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        seconds += elapsed;
        state.SetIterationTime(elapsed);
    }
    benchmark::DoNotOptimize(sink);
    state.counters["ns_box"] = seconds * 1e9 / (static_cast<double>(state.iterations()) * kBoxes);
}

const bool Registered = [] {
    for (const BenchFormula& formula : kFormulas)
        benchmark::RegisterBenchmark((std::string("BoxEvaluation/") + formula.name).c_str(), BoxEvaluation, formula)
            ->UseManualTime();
    return true;
}();

}  // namespace
