// Point evaluation of common formulas: a compiled formula through its real
// entry, against the same formula compiled into the program as a C++
// function, and against muparser, a widely used bytecode expression
// evaluator. Each round evaluates the same 1,024 points all three ways, so
// the three figures come from one run under the same conditions. Counters:
// nanoseconds per evaluation for each, and the interpreter's time as a
// multiple of the native and of the muparser time.
#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/InterpreterBuild.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"

#include <benchmark/benchmark.h>
#include <muParser.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int kPoints = 1024;

FormulaNode* X()
{
    return MakeVariableNode('x');
}

FormulaNode* Y()
{
    return MakeVariableNode('y');
}

FormulaNode* N(double value)
{
    return MakeNumberNode(value);
}

struct BenchFormula {
    const char* name;
    const char* muparserText;
    FormulaNode* (*tree)();
    double (*native)(double x, double y);
};

// Called through a pointer, one point per call, as the other two are.
#define VL_NATIVE(expression) [](double x, double y) __attribute__((noinline)) -> double { \
    (void)x;                                                                                 \
    (void)y;                                                                                 \
    return expression;                                                                       \
}

const BenchFormula kFormulas[] = {
    {"quotients", "(y + x / y) * (x - y / x)",
     [] { return MakeProduct(MakeSum(Y(), MakeQuotient(X(), Y())), MakeDifference(X(), MakeQuotient(Y(), X()))); },
     VL_NATIVE((y + x / y) * (x - y / x))},
    {"trig_square", "sin(x) * cos(y) + x^2",
     [] { return MakeSum(MakeProduct(MakeSin(X()), MakeCos(Y())), MakeSquare(X())); },
     VL_NATIVE(std::sin(x) * std::cos(y) + x * x)},
    {"distance", "sqrt(x^2 + y^2)", [] { return MakeSqrt(MakeSum(MakeSquare(X()), MakeSquare(Y()))); },
     VL_NATIVE(std::sqrt(x * x + y * y))},
    {"gauss", "exp(-(x^2))", [] { return MakeExp(MakeNegation(MakeSquare(X()))); }, VL_NATIVE(std::exp(-(x * x)))},
    {"cubic", "x^3 - 2*x + 1",
     [] { return MakeSum(MakeDifference(MakePower(X(), N(3)), MakeProduct(N(2), X())), N(1)); },
     VL_NATIVE(std::pow(x, 3) - 2 * x + 1)},
    {"ratio", "(x + 1) / (y - 1)", [] { return MakeQuotient(MakeSum(X(), N(1)), MakeDifference(Y(), N(1))); },
     VL_NATIVE((x + 1) / (y - 1))},
    {"pythagoras", "sin(x)^2 + cos(x)^2", [] { return MakeSum(MakeSquare(MakeSin(X())), MakeSquare(MakeCos(X()))); },
     VL_NATIVE(std::sin(x) * std::sin(x) + std::cos(x) * std::cos(x))},
    {"logistic", "1 / (1 + exp(-x))", [] { return MakeReciprocal(MakeSum(N(1), MakeExp(MakeNegation(X())))); },
     VL_NATIVE(1 / (1 + std::exp(-x)))},
    {"linear", "2*x + 3*y + 1", [] { return MakeSum(MakeSum(MakeProduct(N(2), X()), MakeProduct(N(3), Y())), N(1)); },
     VL_NATIVE(2 * x + 3 * y + 1)},
};

#undef VL_NATIVE

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
