#include "evaluation/GridProgramSet.h"

#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridEvalState.h"
#include "support/Disassembler.h"
#include "support/EvaluationFixture.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

namespace {

bool SameValue(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

class GridProgramSetTest : public EvaluationTest {
protected:
    GridProgramSet* Link(std::vector<CompiledFormula*> formulas)
    {
        sets_.emplace_back(LinkGridFormulas(formulas.data(), static_cast<int32_t>(formulas.size())));
        return sets_.back().get();
    }

    std::vector<std::unique_ptr<GridProgramSet>> sets_;
};

TEST_F(GridProgramSetTest, EachAxisPartIsComputedOncePerColumnRowAndLayer)
{
    CompiledFormula* f = Formula("(* (sin x) (cos y))");
    GridProgramSet* set = Link({f});
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->xPartCount, 1);
    EXPECT_EQ(set->yPartCount, 1);
    EXPECT_EQ(set->zPartCount, 0);
    EXPECT_EQ(Disassemble(*f->gridProgram), "8 0, 9 0, 14, 103");

    GridEvalState state;
    ASSERT_TRUE(PrepareGrid2D(-2, 1, 0.04, -0.03, 100, 100, set, &state));
    const auto* parts = static_cast<const double*>(state.parts);
    for (int32_t i : {0, 37, 99})
        EXPECT_EQ(parts[i], std::sin(-2 + i * 0.04));
    for (int32_t j : {0, 50, 99})
        EXPECT_EQ(parts[100 + j], std::cos(1 + j * -0.03));
    EXPECT_EQ(f->EvaluateAtGridPoint(37, 50, &state), std::sin(-2 + 37 * 0.04) * std::cos(1 + 50 * -0.03));

    // In 3D the z parts follow the y parts.
    CompiledFormula* g = Formula("(+ (sin x) (cos y) (exp z) (power z 2))");
    set = Link({g});
    ASSERT_EQ(set->zPartCount, 2);
    GridEvalState layers;
    ASSERT_TRUE(PrepareGrid3D(0, 0, -1, 0.5, 0.25, 0.2, 3, 4, 5, set, &layers));
    parts = static_cast<const double*>(layers.parts);
    EXPECT_EQ(parts[3 + 4 + 2], std::exp(-1 + 2 * 0.2));
    EXPECT_EQ(parts[3 + 4 + 5 + 4], (-1 + 4 * 0.2) * (-1 + 4 * 0.2));
    CompiledFormula* point = Compiled("(+ (sin x) (cos y) (exp z) (power z 2))");
    EXPECT_EQ(g->EvaluateAtGridPoint3D(2, 3, 4, &layers), point->EvaluateAtUVXYZW(1, 0.75, 1, 0.75, -0.2, 0));
}

// Formulas that need the point-by-point fallback, and others, on the grid
// program against the point program.
TEST_F(GridProgramSetTest, GridPointsEqualThePointProgram)
{
    doc.SliderValue = 4;
    const char* texts[] = {
        "(sum (power x k) (= k 1) (floor (+ x 3)))",  // the limit moves along the row
        "(sum (* k y) (= k 1) (floor (+ y 3)))",      // along the rows of a layer
        "(* r (cos theta) (+ x n))",
        "(+ (power x 2) (power y 2) (* x y))",
    };
    for (const char* text : texts) {
        CompiledFormula* f = Formula(text);
        CompiledFormula* point = Compiled(text);
        GridProgramSet* set = Link({f});
        GridEvalState state;
        ASSERT_TRUE(PrepareGrid2D(-1.5, -1, 0.5, 0.5, 7, 5, set, &state));
        for (int32_t j = 0; j < 5; ++j) {
            for (int32_t i = 0; i < 7; ++i) {
                double x = -1.5 + i * 0.5;
                double y = -1 + j * 0.5;
                EXPECT_TRUE(SameValue(f->EvaluateAtGridPoint(i, j, &state), point->EvaluateAtXY(x, y)))
                    << text << " at (" << x << ", " << y << ")";
            }
        }
        GridEvalState layers;
        ASSERT_TRUE(PrepareGrid3D(-1.5, -1, 0.5, 0.5, 0.5, 1, 7, 5, 2, set, &layers));
        for (int32_t k = 0; k < 2; ++k) {
            for (int32_t j = 0; j < 5; ++j) {
                for (int32_t i = 0; i < 7; ++i) {
                    double x = -1.5 + i * 0.5;
                    double y = -1 + j * 0.5;
                    double z = 0.5 + k;
                    EXPECT_TRUE(SameValue(f->EvaluateAtGridPoint3D(i, j, k, &layers),
                                          point->EvaluateAtUVXYZW(x, y, x, y, z, 0)))
                        << text << " at (" << x << ", " << y << ", " << z << ")";
                }
            }
        }
    }
}

TEST_F(GridProgramSetTest, RowsAreRefusedWhereLoopBoundsOrRowsMoveAlongTheLanes)
{
    struct Case {
        const char* tree;
        uint8_t canEvaluateRows;
    };
    const Case cases[] = {
        {"(sum k (= k 1) (floor r))", 0},
        {"(product k (= k (floor theta)) 3)", 0},
        {"(sum k (= k 1) (floor (+ phi %7)))", 0},
        {"(sum k (= k 1) (floor z))", 1},  // z is one value per layer
    };
    for (const Case& c : cases)
        EXPECT_EQ(Formula(c.tree)->canEvaluateRows, c.canEvaluateRows) << c.tree;
}

TEST_F(GridProgramSetTest, BuffersAreKeptForTheSameShapeAndGrownForALargerSet)
{
    GridProgramSet* small = Link({Formula("(+ x y)")});
    // More locals and more parts than the first set.
    CompiledFormula* large = Formula("(+ (sin (* x y)) (sin (* x y)) (cos (* x y)) (cos (* x y)) (exp x) (exp y))");
    CompiledFormula* largePoint = Compiled("(+ (sin (* x y)) (sin (* x y)) (cos (* x y)) (cos (* x y)) (exp x) (exp y))");
    GridProgramSet* big = Link({large});
    ASSERT_GT(big->slotCount, small->slotCount);
    ASSERT_GT(big->xPartCount, small->xPartCount);

    GridEvalState state;
    ASSERT_TRUE(PrepareGrid2D(0, 0, 0.25, 0.5, 8, 8, small, &state));
    void* frame = state.frame;
    size_t frameBytes = state.frameBytes;
    size_t partsBytes = state.partsBytes;
    ASSERT_TRUE(PrepareGrid2D(1, 1, 0.25, 0.5, 8, 8, small, &state));
    EXPECT_EQ(state.frame, frame);  // same shape, same set: nothing allocated

    ASSERT_TRUE(PrepareGrid2D(0, 0, 0.25, 0.5, 8, 8, big, &state));
    EXPECT_GT(state.frameBytes, frameBytes);
    EXPECT_GT(state.partsBytes, partsBytes);
    std::vector<double> row(8);
    large->EvaluateRow(3, &state, row.data());
    for (int32_t i = 0; i < 8; ++i)
        EXPECT_EQ(row[i], largePoint->EvaluateAtXY(i * 0.25, 1.5)) << i;

    // A grid without points takes buffers and computes nothing; a row of it
    // writes nothing.
    GridEvalState empty;
    EXPECT_TRUE(PrepareGrid2D(0, 0, 1, 1, 0, 0, big, &empty));
    EXPECT_NE(empty.frame, nullptr);
    EXPECT_NE(empty.parts, nullptr);
    double untouched = -7;
    large->EvaluateRow(0, &empty, &untouched);
    EXPECT_EQ(untouched, -7);
}

TEST_F(GridProgramSetTest, AGridThatCannotBePreparedEvaluatesToUndefined)
{
    CompiledFormula* f = Formula("(+ x y)");
    GridProgramSet* set = Link({f});
    GridEvalState state;
    EXPECT_FALSE(PrepareGrid2D(0, 0, 1, 1, -3, 4, set, &state));
    EXPECT_EQ(state.frame, nullptr);
    EXPECT_TRUE(std::isnan(f->EvaluateAtGridPoint(0, 0, &state)));
    // Sizes past what memory can hold are refused, not wrapped around.
    EXPECT_FALSE(PrepareGrid3D(0, 0, 0, 1, 1, 1, 2000000000, 2000000000, 1, set, &state));
    EXPECT_EQ(state.frame, nullptr);

    // A state prepared for a set with fewer slots than the program needs
    // does not run it.
    CompiledFormula* wide = Formula("(+ (sin (* x y)) (sin (* x y)) (cos (* x y)) (cos (* x y)))");
    GridProgramSet* wideSet = Link({wide});
    ASSERT_TRUE(PrepareGrid2D(0, 0, 1, 1, 4, 4, set, &state));
    ASSERT_GT(wideSet->slotCount, set->slotCount);
    std::vector<double> row(4, 0);
    wide->EvaluateRow(1, &state, row.data());
    for (double value : row)
        EXPECT_TRUE(std::isnan(value));
    EXPECT_TRUE(std::isnan(wide->EvaluateAtGridPoint(1, 1, &state)));
}

TEST_F(GridProgramSetTest, AComplexFormulaMakesTheWholeSetComplex)
{
    // The square of the root of a negative x is x in complex arithmetic and
    // undefined in real arithmetic; it is an x part, computed complex too.
    CompiledFormula* square = Formula("(+ (power (sqrt x) 2) y)");
    CompiledFormula* complex = Formula("(Im (* i x))");
    GridProgramSet* set = Link({square, complex});
    EXPECT_EQ(set->isComplex, 1);
    EXPECT_EQ(square->gridProgram->isComplex, 0);
    EXPECT_EQ(complex->gridProgram->isComplex, 1);
    GridEvalState state;
    ASSERT_TRUE(PrepareGrid2D(-4, 1, 4, 1, 3, 3, set, &state));
    EXPECT_EQ(state.isComplex, 1);
    std::vector<double> squares(3);
    std::vector<double> imaginary(3);
    square->EvaluateRow(1, &state, squares.data());
    complex->EvaluateRow(1, &state, imaginary.data());
    EXPECT_EQ(squares, (std::vector<double>{-4 + 2, 0 + 2, 4 + 2}));
    EXPECT_EQ(imaginary, (std::vector<double>{-4, 0, 4}));
    EXPECT_EQ(square->EvaluateAtGridPoint(0, 2, &state), -4 + 3);
    EXPECT_EQ(complex->EvaluateAtGridPoint(2, 2, &state), 4);

    // Alone, in real arithmetic, the square is undefined there.
    CompiledFormula* alone = Formula("(+ (power (sqrt x) 2) y)");
    GridEvalState real;
    ASSERT_TRUE(PrepareGrid2D(-4, 1, 4, 1, 3, 3, Link({alone}), &real));
    alone->EvaluateRow(1, &real, squares.data());
    EXPECT_TRUE(std::isnan(squares[0]));
    EXPECT_EQ(squares[2], 4 + 2);
}

TEST_F(GridProgramSetTest, PartsAreComputedOnAThreadThatDidNotCompileThem)
{
    // The x part's sub-program has loops, so it needs more frame slots than
    // a thread that never compiled has.
    CompiledFormula* f = Formula("(+ y (sum (sum (* k j x) (= k 1) 3) (= j 1) 3))");
    GridProgramSet* set = Link({f});
    ASSERT_EQ(set->xPartCount, 1);
    GridEvalState here;
    ASSERT_TRUE(PrepareGrid2D(0, 0, 0.5, 1, 6, 2, set, &here));
    GridEvalState there;
    bool prepared = false;
    std::thread([&] { prepared = PrepareGrid2D(0, 0, 0.5, 1, 6, 2, set, &there); }).join();
    ASSERT_TRUE(prepared);
    for (int32_t i = 0; i < 6; ++i) {
        EXPECT_EQ(static_cast<double*>(there.parts)[i], 36 * 0.5 * i);
        EXPECT_EQ(static_cast<double*>(there.parts)[i], static_cast<double*>(here.parts)[i]);
    }
}

TEST_F(GridProgramSetTest, StoppingTheFormulasEndsThePrecomputation)
{
    // Seconds of work per grid unless the stop reaches the parts.
    CompiledFormula* f = Formula("(+ y (sum (* k x) (= k 1) 100000))");
    GridProgramSet* set = Link({f});
    ASSERT_EQ(set->xPartCount, 1);
    std::atomic<bool> done{false};
    bool prepared = true;
    GridEvalState state;
    std::thread worker([&] {
        prepared = PrepareGrid2D(0, 0, 1, 1, 5000, 1, set, &state);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    f->SetStopFlag(1);
    bool ended = WaitUntil([&] { return done.load(); }, 2);
    worker.join();
    f->SetStopFlag(0);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(prepared);
}

}  // namespace

namespace {

TEST_F(GridProgramSetTest, ASetRunsByRowsOnlyWhenAllItsFormulasCan)
{
    // The first formula needs points (its sum's limit moves along the row)
    // and stores r; the second, by itself fit for rows, loads it.
    CompiledFormula* pointsOnly = Formula("(+ (sum k (= k 1) (floor (+ x 3))) r)");
    CompiledFormula* rowsAlone = Formula("(* r 2)");
    EXPECT_EQ(rowsAlone->canEvaluateRows, 1);
    GridProgramSet* set = Link({pointsOnly, rowsAlone});
    EXPECT_EQ(set->canEvaluateRows, 0);
    EXPECT_EQ(pointsOnly->canEvaluateRows, 0);
    EXPECT_EQ(rowsAlone->canEvaluateRows, 0);

    // As a graph evaluates the set: by rows where each formula allows,
    // else point by point in link order.
    GridEvalState state;
    ASSERT_TRUE(PrepareGrid2D(0.5, 1, 0.5, 0.5, 6, 3, set, &state));
    for (int32_t j = 0; j < 3; ++j) {
        for (int32_t i = 0; i < 6; ++i) {
            double x = 0.5 + i * 0.5;
            double y = 1 + j * 0.5;
            pointsOnly->EvaluateAtGridPoint(i, j, &state);
            EXPECT_DOUBLE_EQ(rowsAlone->EvaluateAtGridPoint(i, j, &state), 2 * std::hypot(x, y));
        }
    }

    // Linked alone, the same formula runs by rows again.
    GridProgramSet* alone = Link({rowsAlone});
    EXPECT_EQ(alone->canEvaluateRows, 1);
    EXPECT_EQ(rowsAlone->canEvaluateRows, 1);
}

}  // namespace
