#include "evaluation/InterpretInterval.h"

#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompiledFormula.h"
#include "numerics/IntervalLibrary.h"
#include "support/BoxEnclosure.h"
#include "support/EvaluationFixture.h"
#include "support/IntervalAssertions.h"
#include "support/ProgramText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const Interval kUndef{kNaN, kNaN};
const Interval kWhole{-kInf, kInf};

::testing::AssertionResult Is(Interval actual, Interval expected)
{
    return SameInterval(actual, expected);
}

struct Frame {
    Interval slots[64];
    Frame() { std::fill(std::begin(slots), std::end(slots), kUndef); }
};

using InterpretIntervalTest = EvaluationTest;

TEST_F(InterpretIntervalTest, ExteriorResultsLeaveAsTheWholeLine)
{
    EXPECT_TRUE(Is(Compiled("(over 1 x)")->EvaluateOverBoxXY(-1, 1, 0, 0), kWhole));
    EXPECT_TRUE(Is(Compiled("(over 1 x)")->EvaluateOverBoxXY(2, 4, 0, 0), {0.25, 0.5}));
    // Inside the run the exterior interval travels on: 1 / (1 / x) is x again.
    EXPECT_TRUE(Is(Compiled("(over 1 (over 1 x))")->EvaluateOverBoxXY(-1, 2, 0, 0), {-1, 2}));
    EXPECT_TRUE(Is(Compiled("(+ u 1)")->EvaluateOverInterval(2, 3), {3, 4}));
}

TEST_F(InterpretIntervalTest, AnUndefinedValueEndsARunWithoutBranches)
{
    EXPECT_TRUE(Is(Compiled("(+ (sqrt x) 1)")->EvaluateOverBoxXY(-2, -1, 0, 0), kUndef));
    // The run ends at the square root: the store after it is forgotten,
    // not carried out.
    auto program = ProgramOf("1 3, 23, 0 5, 4 9, 12, 103");
    Frame frame;
    frame.slots[3] = {-2, -1};
    frame.slots[9] = {7, 7};
    EXPECT_TRUE(Is(program->RunInterval(frame.slots), kUndef));
    EXPECT_TRUE(Is(frame.slots[9], kUndef));
    frame.slots[3] = {4, 9};
    EXPECT_TRUE(Is(program->RunInterval(frame.slots), {7, 8}));
    EXPECT_TRUE(Is(frame.slots[9], {5, 5}));
    // With branches the run goes on: a certainly true first pair wins over a
    // later pair whose value is undefined.
    EXPECT_TRUE(Is(Compiled("(branch (if 1 (< x 0)) (if (sqrt x) (< x 5)))")->EvaluateOverBoxXY(-2, -1, 0, 0),
                   {1, 1}));
    EXPECT_TRUE(Is(ProgramOf("103")->RunInterval(Frame().slots), kUndef));  // 103 alone
    EXPECT_TRUE(Is(ProgramOf("82, 0 1, 103")->RunInterval(Frame().slots), kUndef));
}

TEST_F(InterpretIntervalTest, RelationsGiveTruthIntervals)
{
    CompiledFormula* between = Compiled("(< x 1 y)");
    EXPECT_TRUE(Is(between->EvaluateOverBoxXY(0, 0.5, 2, 3), TruthTrue));
    EXPECT_TRUE(Is(between->EvaluateOverBoxXY(0, 2, 2, 3), TruthUndecided));
    EXPECT_TRUE(Is(between->EvaluateOverBoxXY(1.5, 2, 2, 3), TruthFalse));
    EXPECT_TRUE(Is(Compiled("(= x 1)")->EvaluateOverBoxXY(1, 1, 0, 0), TruthTrue));
    EXPECT_TRUE(Is(Compiled("(notequal x 1)")->EvaluateOverBoxXY(2, 3, 0, 0), TruthTrue));
    EXPECT_TRUE(Is(Compiled("(And (, (> x 0) (< y 1)))")->EvaluateOverBoxXY(1, 2, -1, 2), TruthUndecided));
    EXPECT_TRUE(Is(Compiled("(Or (> x 0) (< y 1))")->EvaluateOverBoxXY(1, 2, -1, 2), TruthTrue));
    EXPECT_TRUE(Is(Compiled("(Not (> x 0))")->EvaluateOverBoxXY(1, 2, 0, 0), TruthFalse));
    EXPECT_TRUE(Is(Compiled("(> (over 1 x) 0)")->EvaluateOverBoxXY(-1, 1, 0, 0), TruthUndecided));
}

TEST_F(InterpretIntervalTest, BranchesChooseByCertainConditionsAndWidenByUndecidedOnes)
{
    CompiledFormula* f = Compiled("(branch (if 1 (< x 0)) (if 2 (< x 5)) 3)");
    EXPECT_TRUE(Is(f->EvaluateOverBoxXY(-2, -1, 0, 0), {1, 1}));  // the first pair is certain
    EXPECT_TRUE(Is(f->EvaluateOverBoxXY(-1, 1, 0, 0), {1, 2}));   // undecided, then a true pair
    EXPECT_TRUE(Is(f->EvaluateOverBoxXY(1, 2, 0, 0), {2, 2}));
    EXPECT_TRUE(Is(f->EvaluateOverBoxXY(4, 6, 0, 0), {2, 3}));    // undecided, then otherwise
    EXPECT_TRUE(Is(f->EvaluateOverBoxXY(6, 7, 0, 0), {3, 3}));
    CompiledFormula* none = Compiled("(branch (if 1 (< x 0)) (if 2 (> x 5)))");
    EXPECT_TRUE(Is(none->EvaluateOverBoxXY(1, 2, 0, 0), kUndef));  // no condition can hold
    // An if gives its value only under a certainly true condition.
    CompiledFormula* conditional = Compiled("(if x (< x 2))");
    EXPECT_TRUE(Is(conditional->EvaluateOverBoxXY(0, 1, 0, 0), {0, 1}));
    EXPECT_TRUE(Is(conditional->EvaluateOverBoxXY(0, 3, 0, 0), kUndef));
}

TEST_F(InterpretIntervalTest, LoopsWithUncertainLimitsWidenTheTermsThatMayBeAbsent)
{
    // k = 1, 2 certainly, k = 3 perhaps: the third term is widened to hold 0.
    EXPECT_TRUE(Is(Compiled("(sum k (= k 1) y)")->EvaluateOverBoxXY(0, 0, 2, 3), {3, 6}));
    EXPECT_TRUE(Is(Compiled("(sum k (= k 1) y)")->EvaluateOverBoxXY(0, 0, 3, 3), {6, 6}));
    EXPECT_TRUE(Is(Compiled("(product k (= k 1) y)")->EvaluateOverBoxXY(0, 0, 2, 3), {2, 6}));
    EXPECT_TRUE(Is(Compiled("(sum (* k x) (= k 1) 3)")->EvaluateOverBoxXY(1, 2, 0, 0), {6, 12}));
    // A loop whose length is not certainly at most 100,000 steps is undefined.
    EXPECT_TRUE(Is(Compiled("(sum 1 (= k 1) y)")->EvaluateOverBoxXY(0, 0, 1, 200000), kUndef));
    EXPECT_TRUE(Is(Compiled("(sum 1 (= k 1) y)")->EvaluateOverBoxXY(0, 0, 100001, 100001), {100001, 100001}));
}

TEST_F(InterpretIntervalTest, OperandOrderOfTheStackOpcodes)
{
    const struct {
        const char* what;
        const char* code;
        Interval expected;
    } cases[] = {
        {"interval node", "0 1, 0 2, 19, 0 5, 0 6, 19, 19, 103", {1, 6}},
        {"interval node of slots", "1 3, 1 4, 19, 103", {1, 6}},
        {"angle of (x, y) = (-1, 0)", "0 -1, 0 0, 17, 103", {3.141592653589793, 3.141592653589793}},
        {"bessel order on top", "0 0, 0 0, 65, 103", {1, 1}},
        {"binomial n below", "0 5, 0 2, 81, 103", {10, 10}},
        {"rational power base, p, q", "0 -8, 0 1, 0 3, 64, 103", {-2, -2}},
        {"clamp x, lo, hi", "0 7, 0 0, 0 5, 80, 103", {5, 5}},
        {"min", "1 3, 1 4, 78, 103", {1, 2}},
        {"Inf and Sup", "1 4, 72, 1 4, 73, 19, 103", {5, 6}},
        {"imaginary part", "1 3, 71, 103", {0, 0}},
        {"imaginary unit", "0 1, 76, 12, 103", kUndef},
        {"parameter read as its point", "3 97, 103", {1, 1}},
        {"swap and divide", "1 4, 1 3, 6, 15, 103", {1.0 / 6, 0.4}},
    };
    for (const auto& c : cases) {
        auto program = ProgramOf(c.code);
        Frame frame;
        frame.slots[3] = {1, 2};
        frame.slots[4] = {5, 6};
        EXPECT_TRUE(EnclosesClosely(program->RunInterval(frame.slots), c.expected)) << c.what;
    }
}

TEST_F(InterpretIntervalTest, RowAggregatesSkipUndefinedValuesWithoutEndingTheRun)
{
    // max over three rows whose values are 5, undefined and 2: the running
    // max and min start undefined, and the undefined row is skipped.
    auto program = ProgramOf("101 0 2, 2 2, 99, 1 5, 99, 2 3, 99, 7, 94, 103");
    Frame frame;
    frame.slots[12 + 2] = {5, 5};
    frame.slots[5] = kUndef;
    frame.slots[12 + 3] = {2, 2};
    EXPECT_TRUE(Is(program->RunInterval(frame.slots), {5, 5}));
    // count and sum: 98 adds 1 and the value, skipping undefined values.
    auto sum = ProgramOf("100 0 2, 2 2, 98, 1 5, 98, 6, 7, 94, 103");
    EXPECT_TRUE(Is(sum->RunInterval(frame.slots), {5, 5}));
    auto count = ProgramOf("100 0 2, 2 2, 98, 1 5, 98, 7, 94, 103");
    EXPECT_TRUE(Is(count->RunInterval(frame.slots), {1, 1}));
}

TEST_F(InterpretIntervalTest, UserFunctionsRunOverIntervals)
{
    AddUserFunction("(= (function f x) (power ?120 2))");
    AddUserFunction("(= (function g (, a b)) (+ ?97 (minus ?98)))");
    doc.CompileUserFunctions();
    EXPECT_TRUE(Is(Compiled("(function f x)")->EvaluateOverBoxXY(-2, 3, 0, 0), {0, 9}));
    EXPECT_TRUE(Is(Compiled("(function g (, x y))")->EvaluateOverBoxXY(5, 6, 1, 2), {3, 5}));
    EXPECT_TRUE(Is(Compiled("(function g x)")->EvaluateOverBoxXY(5, 6, 1, 2), kUndef));  // wrong argument count
}

// A loop polls the stop at its test (straight-line code ends anyway).
TEST_F(InterpretIntervalTest, ARaisedStopEndsALoopAtItsTest)
{
    auto program = ProgramOf("0 0, 0 1, 5 2, 89 0, 0 100, 89 1, 90 0, 2 0, 92 0, 12, 91 0, 103");
    program->stopRequested = 1;
    EXPECT_FALSE(Is(program->RunInterval(Frame().slots), {5050, 5050}));
    program->stopRequested = 0;
    EXPECT_TRUE(Is(program->RunInterval(Frame().slots), {5050, 5050}));
}

// The box result of a formula holds the point interpreter's value at every
// point sampled in the box. (The Bessel function and the factorial are left
// out: on narrow operands their rules take only the ends.)
TEST_F(InterpretIntervalTest, BoxResultsHoldThePointValuesInTheBox)
{
    const char* formulas[] = {
        "(+ (power x 3) (* -2 x y) 1)",
        "(* (sin x) (cos (* 3 y)))",
        "(over (+ x 1) (+ y -2))",
        "(over (+ x 1) (+ (power y 2) 0.5))",
        "(sqrt (+ (power x 2) (power y 2)))",
        "(ln (abs (+ x y)))",
        "(exp (minus (power x 2)))",
        "(power (abs x) y)",
        "(power x (over 1 3))",
        "(tan (* x y))",
        "(+ r theta)",
        "(floor (* 2 x))",
        "(max (, x y (sin y)))",
        "(mod (, x 3))",
        "(branch (if (power x 2) (< x 0)) (if (sqrt x) (> y 0)) y)",
        "(< (power x 2) y)",
        "(= (floor x) (ceil y))",
        "(sum (over (power x k) (fact k)) (= k 0) 6)",
        "(atan (over y x))",
        "(acosh (+ (abs x) 1))",
    };
    const BoxDraw draw{-4, 4, {0, 1e-3, 0.1, 0.6, 2}, 400, 5};
    for (const char* text : formulas)
        EXPECT_GT(CheckBoxesHoldPointValues(Compiled(text), text, draw), 500) << text;
}

}  // namespace
