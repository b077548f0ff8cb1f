#include "evaluation/InterpretRealBatch.h"

#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/GridProgramSet.h"
#include "evaluation/InterpreterBuild.h"
#include "evaluation/LaneVector.h"
#include "support/BudgetRefusal.h"
#include "support/EvaluationFixture.h"
#include "support/ProgramText.h"
#include "support/SmallStack.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool SameValue(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

// The grids every differential case runs on: a 2D grid whose rows cross
// the axes, and a small 3D grid.
struct GridShape {
    double x0, y0, z0, dx, dy, dz;
    int32_t nx, ny, nz;
};
constexpr GridShape kRowGrid{-1.75, -1.2, 0, 0.25, 0.4, 0, 15, 7, 0};
constexpr GridShape kLayerGrid{-1.1, -0.9, -0.6, 0.5, 0.45, 0.6, 5, 5, 3};

bool Prepare(const GridShape& g, const GridProgramSet* set, GridEvalState* state)
{
    if (g.nz == 0)
        return PrepareGrid2D(g.x0, g.y0, g.dx, g.dy, g.nx, g.ny, set, state);
    return PrepareGrid3D(g.x0, g.y0, g.z0, g.dx, g.dy, g.dz, g.nx, g.ny, g.nz, set, state);
}

class InterpretRealBatchTest : public EvaluationTest {
protected:
    // The formulas of the texts linked together for grids, and compiled
    // together for points.
    std::vector<CompiledFormula*> Linked(const std::vector<const char*>& texts)
    {
        std::vector<CompiledFormula*> grid;
        std::vector<CompiledFormula*> point;
        for (const char* text : texts) {
            grid.push_back(Formula(text));
            point.push_back(Formula(text));
        }
        set_.reset(LinkGridFormulas(grid.data(), static_cast<int32_t>(grid.size())));
        CompileFormulas(point.data(), static_cast<int32_t>(point.size()));
        pointFormulas_ = point;
        return grid;
    }

    // Every lane of every row or layer of the grid, for each formula in
    // link order, against the grid program at the same point and against
    // the point program there.
    void ExpectRowsMatchPoints(const std::vector<const char*>& texts, const GridShape& g)
    {
        std::vector<CompiledFormula*> formulas = Linked(texts);
        ASSERT_NE(set_, nullptr);
        GridEvalState rows;
        GridEvalState points;
        ASSERT_TRUE(Prepare(g, set_.get(), &rows));
        ASSERT_TRUE(Prepare(g, set_.get(), &points));
        bool layer = g.nz != 0;
        int32_t lanes = layer ? g.nx * g.ny : g.nx;
        int32_t batches = layer ? g.nz : g.ny;
        std::string what = texts[0] + std::string(layer ? " in layers" : " in rows");
        // Undefined everywhere would match undefined everywhere.
        std::vector<int32_t> defined(formulas.size(), 0);
        for (int32_t j = 0; j < batches; ++j) {
            std::vector<std::vector<double>> outs;
            for (CompiledFormula* f : formulas) {
                ASSERT_EQ(f->canEvaluateRows, 1) << what;
                outs.emplace_back(lanes, -12345.0);
                f->EvaluateRow(j, &rows, outs.back().data());
            }
            for (int32_t lane = 0; lane < lanes; ++lane) {
                int32_t i = lane % g.nx;
                int32_t m = layer ? lane / g.nx : j;
                double x = g.x0 + i * g.dx;
                double y = g.y0 + m * g.dy;
                double z = layer ? g.z0 + j * g.dz : 0;
                for (size_t f = 0; f < formulas.size(); ++f) {
                    double atGrid = layer ? formulas[f]->EvaluateAtGridPoint3D(i, m, j, &points)
                                          : formulas[f]->EvaluateAtGridPoint(i, j, &points);
                    EXPECT_TRUE(SameValue(outs[f][lane], atGrid))
                        << what << ", formula " << f << " at (" << x << ", " << y << ", " << z << "): row "
                        << outs[f][lane] << ", grid point " << atGrid;
                }
                for (size_t f = 0; f < formulas.size(); ++f) {
                    defined[f] += std::isnan(outs[f][lane]) ? 0 : 1;
                    double atPoint = pointFormulas_[f]->EvaluateAtUVXYZW(x, y, x, y, z, 0);
                    EXPECT_TRUE(SameValue(outs[f][lane], atPoint))
                        << what << ", formula " << f << " at (" << x << ", " << y << ", " << z << "): row "
                        << outs[f][lane] << ", point " << atPoint;
                }
            }
        }
        for (size_t f = 0; f < formulas.size(); ++f)
            EXPECT_GT(defined[f], 0) << what << ", formula " << f;
    }

    std::unique_ptr<GridProgramSet> set_;
    std::vector<CompiledFormula*> pointFormulas_;
};

// Formulas (linked together when there are several) whose every lane must
// equal the point interpreter's value at that point.
const std::vector<std::vector<const char*>> kDifferentialCases = {
    {"(* (+ y (over x y)) (+ x (minus (over y x))))"},
    {"(+ (* (sin x) (cos y)) (power x 2))"},
    {"(sqrt (+ (power x 2) (power y 2)))"},
    {"(+ (* 2 x) (* 3 y) 1)"},
    {"(+ (power x 3) (* -2 x y) (power y (over 1 3)))"},
    {"(* r (sin theta))"},
    {"(sum (over (power (* x y) k) (fact k)) (= k 0) 12)"},
    {"(sum (* k (+ x y)) (= k 1) n)"},
    {"(product (+ 1 (over (* x y) k)) (= k 1) 5)"},
    {"(branch (if 1 (< x 0)) (if (sqrt x) (> x y)) (if y (< y 0)))"},
    {"(branch (if x (< y 0)) (if -1 (> y 0)))"},
    {"(< -1 (* x y) 0.5)"},
    {"(leq y x 1)"},
    {"(+ (= x 0) (notequal y x 0.5) (> 1 y x))"},
    {"(if (* x y) (> (+ x y) 0))"},
    {"(+ (floor (* 3 x)) (ceil (* -2 y)) (mod x (+ y 2)) (abs y) (sgn (* x y)))"},
    {"(+ (min x y 0.3) (max x y) (clamp (* x y) -0.5 0.5))"},
    {"(And (> x 0) (Or (< y 0) (> (* x y) 0.1)))"},
    {"(Not (> x y))"},
    {"(+ (exp (* x y)) (ln (+ 3 x y)) (log (+ 3 x)) (tan (* x y)))"},
    {"(+ (asin (* 0.5 x)) (acos (* 0.5 y)) (atan (* x y)) (acot (+ x y)) (asec (+ x 2)) (acsc (+ y -3)))"},
    {"(+ (sinh (* x y)) (cosh x) (tanh y) (coth (+ x 0.1)) (sech (* x y)) (csch (+ y 0.05)))"},
    {"(+ (asinh (* x y)) (acosh (+ 2 (* x y))) (atanh (* 0.3 (+ x y))))"},
    {"(+ (fact (* x y)) (choice 7 (floor (abs (* 2 y)))) (besselj (* x y) 1) (besselj 2 (+ x 2)))"},
    {"(power (abs (+ x y)) (* x y))"},
    {"(+ (sqrt (* x y)) (sqrt (+ x (minus y))))"},
    {"(+ (power x 2) (power y 2) n)"},
    {"(+ r 1)", "(* r theta)", "(+ (sin (* x y)) (sin (* x y)))"},
    {"(+ (sin (* x y)) x)", "(* 2 (sin (* x y)))"},
    // A complex formula makes the whole set complex: rows then run on the
    // complex batch interpreter and points on the complex one.
    {"(+ (power (sqrt x) 2) y)", "(Re (exp (* i x y)))", "(Im (* i x))"},
};

TEST_F(InterpretRealBatchTest, EveryLaneOfARowEqualsThePointInterpreter)
{
    doc.SliderValue = 3;
    for (const auto& texts : kDifferentialCases)
        ExpectRowsMatchPoints(texts, kRowGrid);
}

TEST_F(InterpretRealBatchTest, BothBuildsGiveIdenticalRows)
{
    if (!CanRunV3Build())
        GTEST_SKIP() << "this processor cannot run the x86-64-v3 build";
    for (const auto& texts : kDifferentialCases) {
        std::vector<CompiledFormula*> formulas = Linked(texts);
        GridEvalState state;
        ASSERT_TRUE(Prepare(kRowGrid, set_.get(), &state));
        unsigned char flag = InterpreterBuildFlag;
        for (int32_t j = 0; j < kRowGrid.ny; ++j) {
            for (CompiledFormula* f : formulas) {
                std::vector<double> rows[2];
                for (unsigned char build : {0, 1}) {
                    InterpreterBuildFlag = build;
                    rows[build].resize(kRowGrid.nx);
                    f->EvaluateRow(j, &state, rows[build].data());
                }
                for (int32_t i = 0; i < kRowGrid.nx; ++i)
                    EXPECT_TRUE(SameValue(rows[0][i], rows[1][i])) << texts[0] << " at column " << i << ", row " << j;
            }
        }
        InterpreterBuildFlag = flag;
    }
}

TEST_F(InterpretRealBatchTest, ALayerOfXPlusYPlusZ)
{
    CompiledFormula* f = Linked({"(+ x y z)"})[0];
    GridEvalState state;
    ASSERT_TRUE(PrepareGrid3D(-1, 2, 0.5, 0.25, -0.5, 2, 4, 3, 5, set_.get(), &state));
    std::vector<double> layer(12);
    f->EvaluateRow(3, &state, layer.data());
    for (int32_t m = 0; m < 3; ++m) {
        for (int32_t i = 0; i < 4; ++i)
            EXPECT_EQ(layer[m * 4 + i], (-1 + i * 0.25) + (2 + m * -0.5) + (0.5 + 3 * 2)) << i << ", " << m;
    }
}

TEST_F(InterpretRealBatchTest, EveryLaneOfALayerEqualsThePointInterpreter)
{
    doc.SliderValue = 2;
    for (const auto& texts : kDifferentialCases)
        ExpectRowsMatchPoints(texts, kLayerGrid);
    // z, and what is computed from it, in layers only: a 2D row has none.
    ExpectRowsMatchPoints({"(+ x y z)", "(* z (sin z) (+ x y))"}, kLayerGrid);
    ExpectRowsMatchPoints({"(+ phi %7 (cos (* x y z)))"}, kLayerGrid);
}

// Hand-written grid programs on a row of five points x = -1, -0.5, 0, 0.5,
// 1 (y = 2 + row, slider 2), its frame filled as row evaluation fills it.
class HandGrid {
public:
    explicit HandGrid(int32_t nx = 5)
    {
        set_.slotCount = kSlots;
        EXPECT_TRUE(PrepareGrid2D(-1, 2, 0.5, 1, nx, 3, &set_, &state_));
    }

    std::vector<double> Run(const BytecodeProgram& program, int32_t row = 0)
    {
        EXPECT_TRUE(SetRowInputs<double>(&state_, row, 2, kSlots));
        std::vector<double> out(state_.nx, -12345);
        program.RunRealBatch(&state_, out.data());
        return out;
    }

    std::vector<double> Run(const std::string& code, int32_t row = 0) { return Run(*ProgramOf(code), row); }

    double* Slot(int32_t s) { return BatchSlot<double>(state_.frame, s, state_.nx); }
    static double X(int32_t lane) { return -1 + 0.5 * lane; }

    static constexpr int32_t kSlots = 20;

private:
    GridProgramSet set_;
    GridEvalState state_;
};

void ExpectLanes(const std::vector<double>& out, double (*expected)(double x), const char* what)
{
    for (size_t lane = 0; lane < out.size(); ++lane) {
        double x = HandGrid::X(static_cast<int32_t>(lane));
        EXPECT_TRUE(SameValue(out[lane], expected(x))) << what << " at x = " << x << ": " << out[lane];
    }
}

TEST(InterpretRealBatch, UniformOperandsGiveUniformResults)
{
    HandGrid grid;
    // A y-only value stays one value; x + 1 is per lane; slot 7 shows the
    // mode of what was stored.
    ExpectLanes(grid.Run("1 4, 29, 4 7, 103"), [](double) { return std::sin(2.0); }, "sin y");
    EXPECT_FALSE(IsVarying(grid.Slot(7)));
    ExpectLanes(grid.Run("1 3, 0 1, 12, 4 7, 103"), [](double x) { return x + 1; }, "x + 1");
    EXPECT_TRUE(IsVarying(grid.Slot(7)));
    ExpectLanes(grid.Run("0 1, 1 3, 12, 103"), [](double x) { return 1 + x; }, "1 + x");
    ExpectLanes(grid.Run("0 2.5, 103"), [](double) { return 2.5; }, "a constant");
    ExpectLanes(grid.Run("103"), [](double) { return kNaN; }, "nothing pushed");
    ExpectLanes(grid.Run("1 2, 1 4, 14, 103", 1), [](double) { return 6.0; }, "slider times y of row 1");
    // Imaginary part and argument of a per-lane value: per-lane zeros.
    ExpectLanes(grid.Run("1 3, 71, 4 7, 103"), [](double) { return 0.0; }, "Im x");
    EXPECT_TRUE(IsVarying(grid.Slot(7)));
    // All-uniform conditions still choose per lane.
    ExpectLanes(grid.Run("0 0, 0 10, 0 1, 0 20, 69 2, 4 7, 103"), [](double) { return 20.0; }, "uniform branch");
    EXPECT_TRUE(IsVarying(grid.Slot(7)));
    // Per-lane conditions: the first true pair written, NaN where none is.
    ExpectLanes(grid.Run("1 3, 0 0, 53 2, 0 10, 1 3, 0 0, 54 2, 1 3, 69 2, 103"),
                [](double x) { return x < 0 ? 10 : x > 0 ? x : kNaN; }, "branch on x");
    // A chain with uniform ends and a per-lane middle.
    ExpectLanes(grid.Run("0 -0.75, 1 3, 0 0.75, 53 3, 103"), [](double x) { return -0.75 < x && x < 0.75 ? 1.0 : 0.0; },
                "-0.75 < x < 0.75");
}

TEST(InterpretRealBatch, StoresAndSwapsKeepValuesApart)
{
    HandGrid grid;
    // x loaded, then slot 3 overwritten while the load is still on the
    // stack: the loaded values stay.
    ExpectLanes(grid.Run("1 3, 0 5, 4 3, 7, 2 0, 5 0, 7, 0 1, 12, 103"), [](double x) { return x + 1; },
                "a load outlives a store");
    // Swap of a loaded and a computed value; then log with a base.
    ExpectLanes(grid.Run("1 3, 0 2, 12, 1 3, 6, 15, 103"), [](double x) { return x / (x + 2); }, "swap");
    ExpectLanes(grid.Run("0 3, 1 3, 0 1, 12, 6, 19, 103"), [](double) { return 3.0; }, "interval keeps top");
}

// Sum over k from 1 to limit of k x, in the loop layout of grid programs
// (no range guard).
std::string SumLoop(const char* limit, const char* accumulate = "12", const char* start = "0 0")
{
    return std::string(start) + ", 0 1, 5 2, 89 0, 0 " + limit + ", 89 1, 90 0, 2 0, 1 3, 14, " + accumulate +
           ", 91 0, 103";
}

TEST(InterpretRealBatch, LoopsRunUpToTheirCapAndNoFurther)
{
    HandGrid grid;
    ExpectLanes(grid.Run(SumLoop("100001")), [](double x) { return x * (100001.0 * 100002 / 2); },
                "100,001 steps");
    ExpectLanes(grid.Run(SumLoop("100002")), [](double) { return kNaN; }, "100,002 steps");
    // An undefined limit ends the loop at once: the empty sum and product.
    ExpectLanes(grid.Run(SumLoop("nan")), [](double) { return 0.0; }, "sum to NaN");
    ExpectLanes(grid.Run(SumLoop("nan", "14", "0 1")), [](double) { return 1.0; }, "product to NaN");
}

TEST(InterpretRealBatch, RowAggregatesSkipUndefinedRows)
{
    HandGrid grid;
    // min and max over 5 rows of sqrt(k - 3) x: rows 1 and 2 are undefined.
    const char* minOfRows = "101 0 4, 90 0, 95 0, 2 0, 0 -3, 12, 23, 1 3, 14, 99, 91 0, 94, 6, 7, 103";
    const char* maxOfRows = "101 0 4, 90 0, 95 0, 2 0, 0 -3, 12, 23, 1 3, 14, 99, 91 0, 94, 7, 103";
    ExpectLanes(grid.Run(minOfRows), [](double x) { return x < 0 ? std::sqrt(2.0) * x : 0.0; }, "min");
    ExpectLanes(grid.Run(maxOfRows), [](double x) { return x > 0 ? std::sqrt(2.0) * x : 0.0; }, "max");
    // No row defined: undefined.
    ExpectLanes(grid.Run("101 0 4, 90 0, 95 0, 2 0, 20, 23, 1 3, 14, 99, 91 0, 94, 6, 7, 103"),
                [](double) { return kNaN; }, "min of nothing");
    // Weighted sum and count of k x: a row counts only with weight exactly 1.
    ExpectLanes(grid.Run("100 0 4, 90 0, 95 0, 2 0, 1 3, 14, 0 1, 96, 91 0, 94, 6, 7, 103"),
                [](double x) { return 15 * x; }, "sum, weight 1");
    ExpectLanes(grid.Run("100 0 4, 90 0, 95 0, 2 0, 1 3, 14, 0 1, 96, 91 0, 94, 7, 103"),
                [](double) { return 5.0; }, "count, weight 1");
    ExpectLanes(grid.Run("100 0 4, 90 0, 95 0, 2 0, 1 3, 14, 0 2, 96, 91 0, 94, 6, 7, 103"),
                [](double) { return 0.0; }, "sum, weight 2");
    // A per-lane weight: rows count where x = 0.5.
    ExpectLanes(grid.Run("101 0 4, 90 0, 95 0, 2 0, 1 3, 0 0.5, 57 2, 97, 91 0, 94, 7, 103"),
                [](double x) { return x == 0.5 ? 5.0 : kNaN; }, "max where x = 0.5");
}

TEST(InterpretRealBatch, EndsAndRefusals)
{
    HandGrid grid;
    // 82 ends the run undefined, and what the rest would store is undefined.
    grid.Run("1 3, 4 7, 103");
    ExpectLanes(grid.Run("1 3, 0 1, 12, 82, 4 7, 103"), [](double) { return kNaN; }, "82");
    EXPECT_FALSE(IsVarying(grid.Slot(7)));
    EXPECT_TRUE(std::isnan(grid.Slot(7)[1]));
    // 85 ends the run like 103.
    ExpectLanes(grid.Run("1 3, 0 1, 85 1 0, 0 7, 12, 103"), [](double) { return 1.0; }, "85");

    // A stop request before the run leaves the first instruction undone.
    auto program = ProgramOf("0 5, 103");
    program->stopRequested = 1;
    ExpectLanes(grid.Run(*program), [](double) { return kNaN; }, "stopped");

    // No points: nothing is written.
    GridProgramSet set;
    set.slotCount = HandGrid::kSlots;
    GridEvalState empty;
    ASSERT_TRUE(PrepareGrid2D(0, 0, 1, 1, 0, 0, &set, &empty));
    double untouched = -7;
    program->stopRequested = 0;
    program->RunRealBatch(&empty, &untouched);
    EXPECT_EQ(untouched, -7);
}

TEST(InterpretRealBatch, AValueStackTheBudgetRefusesGivesUndefinedRows)
{
    // A wide row, on a thread whose stack cannot hold its value stack.
    HandGrid grid(20000);
    auto program = ProgramOf("1 3, 0 1, 12, 103");
    std::vector<double> out;
    OnSmallStack(256 * 1024, [&] { out = grid.Run(*program); });
    ASSERT_EQ(out.size(), 20000u);
    EXPECT_EQ(out[19999], HandGrid::X(19999) + 1);  // from the budget
    {
        BudgetRefusal refusal;
        OnSmallStack(256 * 1024, [&] { out = grid.Run(*program); });
    }
    for (double value : out)
        ASSERT_TRUE(std::isnan(value));
}

}  // namespace
