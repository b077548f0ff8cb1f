#include "evaluation/InterpretComplexBatch.h"

#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileBatch.h"
#include "evaluation/CompileContext.h"
#include "evaluation/ConstantTable.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/InterpreterBuild.h"
#include "numerics/RealLibrary.h"
#include "support/BudgetRefusal.h"
#include "support/CompilerFixture.h"
#include "support/ProgramText.h"
#include "support/SmallStack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr ComplexValue kUndefined{kNaN, kNaN};
constexpr int32_t kSlots = 40;

bool SameBits(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

void SetHeader(ComplexValue* vector, uint32_t varying)
{
    std::memcpy(vector, &varying, sizeof varying);
}

// A grid state for one row (2D) or one layer (3D) with its frame filled as
// row evaluation fills it: x per-lane, y uniform in a row and per-lane in a
// layer, z and the slider uniform; every other slot uniform undefined.
struct Batch {
    GridEvalState state;
    std::vector<ComplexValue> frame;
    std::vector<ComplexValue> parts;
    int32_t n;

    Batch(const std::vector<double>& xs, const std::vector<double>& ys, bool layer, double z = 0.5, double slider = 2)
    {
        state.nx = static_cast<int32_t>(xs.size());
        state.ny = static_cast<int32_t>(ys.size());
        state.nz = layer ? 1 : 0;
        n = layer ? state.nx * state.ny : state.nx;
        frame.assign(static_cast<size_t>(kSlots) * (n + 1), kUndefined);
        for (int32_t s = 0; s < kSlots; ++s)
            SetHeader(Slot(s), 0);
        for (int32_t s : {0, 3}) {
            SetHeader(Slot(s), 1);
            for (int32_t lane = 0; lane < n; ++lane)
                Slot(s)[1 + lane] = {xs[lane % state.nx], 0};
        }
        for (int32_t s : {1, 4}) {
            SetHeader(Slot(s), layer ? 1 : 0);
            for (int32_t lane = 0; lane < (layer ? n : std::min(n, 1)); ++lane)
                Slot(s)[1 + lane] = {ys[lane / state.nx], 0};
        }
        Slot(2)[1] = {slider, 0};
        Slot(5)[1] = {z, 0};
        state.frame = frame.data();
    }

    ComplexValue* Slot(int32_t s) { return frame.data() + static_cast<size_t>(s) * (n + 1); }

    // The point frame of one lane, filled with the same inputs.
    std::vector<ComplexValue> PointFrame(int32_t lane)
    {
        std::vector<ComplexValue> point(kSlots, kUndefined);
        for (int32_t s : {0, 1, 2, 3, 4, 5}) {
            ComplexValue* slot = Slot(s);
            uint32_t varying;
            std::memcpy(&varying, slot, sizeof varying);
            point[s] = varying ? slot[1 + lane] : slot[1];
        }
        return point;
    }

    std::vector<double> Run(const BytecodeProgram& program)
    {
        std::vector<double> out(n, -12345);
        program.RunComplexBatch(&state, out.data());
        return out;
    }
};

class InterpretComplexBatchTest : public CompilerTest {
protected:
    // The grid program of a formula, in complex arithmetic, with its own
    // constant table.
    BytecodeProgram* GridProgram(const char* text)
    {
        FormulaNode* tree = Prepared(text);
        if (!tree)
            return nullptr;
        contexts_.push_back(std::make_unique<CompileContext>());
        CompileContext* own = contexts_.back().get();
        own->SetDocument(&doc);
        own->isComplex = 1;
        BeginCompileBatch();
        BytecodeProgram* program = Generate(tree, own, false, true);
        own->table->CompileAll();
        FinishCompileBatch();
        ResolveLoopJumps(program);
        program->isComplex = 1;
        return program;
    }

    // Every lane of the batch against the complex interpreter at that point.
    void ExpectLanesMatchPoints(const char* text, Batch& batch)
    {
        BytecodeProgram* program = GridProgram(text);
        ASSERT_NE(program, nullptr) << text;
        std::vector<double> out = batch.Run(*program);
        for (int32_t lane = 0; lane < batch.n; ++lane) {
            std::vector<ComplexValue> point = batch.PointFrame(lane);
            double expected = ComplexToReal(program->RunComplex(point.data(), nullptr));
            EXPECT_TRUE(SameBits(out[lane], expected))
                << text << " at lane " << lane << " (x = " << point[3].re << ", y = " << point[4].re << "): batch "
                << out[lane] << ", point " << expected;
        }
    }

    void TearDown() override
    {
        CompilerTest::TearDown();
        for (auto& own : contexts_)
            own->table->Clear();
        contexts_.clear();
    }

private:
    std::vector<std::unique_ptr<CompileContext>> contexts_;
};

// Formulas that stay defined or turn non-real lane by lane; none ends a point
// run early before a relation could hide it, so every lane must agree.
const char* const kFormulas[] = {
    "(+ x (* i y))",
    "(Re (power (+ x (* i y)) 3))",
    "(Im (ln x))",
    "(abs (sqrt x))",
    "(* (sqrt x) (sqrt x))",
    "%3",                                   // theta, the angle of (x, y)
    "(* %3 (+ x 1))",
    "(+ %3 %2 r)",                          // theta, phi and r share their slots
    "(arg (+ x (* i y)))",
    "(overline (+ x (* i y)))",
    "(power x (over 1 3))",
    "(power (+ x (* 2 i)) (+ y i))",
    "(branch (if (sqrt x) (< x 0)) (if 7 (= x 0)) (* x y))",
    "(if (+ x 1) (> x y))",
    "(< x y 3)",
    "(Not (= x (* i y)))",
    "(sum (* k x) (= k 1) 4)",
    "(product (+ k (* i y)) (= k 1) 3)",
    "(min x 1)",
    "(max (* i x) y)",
    "(mod x 3)",
    "(floor (* x 2.5))",
    "(tanh (* x 300))",
    "(besselj x 1)",
    "(fact x)",
    "(atanh x)",
    "(acosh x)",
    "(choice 5 x)",
    "(clamp x (minus 1) 1)",
    "(+ n (power (+ 1 i) 2))",               // the slider and a complex constant
};

TEST_F(InterpretComplexBatchTest, EveryLaneAgreesWithThePointInterpreterInRows)
{
    const std::vector<double> xs = {-3, -1, -0.5, 0, 0.25, 1, 2, 7.5};
    for (double y : {-2.0, 0.0, 1.5}) {
        for (const char* text : kFormulas) {
            Batch batch(xs, {y}, false);
            ExpectLanesMatchPoints(text, batch);
        }
    }
}

TEST_F(InterpretComplexBatchTest, EveryLaneAgreesWithThePointInterpreterInLayers)
{
    for (const char* text : kFormulas) {
        Batch batch({-2, 0, 1.5}, {-1, 0, 3}, true);
        ExpectLanesMatchPoints(text, batch);
    }
}

// The batch never ends early: an undefined lane flows on, and a relation
// takes it as false where the complex interpreter ends the run undefined.
TEST_F(InterpretComplexBatchTest, AnUndefinedLaneFlowsIntoRelations)
{
    BytecodeProgram* program = GridProgram("(< (over 1 x) 5)");
    Batch batch({0, 1}, {0}, false);
    std::vector<double> out = batch.Run(*program);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 1);
    std::vector<ComplexValue> point = batch.PointFrame(0);
    EXPECT_TRUE(std::isnan(program->RunComplex(point.data(), nullptr).re));
}

// Per-axis values from the parts buffer: one x part, one y part and, in a
// layer, one z part, with complex values whose real parts tell them apart.
// Each lane against the complex interpreter at the lane's column, row and
// layer.
TEST(InterpretComplexBatch, PerAxisValuesComeFromThePartsBuffer)
{
    for (bool layer : {false, true}) {
        Batch batch({0, 0, 0}, {0, 0}, layer);
        GridEvalState& state = batch.state;
        state.nX = 1;
        state.nY = 1;
        state.nZ = layer ? 1 : 0;
        state.nz = layer ? 2 : 0;
        state.curJ = layer ? 0 : 1;
        state.curK = layer ? 1 : 0;
        batch.parts = {{10, 1}, {11, 1}, {12, 1}, {20, 0}, {21, 0}};
        if (layer)
            batch.parts.insert(batch.parts.end(), {{300, 0}, {400, 0}});
        state.parts = batch.parts.data();
        auto program = ProgramOf(layer ? "8 0, 70, 9 0, 12, 10 0, 12, 103" : "8 0, 70, 9 0, 12, 103");
        std::vector<double> out = batch.Run(*program);
        // Each lane's point: the same state at the lane's column and row.
        int32_t firstRow = state.curJ;
        for (int32_t lane = 0; lane < batch.n; ++lane) {
            state.curI = lane % state.nx;
            state.curJ = firstRow + lane / state.nx;
            std::vector<ComplexValue> frame = batch.PointFrame(lane);
            double expected = ComplexToReal(program->RunComplex(frame.data(), &state));
            EXPECT_EQ(out[lane], expected) << (layer ? "layer" : "row") << " lane " << lane;
        }
        state.curI = 0;
        state.curJ = firstRow;
        EXPECT_EQ(out[batch.n - 1], layer ? 12 + 21 + 400 : 12 + 21);
    }
}

struct OutCase {
    const char* what;
    const char* code;
    std::vector<double> expected;  // per lane, for x = -2, -1, 0, 3
};

void RunOutTable(std::initializer_list<OutCase> cases)
{
    for (const OutCase& c : cases) {
        auto program = ProgramOf(c.code);
        Batch batch({-2, -1, 0, 3}, {5}, false);
        std::vector<double> out = batch.Run(*program);
        for (size_t lane = 0; lane < out.size(); ++lane)
            EXPECT_TRUE(SameBits(out[lane], c.expected[lane]))
                << c.what << " lane " << lane << ": got " << out[lane] << ", want " << c.expected[lane];
    }
}

TEST(InterpretComplexBatch, LaneRulesOfOutputsConditionsAndChoices)
{
    RunOutTable({
        {"a uniform program fills every output", "1 4, 0 1, 12, 103", {6, 6, 6, 6}},
        {"sqrt of a negative x is not real", "1 3, 23, 103", {kNaN, kNaN, 0, std::sqrt(3.0)}},
        {"an imaginary part of -0 counts as 0", "1 3, 75, 103", {-2, -1, 0, 3}},
        {"if: a per-lane condition of 2 is not met",
         "0 7, 1 3, 0 0, 53 2, 1 3, 0 -1.5, 53 2, 12, 68, 103",
         {kNaN, 7, kNaN, kNaN}},
        {"if: a uniform condition of 1 keeps the value", "1 3, 0 1, 68, 103", {-2, -1, 0, 3}},
        {"branch: no condition holds in some lanes",
         "1 3, 0 0, 53 2, 0 10, 1 3, 0 0, 54 2, 0 20, 69 2, 103",
         {10, 10, kNaN, 20}},
        {"branch: uniform pairs, a NaN condition counts as 0",
         "0 nan, 0 10, 0 1, 0 20, 69 2, 103",
         {20, 20, 20, 20}},
        {"chain with one per-lane operand", "0 -1.5, 1 3, 0 1, 53 3, 103", {0, 1, 1, 0}},
        {"chain of uniform operands", "0 1, 0 2, 0 3, 53 3, 103", {1, 1, 1, 1}},
        {"angle of (below, top)", "1 3, 0 1, 17, 103",
         {Atan2Positive(1, -2), Atan2Positive(1, -1), Atan2Positive(1, 0), Atan2Positive(1, 3)}},
        {"82 ends the run with every output NaN", "1 3, 82, 0 1, 103", {kNaN, kNaN, kNaN, kNaN}},
        {"85 ends the run with its top", "1 3, 85 1 0, 0 1, 12, 103", {-2, -1, 0, 3}},
        {"labels and guards do nothing", "1 3, 86 0 0, 87 0 0, 88 0 0, 92 0, 93 0, 13, 103",
         {-2, -1, 0, 3}},
    });
}

// Sum (or product) over k from 1 to the limit y of k x, in the loop layout
// of a grid program (counter local 0, limit local 1, start local 2; no
// guard).
std::unique_ptr<BytecodeProgram> Loop(bool product)
{
    if (product)
        return ProgramOf("0 1, 0 1, 5 2, 89 0, 1 4, 89 1, 90 0, 2 0, 1 3, 14, 14, 91 0, 103");
    return ProgramOf("0 0, 0 1, 5 2, 89 0, 1 4, 89 1, 90 0, 2 0, 1 3, 14, 12, 91 0, 103");
}

TEST(InterpretComplexBatch, LoopsStopAtTheCapAndRunNothingForBoundsThatAreNotReal)
{
    struct LoopCase {
        const char* what;
        ComplexValue limit;
        bool product;
        double expected;  // at x = 1
    };
    const LoopCase cases[] = {
        {"1 .. 3", {3, 0}, false, 6},
        {"1 .. 3, product", {3, 0}, true, 6},
        {"1 .. 100,001 runs 100,001 times", {100001, 0}, false, 100001.0 * 100002 / 2},
        {"1 .. 100,002 is undefined", {100002, 0}, false, kNaN},
        {"an undefined limit: the empty sum", kUndefined, false, 0},
        {"a non-real limit: the empty sum", {3, 1}, false, 0},
        {"a non-real limit: the empty product", {3, 1}, true, 1},
    };
    for (const LoopCase& c : cases) {
        auto program = Loop(c.product);
        Batch batch({1, 1}, {0}, false);
        batch.Slot(4)[1] = c.limit;
        std::vector<double> out = batch.Run(*program);
        EXPECT_TRUE(SameBits(out[0], c.expected) && SameBits(out[1], c.expected))
            << c.what << ": got " << out[0] << ", want " << c.expected;
    }
    // A counter too large to count by 1 ends the loop after one pass.
    auto huge = ProgramOf("0 0, 0 " + NumberText(1e17) + ", 5 2, 89 0, 0 " + NumberText(1e17 + 1000) +
                          ", 89 1, 90 0, 0 1, 12, 91 0, 103");
    Batch batch({1}, {0}, false);
    EXPECT_EQ(batch.Run(*huge)[0], 1);
}

TEST(InterpretComplexBatch, RowAggregatesCountEachLaneOnItsOwn)
{
    // Mean over five rows of the row number k, counting a row where
    // x < k holds (a per-lane condition): each lane divides its own sum by
    // its own count.
    auto mean = ProgramOf("100 0 4, 90 0, 95 0, 2 0, 1 3, 2 0, 53 2, 96, 91 0, 94, 6, 15, 103");
    Batch rows({0, 2, 4, 9}, {0}, false);
    std::vector<double> out = rows.Run(*mean);
    EXPECT_EQ(out[0], 3);    // rows 1..5
    EXPECT_EQ(out[1], 4);    // rows 3..5
    EXPECT_EQ(out[2], 5);    // row 5
    EXPECT_TRUE(std::isnan(out[3]));  // no row: 0 / 0

    // The maximum of uniform values, one of them undefined: the first
    // defined value replaces the undefined start.
    auto max = ProgramOf("101 0 4, 90 0, 95 0, 2 0, 0 -3, 12, 2 0, 0 -3, 12, 15, 2 0, 14, 99, 91 0, 94, 7, 103");
    out = rows.Run(*max);
    for (double value : out)
        EXPECT_EQ(value, 5);
}

TEST(InterpretComplexBatch, EmptyRowsStoppedRunsAndEarlyEnds)
{
    auto program = ProgramOf("0 5, 4 7, 1 3, 12, 103");
    // No lane: nothing is written.
    Batch empty({}, {0}, false);
    double sentinel = 42;
    program->RunComplexBatch(&empty.state, &sentinel);
    EXPECT_EQ(sentinel, 42);

    // A stop requested before the run: no instruction runs.
    Batch batch({1, 2}, {0}, false);
    program->stopRequested = 1;
    std::vector<double> out = batch.Run(*program);
    EXPECT_TRUE(std::isnan(batch.Slot(7)[1].re));
    program->stopRequested = 0;
    out = batch.Run(*program);
    EXPECT_EQ(out[1], 7);
    EXPECT_EQ(batch.Slot(7)[1].re, 5);

    // 82 leaves no stale value in a slot a later program of the batch reads.
    auto failing = ProgramOf("1 3, 82, 4 7, 5 0, 103");
    out = batch.Run(*failing);
    EXPECT_TRUE(std::isnan(out[0]) && std::isnan(out[1]));
    EXPECT_TRUE(std::isnan(batch.Slot(7)[1].re));
    EXPECT_TRUE(std::isnan(batch.Slot(12)[1].re));
}

TEST(InterpretComplexBatch, ValueStackFallsBackToTheBudgetAndThenToNaN)
{
    // 20,000 lanes of a few entries do not fit beside the reserve of a
    // 256 KiB thread.
    auto program = ProgramOf("1 3, 0 1, 12, 103");
    std::vector<double> xs(20000, 1);
    Batch batch(xs, {0}, false);
    std::vector<double> fromBudget;
    std::vector<double> refused;
    OnSmallStack(256 * 1024, [&] {
        fromBudget = batch.Run(*program);
        BudgetRefusal refusal;
        refused = batch.Run(*program);
    });
    EXPECT_EQ(fromBudget.back(), 2);
    EXPECT_TRUE(std::isnan(refused.front()) && std::isnan(refused.back()));
}

TEST_F(InterpretComplexBatchTest, BothBuildsGiveIdenticalResults)
{
    if (!CanRunV3Build())
        GTEST_SKIP() << "this processor cannot run the x86-64-v3 build";
    for (const char* text : kFormulas) {
        BytecodeProgram* program = GridProgram(text);
        Batch batch({-3, -1, -0.5, 0, 0.25, 1, 2, 7.5}, {1.5}, false);
        std::vector<double> a(batch.n);
        std::vector<double> b(batch.n);
        baseline::InterpretComplexBatch(program, &batch.state, a.data());
        v3::InterpretComplexBatch(program, &batch.state, b.data());
        for (int32_t lane = 0; lane < batch.n; ++lane)
            EXPECT_TRUE(SameBits(a[lane], b[lane])) << text << " lane " << lane;
    }
}

}  // namespace
