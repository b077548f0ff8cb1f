#include "evaluation/CompiledFormula.h"

#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/ThreadStorage.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/InterpreterBuild.h"
#include "evaluation/InterpretReal.h"
#include "evaluation/RunControl.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "numerics/RealLibrary.h"
#include "numerics/TextIdentity.h"
#include "support/EvaluationFixture.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <memory>
#include <thread>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool SameValue(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

using CompiledFormulaTest = EvaluationTest;

// Common formulas at a few points against the same arithmetic in C++.
struct PointCase {
    const char* tree;
    double (*native)(double x, double y);
};

const PointCase kPointCases[] = {
    {"(* (+ y (over x y)) (+ x (minus (over y x))))", [](double x, double y) { return (y + x / y) * (x - y / x); }},
    {"(+ (* (sin x) (cos y)) (power x 2))", [](double x, double y) { return std::sin(x) * std::cos(y) + x * x; }},
    {"(sqrt (+ (power x 2) (power y 2)))", [](double x, double y) { return std::sqrt(x * x + y * y); }},
    {"(exp (minus (power x 2)))", [](double x, double) { return std::exp(-(x * x)); }},
    {"(power x (over 1 3))", [](double x, double) { return RationalPower(x, 3, 1); }},
    {"(+ (power x 3) (* -2 x) 1)", [](double x, double) { return std::pow(x, 3) + -2 * x + 1; }},
    {"(branch (if 1 (< x 0)) (if (sqrt x) (> x 0)) 5)",
     [](double x, double) { return x < 0 ? 1.0 : x > 0 ? std::sqrt(x) : 5.0; }},
    {"(sum (over (power x k) (fact k)) (= k 0) 10)",
     [](double x, double) {
         double s = 0;
         for (int k = 0; k <= 10; ++k)
             s += std::pow(x, k) / RealFactorial(k);
         return s;
     }},
};

TEST_F(CompiledFormulaTest, PointEvaluationMatchesTheFormula)
{
    const double points[][2] = {{3, 0.5}, {-1.5, 2}, {0, 1}, {0.25, -4}};
    for (const PointCase& c : kPointCases) {
        CompiledFormula* f = Compiled(c.tree);
        ASSERT_NE(f->pointProgram, nullptr);
        for (const auto& p : points) {
            double expected = c.native(p[0], p[1]);
            double got = f->EvaluateAtXY(p[0], p[1]);
            EXPECT_TRUE(SameValue(got, expected) || std::fabs(got - expected) <= 1e-12 * std::fabs(expected))
                << c.tree << " at (" << p[0] << ", " << p[1] << "): " << got << " want " << expected;
        }
    }
    EXPECT_EQ(Compiled("(power x 2)")->EvaluateAtXY(3, 0), 9);
}

TEST_F(CompiledFormulaTest, EachEntryWritesItsSlotsAndTheSlider)
{
    doc.SliderValue = 100;
    EXPECT_EQ(Compiled("(+ u n)")->EvaluateAt(2), 102);
    EXPECT_EQ(Compiled("(+ u (* 10 v) (* 100 x) (* 1000 y) (* 10000 z) (* 100000 w))")
                  ->EvaluateAtUVXYZW(1, 2, 3, 4, 5, 6),
              654321);
    // The data row (code 14) is written by the row entry, with x, y and z.
    EXPECT_EQ(Compiled("(+ %14 (* 10 x) (* 100 y) (* 1000 z))")->EvaluateAtRow(7, 1, 2, 3), 3217);
    EXPECT_TRUE(std::isnan(Formula("(power x 2)")->EvaluateAtXY(3, 0)));  // never compiled
}

TEST_F(CompiledFormulaTest, FormulasOfABatchShareComputedSlots)
{
    CompiledFormula* first = Formula("(+ r 1)");
    CompiledFormula* second = Formula("(* r 2)");
    CompileFormulas3(first, nullptr, second);
    EXPECT_EQ(first->EvaluateAtXY(3, 4), 6);
    // The second program loads r from slot 7 without computing it.
    const BytecodeProgram& program = *second->pointProgram;
    bool computes = false;
    for (int32_t i = 0; i < program.Count(); ++i)
        computes = computes || program.At(i).opcode == OpHypot;
    EXPECT_FALSE(computes);
    EXPECT_EQ(second->EvaluateAtXY(3, 4), 10);
}

TEST_F(CompiledFormulaTest, AComplexFormulaMakesItsWholeBatchComplex)
{
    CompiledFormula* root = Formula("(sqrt x)");
    CompiledFormula* imaginary = Formula("(* i x)");
    CompiledFormula* batch[] = {root, imaginary};
    CompileFormulas(batch, 2);
    EXPECT_EQ(root->pointProgram->isComplex, 1);
    EXPECT_EQ(root->pointContext.isComplex, 1);
    EXPECT_TRUE(std::isnan(root->EvaluateAtXY(-1, 0)));
    // Alone, the real square root of -1 is undefined as well.
    CompiledFormula* alone = Compiled("(sqrt x)");
    EXPECT_EQ(alone->pointProgram->isComplex, 0);
    EXPECT_TRUE(std::isnan(alone->EvaluateAtXY(-1, 0)));
    EXPECT_EQ(alone->EvaluateAtXY(4, 0), 2);
}

TEST_F(CompiledFormulaTest, RowEvaluationIsRefusedWherePointsChangeLoopsOrRows)
{
    AddUserFunction("(= (function f x) (power ?120 2))");
    uint32_t column = InternSymbolName8("col");
    doc.TableFunctions.Push({column, 0, 0, 5, 0});
    struct Case {
        const char* tree;
        uint8_t canEvaluateRows;
    };
    const Case cases[] = {
        {"(+ x y)", 1},
        {"(function f x)", 0},
        {"(sum k (= k 1) x)", 0},
        {"(sum k (= k 1) n)", 1},
        {"(sum k (= k y) 3)", 0},  // in a layer y moves along the lanes
        {"(indexes col y)", 0},
        {"(indexes col 2)", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Formula(c.tree)->canEvaluateRows, c.canEvaluateRows) << c.tree;
}

TEST_F(CompiledFormulaTest, QueriesOnTheTree)
{
    CompiledFormula* f = Formula("(+ (indexes x 2) y)");
    uint32_t keyOfX2 = (2 + 1) * 65536 + 'x';
    EXPECT_TRUE(f->DependsOn(keyOfX2));
    EXPECT_TRUE(f->DependsOn('y'));
    EXPECT_FALSE(f->DependsOn('z'));
    EXPECT_EQ(Formula("2.5")->TextAtRow(1), nullptr);
    const char16_t* text = Formula("\"label\"")->TextAtRow(1);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::u16string(text), u"label");

    CompiledFormula* g = Formula("(+ x 1)");
    g->RenameSymbol('x', 'u');
    CompileFormula(g);
    EXPECT_EQ(g->EvaluateAt(2), 3);
    std::unique_ptr<CompiledFormula> copy(g->Clone());
    CompileFormula(copy.get());
    EXPECT_EQ(copy->EvaluateAt(5), 6);
}

TEST_F(CompiledFormulaTest, AThreadEvaluatesAFormulaCompiledOnAnother)
{
    // Many locals raise the frame size past what a new thread starts with.
    CompiledFormula* f =
        Compiled("(+ (sum (sum (* j k) (= k 1) 2) (= j 1) 2) (sin x) (sin x) (cos x) (cos x) (tan x) (tan x))");
    double here = f->EvaluateAtXY(0.5, 0);
    double there = 0;
    std::thread([&] { there = f->EvaluateAtXY(0.5, 0); }).join();
    EXPECT_EQ(there, here);
    EXPECT_GE(GetEvalFrameSlots(), 15u);
}

TEST_F(CompiledFormulaTest, StopFlagReachesBothProgramsAndIsReported)
{
    CompiledFormula* f = Compiled("(+ x 1)");
    EXPECT_EQ(f->SetStopFlag(1), f->pointProgram);
    EXPECT_TRUE(f->IsStopRequested());
    f->SetStopFlag(0);
    EXPECT_FALSE(f->IsStopRequested());
    EXPECT_EQ(f->EvaluateAtXY(1, 0), 2);
}

TEST_F(CompiledFormulaTest, BothBuildsGiveIdenticalResultsOnAFormulaTable)
{
    if (!CanRunV3Build())
        GTEST_SKIP() << "this processor cannot run the x86-64-v3 build";
    const char* extra[] = {
        "(+ (floor (* 7.3 x)) (ceil (* -2.2 y)) (mod x y) (abs y))",
        "(* (atan (over y x)) r theta)",
        "(+ (asinh x) (acosh (+ 2 (power y 2))) (atanh (over x 10)))",
        "(+ (fact x) (choice 7 (floor (abs y))) (besselj x 1))",
        "(+ (tan x) (cot y) (sec x) (csc y) (acot x) (sinh y) (cosh x) (tanh y))",
        "(power (abs x) y)",
        "(+ (log x) (ln (abs y)) (sgn x) (max x y) (min x y) (clamp x -1 1))",
    };
    std::vector<CompiledFormula*> formulas;
    for (const PointCase& c : kPointCases)
        formulas.push_back(Compiled(c.tree));
    for (const char* text : extra)
        formulas.push_back(Compiled(text));
    ASSERT_TRUE(EnsureEvalFrame());
    double* frame = static_cast<double*>(GetEvalFrame());
    for (CompiledFormula* f : formulas) {
        for (double x = -5.25; x <= 5.25; x += 0.375) {
            for (double y : {-2.5, -0.75, 0.5, 3.0}) {
                frame[2] = 0;
                frame[3] = x;
                frame[4] = y;
                RunControl base{&f->pointProgram->stopRequested, false};
                double a = baseline::InterpretReal(f->pointProgram, frame, nullptr, base);
                RunControl wide{&f->pointProgram->stopRequested, false};
                double b = v3::InterpretReal(f->pointProgram, frame, nullptr, wide);
                EXPECT_EQ(std::bit_cast<uint64_t>(a), std::bit_cast<uint64_t>(b)) << "at x = " << x << ", y = " << y;
            }
        }
    }
}

}  // namespace

namespace {

TEST_F(CompiledFormulaTest, FormulasMadeFromAFormulaKeepItsRefusalOfRows)
{
    // The sum's limit moves along a row: rows would take the first point's
    // limit for every point.
    CompiledFormula* sum = Formula("(sum (* k y) (= k 1) x)");
    ASSERT_EQ(sum->canEvaluateRows, 0);
    std::unique_ptr<CompiledFormula> copy(sum->Clone());
    std::unique_ptr<CompiledFormula> derivative(sum->MakeDerivative('y'));
    EXPECT_EQ(copy->canEvaluateRows, 0);
    EXPECT_EQ(derivative->canEvaluateRows, 0);

    CompiledFormula* points = Formula("(, (, (sum (* k y) (= k 1) x) 1 2 3))");
    CompiledFormula** components = nullptr;
    int32_t count = 0;
    points->MakeComponentFormulas4(&components, &count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(components[0]->canEvaluateRows, 0);
    EXPECT_EQ(components[1]->canEvaluateRows, 1);
    for (int32_t i = 0; i < 4 * count; ++i)
        delete components[i];
    BudgetFree(components);

    // The copy still sums as the original does.
    CompileFormula(copy.get());
    for (double x : {1.0, 2.0, 3.0, 4.0})
        EXPECT_EQ(copy->EvaluateAtXY(x, 1), x * (x + 1) / 2);
}

TEST_F(CompiledFormulaTest, AFrameThatGrowsBetweenTwoProgramsOfABatchKeepsItsContents)
{
    CompiledFormula* first = Formula("(+ r 1)");
    CompiledFormula* second = Formula("(* r 2)");
    CompileFormulas3(first, second, nullptr);
    EXPECT_EQ(first->EvaluateAtXY(3, 4), 6);
    // Meanwhile another thread links a larger batch: every frame must grow.
    uint32_t larger = GetEvalFrameCapacity() + 1000;
    std::thread([larger] { RaiseEvalFrameSlots(larger); }).join();
    // The second program reads the r that the first stored.
    EXPECT_EQ(second->EvaluateAtXY(3, 4), 10);
    EXPECT_GE(GetEvalFrameCapacity(), larger);

    // A new frame starts undefined throughout, the data row included.
    std::thread([] {
        ASSERT_TRUE(EnsureEvalFrame());
        const double* frame = static_cast<const double*>(GetEvalFrame());
        for (uint32_t i = 0; i < GetEvalFrameCapacity() * kEvalSlotBytes / sizeof(double); ++i)
            ASSERT_TRUE(std::isnan(frame[i])) << i;
    }).join();
}

}  // namespace

namespace {

TEST_F(CompiledFormulaTest, TableLengthsAndColumnNames)
{
    uint32_t height = InternSymbolName8("height");
    uint32_t width = InternSymbolName8("width");
    uint32_t depth = InternSymbolName8("depth");
    // Entries as the document lists them: key, line, column, rows, flag.
    doc.TableFunctions.Push({width, 3, 1, 7, 0});
    doc.TableFunctions.Push({height, 3, 0, 5, 0});
    EXPECT_EQ(Formula("(+ height (* 2 width))")->MaxTableLength(), 7);
    EXPECT_EQ(Formula("(* height x)")->MaxTableLength(), 5);
    EXPECT_EQ(Formula("(+ x 1)")->MaxTableLength(), 0);

    const GrowArray<const char16_t*>& names = GetTableColumnNames(&doc);
    ASSERT_EQ(names.count, 2);
    EXPECT_EQ(std::u16string(names[0]), u"height");
    EXPECT_EQ(std::u16string(names[1]), u"width");
    // The list stands until the document marks it stale.
    doc.TableFunctions.Push({depth, 1, 0, 2, 0});
    EXPECT_EQ(GetTableColumnNames(&doc).count, 2);
    doc.TableColumnNamesStale = 1;
    ASSERT_EQ(GetTableColumnNames(&doc).count, 3);
    EXPECT_EQ(std::u16string(GetTableColumnNames(&doc)[0]), u"depth");
    EXPECT_EQ(doc.TableColumnNamesStale, 0);
}

}  // namespace
