#include "evaluation/InterpretRealBatch.h"

#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/Disassembler.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/GridProgramSet.h"
#include "evaluation/InterpreterBuild.h"
#include "evaluation/LaneVector.h"
#include "support/BudgetRefusal.h"
#include "support/EvaluationFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <pthread.h>
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
};

TEST_F(InterpretRealBatchTest, EveryLaneOfARowEqualsThePointInterpreter)
{
    doc.SliderValue = 3;
    for (const auto& texts : kDifferentialCases)
        ExpectRowsMatchPoints(texts, kRowGrid);
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

}  // namespace
