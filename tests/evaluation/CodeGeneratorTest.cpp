#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/ThreadStorage.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileBatch.h"
#include "evaluation/ConstantTable.h"
#include "numerics/TextIdentity.h"
#include "support/CompilerFixture.h"
#include "support/Disassembler.h"
#include "support/ProgramText.h"
#include "support/TreeText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const char* tree;
    const char* code;
};

class CodeGeneratorTest : public CompilerTest {
protected:
    // Every label a skip opcode (87, 88) searches for lies after it, so no
    // run skips to the end of the program.
    static ::testing::AssertionResult LabelsLieAhead(BytecodeProgram* program)
    {
        for (int32_t i = 0; i < program->Count(); ++i) {
            const Instruction& skip = program->At(i);
            if (skip.opcode != OpSkipFalsePair && skip.opcode != OpSkipRestPairs)
                continue;
            bool found = false;
            for (int32_t j = i + 1; j < program->Count() && !found; ++j) {
                const Instruction& label = program->At(j);
                found = label.opcode == OpLabel && label.arg.a == skip.arg.a && label.arg.b == skip.arg.b;
            }
            if (!found)
                return ::testing::AssertionFailure() << "no label ahead of instruction " << i;
        }
        return ::testing::AssertionSuccess();
    }
};

}  // namespace

TEST_F(CodeGeneratorTest, FormulasCompileToTheirInstructions)
{
    AddUserFunction("(= (function f x) (power ?0 2))");
    AddUserFunction("(= (function g (, a b)) (+ ?0 (minus ?1)))");
    const Case cases[] = {
        // The second sin x loads what the first stored.
        {"(+ (sin x) (sin x))", "1 3, 29, 5 0, 2 0, 12, 103"},
        // ln 8 / ln 2; the n-th root as the rational power 1/n.
        {"(log 8 2)", "0 8, 0 2, 26, 6, 26, 6, 15, 103"},
        {"(sqrt (minus 8) 3)", "0 -8, 0 3, 0 1, 6, 64, 103"},
        {"(log x)", "1 3, 25, 103"},
        {"(sqrt x)", "1 3, 23, 103"},
        {"(sn 2 3)", "0 2, 0 3, 0 10, 6, 16, 14, 103"},
        // Powers.
        {"(power x 2)", "1 3, 28, 103"},
        {"(power x y)", "1 3, 1 4, 16, 103"},
        {"(power x (over 1 3))", "1 3, 0 1, 0 3, 64, 103"},
        {"(power x (minus (over 1 3)))", "1 3, 0 1, 0 3, 20, 64, 103"},
        {"(power e x)", "1 3, 24, 103"},
        {"(power e 2)", "0 2.718281828459045, 28, 103"},
        {"(power e (over 1 2))", "0 1, 0 2, 15, 24, 103"},
        {"(over x 2)", "1 3, 0 2, 15, 103"},
        // Variables in fixed slots, named constants, parameters.
        {"(+ u v w x y z %14 n)", "1 0, 1 1, 1 6, 1 3, 1 4, 1 5, 1 11, 1 2, 12, 12, 12, 12, 12, 12, 12, 103"},
        {"(+ pi inf degree ldots e i)",
         "0 3.141592653589793, 0 inf, 0 0.017453292519943295, 0 nan, 0 2.718281828459045, 76, 12, 12, 12, 12, 12, "
         "103"},
        {"a", "3 97, 103"},
        {"?1", "1 1, 103"},
        // Subscripts read the numbered key; an index that gives no key is
        // undefined.
        {"(indexes x 1)", "3 131192, 103"},
        {"(indexes a 0.5)", "3 65633, 103"},
        {"(indexes x -1)", "0 nan, 103"},
        {"(indexes x 70000)", "0 nan, 103"},
        {"(indexes x k)", "0 nan, 103"},
        // r, the spherical radius, theta and phi are computed once.
        {"(+ r r)", "1 3, 1 4, 18, 4 7, 1 7, 12, 103"},
        {"%7", "1 3, 1 4, 18, 1 5, 18, 4 8, 103"},
        {"theta", "1 3, 1 4, 17, 4 9, 103"},
        {"(+ phi r)", "1 5, 1 3, 1 4, 18, 4 7, 17, 4 10, 1 7, 12, 103"},
        // Relations, logic and the rest of the functions.
        {"(< x y z)", "1 3, 1 4, 1 5, 53 3, 103"},
        {"(leq x 1)", "1 3, 0 1, 55 2, 103"},
        {"(geq x 1)", "1 3, 0 1, 56 2, 103"},
        {"(= x 1)", "1 3, 0 1, 57 2, 103"},
        {"(notequal x 1)", "1 3, 0 1, 59 2, 103"},
        {"(And (, (> x 0) (< x 1)))", "1 3, 0 0, 54 2, 1 3, 0 1, 53 2, 61, 103"},
        {"(Or x y z)", "1 3, 1 4, 1 5, 62, 62, 103"},
        {"(Not x)", "1 3, 63, 103"},
        {"(min (, x y z))", "1 3, 1 4, 1 5, 78, 78, 103"},
        {"(max x y)", "1 3, 1 4, 79, 103"},
        {"(mod (, x 3))", "1 3, 0 3, 77, 103"},
        {"(clamp (, x 0 1))", "1 3, 0 0, 0 1, 80, 103"},
        {"(choice x 2)", "1 3, 0 2, 81, 103"},
        {"(besselj x 2)", "1 3, 0 2, 65, 103"},
        {"(interval x y)", "1 3, 1 4, 19, 103"},
        {"(#8085 x y)", "1 3, 1 4, 17, 103"},
        {"(Interpolate (, T x))", "1 3, 83 84, 103"},
        {"(Interpolate (, T x y))", "1 3, 1 4, 84 84, 103"},
        {"(if x (> x 0))", "1 3, 1 3, 0 0, 54 2, 68, 103"},
        {"(* (fact x) (minus x) (abs x) (sgn x))", "1 3, 27, 1 3, 20, 1 3, 21, 1 3, 22, 14, 14, 14, 103"},
        {"(+ (floor x) (ceil x) (ln x) (exp x))", "1 3, 66, 1 3, 67, 1 3, 26, 1 3, 24, 12, 12, 12, 103"},
        {"(+ (Re x) (real x) (Im x) (imag x) (arg x) (overline x) (Inf x) (Sup x))",
         "1 3, 70, 1 3, 70, 1 3, 71, 1 3, 71, 1 3, 74, 1 3, 75, 1 3, 72, 1 3, 73, 12, 12, 12, 12, 12, 12, 12, 103"},
        {"(+ (sin x) (cos x) (tan x) (cot x) (csc x) (sec x))",
         "1 3, 29, 1 3, 30, 1 3, 31, 1 3, 32, 1 3, 34, 1 3, 33, 12, 12, 12, 12, 12, 103"},
        {"(+ (asin x) (acos x) (atan x) (acot x) (acsc x) (asec x))",
         "1 3, 35, 1 3, 36, 1 3, 37, 1 3, 38, 1 3, 40, 1 3, 39, 12, 12, 12, 12, 12, 103"},
        {"(+ (sinh x) (cosh x) (tanh x) (coth x) (csch x) (sech x))",
         "1 3, 41, 1 3, 42, 1 3, 43, 1 3, 44, 1 3, 46, 1 3, 45, 12, 12, 12, 12, 12, 103"},
        {"(+ (asinh x) (acosh x) (atanh x) (acoth x) (acsch x) (asech x))",
         "1 3, 47, 1 3, 48, 1 3, 49, 1 3, 50, 1 3, 52, 1 3, 51, 12, 12, 12, 12, 12, 103"},
        // Calls: user functions by number, anything else ends the run.
        {"(function f 3)", "0 3, 85 1 0, 103"},
        {"(function g (, 5 2))", "0 5, 0 2, 85 2 1, 103"},
        {"(function h x)", "1 3, 82, 103"},
        {"(optotal x)", "1 3, 82, 103"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Code(c.tree), c.code) << c.tree;
}

TEST_F(CodeGeneratorTest, ProgramRecordAfterGeneration)
{
    FormulaNode* tree = Prepared("(+ (sin x) (sin x))");
    BeginCompileBatch();
    BytecodeProgram* program = Generate(tree, nullptr);
    EXPECT_EQ(FinishCompileBatch(), 13);
    EXPECT_EQ(program->maxStack, 3);
    EXPECT_EQ(program->localBase, 12);
    EXPECT_EQ(program->localCount, 1);
    EXPECT_EQ(program->hasBranches, 0);
    EXPECT_EQ(program->context, nullptr);
    EXPECT_EQ(program->doc, &doc);

    BeginCompileBatch();
    BytecodeProgram* branch = Generate(Prepared("(if x (> x 0))"), nullptr);
    BytecodeProgram* withContext = Generate(Prepared("(+ (power x 2) (* a x))"), &context);
    FinishCompileBatch();
    EXPECT_EQ(branch->hasBranches, 1);
    EXPECT_EQ(Disassemble(*withContext), "1 3, 28, 11 0, 1 3, 14, 12, 103");
    EXPECT_EQ(withContext->maxStack, 4);
    EXPECT_EQ(withContext->context, &context);
}

TEST_F(CodeGeneratorTest, TextsCompileToTheNumbersOfTheirTexts)
{
    std::string a = NumberText(TextIdentityOf(u"abc"));
    std::string b = NumberText(TextIdentityOf(u"de"));
    EXPECT_EQ(Code("(= \"abc\" \"de\")"), "0 " + a + ", 0 " + b + ", 58, 103");
    EXPECT_EQ(Code("(notequal \"abc\" \"abc\")"), "0 " + a + ", 0 " + a + ", 60, 103");
    // A text against a number compares as numbers.
    EXPECT_EQ(Code("(= \"de\" 2)"), "0 " + b + ", 0 2, 57 2, 103");
}

TEST_F(CodeGeneratorTest, TextIdentitiesNameOnlyTheirTexts)
{
    double first = TextIdentityOf(u"first");
    double second = TextIdentityOf(u"second");
    EXPECT_NE(first, second);
    EXPECT_EQ(TextIdentityOf(u"first"), first);
    EXPECT_EQ(std::u16string(TextOfIdentity(first)), u"first");
    EXPECT_EQ(std::u16string(TextOfIdentity(second)), u"second");
    for (double other : {0.0, 1.0, -first, 4503599627370495.0, first + 1e6, 1e300})
        EXPECT_EQ(TextOfIdentity(other), nullptr) << other;
}

TEST_F(CodeGeneratorTest, ConstantsAreHoistedIntoTheContextTable)
{
    const Case cases[] = {
        {"(+ (power x 2) (* a x))", "1 3, 28, 11 0, 1 3, 14, 12, 103"},
        {"(+ (* 2 a) x)", "11 0, 1 3, 12, 103"},
        {"(+ (* a x) a)", "11 0, 1 3, 14, 11 0, 12, 103"},
        // The slider variable itself is read from its slot, but expressions of
        // it are constants; so are named constants combined with numbers.
        {"(* n x)", "1 2, 1 3, 14, 103"},
        {"(+ (* 2 n) x)", "11 0, 1 3, 12, 103"},
        {"(+ pi x)", "0 3.141592653589793, 1 3, 12, 103"},
        {"(+ (* 2 pi) x)", "11 0, 1 3, 12, 103"},
        // Numbers stay inline, and so do the operands of a rational power.
        {"(+ 2 x)", "0 2, 1 3, 12, 103"},
        {"(power x (over a 3))", "1 3, 11 0, 0 3, 64, 103"},
        // A branch's operands are not hoisted, their insides are.
        {"(branch (if (* 2 a) (> x 0)) 0)", "1 3, 0 0, 54 2, 11 0, 0 1, 0 0, 69 2, 103"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CodeWithContext(c.tree), c.code) << c.tree;
}

TEST_F(CodeGeneratorTest, EqualConstantsShareOneEntryWithItsOwnProgram)
{
    FormulaNode* tree = Prepared("(+ (* a x) a (* 2 b))");
    BeginCompileBatch();
    BytecodeProgram* program = Generate(tree, &context);
    context.table->CompileAll();
    FinishCompileBatch();
    EXPECT_EQ(ResolvedCode(program), "11 0, 1 3, 14, 11 0, 11 1, 12, 12, 103");
    EXPECT_EQ(program->maxStack, 4);
    ASSERT_EQ(context.table->entries.count, 2);
    EXPECT_EQ(TreeText(context.table->entries[0].subtree), "a");
    EXPECT_EQ(TreeText(context.table->entries[1].subtree), "(* 2 b)");
    EXPECT_EQ(Disassemble(*context.table->entries[0].program), "3 97, 103");
    EXPECT_EQ(Disassemble(*context.table->entries[1].program), "0 2, 3 98, 14, 103");
    EXPECT_EQ(context.table->entries[1].program->context, nullptr);
}

TEST_F(CodeGeneratorTest, LoopLayout)
{
    const Case cases[] = {
        {"(sum k (= k 1) 3)", "0 0, 0 1, 5 2, 89 0, 0 3, 89 1, 90 0 4, 2 0, 92 0, 12, 91 0 4, 103"},
        {"(product k (= k 1) 3)", "0 1, 0 1, 5 2, 89 0, 0 3, 89 1, 90 0 4, 2 0, 93 0, 14, 91 0 4, 103"},
        // Two sums over the same index, one after the other: each has its own
        // counter, limit and start.
        {"(+ (sum k (= k 1) 3) (sum (power k 2) (= k 1) 3))",
         "0 0, 0 1, 5 2, 89 0, 0 3, 89 1, 90 0 4, 2 0, 92 0, 12, 91 0 4, "
         "0 0, 0 1, 5 5, 89 3, 0 3, 89 4, 90 3 5, 2 3, 28, 92 3, 12, 91 3 5, 12, 103"},
        // Nested: the inner limit reads the outer counter.
        {"(sum (sum (* j k) (= k 1) j) (= j 1) 2)",
         "0 0, 0 1, 5 2, 89 0, 0 2, 89 1, 90 0 16, 0 0, 0 1, 5 5, 89 3, 2 0, 89 4, 90 3 6, 2 0, 2 3, 14, 92 3, "
         "12, 91 3 6, 92 0, 12, 91 0 16, 103"},
        // k outside the sum is a parameter, and the k^2 inside is not taken
        // for the one outside.
        {"(+ (power k 2) (sum (power k 2) (= k 1) 3))",
         "3 107, 28, 0 0, 0 1, 5 2, 89 0, 0 3, 89 1, 90 0 5, 2 0, 28, 92 0, 12, 91 0 5, 12, 103"},
        // The start is read before the counter exists: there k is the outer k.
        {"(sum k (= k k) 3)", "0 0, 3 107, 5 2, 89 0, 0 3, 89 1, 90 0 4, 2 0, 92 0, 12, 91 0 4, 103"},
        // A loop inside a loop of the same index is undefined.
        {"(sum (sum k (= k 1) 2) (= k 1) 3)", "0 nan, 103"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Code(c.tree), c.code) << c.tree;
}

TEST_F(CodeGeneratorTest, AConstantSumIsOneEntryHoldingTheLoop)
{
    EXPECT_EQ(CodeWithContext("(sum k (= k 1) 3)"), "11 0, 103");
    ASSERT_EQ(context.table->entries.count, 1);
    EXPECT_EQ(ResolvedCode(context.table->entries[0].program),
              "0 0, 0 1, 5 2, 89 0, 0 3, 89 1, 90 0 4, 2 0, 92 0, 12, 91 0 4, 103");
    EXPECT_EQ(lastSlots, 15);
}

TEST_F(CodeGeneratorTest, TwoConstantSumsOverOneIndexHaveSlotsOfTheirOwn)
{
    EXPECT_EQ(CodeWithContext("(+ (sum k (= k 1) 3) (* x (sum (power k 2) (= k 1) 3)))"),
              "11 0, 1 3, 11 1, 14, 12, 103");
    ASSERT_EQ(context.table->entries.count, 2);
    EXPECT_EQ(ResolvedCode(context.table->entries[0].program),
              "0 0, 0 1, 5 2, 89 0, 0 3, 89 1, 90 0 4, 2 0, 92 0, 12, 91 0 4, 103");
    EXPECT_EQ(ResolvedCode(context.table->entries[1].program),
              "0 0, 0 1, 5 5, 89 3, 0 3, 89 4, 90 3 5, 2 3, 28, 92 3, 12, 91 3 5, 103");
    EXPECT_EQ(lastSlots, 18);
}

TEST_F(CodeGeneratorTest, AggregatesLoopOverTheTableRows)
{
    uint32_t column = AddTableColumn("col", 5);
    std::string c = std::to_string(column);
    struct Expected {
        const char* tree;
        std::string code;
    } cases[] = {
        {"(Sum col)", "100 0 4, 90 0 4, 95 0, 3 " + c + ", 98, 91 0 4, 94, 6, 7, 103"},
        {"(Count col)", "100 0 4, 90 0 4, 95 0, 3 " + c + ", 98, 91 0 4, 94, 7, 103"},
        {"(Mean (, col (> col 2)))",
         "100 0 4, 90 0 7, 95 0, 3 " + c + ", 3 " + c + ", 0 2, 54 2, 96, 91 0 7, 94, 6, 15, 103"},
        {"(Mean (, col (> col 2) (< col 9)))", "100 0 4, 90 0 11, 95 0, 3 " + c + ", 3 " + c + ", 0 2, 54 2, 3 " + c +
                                                   ", 0 9, 53 2, 61, 96, 91 0 11, 94, 6, 15, 103"},
        {"(max col)", "101 0 4, 90 0 4, 95 0, 3 " + c + ", 99, 91 0 4, 94, 7, 103"},
        {"(min (, col (> col 2)))", "101 0 4, 90 0 7, 95 0, 3 " + c + ", 3 " + c + ", 0 2, 54 2, 97, 91 0 7, 94, 6, 7, 103"},
        // A table column at a row.
        {"(indexes col 3)", "0 3, 102, 3 " + c + ", 94, 103"},
        {"(indexes col x)", "1 3, 102, 3 " + c + ", 94, 103"},
    };
    for (const Expected& e : cases)
        EXPECT_EQ(Code(e.tree), e.code) << e.tree;
    // Over the rows of a table an aggregate is a constant.
    EXPECT_EQ(CodeWithContext("(+ (* 2 (Sum col)) x)"), "11 0, 1 3, 12, 103");
    EXPECT_EQ(ResolvedCode(context.table->entries[0].program),
              "0 2, 100 0 4, 90 0 4, 95 0, 3 " + c + ", 98, 91 0 4, 94, 6, 7, 14, 103");
}

TEST_F(CodeGeneratorTest, BranchLabelsLetTheFirstTruePairEndTheChoice)
{
    AddUserFunction("(= (function f n) (branch (if 1 (= ?0 0)) (* ?0 (function f (+ ?0 (minus 1))))))");
    const Case cases[] = {
        {"(branch (if 1 (= x 0)) 2)",
         "1 3, 0 0, 57 2, 87 0 0, 0 1, 88 0 1, 86 0 0, 0 1, 87 0 1, 0 2, 88 0 1, 86 0 1, 69 2, 103"},
        {"(+ 2 (branch (if 1 (> x 0)) (if 3 (< x 0)) 0))",
         "0 2, 1 3, 0 0, 54 2, 87 0 0, 0 1, 88 0 2, 86 0 0, 1 3, 0 0, 53 2, 87 0 1, 0 3, 88 0 2, 86 0 1, "
         "0 1, 87 0 2, 0 0, 88 0 2, 86 0 2, 69 3, 12, 103"},
        {"(branch (if 1 (= ?0 0)) (* ?0 (function f (+ ?0 (minus 1)))))",
         "1 0, 0 0, 57 2, 87 0 0, 0 1, 88 0 1, 86 0 0, 0 1, 87 0 1, 1 0, 1 0, 0 -1, 12, 85 1 0, 14, 88 0 1, "
         "86 0 1, 69 2, 103"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CodeWithLabels(c.tree), c.code) << c.tree;
    // Generated outside a batch, a program raises the frame slots itself.
    EXPECT_EQ(CodeWithLabels("(sum (sum (* j k) (= k 1) j) (= j 1) 2)").substr(0, 3), "0 0");
    EXPECT_GE(GetEvalFrameSlots(), 18u);
    BytecodeProgram* nested = Generate(
        Prepared("(branch (if (branch (if 1 (> y 0)) 2) (> x 0)) (+ 1 (branch (if 3 (< y 0)) 4)))"), nullptr, true);
    EXPECT_TRUE(LabelsLieAhead(nested)) << Disassemble(*nested);
}

TEST_F(CodeGeneratorTest, GridProgramsLoadTheirOneAxisParts)
{
    const Case cases[] = {
        {"(+ (power x 2) (power y 2))", "8 0, 9 0, 12, 103"},
        {"(* (sin x) (cos y))", "8 0, 9 0, 14, 103"},
        {"(* (sin u) v)", "8 0, 1 1, 14, 103"},
        {"(+ (power z 2) (* x y))", "10 0, 1 3, 1 4, 14, 12, 103"},
        // Parameters and the slider variable ride along with their axis.
        {"(+ (* a (sin x)) (* n y) (* x y))", "8 0, 9 0, 1 3, 1 4, 14, 12, 12, 103"},
        // Inside a loop over k: x^2 is a part, k y is not; no range guard.
        {"(sum (+ (power x 2) (* k y)) (= k 1) 3)",
         "0 0, 0 1, 5 2, 89 0, 0 3, 89 1, 90 0 7, 8 0, 2 0, 1 4, 14, 12, 12, 91 0 7, 103"},
        // A sum over k of an x-only body is itself an x part.
        {"(+ (sum (power x k) (= k 1) 3) y)", "8 0, 1 4, 12, 103"},
    };
    for (const Case& c : cases) {
        FormulaNode* tree = Prepared(c.tree);
        BeginGridCompileBatch();
        BytecodeProgram* program = Generate(tree, nullptr, false, true);
        FinishCompileBatch();
        GridPartLists parts = TakeGridParts();
        EXPECT_EQ(ResolvedCode(program), c.code) << c.tree;
        EXPECT_EQ(CurrentCompileBatch().gridMode, 0);
        parts.x.Clear();
        parts.y.Clear();
        parts.z.Clear();
    }
}

TEST_F(CodeGeneratorTest, GridPartsAreSharedAcrossTheLinkedFormulas)
{
    FormulaNode* first = Prepared("(+ (sin x) (cos y))");
    FormulaNode* second = Prepared("(* (sin x) (power x 2) (cos y) z)");
    BeginGridCompileBatch();
    BytecodeProgram* a = Generate(first, nullptr, false, true);
    BytecodeProgram* b = Generate(second, nullptr, false, true);
    FinishCompileBatch();
    GridPartLists parts = TakeGridParts();
    EXPECT_EQ(Disassemble(*a), "8 0, 9 0, 12, 103");
    EXPECT_EQ(Disassemble(*b), "8 0, 8 1, 9 0, 1 5, 14, 14, 14, 103");
    ASSERT_EQ(parts.x.count, 2);
    ASSERT_EQ(parts.y.count, 1);
    EXPECT_EQ(parts.z.count, 0);
    EXPECT_EQ(TreeText(parts.x[0].subtree), "(sin x)");
    EXPECT_EQ(TreeText(parts.x[1].subtree), "(power x 2)");
    EXPECT_EQ(TreeText(parts.y[0].subtree), "(cos y)");
    EXPECT_EQ(parts.x[1].index, 1);
    parts.x.Clear();
    parts.y.Clear();
}

TEST_F(CodeGeneratorTest, ProgramsOfABatchShareStoredValues)
{
    FormulaNode* first = Prepared("(+ (* (sin x) y) r)");
    FormulaNode* second = Prepared("(+ (* 2 r) (* (sin x) y) (sin x))");
    BeginCompileBatch();
    BytecodeProgram* a = Generate(first, nullptr);
    BytecodeProgram* b = Generate(second, nullptr);
    EXPECT_EQ(FinishCompileBatch(), 14);
    // The first program stores sin x and (sin x) y where it computes them;
    // the second loads them, and loads r without computing it.
    EXPECT_EQ(Disassemble(*a), "1 3, 29, 5 1, 1 4, 14, 5 0, 1 3, 1 4, 18, 4 7, 12, 103");
    EXPECT_EQ(Disassemble(*b), "0 2, 1 7, 14, 2 0, 2 1, 12, 12, 103");
}

TEST_F(CodeGeneratorTest, CallsOfUserFunctionsAreNeitherHoistedNorReusedWrongly)
{
    AddUserFunction("(= (function f x) (power ?0 2))");
    AddUserFunction("(= (function g (, a b)) (+ ?0 ?1))");
    AddUserFunction("(= (function m (, a b)) (* ?0 ?1))");
    // A call with constant arguments is itself a constant.
    EXPECT_EQ(CodeWithContext("(+ (function f 3) x)"), "11 0, 1 3, 12, 103");
    EXPECT_EQ(Disassemble(*context.table->entries[0].program), "0 3, 85 1 0, 103");
    // An argument list is several values: never one load.
    EXPECT_EQ(Code("(+ (function g (, x y)) (function m (, x y)))"), "1 3, 1 4, 85 2 1, 1 3, 1 4, 85 2 2, 12, 103");
}

TEST_F(CodeGeneratorTest, AFailedProgramLeavesItsWholeBatchUndefined)
{
    FormulaNode* first = Prepared("(+ (sin x) y)");
    FormulaNode* second = Prepared("(* (sin x) 2)");
    BeginCompileBatch();
    BytecodeProgram* a = Generate(first, nullptr);
    // The budget is over its limit while the second program is generated.
    double shift = HeapBudgetLimit() - MemoryBudgetCount() + 1.0;
    AdjustMemoryBudgetCount(shift);
    BytecodeProgram* b = Generate(second, nullptr);
    AdjustMemoryBudgetCount(-shift);
    FinishCompileBatch();
    EXPECT_EQ(b->error, 1);
    EXPECT_EQ(Disassemble(*a), "103");
    EXPECT_EQ(Disassemble(*b), "103");
    EXPECT_EQ(a->maxStack, 2);
    EXPECT_EQ(TakePendingFailure(), 36);
}

TEST_F(CodeGeneratorTest, MemoryRunningOutMidGenerationLeavesTheUndefinedProgram)
{
    // Room for the first block of code but not for the second.
    FormulaNode* tree = Prepared("(+ x x x x x x x x x x x x x x x x x x x x x x x x x x x x x x)");
    double shift = HeapBudgetLimit() - MemoryBudgetCount() - 300.0;
    AdjustMemoryBudgetCount(shift);
    BeginCompileBatch();
    BytecodeProgram* program = Generate(tree, nullptr);
    AdjustMemoryBudgetCount(-shift);
    FinishCompileBatch();
    EXPECT_EQ(program->error, 1);
    EXPECT_EQ(Disassemble(*program), "103");
    EXPECT_EQ(TakePendingFailure(), 36);
}

TEST_F(CodeGeneratorTest, AConstantThatCannotBeEnteredFailsTheProgram)
{
    FormulaNode* tree = Prepared("(+ (* 2 a) x)");
    ConstantTable* table = context.table;
    context.table = nullptr;
    BeginCompileBatch();
    BytecodeProgram* program = Generate(tree, &context);
    FinishCompileBatch();
    context.table = table;
    EXPECT_EQ(Disassemble(*program), "103");
    EXPECT_EQ(TakePendingFailure(), 36);
}

TEST_F(CodeGeneratorTest, ASixteenthProgramOfABatchIsUndefined)
{
    BeginCompileBatch();
    for (int i = 0; i < kMaxBatchPrograms; ++i)
        EXPECT_EQ(Disassemble(*Generate(Prepared("x"), nullptr)), "1 3, 103");
    EXPECT_EQ(Disassemble(*Generate(Prepared("x"), nullptr)), "0 nan, 103");
    FinishCompileBatch();
}

TEST_F(CodeGeneratorTest, ARaisedAbortStopsGeneration)
{
    AbortFlag = 1;
    EXPECT_EQ(Code("(+ x 1)"), "103");
    EXPECT_FALSE(IsFailurePending());
}
