#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "formula/Calculate.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodePoolSet.h"
#include "formula/SubtreeValue.h"
#include "support/FormulaReader.h"
#include "support/LinearText.h"
#include "support/TreeFixture.h"

#include <cmath>
#include <string>

namespace {

class CalculateTest : public TreeTest {
protected:
    // The text of the formula after Calculate on the whole of it.
    std::string Calculated(const char* text)
    {
        return TextAfter(text, [this](FormulaNode* tree) {
            EditorState state;
            state.root = state.current = tree;
            state.document = &doc;
            SetCurrentEditorState(&state);
            CalculateSelection();
            SetCurrentEditorState(nullptr);
        });
    }

    DocState doc;
};

struct Case {
    const char* input;
    const char* expected;
};

TEST_F(CalculateTest, ReplacesTheLargestCalculableParts)
{
    const Case cases[] = {
        {"2+3*x", "2+3*x"},
        {"[2+3]*x", "5*x"},
        {"sin(pi/2)", "1"},
        {"sin(pi/2)+x", "1+x"},
        {"pi", "3.141592653589793"},
        {"e*x", "2.718281828459045*x"},
        // e^x stays e^x when x has no value.
        {"e^x", "e^x"},
        {"e^2", "7.38905609893065"},
        {"sum(k^2,k=1,3)", "14"},
        {"x*sum(k^2,k=1,3)", "x*14"},
        // An index keeps its summation: neither the index equation nor an
        // index in a body without value is replaced.
        {"sum(k^2*x,k=1,3)", "sum(k^2*x,k=1,3)"},
        {"sum(k*x,k=1,n)", "sum(k*x,k=1,n)"},
        {"x*sum(k,k=1+1,n)", "x*sum(k,k=2,n)"},
        // Complex values where the real one is undefined.
        {"sqrt(-4)", "2*i"},
        {"sqrt(-4)+1", "1+2*i"},
        {"sqrt(-4)*x", "2*i*x"},
        {"i^2", "-1"},
        {"(1+i)*(1-i)", "2"},
        {"1/(2*i)", "-(0.5*i)"},
        {"ln(-1)", "3.141592653589793*i"},
        // Intervals, in the order the interval arithmetic gives the ends.
        {"interval(1,2)+1", "interval(2,3)"},
        {"interval(1,2)*interval(~1,3)+x", "interval(-2,6)+x"},
        {"1/interval(2,4)", "interval(0.25,0.5)"},
        // No value: the subtree stays and its operands are tried.
        {"0/0*x", "0/0*x"},
        {"0/0*(1+1)", "0/0*2"},
        {"function(f,2)", "function(f,2)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Calculated(c.input), c.expected) << c.input;
}

TEST_F(CalculateTest, AnIndexHasNoValueApartFromItsSummation)
{
    FormulaNode* tree = ReadFormula("sum(k^2+(1+2),k=1,3)");
    EditorState state;
    state.root = tree;
    state.current = tree->children[0];
    state.document = &doc;
    SetCurrentEditorState(&state);
    CalculateSelection();
    SetCurrentEditorState(nullptr);
    EXPECT_EQ(LinearText(tree), "sum(k^2+3,k=1,3)");
    FreeTree(tree);
}

TEST_F(CalculateTest, GivesBackEveryBlockOfBudget)
{
    const char* inputs[] = {"sin(pi/2)*x", "0/0*x", "sum(k^2,k=1,3)", "sqrt(-4)+1", "interval(1,2)+1"};
    // The first run makes what the process keeps: the frame, the batch lists.
    Calculated("sin(1)");
    for (const char* input : inputs) {
        FlushNodePools();
        double before = MemoryBudgetCount();
        Calculated(input);
        FlushNodePools();
        EXPECT_EQ(MemoryBudgetCount(), before) << input;
    }
}

TEST_F(CalculateTest, LeavesTheFormulaWhenMemoryIsRefused)
{
    Calculated("sin(1)");
    FlushNodePools();
    double before = MemoryBudgetCount();
    FormulaNode* tree = ReadFormula("sin(pi/2)*x+sqrt(-4)");
    EditorState state;
    state.root = state.current = tree;
    state.document = &doc;
    SetCurrentEditorState(&state);
    {
        PoolsExhausted exhausted;
        CalculateSubtree(tree, &doc);
    }
    SetCurrentEditorState(nullptr);
    EXPECT_TRUE(IsConsistent(tree));
    EXPECT_EQ(LinearText(tree), "sin(pi/2)*x+sqrt(-4)");
    FreeTree(tree);
    FlushNodePools();
    EXPECT_EQ(MemoryBudgetCount(), before);
}

TEST_F(CalculateTest, SubtreeValues)
{
    FormulaNode* tree = ReadFormula("-(2.5)");
    EXPECT_EQ(EvaluateSubtreeReal(tree, &doc), -2.5);
    FreeTree(tree);
    tree = ReadFormula("sqrt(2)*sqrt(2)");
    EXPECT_NEAR(EvaluateSubtreeReal(tree, &doc), 2, 1e-15);
    FreeTree(tree);
    tree = ReadFormula("log(-1)");
    EXPECT_TRUE(std::isnan(EvaluateSubtreeReal(tree, &doc)));
    FreeTree(tree);

    tree = MakeComplexNumberNode(1, -2);
    EXPECT_EQ(LinearText(tree), "1+-2*i");
    FreeTree(tree);
    tree = MakeComplexNumberNode(0, 3);
    EXPECT_EQ(LinearText(tree), "3*i");
    FreeTree(tree);
    tree = MakeComplexNumberNode(4, 0);
    EXPECT_EQ(LinearText(tree), "4");
    FreeTree(tree);
}

}  // namespace
