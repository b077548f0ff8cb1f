// Point evaluation of common formulas: a compiled formula through its real
// entry, against the same formula compiled into the program as a C++
// function, and against muparser, a widely used bytecode expression
// evaluator. Each round evaluates the same 1,024 points all three ways, so
// the three figures come from one run under the same conditions. Counters:
// nanoseconds per evaluation for each, and the interpreter's time as a
// multiple of the native and of the muparser time.
#include "bench/BenchFormulas.h"
#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/InterpreterBuild.h"
#include "formula/FormulaEngine.h"

#include <benchmark/benchmark.h>
#include <muParser.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int kPoints = 1024;

struct BenchFormula {
    const char* name;
    const char* muparserText;
    FormulaNode* (*tree)();
    double (*native)(double x, double y);
};

// Called through a pointer, one point per call, as the other two are.
#define VL_POINT_FORMULA(name, text, treeExpression, expression)                                  \
    {#name, text, [] { return treeExpression; }, [](double x, double y) __attribute__((noinline)) { \
         (void)x;                                                                                 \
         (void)y;                                                                                 \
         return expression;                                                                       \
     }},

const BenchFormula kFormulas[] = {VL_BENCH_FORMULAS(VL_POINT_FORMULA)};

#undef VL_POINT_FORMULA

struct Points {
    double x[kPoints];
    double y[kPoints];
    Points()
    {
        for (int i = 0; i < kPoints; ++i) {
            x[i] = 0.3 + 2.7 * i / kPoints;
            y[i] = 1.7 - 1.1 * i / kPoints;
        }
    }
};

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void PointEvaluation(benchmark::State& state, const BenchFormula& formula)
{
    InitFormulaEngine();
    SelectInterpreterBuild();
    static Points points;
    DocState doc;
    CompiledFormula compiled(formula.tree(), &doc);
    CompileFormula(&compiled);

    double x = 0;
    double y = 0;
    mu::Parser parser;
    parser.DefineVar("x", &x);
    parser.DefineVar("y", &y);
    parser.SetExpr(formula.muparserText);

    // The three must compute the same formula.
    x = points.x[17];
    y = points.y[17];
    double reference = formula.native(x, y);
    double ours = compiled.EvaluateAtXY(x, y);
    double theirs = parser.Eval();
    if (std::fabs(ours - reference) > 1e-9 * std::fabs(reference) ||
        std::fabs(theirs - reference) > 1e-9 * std::fabs(reference)) {
        state.SkipWithError("the three evaluations disagree");
        return;
    }

    double (*native)(double, double) = formula.native;
    benchmark::DoNotOptimize(native);
    double interpreterSeconds = 0;
    double nativeSeconds = 0;
    double muparserSeconds = 0;
    double sink = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kPoints; ++i)
            sink += compiled.EvaluateAtXY(points.x[i], points.y[i]);
        double seconds = SecondsSince(start);
        interpreterSeconds += seconds;
        state.SetIterationTime(seconds);

        start = std::chrono::steady_clock::now();
        for (int i = 0; i < kPoints; ++i)
            sink += native(points.x[i], points.y[i]);
        nativeSeconds += SecondsSince(start);

        start = std::chrono::steady_clock::now();
        for (int i = 0; i < kPoints; ++i) {
            x = points.x[i];
            y = points.y[i];
            sink += parser.Eval();
        }
        muparserSeconds += SecondsSince(start);
    }
    benchmark::DoNotOptimize(sink);

    double evaluations = static_cast<double>(state.iterations()) * kPoints;
    state.counters["ns_interp"] = interpreterSeconds * 1e9 / evaluations;
    state.counters["ns_native"] = nativeSeconds * 1e9 / evaluations;
    state.counters["ns_muparser"] = muparserSeconds * 1e9 / evaluations;
    state.counters["x_native"] = interpreterSeconds / nativeSeconds;
    state.counters["x_muparser"] = interpreterSeconds / muparserSeconds;
    state.SetLabel(InterpreterBuildFlag ? "x86-64-v3 build" : "baseline build");
}

const bool Registered = [] {
    for (const BenchFormula& formula : kFormulas) {
        benchmark::RegisterBenchmark((std::string("PointEvaluation/") + formula.name).c_str(), PointEvaluation,
                                     formula)
            ->UseManualTime();
    }
    return true;
}();

}  // namespace
