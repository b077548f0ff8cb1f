// A grid row of 1,000 points in complex arithmetic: the batch interpreter
// over the whole row against the complex interpreter run point by point, for
// a formula in x alone and for one whose y part stays uniform along the row.
#include "evaluation/BytecodeProgram.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/InterpretComplex.h"
#include "evaluation/InterpretComplexBatch.h"
#include "formula/FormulaEngine.h"
#include "support/Disassembler.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int32_t kLanes = 1000;
constexpr int32_t kSlots = 16;

// |sqrt(x + iy)|, and Re((x + i)^3) + sin(y) cos(y)
const char* const kPrograms[] = {
    "1 3, 76, 1 4, 14, 12, 23, 21, 103",
    "1 3, 76, 12, 0 3, 16, 70, 1 4, 29, 1 4, 30, 14, 12, 103",
};

struct Row {
    BytecodeProgram program;
    GridEvalState state;
    std::vector<ComplexValue> frame;
    std::vector<double> out;

    explicit Row(const char* text) : frame(static_cast<size_t>(kSlots) * (kLanes + 1), ComplexValue{0, 0}), out(kLanes)
    {
        InitFormulaEngine();
        Assemble(text, program);
        program.ComputeMaxStack();
        state.nx = kLanes;
        state.ny = 1;
        state.frame = frame.data();
        for (int32_t s : {0, 3}) {
            uint32_t varying = 1;
            std::memcpy(Slot(s), &varying, sizeof varying);
            for (int32_t lane = 1; lane <= kLanes; ++lane)
                Slot(s)[lane] = ComplexValue{-2 + 0.004 * lane, 0};
        }
        for (int32_t s : {1, 4})
            Slot(s)[1] = ComplexValue{0.75, 0};
    }

    ComplexValue* Slot(int32_t s) { return frame.data() + static_cast<size_t>(s) * (kLanes + 1); }
};

void BM_Batch(benchmark::State& state)
{
    Row row(kPrograms[state.range(0)]);
    for (auto _ : state) {
        row.program.RunComplexBatch(&row.state, row.out.data());
        benchmark::DoNotOptimize(row.out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kLanes));
}

void BM_PointByPoint(benchmark::State& state)
{
    Row row(kPrograms[state.range(0)]);
    ComplexValue point[kSlots] = {};
    for (auto _ : state) {
        for (int32_t lane = 1; lane <= kLanes; ++lane) {
            point[0] = point[3] = row.Slot(3)[lane];
            point[1] = point[4] = row.Slot(4)[1];
            ComplexValue z = row.program.RunComplex(point, nullptr);
            row.out[lane - 1] = z.im == 0 ? z.re : NAN;
        }
        benchmark::DoNotOptimize(row.out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kLanes));
}

BENCHMARK(BM_Batch)->Arg(0)->Arg(1);
BENCHMARK(BM_PointByPoint)->Arg(0)->Arg(1);

}  // namespace
