#include "evaluation/InterpretComplexInterval.h"

#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompiledFormula.h"
#include "numerics/ComplexIntervalLibrary.h"
#include "support/BoxEnclosure.h"
#include "support/EvaluationFixture.h"
#include "support/IntervalAssertions.h"
#include "support/ProgramText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const ComplexInterval kUndef{{kNaN, kNaN}, {kNaN, kNaN}};

::testing::AssertionResult Is(ComplexInterval actual, ComplexInterval expected)
{
    return SameComplexInterval(actual, expected);
}

ComplexInterval Real(double lo, double hi)
{
    return {{lo, hi}, {0, 0}};
}

struct Frame {
    ComplexInterval slots[64];
    Frame() { std::fill(std::begin(slots), std::end(slots), kUndef); }
};

class InterpretComplexIntervalTest : public EvaluationTest {
protected:
    // The formula's program run over rectangles: x = slot 3, y = slot 4.
    ComplexInterval Run(const char* text, ComplexInterval x, ComplexInterval y = Real(0, 0))
    {
        CompiledFormula* f = Compiled(text);
        EXPECT_TRUE(f && f->pointProgram);
        if (!f || !f->pointProgram)
            return kUndef;
        Frame frame;
        frame.slots[2] = Real(0, 0);
        frame.slots[3] = x;
        frame.slots[4] = y;
        return f->pointProgram->RunComplexInterval(frame.slots);
    }
};

TEST_F(InterpretComplexIntervalTest, BoxesBecomeRectangles)
{
    EXPECT_TRUE(Is(ProgramOf("103")->RunComplexInterval(Frame().slots), kUndef));
    EXPECT_TRUE(Is(Run("(+ x (* i y))", Real(1, 2), Real(3, 4)), {{1, 2}, {3, 4}}));
    EXPECT_TRUE(Is(Run("(interval x (+ y (* y i)))", Real(1, 1), Real(3, 3)), {{1, 3}, {0, 3}}));
    EXPECT_TRUE(Is(Run("(interval (+ x 0) (+ 3 (* 2 i)))", Real(1, 1)), {{1, 3}, {0, 2}}));
    ComplexInterval z{{1, 2}, {3, 4}};
    EXPECT_TRUE(Is(Run("(Re x)", z), Real(1, 2)));
    EXPECT_TRUE(Is(Run("(Im x)", z), Real(3, 4)));
    EXPECT_TRUE(Is(Run("(Inf x)", z), {{1, 1}, {3, 3}}));
    EXPECT_TRUE(Is(Run("(Sup x)", z), {{2, 2}, {4, 4}}));
    EXPECT_TRUE(Is(Run("(overline x)", z), {{1, 2}, {-4, -3}}));
    EXPECT_TRUE(Is(Run("(min (, x i))", Real(0, 1)), kUndef));  // min of a non-real operand
}

TEST_F(InterpretComplexIntervalTest, RelationsKnowWhenAnOperandMayBeNonReal)
{
    EXPECT_TRUE(Is(Run("(< x 2)", Real(0, 1)), ComplexIntervalTrue));
    EXPECT_TRUE(Is(Run("(< x 2)", Real(0, 3)), ComplexIntervalUndecided));
    EXPECT_TRUE(Is(Run("(< (+ x (* y i)) 2)", Real(0, 1), Real(0.5, 0.5)), ComplexIntervalFalse));
    EXPECT_TRUE(Is(Run("(< (+ x (* 0.5 i)) 2)", Real(0, 1)), ComplexIntervalFalse));
    EXPECT_TRUE(Is(Run("(< x 2)", {{0, 1}, {-1, 1}}), ComplexIntervalUndecided));
    EXPECT_TRUE(Is(Run("(< x 1 y)", Real(0, 0.5), Real(2, 3)), ComplexIntervalTrue));
    EXPECT_TRUE(Is(Run("(= x i)", {{0, 0}, {1, 1}}), ComplexIntervalTrue));
    // An if gives its value only under a certainly true condition.
    EXPECT_TRUE(Is(Run("(if x (< x 2))", Real(0, 3)), kUndef));
    EXPECT_TRUE(Is(Run("(if x (< x 2))", Real(0, 1)), Real(0, 1)));
}

TEST_F(InterpretComplexIntervalTest, UndecidedPairsFormAUnion)
{
    const char* text = "(branch (if i (< x 2)) (if 5 (< x 10)) 7)";
    EXPECT_TRUE(Is(Run(text, Real(1, 3)), {{0, 5}, {0, 1}}));  // i or 5
    EXPECT_TRUE(Is(Run(text, Real(0, 1)), {{0, 0}, {1, 1}}));
    EXPECT_TRUE(Is(Run(text, Real(11, 12)), Real(7, 7)));
}

TEST_F(InterpretComplexIntervalTest, LoopGuardsWidenByTheNeutralValue)
{
    // k = 1 .. 3 certainly; k = 4, 5 perhaps, each term widened to hold 0.
    EXPECT_TRUE(Is(Run("(sum k (= k 1) y)", Real(0, 0), Real(3, 5)), Real(6, 15)));
    // An absent factor is 1 + 0i: the imaginary part widens to hold 0 only.
    EXPECT_TRUE(Is(Run("(product (+ k i) (= k 1) y)", Real(0, 0), Real(1, 2)),
                   {{0, 2}, {1, 3}}));  // (1 + i) times {[1, 2], [0, 1]}
    EXPECT_TRUE(Is(Run("(sum 1 (= k 1) y)", Real(0, 0), Real(1, 200000)), kUndef));
}

TEST_F(InterpretComplexIntervalTest, UndefinedValuesEndRunsWithoutBranches)
{
    auto program = ProgramOf("1 3, 66, 0 5, 4 9, 12, 103");
    Frame frame;
    frame.slots[3] = {{1, 2}, {1, 1}};  // floor of a non-real value
    frame.slots[9] = Real(7, 7);
    EXPECT_TRUE(Is(program->RunComplexInterval(frame.slots), kUndef));
    EXPECT_TRUE(Is(frame.slots[9], kUndef));  // the store after the end is forgotten
    frame.slots[3] = Real(1.5, 2.5);
    EXPECT_TRUE(Is(program->RunComplexInterval(frame.slots), Real(6, 7)));
    EXPECT_TRUE(Is(frame.slots[9], Real(5, 5)));
    auto stopped = ProgramOf("0 0, 0 1, 5 2, 89 0, 0 100, 89 1, 90 0, 2 0, 92 0, 12, 91 0, 103");
    stopped->stopRequested = 1;
    EXPECT_FALSE(Is(stopped->RunComplexInterval(Frame().slots), Real(5050, 5050)));
}

TEST_F(InterpretComplexIntervalTest, UserFunctionsRunOverRectangles)
{
    AddUserFunction("(= (function f x) (power ?120 2))");
    doc.CompileUserFunctions();
    EXPECT_TRUE(Is(Run("(function f (* i x))", Real(1, 2)), Real(-4, -1)));
}

TEST_F(InterpretComplexIntervalTest, ComplexFormulasAnswerOverBoxesOnlyWhenReal)
{
    EXPECT_TRUE(Is({Compiled("(Re (+ u i))")->EvaluateOverInterval(2, 3), {0, 0}}, Real(2, 3)));
    Interval notReal = Compiled("(+ u i)")->EvaluateOverInterval(2, 3);
    EXPECT_TRUE(IsUndefinedInterval(notReal));
    EXPECT_TRUE(Is({Compiled("(+ (sqrt x) (Im (* y i)))")->EvaluateOverBoxXY(4, 9, 0, 0), {0, 0}}, Real(2, 3)));
    EXPECT_TRUE(Is({Compiled("(+ (sqrt x) (Im (+ z i)))")->EvaluateOverBoxXYZ(4, 9, 0, 0, 5, 6), {0, 0}},
                   Real(3, 4)));
}

// A complex formula's box result holds its point values at points sampled in
// the box. The boxes lie in the open first quadrant of x + iy, where no
// branch cut of these formulas runs.
TEST_F(InterpretComplexIntervalTest, BoxResultsHoldThePointValuesInTheBox)
{
    const char* formulas[] = {
        "(abs (+ x (* i y)))",
        "(Re (exp (* (+ x (* i y)) i)))",
        "(Im (power (+ x (* i y)) 3))",
        "(Re (sqrt (+ x (* i y))))",
        "(Im (ln (+ x (* i y))))",
        "(Re (over 1 (+ x (* i y))))",
        "(Re (sin (+ x (* i y))))",
        "(Im (cosh (+ x (* i y))))",
        "(Re (atan (+ x (* i y))))",
        "(Im (acos (+ x (* i y))))",
        "(Re (power (+ x (* i y)) (+ 1 i)))",
        "(+ (power x 2) (Re (* i y)))",
        "(< (abs (+ x (* i y))) 2)",
    };
    const BoxDraw draw{0.1, 3, {0, 1e-3, 0.1, 0.5}, 300, 11};
    for (const char* text : formulas)
        EXPECT_GT(CheckBoxesHoldPointValues(Compiled(text), text, draw), 400) << text;
}

}  // namespace
