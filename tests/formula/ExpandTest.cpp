#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/SimplifierSwitches.h"
#include "support/EditorFixture.h"
#include "support/LinearText.h"

namespace {

constexpr int32_t kExpand = 8194;

class ExpandTest : public EditorTest {
protected:
    std::string Expanded(const char* text)
    {
        Load(text);
        Run(kExpand);
        return Text();
    }
    // The selection is a summation or product operator over k (code 'k').
    void LoadOperator(int32_t kind, FormulaNode* body, double from, double to)
    {
        SetFormula(BigOperator(kind, body, 'k', from, to));
    }
};

TEST_F(ExpandTest, MultipliesOutProductsAndSmallWholePowers)
{
    const struct {
        const char* input;
        const char* expected;
    } cases[] = {
        {"(x+1)^2", "x^2+2*x+1"},
        {"(a+b)*(c+d)", "a*c+a*d+b*c+b*d"},
        {"3*(x-y)", "3*x-(3*y)"},
        // Exponents outside 1 < n < 24, or not whole, stay.
        {"(x+1)^24", "(x+1)^24"},
        {"(x+1)^(1/2)", "sqrt(x+1)"},
        {"(x+1)^~2", "(x+1)^(-2)"},
        // An equation in the selection is split first.
        {"2*(x=y+1)", "2*x=2*y+2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Expanded(c.input), c.expected) << c.input;
    EXPECT_FALSE(ExpandFlag);
}

TEST_F(ExpandTest, PeelsOneTermPerCommandUntilTheOperatorIsGone)
{
    LoadOperator(KindSigma, Node(KindPower, {Var('k'), Num(2)}), 1, 3);
    std::vector<std::string> steps;
    for (int i = 0; i < 3; ++i) {
        Run(kExpand);
        steps.push_back(Text());
    }
    EXPECT_EQ(steps[0], "sum(k^2,k=2,3)+1");
    EXPECT_EQ(steps[1], "sum(k^2,k=3,3)+5");
    EXPECT_EQ(steps[2], "14");

    LoadOperator(KindCapitalPi, Var('k'), 2, 4);
    for (int i = 0; i < 3; ++i)
        Run(kExpand);
    EXPECT_EQ(Text(), "24");
}

TEST_F(ExpandTest, SingleAndEmptyRanges)
{
    // One index value: the single term.
    LoadOperator(KindSigma, Node(KindProduct, {Var('k'), Var('x')}), 2, 2);
    Run(kExpand);
    EXPECT_EQ(Text(), "2*x");
    // A range that ends before it starts is the empty sum or product, never
    // its first term.
    LoadOperator(KindSigma, Var('k'), 1, 0);
    Run(kExpand);
    EXPECT_EQ(Text(), "0");
    LoadOperator(KindCapitalPi, Var('k'), 5, 1);
    Run(kExpand);
    EXPECT_EQ(Text(), "1");
}

TEST_F(ExpandTest, AStoppedExpansionLeavesTheFormulaAsItWas)
{
    Load("(a+b+c+d+e+f)^20*(g+h)");
    Select("g+h");
    Select("(a+b+c+d+e+f)^20*(g+h)");
    std::string before = Text();
    {
        // The budget has room for the command to start but not for the
        // expansion, which would make tens of thousands of terms.
        double shift = HeapBudgetLimit() - MemoryBudgetCount() - 2e6;
        AdjustMemoryBudgetCount(shift);
        Run(kExpand);
        AdjustMemoryBudgetCount(-shift);
    }
    // The failure is reported and the flag lowered, memory being back within the budget.
    EXPECT_EQ(TakePendingFailure(), 36);
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(Text(), before);
    EXPECT_EQ(state_.current, root_);
    EXPECT_TRUE(state_.undo.empty());
    EXPECT_FALSE(ExpandFlag);
    AbortFlag = 0;
    ResetFailureRegister();

    // A flag left raised by that shortage no longer stops a command once
    // memory is back.
    Load("(x+1)^2");
    AbortFlag = 1;
    Run(kExpand);
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(Text(), "x^2+2*x+1");
}

}  // namespace
