// Point evaluation of the benchmark formulas (BenchFormulas.h), one point per
// call: a compiled formula through its real entry, against the same formula
// as inline C++ (one point at a time), and against muparser, a widely used
// bytecode expression evaluator. Each round evaluates the same 1,024 points
// all three ways, in an order that turns from round to round, and every
// point of the three results is checked against the others. Counters:
// nanoseconds per evaluation each way, ours as a multiple of native and of
// muparser in the median round; after the run, the medians of the two
// multiples over the formulas.
#include "bench/BenchFormulas.h"
#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/InterpreterBuild.h"
#include "formula/FormulaEngine.h"

#include <muParser.h>

namespace {

constexpr int kPoints = 1024;
constexpr int kRounds = 10000;

struct Points {
    double a[kPoints];
    double b[kPoints];
    Points()
    {
        for (int i = 0; i < kPoints; ++i) {
            a[i] = kBenchA0 + kBenchSpan * i / kPoints;
            b[i] = kBenchB0 + kBenchSpan * ((i * 389) % kPoints) / kPoints;
        }
    }
};

enum Way { Ours, Native, Muparser, WayCount };

template <typename NativeFormula>
void PointEvaluation(benchmark::State& state, const std::string& name, const char* text, const char* muparserText,
                     NativeFormula native)
{
    InitFormulaEngine();
    SelectInterpreterBuild();
    static const Points points;
    DocState doc;
    FormulaNode* tree = BenchTree(text, "x", "y");
    if (!tree) {
        state.SkipWithError("the formula is not read");
        return;
    }
    CompiledFormula compiled(tree, &doc);
    CompileFormula(&compiled);
    double a = 0;
    double b = 0;
    mu::Parser parser;
    parser.DefineVar("a", &a);
    parser.DefineVar("b", &b);
    parser.SetExpr(muparserText);

    std::vector<double> out[WayCount];
    for (auto& values : out)
        values.assign(kPoints, 0);
    double seconds[WayCount] = {};
    std::vector<double> rounds[WayCount];
    int round = 0;
    for (auto _ : state) {
        double oursThisRound = 0;
        for (int k = 0; k < WayCount; ++k) {
            int way = (round + k) % WayCount;
            double* result = out[way].data();
            auto start = std::chrono::steady_clock::now();
            if (way == Ours) {
                for (int i = 0; i < kPoints; ++i)
                    result[i] = compiled.EvaluateAtXY(points.a[i], points.b[i]);
            } else if (way == Native) {
                for (int i = 0; i < kPoints; ++i) {
                    double value = native(points.a[i], points.b[i]);
                    BenchKeepScalar(value);
                    result[i] = value;
                }
            } else {
                for (int i = 0; i < kPoints; ++i) {
                    a = points.a[i];
                    b = points.b[i];
                    result[i] = parser.Eval();
                }
            }
            double elapsed = BenchSecondsSince(start);
            seconds[way] += elapsed;
            rounds[way].push_back(elapsed);
            if (way == Ours)
                oursThisRound = elapsed;
        }
        state.SetIterationTime(oursThisRound);
        ++round;
        for (int i = 0; i < kPoints; ++i) {
            if (!BenchAgree(out[Ours][i], out[Native][i]) || !BenchAgree(out[Muparser][i], out[Native][i])) {
                state.SkipWithError(("the three disagree at point " + std::to_string(i)).c_str());
                return;
            }
        }
    }

    double evaluations = static_cast<double>(state.iterations()) * kPoints;
    state.counters["ns_ours"] = seconds[Ours] * 1e9 / evaluations;
    state.counters["ns_native"] = seconds[Native] * 1e9 / evaluations;
    state.counters["ns_muparser"] = seconds[Muparser] * 1e9 / evaluations;
    double xNative = BenchMedianRatio(rounds[Ours], rounds[Native]);
    double xMuparser = BenchMedianRatio(rounds[Ours], rounds[Muparser]);
    state.counters["x_native"] = xNative;
    state.counters["x_muparser"] = xMuparser;
    RecordBenchRatio("point ours/native", name, xNative);
    RecordBenchRatio("point ours/muparser", name, xMuparser);
    state.SetLabel(InterpreterBuildFlag ? "x86-64-v3 build" : "baseline build");
}

#define VL_REGISTER_POINT(name, text, muparserText, expression)                                               \
    RegisterBenchFormula("PointEvaluation", #name, [](benchmark::State& state) {                              \
        PointEvaluation(state, #name, text, muparserText, VL_BENCH_NATIVE(expression));                       \
    })->Iterations(kRounds);

const bool Registered = [] {
    VL_BENCH_FORMULAS(VL_REGISTER_POINT)
    return true;
}();

#undef VL_REGISTER_POINT

}  // namespace

int main(int argc, char** argv)
{
    return RunBenchmarksWithMedians(argc, argv);
}
