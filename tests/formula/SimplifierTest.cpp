#include "CoreUtilities/MemoryBudget.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/Simplifier.h"
#include "formula/SimplifierSwitches.h"
#include "support/InterpretedValue.h"
#include "support/LinearText.h"
#include "support/RandomFormula.h"
#include "support/FormulaReader.h"
#include "support/TreeEvaluator.h"
#include "support/TreeFixture.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <thread>

namespace {

class SimplifierTest : public TreeTest {};

struct Case {
    const char* input;
    const char* expected;
};

// The text of the input after the operation, which must keep its value.
std::string Rewritten(const char* text, void (*operation)(FormulaNode*))
{
    FormulaNode* tree = ReadFormula(text);
    if (!tree)
        return "unreadable";
    FormulaNode* before = CopyTree(tree);
    operation(tree);
    EXPECT_TRUE(IsConsistent(tree)) << text;
    EXPECT_TRUE(SameValues(before, tree)) << text;
    std::string written = LinearText(tree);
    FreeTree(before);
    FreeTree(tree);
    return written;
}

void ExpectRewrites(const std::initializer_list<Case>& cases, void (*operation)(FormulaNode*))
{
    for (const Case& c : cases)
        EXPECT_EQ(Rewritten(c.input, operation), c.expected) << c.input;
}

TEST_F(SimplifierTest, NormalForms)
{
    ExpectRewrites(
        {
            // Numbers end last in a sum, folded with fractions of numbers.
            {"3+x+2", "x+5"},
            {"1/2+1/3", "5/6"},
            {"1/2+3", "7/2"},
            {"x+0", "x"},
            {"2*3*x", "6*x"},
            {"0*x", "0"},
            {"1*x", "x"},
            {"x*(-y)", "-(x*y)"},
            {"2*(-y)", "-(2*y)"},
            {"(-x)*(-y)", "x*y"},
            {"-(a+b)", "-a-b"},
            {"-(-x)", "x"},
            // Powers and roots.
            {"x^0", "1"},
            {"x^1", "x"},
            {"2^10", "1024"},
            {"2^(-1)", "2^(-1)"},
            {"i^2", "-1"},
            {"i^3", "-i"},
            {"i^(-1)", "-i"},
            {"i^8", "1"},
            {"(x*y)^2", "x^2*y^2"},
            {"(x/y)^2", "x^2/y^2"},
            {"(x^2)^3", "x^6"},
            {"(-x)^2", "x^2"},
            {"(-8)^(1/3)", "(-1)^(1/3)*8^(1/3)"},
            {"1^x", "1"},
            {"0^x", "0"},
            {"sqrt(16)", "4"},
            {"sqrt(8)", "sqrt(8)"},
            {"sqrt(27,3)", "3"},
            {"sqrt(64,3)", "64^(1/3)"},
            {"sqrt(x)", "sqrt(x)"},
            // Fractions.
            {"6/4", "3/2"},
            {"(2*x)/4", "x/2"},
            {"-6/4", "-(3/2)"},
            {"0/x", "0"},
            {"x/1", "x"},
            {"0/0", "0/0"},
            {"x/(-y)", "-(x/y)"},
            {"a/b*c/d", "a*c/(b*d)"},
            {"x*(y/z)", "x*y/z"},
            {"(a/b)/(c/d)", "a*d/(b*c)"},
            {"(a/b)/c", "a/(b*c)"},
            {"a/(b/c)", "a*c/b"},
            // Function values.
            {"sin(pi)", "0"},
            {"cos(pi)", "-1"},
            {"cos(3*pi)", "-1"},
            {"sin((3*pi)/2)", "-1"},
            {"cos((3*pi)/2)", "0"},
            {"sin(pi/2)", "sin(pi/2)"},
            {"cos(pi/2)", "cos(pi/2)"},
            {"3!", "6"},
            {"0!", "1"},
            {"5!", "5!"},
            {"ln(e)", "1"},
            {"ln(1)", "0"},
            {"exp(0)", "1"},
            {"log(1)", "0"},
            {"log(1,2)", "0"},
            {"mod(7,3)", "1"},
            {"mod(-7,3)", "2"},
            {"min(2,5)", "2"},
            {"max(2,5)", "5"},
            {"sn(3,2)", "300"},
            {"a=(b=c)", "a=b=c"},
        },
        SimplifyAndCleanUp);
}

TEST_F(SimplifierTest, NormalFormsBeforeTheSignCleanUp)
{
    ExpectRewrites(
        {
            {"sqrt(8)", "8^(1/2)"},
            {"-6/4", "-3/2"},
            {"2*(-y)", "-2*y"},
            {"x-3", "x-3"},
            {"-(x-3)", "-x+3"},
            {"optotal(x,1)", "optotal(x)"},
        },
        SimplifyTree);
}

TEST_F(SimplifierTest, DivisionsByZeroAreNotFolded)
{
    // 0 to a negative power and a remainder by 0 have no value to fold to.
    ExpectRewrites({{"0^(-1)", "0^(-1)"}, {"mod(7,0)", "mod(7,0)"}, {"x/0", "x/0"}}, SimplifyAndCleanUp);
}

TEST_F(SimplifierTest, ExpandFlagDistributesAndExpands)
{
    SwitchSetting expanding(ExpandFlag, 1);
    ExpectRewrites(
        {
            {"(x+1)^2", "x^2+2*x+1"},
            {"2*(a+b)", "2*a+2*b"},
            {"(a+b)*(c+d)", "a*c+a*d+b*c+b*d"},
            {"(a-b)^3", "a^3-(3*b*a^2)+3*a*b^2-b^3"},
            {"x-2*x", "-x"},
            {"(x+y)^2-(x-y)^2", "4*x*y"},
            {"(x+1)^24", "(x+1)^24"},
            {"(x+1)^(1/2)", "sqrt(x+1)"},
        },
        SimplifyAndCleanUp);
}

TEST_F(SimplifierTest, EachSwitchClearedLeavesItsRewrite)
{
    {
        SwitchSetting unsorted(SortFactorsFlag, 0);
        ExpectRewrites({{"x*2*a", "2*x*a"}, {"b*A", "b*A"}}, SimplifyAndCleanUp);
    }
    {
        SwitchSetting kept(DistributePowersFlag, 0);
        ExpectRewrites({{"(x*y)^2", "(x*y)^2"}, {"(x^2)^3", "(x^2)^3"}, {"(-x)^2", "(-x)^2"}}, SimplifyAndCleanUp);
    }
    {
        SwitchSetting apart(CollectLikeTermsFlag, 0);
        ExpectRewrites({{"x+x", "x+x"}, {"2*x+3*x", "2*x+3*x"}}, SimplifyAndCleanUp);
    }
    // Cleared switches come back.
    EXPECT_EQ(ExpandFlag, 0);
    EXPECT_EQ(DistributePowersFlag, 1);
    EXPECT_EQ(SortFactorsFlag, 1);
    EXPECT_EQ(CollectLikeTermsFlag, 1);
}

TEST_F(SimplifierTest, SwitchesBelongToTheirThread)
{
    // The analysis changes switches on its own thread; the user-interface
    // thread's commands keep seeing the defaults.
    unsigned char seen[4] = {};
    std::thread analysis([&] {
        seen[0] = ExpandFlag;
        seen[1] = DistributePowersFlag;
        seen[2] = SortFactorsFlag;
        seen[3] = CollectLikeTermsFlag;
        SortFactorsFlag = 0;
        DistributePowersFlag = 0;
    });
    analysis.join();
    EXPECT_EQ(seen[0], 0);
    EXPECT_EQ(seen[1], 1);
    EXPECT_EQ(seen[2], 1);
    EXPECT_EQ(seen[3], 1);
    EXPECT_EQ(SortFactorsFlag, 1);
    EXPECT_EQ(DistributePowersFlag, 1);
}

TEST_F(SimplifierTest, SinAndCosAtEveryHalfTurn)
{
    // Only a caller that normalises one level meets even n here; the values
    // must be right all the same.
    for (int n = -5; n <= 5; ++n) {
        for (int32_t kind : {KindSin, KindCos}) {
            FormulaNode* half = Node(kind, {Node(KindFraction, {Node(KindProduct, {Num(n), Var(1)}), Num(2)})});
            FormulaNode* whole = Node(kind, {Node(KindProduct, {Num(n), Var(1)})});
            double exact = kind == KindSin ? std::sin(n * M_PI / 2) : std::cos(n * M_PI / 2);
            double exactWhole = kind == KindSin ? std::sin(n * M_PI) : std::cos(n * M_PI);
            FoldSinCos(half);
            FoldSinCos(whole);
            ASSERT_EQ(half->kind, KindNumber) << n;
            ASSERT_EQ(whole->kind, KindNumber) << n;
            EXPECT_NEAR(half->payload.number->value, exact, 1e-12) << (kind == KindSin ? "sin " : "cos ") << n;
            EXPECT_NEAR(whole->payload.number->value, exactWhole, 1e-12) << n;
            EXPECT_FALSE(std::signbit(half->payload.number->value) && half->payload.number->value == 0);
            FreeTree(half);
            FreeTree(whole);
        }
    }
}

TEST_F(SimplifierTest, NumbersBeyondTheIntegersAreNotWhole)
{
    // No value that int32 cannot hold is ever converted to it.
    ExpectRewrites(
        {
            {"x^1e10", "x^10000000000"},
            {"2^1e10", "2^10000000000"},
            {"2^NaN", "2^NaN"},
            {"i^1e10", "i^10000000000"},
            {"i^Infinity", "i^Infinity"},
            {"sqrt(1e10)", "sqrt(10000000000)"},
            {"sqrt(1e10,2)", "sqrt(10000000000)"},
            {"sqrt(8,1e10)", "8^(1/10000000000)"},
            {"sqrt(NaN)", "sqrt(NaN)"},
            {"sqrt(Infinity,3)", "Infinity^(1/3)"},
            {"sqrt(1,2147483647)", "1"},
            {"6/1e10", "6/10000000000"},
            {"1e10!", "10000000000!"},
            {"mod(1e10,3)", "1"},
            {"mod(Infinity,3)", "mod(Infinity,3)"},
            {"(-3e10)^(1/2)", "sqrt(-1)*sqrt(30000000000)"},
        },
        SimplifyAndCleanUp);
}

TEST_F(SimplifierTest, LongNestedSumsEnd)
{
    // 10,000 terms with a nested sum of one more: the nested sum cannot be
    // taken in, and the rules go on past it.
    FormulaNode* sum = MakeNode(KindSum, 10000);
    for (uint32_t k = 0; k < 9999; ++k) {
        sum->children[k] = Var(256 + k);
        sum->children[k]->parent = sum;
    }
    sum->children[9999] = Node(KindSum, {Var(20000), Num(1)});
    sum->children[9999]->parent = sum;
    SimplifyTree(sum);
    EXPECT_EQ(sum->kind, KindSum);
    EXPECT_EQ(sum->childCount, 10000);
    EXPECT_TRUE(IsConsistent(sum));
    FreeTree(sum);

    // x + (x + (x + ...)) 10,001 deep.
    FormulaNode* deep = Var('x');
    for (int k = 0; k < 10000; ++k)
        deep = Node(KindSum, {Var('x'), deep});
    SimplifyTree(deep);
    EXPECT_EQ(LinearText(deep), "10001*x");
    FreeTree(deep);
}

TEST_F(SimplifierTest, NothingChangesWhenComputationsMustStop)
{
    FormulaNode* tree = ReadFormula("2*3*x+x");
    AbortFlag = 1;
    SimplifyTree(tree);
    AbortFlag = 0;
    EXPECT_EQ(LinearText(tree), "2*3*x+x");
    FreeTree(tree);
}

TEST_F(SimplifierTest, RandomFormulasKeepTheirValues)
{
    RandomFormula formulas(2024);
    for (int expand = 0; expand < 2; ++expand) {
        SwitchSetting expanding(ExpandFlag, static_cast<unsigned char>(expand));
        for (int n = 0; n < 400; ++n) {
            FormulaNode* tree = formulas.Any(3);
            FormulaNode* before = CopyTree(tree);
            SimplifyAndCleanUp(tree);
            ASSERT_TRUE(IsConsistent(tree));
            TestPoint point{{'x', 0.7}, {'y', 1.3}, {'z', 2.1}};
            Complex a = EvaluateTree(before, point);
            if (std::isfinite(a.real()) && std::isfinite(a.imag()) && std::abs(a) < 1e6) {
                EXPECT_TRUE(SameValues(before, tree)) << LinearText(before) << " -> " << LinearText(tree);
                // The same by the interpreter that graphs the formula.
                EXPECT_TRUE(SameInterpretedValues(before, tree));
            }
            FreeTree(before);
            FreeTree(tree);
        }
    }
}

TEST_F(SimplifierTest, KindPredicates)
{
    EXPECT_TRUE(IsInfixOperatorKind(KindProduct));
    EXPECT_TRUE(IsInfixOperatorKind(KindBranch));
    EXPECT_FALSE(IsInfixOperatorKind(KindPower));
    EXPECT_FALSE(IsInfixOperatorKind(KindPartialDerivative));
    EXPECT_TRUE(IsSumOrProductOperatorKind(KindSigma));
    EXPECT_FALSE(IsSumOrProductOperatorKind(KindSum));
    EXPECT_TRUE(IsAsciiLetter('Z'));
    EXPECT_FALSE(IsAsciiLetter(0x3B1));
    EXPECT_TRUE(IsNamedSymbolCode(6));
    EXPECT_FALSE(IsNamedSymbolCode(7));
}

}  // namespace
