// Complex evaluation of the benchmark formulas (BenchFormulas.h) with a = x + iy
// and b = y + ix, against the same formula in std::complex<double> as inline
// C++. Our formula builds a and b from the real inputs x and y (two
// operations each); the native code is handed them.
// - point: the complex point entry at 1,024 points, one point per call
//   (the native code one point at a time too), both parts compared;
// - lanes: the complex batch interpreter over rows of 1,000 points whose
//   every lane carries its own x and y, for the formula's real part (the
//   batch writes real results), against an inline loop over the same points.
// Each round runs the four in an order that turns from round to round and
// checks every result against the native one. Counters: nanoseconds per
// evaluation each way and ours as a multiple of native in the median round;
// after the run, their medians over the formulas.
#include "bench/BenchFormulas.h"
#include "document/DocState.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/InterpreterBuild.h"
#include "formula/FormulaEngine.h"

namespace {

constexpr int kPoints = 1024;
constexpr int kLanes = 1000;
constexpr int kRows = 16;
constexpr int kRounds = 200;
constexpr const char* kA = "(x+i*y)";
constexpr const char* kB = "(y+i*x)";

enum Way { OursPoint, NativePoint, OursLanes, NativeLanes, WayCount };

template <typename NativeFormula>
void ComplexEvaluation(benchmark::State& state, const std::string& name, const char* text, NativeFormula native)
{
    InitFormulaEngine();
    SelectInterpreterBuild();
    DocState doc;
    FormulaNode* pointTree = BenchTree(text, kA, kB);
    FormulaNode* realPartTree = BenchTree(("Re(" + std::string(text) + ")").c_str(), kA, kB);
    if (!pointTree || !realPartTree) {
        state.SkipWithError("the formula is not read");
        return;
    }
    CompiledFormula point(pointTree, &doc);
    CompileFormula(&point);
    CompiledFormula realPart(realPartTree, &doc);
    CompileFormula(&realPart);
    const BytecodeProgram* program = realPart.pointProgram;
    BenchLaneFrame<ComplexValue> lanes(kLanes, program->localBase + program->localCount + 1);
    auto complexNative = [native](double x, double y) {
        return std::complex<double>(native(std::complex<double>(x, y), std::complex<double>(y, x)));
    };

    std::vector<double> xs(kPoints), ys(kPoints);
    for (int p = 0; p < kPoints; ++p) {
        xs[p] = kBenchA0 + kBenchSpan * p / kPoints;
        ys[p] = kBenchB0 + kBenchSpan * ((p * 389) % kPoints) / kPoints;
    }
    std::vector<double> laneXs(kLanes), laneYs(static_cast<size_t>(kLanes) * kRows);
    for (int i = 0; i < kLanes; ++i)
        laneXs[i] = kBenchA0 + kBenchSpan * i / kLanes;
    for (size_t p = 0; p < laneYs.size(); ++p)
        laneYs[p] = kBenchB0 + kBenchSpan * static_cast<double>((p * 389) % laneYs.size()) / laneYs.size();
    lanes.SetLanes(3, laneXs.data());

    std::vector<ComplexValue> oursPoints(kPoints);
    std::vector<std::complex<double>> nativePoints(kPoints);
    std::vector<double> oursLanes(laneYs.size()), nativeLanes(laneYs.size());
    double seconds[WayCount] = {};
    std::vector<double> rounds[WayCount];
    int round = 0;
    for (auto _ : state) {
        double oursThisRound = 0;
        for (int k = 0; k < WayCount; ++k) {
            int way = (round + k) % WayCount;
            auto start = std::chrono::steady_clock::now();
            if (way == OursPoint) {
                for (int p = 0; p < kPoints; ++p)
                    oursPoints[p] = point.EvaluateComplexAtXY(xs[p], ys[p]);
            } else if (way == NativePoint) {
                for (int p = 0; p < kPoints; ++p) {
                    std::complex<double> value = complexNative(xs[p], ys[p]);
                    BenchKeepScalar(value);
                    nativePoints[p] = value;
                }
            } else if (way == OursLanes) {
                for (int j = 0; j < kRows; ++j) {
                    lanes.SetLanes(4, laneYs.data() + static_cast<size_t>(j) * kLanes);
                    program->RunComplexBatch(&lanes.state, oursLanes.data() + static_cast<size_t>(j) * kLanes);
                }
            } else {
                for (int j = 0; j < kRows; ++j) {
                    for (int i = 0; i < kLanes; ++i) {
                        size_t p = static_cast<size_t>(j) * kLanes + i;
                        nativeLanes[p] = complexNative(laneXs[i], laneYs[p]).real();
                    }
                }
            }
            double elapsed = BenchSecondsSince(start);
            seconds[way] += elapsed;
            rounds[way].push_back(elapsed);
            if (way == OursPoint)
                oursThisRound = elapsed;
        }
        benchmark::ClobberMemory();
        state.SetIterationTime(oursThisRound);
        ++round;
        for (int p = 0; p < kPoints; ++p) {
            if (!BenchAgree(oursPoints[p], nativePoints[p])) {
                state.SkipWithError(("the points disagree at " + std::to_string(p)).c_str());
                return;
            }
        }
        for (size_t p = 0; p < oursLanes.size(); ++p) {
            if (!BenchAgree(oursLanes[p], nativeLanes[p])) {
                state.SkipWithError(("the lanes disagree at " + std::to_string(p)).c_str());
                return;
            }
        }
    }

    double iterations = static_cast<double>(state.iterations());
    state.counters["ns_ours_point"] = seconds[OursPoint] * 1e9 / (iterations * kPoints);
    state.counters["ns_native_point"] = seconds[NativePoint] * 1e9 / (iterations * kPoints);
    state.counters["ns_ours_lanes"] = seconds[OursLanes] * 1e9 / (iterations * oursLanes.size());
    state.counters["ns_native_lanes"] = seconds[NativeLanes] * 1e9 / (iterations * oursLanes.size());
    double pointRatio = BenchMedianRatio(rounds[OursPoint], rounds[NativePoint]);
    double lanesRatio = BenchMedianRatio(rounds[OursLanes], rounds[NativeLanes]);
    state.counters["point_x_native"] = pointRatio;
    state.counters["lanes_x_native"] = lanesRatio;
    RecordBenchRatio("complex point ours/std::complex", name, pointRatio);
    RecordBenchRatio("complex lanes ours/std::complex", name, lanesRatio);
    state.SetLabel(InterpreterBuildFlag ? "x86-64-v3 build" : "baseline build");
}

#define VL_REGISTER_COMPLEX(name, text, muparserText, expression)                                             \
    RegisterBenchFormula("ComplexEvaluation", #name, [](benchmark::State& state) {                            \
        ComplexEvaluation(state, #name, text, VL_BENCH_NATIVE(expression));                                   \
    })->Iterations(kRounds);

const bool Registered = [] {
    VL_BENCH_FORMULAS(VL_REGISTER_COMPLEX)
    return true;
}();

#undef VL_REGISTER_COMPLEX

}  // namespace

int main(int argc, char** argv)
{
    return RunBenchmarksWithMedians(argc, argv);
}
