// The complex side of compiled formulas: the complex entries, real entries of
// complex programs, complex constants, calls with complex arguments, and the
// shared slots of a batch when one program ends early.
#include "evaluation/CompiledFormula.h"

#include "evaluation/BytecodeProgram.h"
#include "support/Disassembler.h"
#include "support/EvaluationFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.141592653589793;

using CompiledFormulaComplexTest = EvaluationTest;

void ExpectComplex(ComplexValue actual, ComplexValue expected, const char* what)
{
    auto near = [](double a, double e) {
        return (std::isnan(a) && std::isnan(e)) || a == e || std::fabs(a - e) <= 1e-14 * std::fabs(e);
    };
    EXPECT_TRUE(near(actual.re, expected.re) && near(actual.im, expected.im))
        << what << ": got " << actual.re << " + " << actual.im << "i, want " << expected.re << " + " << expected.im
        << "i";
}

TEST_F(CompiledFormulaComplexTest, ComplexEntriesAndConstants)
{
    ExpectComplex(Compiled("(+ x (* i y))")->EvaluateComplexAtXY(1, 2), {1, 2}, "x + iy");
    // A formula without x or y, and a hoisted complex constant (1 + i)^2 = 2i.
    ExpectComplex(Compiled("(power i i)")->EvaluateComplex(), {std::exp(-kPi / 2), 0}, "i^i");
    CompiledFormula* scaled = Compiled("(* x (power (+ 1 i) 2))");
    ExpectComplex(scaled->EvaluateComplexAtXY(3, 0), {0, 6}, "x (1 + i)^2");
    EXPECT_TRUE(std::isnan(scaled->EvaluateAtXY(3, 0)));  // not real
    // A real entry of a complex program answers a real result.
    EXPECT_EQ(Compiled("(Im (* x (power (+ 1 i) 2)))")->EvaluateAtXY(3, 0), 6);
    EXPECT_EQ(Compiled("(* (+ x i) (+ x (minus i)))")->EvaluateAtXY(2, 0), 5);
    // The complex entries run a real program in complex arithmetic too.
    ExpectComplex(Compiled("(sqrt x)")->EvaluateComplexAtXY(-4, 0), {0, 2}, "sqrt(-4)");
    // The slider reaches complex programs through slot 2.
    doc.SliderValue = 3;
    ExpectComplex(Compiled("(* n i)")->EvaluateComplex(), {0, 3}, "n i");
}

TEST_F(CompiledFormulaComplexTest, FormulasCompiledWithAComplexOneRunInComplexArithmetic)
{
    CompiledFormula* root = Formula("(sqrt x)");
    CompiledFormula* other = Formula("(+ x i)");
    CompiledFormula* batch[] = {root, other};
    CompileFormulas(batch, 2);
    ASSERT_EQ(root->pointProgram->isComplex, 1);
    EXPECT_TRUE(std::isnan(root->EvaluateAtXY(-1, 0)));  // i is not real
    EXPECT_EQ(root->EvaluateAtXY(4, 0), 2);
    EXPECT_TRUE(std::isnan(Compiled("(sqrt x)")->EvaluateAtXY(-1, 0)));  // alone, by the real square root
}

TEST_F(CompiledFormulaComplexTest, UserFunctionsTakeComplexArguments)
{
    AddUserFunction("(= (function f x) (power ?120 2))");
    doc.CompileUserFunctions();
    ExpectComplex(Compiled("(function f i)")->EvaluateComplex(), {-1, 0}, "f(i)");
    EXPECT_EQ(Compiled("(function f (+ x i))")->EvaluateAtXY(0, 0), -1);
}

// y = Im(f(t)) beside x = Re(f(t)): the second formula reads f(t) from the
// first one's store. Where the first ends early at an undefined f(t), the
// second must not read the last point's f(t).
TEST_F(CompiledFormulaComplexTest, AnEarlyEndLeavesTheSharedSubexpressionUndefined)
{
    CompiledFormula* re = Formula("(Re (* i (over 1 x)))");
    CompiledFormula* im = Formula("(Im (* i (over 1 x)))");
    CompiledFormula* batch[] = {re, im};
    CompileFormulas(batch, 2);
    ASSERT_EQ(Disassemble(*im->pointProgram), "2 0, 71, 103") << "the second formula reads the shared value";
    EXPECT_EQ(re->EvaluateAtXY(2, 0), 0);
    EXPECT_EQ(im->EvaluateAtXY(2, 0), 0.5);
    EXPECT_TRUE(std::isnan(re->EvaluateAtXY(0, 0)));
    EXPECT_TRUE(std::isnan(im->EvaluateAtXY(0, 0)));
}

TEST_F(CompiledFormulaComplexTest, StopRequestEndsAComplexRun)
{
    CompiledFormula* f = Compiled("(sum (Re (power (+ x i) k)) (= k 1) 100000)");
    EXPECT_TRUE(StopEndsTheRun(f, 0.5));
}

}  // namespace
