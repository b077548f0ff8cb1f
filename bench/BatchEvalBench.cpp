// Grid evaluation of the benchmark formulas (BenchFormulas.h) on a 1000 x 1000
// grid, one thread, a along the rows and b down the columns. Four ways, in an
// order that turns from round to round:
// - grid: the real entry, the grid prepared (the parts that depend on one
//   axis alone computed once per column or row) and then one batch per row,
//   in which the row's uniform b is a single value;
// - lanes: the batch interpreter alone, over the same points in rows whose
//   every lane carries its own a and b, so that every instruction runs on
//   every point;
// - native: the formula as an inline C++ loop over the grid;
// - muparser's bulk evaluation of the whole grid.
// So grid / native is what a graph sees, lanes / grid the share of hoisting
// work to the axes and rows, and lanes / native the interpreter's own. Every
// 97th point of each result is checked against the native one each round.
// Counters: nanoseconds per point each way (the grid's preparation also on
// its own) and those ratios in the median round; after the run, their
// medians over the formulas.
#include "bench/BenchFormulas.h"
#include "document/DocState.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridProgramSet.h"
#include "evaluation/InterpreterBuild.h"
#include "formula/FormulaEngine.h"

#include <muParser.h>
#include <omp.h>

#include <memory>

namespace {

constexpr int kSide = 1000;
constexpr size_t kCount = static_cast<size_t>(kSide) * kSide;
constexpr double kDa = kBenchSpan / kSide;
constexpr double kDb = kBenchSpan / kSide;
constexpr int kRounds = 12;

enum Way { Grid, Lanes, Native, Muparser, WayCount };

template <typename NativeFormula>
void GridEvaluation(benchmark::State& state, const std::string& name, const char* text, const char* muparserText,
                    NativeFormula native)
{
    InitFormulaEngine();
    SelectInterpreterBuild();
    // muparser spreads its bulk evaluation over every processor otherwise.
    omp_set_num_threads(1);
    DocState doc;
    FormulaNode* gridTree = BenchTree(text, "x", "y");
    FormulaNode* pointTree = BenchTree(text, "x", "y");
    if (!gridTree || !pointTree) {
        state.SkipWithError("the formula is not read");
        return;
    }
    CompiledFormula rows(gridTree, &doc);
    std::unique_ptr<GridProgramSet> set(LinkGridFormula(&rows));
    CompiledFormula points(pointTree, &doc);
    CompileFormula(&points);
    const BytecodeProgram* program = points.pointProgram;
    GridEvalState grid;
    BenchLaneFrame<double> lanes(kSide, program->localBase + program->localCount + 1);

    std::vector<double> as(kCount);
    std::vector<double> bs(kCount);
    for (size_t p = 0; p < kCount; ++p) {
        as[p] = kBenchA0 + static_cast<double>(p % kSide) * kDa;
        bs[p] = kBenchB0 + static_cast<double>(p / kSide) * kDb;
    }
    lanes.SetLanes(3, as.data());
    mu::Parser parser;
    parser.DefineVar("a", as.data());
    parser.DefineVar("b", bs.data());
    parser.SetExpr(muparserText);

    std::vector<double> out[WayCount];
    for (auto& values : out)
        values.assign(kCount, 0);
    double seconds[WayCount] = {};
    double prepareSeconds = 0;
    auto run = [&](int way) {
        double* result = out[way].data();
        auto start = std::chrono::steady_clock::now();
        if (way == Grid) {
            PrepareGrid2D(kBenchA0, kBenchB0, kDa, kDb, kSide, kSide, set.get(), &grid);
            prepareSeconds += BenchSecondsSince(start);
            for (int j = 0; j < kSide; ++j)
                rows.EvaluateRow(j, &grid, result + static_cast<size_t>(j) * kSide);
        } else if (way == Lanes) {
            for (int j = 0; j < kSide; ++j) {
                lanes.SetLanes(4, bs.data() + static_cast<size_t>(j) * kSide);
                program->RunRealBatch(&lanes.state, result + static_cast<size_t>(j) * kSide);
            }
        } else if (way == Native) {
            for (int j = 0; j < kSide; ++j) {
                double b = kBenchB0 + j * kDb;
                for (int i = 0; i < kSide; ++i)
                    result[static_cast<size_t>(j) * kSide + i] = native(kBenchA0 + i * kDa, b);
            }
        } else {
            parser.Eval(result, static_cast<int>(kCount));
        }
        benchmark::ClobberMemory();
        return BenchSecondsSince(start);
    };
    // Once untimed, so that no way pays for first touches of its memory.
    for (int way = 0; way < WayCount; ++way)
        run(way);
    prepareSeconds = 0;

    std::vector<double> rounds[WayCount];
    int round = 0;
    for (auto _ : state) {
        double gridThisRound = 0;
        for (int k = 0; k < WayCount; ++k) {
            int way = (round + k) % WayCount;
            double elapsed = run(way);
            seconds[way] += elapsed;
            rounds[way].push_back(elapsed);
            if (way == Grid)
                gridThisRound = elapsed;
        }
        state.SetIterationTime(gridThisRound);
        ++round;
        for (size_t p = 0; p < kCount; p += 97) {
            for (int way : {Grid, Lanes, Muparser}) {
                if (!BenchAgree(out[way][p], out[Native][p])) {
                    state.SkipWithError(("way " + std::to_string(way) + " disagrees at point " + std::to_string(p)).c_str());
                    return;
                }
            }
        }
    }

    double evaluations = static_cast<double>(state.iterations()) * kCount;
    state.counters["ns_grid"] = seconds[Grid] * 1e9 / evaluations;
    state.counters["ns_prepare"] = prepareSeconds * 1e9 / evaluations;
    state.counters["ns_lanes"] = seconds[Lanes] * 1e9 / evaluations;
    state.counters["ns_native"] = seconds[Native] * 1e9 / evaluations;
    state.counters["ns_muparser_bulk"] = seconds[Muparser] * 1e9 / evaluations;
    state.counters["grid_x_native"] = BenchMedianRatio(rounds[Grid], rounds[Native]);
    state.counters["grid_x_muparser"] = BenchMedianRatio(rounds[Grid], rounds[Muparser]);
    state.counters["lanes_x_grid"] = BenchMedianRatio(rounds[Lanes], rounds[Grid]);
    state.counters["lanes_x_native"] = BenchMedianRatio(rounds[Lanes], rounds[Native]);
    RecordBenchRatio("grid ours/native", name, BenchMedianRatio(rounds[Grid], rounds[Native]));
    RecordBenchRatio("grid ours/muparser bulk", name, BenchMedianRatio(rounds[Grid], rounds[Muparser]));
    RecordBenchRatio("lanes/grid (hoisting)", name, BenchMedianRatio(rounds[Lanes], rounds[Grid]));
    RecordBenchRatio("lanes/native (interpreter)", name, BenchMedianRatio(rounds[Lanes], rounds[Native]));
    RecordBenchRatio("lanes/muparser bulk", name, BenchMedianRatio(rounds[Lanes], rounds[Muparser]));
    state.SetLabel(InterpreterBuildFlag ? "x86-64-v3 build" : "baseline build");
}

#define VL_REGISTER_GRID(name, text, muparserText, expression)                                                \
    RegisterBenchFormula("GridEvaluation", #name, [](benchmark::State& state) {                               \
        GridEvaluation(state, #name, text, muparserText, VL_BENCH_NATIVE(expression));                        \
    })->Iterations(kRounds)->Unit(benchmark::kMillisecond);

const bool Registered = [] {
    VL_BENCH_FORMULAS(VL_REGISTER_GRID)
    return true;
}();

#undef VL_REGISTER_GRID

}  // namespace

int main(int argc, char** argv)
{
    return RunBenchmarksWithMedians(argc, argv);
}
