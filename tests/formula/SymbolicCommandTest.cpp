#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolicCommand.h"
#include "formula/TreeWalk.h"
#include "support/ClosedForm.h"
#include "support/EditorFixture.h"
#include "support/LinearText.h"

#include <cmath>
#include <algorithm>
#include <chrono>
#include <string>

namespace {

constexpr int32_t kSimplify = 8192;
constexpr int32_t kExpand = 8194;
constexpr int32_t kTransform = 8219;

class SymbolicCommandTest : public EditorTest {};

TEST_F(SymbolicCommandTest, EquationsSplitAcrossTheOperatorTheyStandIn)
{
    const struct {
        const char* input;
        const char* expected;
    } cases[] = {
        {"2*(x=y)", "2*x=2*y"},
        {"(x=y)+1", "x+1=y+1"},
        {"(x=y=z)^2", "x^2=y^2=z^2"},
        // Lists, conditions and logic keep their equations.
        {"(x=1,y=2)", "x=1,y=2"},
        {"if(x=1,2)", "if(x=1,2)"},
        {"And(x=1,y=2)", "And(x=1,y=2)"},
    };
    for (const auto& c : cases) {
        Load(c.input);
        SplitEquationsInSelection();
        EXPECT_EQ(Text(), c.expected) << c.input;
        EXPECT_TRUE(IsLiveSelection(state_, root_)) << c.input;
    }
}

TEST_F(SymbolicCommandTest, SimplifyCarriesOutDerivativesAndSplitsEquations)
{
    const struct {
        const char* input;
        const char* expected;
    } cases[] = {
        {"function(optotal(x),x^3)+x^2+x^2", "5*x^2"},
        {"2*(x=y+y)", "2*x=4*y"},
        {"[x+x]*3", "6*x"},
        // A derivative, a matrix product and a substitution in one command.
        {"(function(optotal(x),x^2),matrix(2,2,1,2,3,4)*matrix(2,1,1,1),substitution(y^2,y=3))", "2*x,vector(3,7),9"},
    };
    for (const auto& c : cases) {
        Load(c.input);
        Run(kSimplify);
        EXPECT_EQ(Text(), c.expected) << c.input;
    }
}

TEST_F(SymbolicCommandTest, EquationsBesideOrInsideEquationsAreNotSplit)
{
    const struct {
        const char* input;
        const char* expected;
    } cases[] = {
        // One more side, spliced in by the simplifier.
        {"a=(b=c)", "a=b=c"},
        // Two equations side by side have no one split.
        {"(x=y)+(a=b)", "(x=y)+(a=b)"},
        {"2*(x=y)*(a=b)", "2*(a=b)*(x=y)"},
    };
    for (const auto& c : cases) {
        Load(c.input);
        Run(kSimplify);
        EXPECT_EQ(Text(), c.expected) << c.input;
    }
}

// Simplify with its derivative steps, at points of both signs against the
// result written out with <cmath>.
TEST_F(SymbolicCommandTest, SimplifyKeepsValuesAtNegativePoints)
{
    const struct {
        const char* input;
        const char* expected;
        ClosedForm closed;
    } cases[] = {
        {"sqrt(x^2)", "abs(x)", [](double x, double) { return std::fabs(x); }},
        {"function(optotal(x),sqrt(x^2))", "sgn(x)", [](double x, double) { return x > 0 ? 1.0 : -1.0; }},
        {"function(optotal(x),(x^2)^(3/2))", "3*sgn(x)*x^2", [](double x, double) { return 3 * x * std::fabs(x); }},
        {"sqrt(x/(x+1))+0", "sqrt(x/(x+1))", [](double x, double) { return std::sqrt(x / (x + 1)); }},
        {"function(optotal(x),sum(x^k,k=1,3))", "sum(k*x^(k-1),k=1,3)",
            [](double x, double) { return 1 + 2 * x + 3 * x * x; }},
    };
    for (const auto& c : cases) {
        Load(c.input);
        Run(kSimplify);
        EXPECT_EQ(Text(), c.expected) << c.input;
        EXPECT_TRUE(AgreesWithClosedForm(root_, c.closed)) << c.input;
    }
}

TEST_F(SymbolicCommandTest, ABracketOfAnIndefiniteIntegralStaysPending)
{
    Load("integral(x^2,x,0,1)");
    Run(kTransform);
    EXPECT_EQ(Text(), "substitution(integral(x^2,x),x=0,1)");
    Run(kSimplify);
    const char* difference = "substitution(integral(x^2,x),x=1)-substitution(integral(x^2,x),x=0)";
    EXPECT_EQ(Text(), difference);
    // Carrying it out would need the antiderivative: nothing else changes.
    Run(kSimplify);
    EXPECT_EQ(Text(), difference);
    Run(kTransform);
    EXPECT_EQ(Text(), difference);
}

TEST_F(SymbolicCommandTest, ARunOfOperandsIsGroupedFirst)
{
    Load("a+x+x+b");
    state_.mode = SelectionRun;
    state_.anchor = 1;
    state_.caret = 2;
    Run(kSimplify);
    EXPECT_EQ(Text(), "a+2*x+b");
    EXPECT_EQ(Selected(), "2*x");
    EXPECT_EQ(state_.mode, SelectionNode);
}

TEST_F(SymbolicCommandTest, ABlockOfCellsIsWorkedOnceForEachCell)
{
    auto cells = [] {
        FormulaNode* body = Var('k');
        return Matrix(2, 2, {BigOperator(KindSigma, CopyTree(body), 'k', 1, 3),
                                BigOperator(KindSigma, CopyTree(body), 'k', 1, 3),
                                BigOperator(KindSigma, CopyTree(body), 'k', 1, 3), BigOperator(KindSigma, body, 'k', 1, 3)});
    };
    // The whole block: each cell gives up one term, once.
    SetFormula(cells());
    state_.mode = SelectionCells;
    state_.anchor = 0;
    state_.caret = 3;
    Run(kExpand);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(LinearText(root_->children[i]), "sum(k,k=2,3)+1") << i;
    EXPECT_EQ(state_.current, root_);
    EXPECT_EQ(state_.mode, SelectionCells);
    EXPECT_EQ(state_.caret, 3);

    // The right column only.
    SetFormula(cells());
    state_.mode = SelectionCells;
    state_.anchor = 1;
    state_.caret = 3;
    Run(kExpand);
    EXPECT_EQ(LinearText(root_->children[0]), "sum(k,k=1,3)");
    EXPECT_EQ(LinearText(root_->children[3]), "sum(k,k=2,3)+1");

    // A caret left of or above the anchor selects no cell; nor does a caret
    // mode select anything.
    for (auto [mode, anchor, caret] : {std::tuple{5, 1, 2}, std::tuple{5, 2, 1}, std::tuple{2, 0, 0}}) {
        SetFormula(cells());
        std::string before = Text();
        state_.mode = mode;
        state_.anchor = anchor;
        state_.caret = caret;
        Run(kExpand);
        EXPECT_EQ(Text(), before) << anchor << " " << caret;
    }
}

// One failure must not stop every later command: a flag left raised by an
// earlier shortage is lowered once memory is back, and a command that ran out
// reports 36, keeps the formula, and leaves the next command free to run.
TEST_F(SymbolicCommandTest, AnAbortIsReportedOnceAndLaterCommandsRun)
{
    Load("x+x");
    AbortFlag = 1;
    Run(kSimplify);
    EXPECT_EQ(Text(), "2*x");
    EXPECT_FALSE(AbortFlag);

    Load("x+x");
    ResetFailureRegister();
    size_t undoSteps = state_.undo.size();
    PlanBudgetRefusals(1, true);
    Run(kSimplify);
    EndBudgetRefusals();
    EXPECT_EQ(Text(), "x+x");
    EXPECT_EQ(TakePendingFailure(), 36);
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(state_.undo.size(), undoSteps) << "an undo step for a command that did not run";

    // Each failing command is heard of, not only the first.
    PlanBudgetRefusals(1, true);
    Run(kSimplify);
    EndBudgetRefusals();
    EXPECT_EQ(TakePendingFailure(), 36);

    Run(kSimplify);
    EXPECT_EQ(Text(), "2*x");
    EXPECT_EQ(TakePendingFailure(), 0);
}

// a + b^2 + c + ... over seven letters (every term has many like terms), or
// over as many variables as terms (no two alike).
FormulaNode* WideSum(uint32_t terms, uint32_t letters)
{
    FormulaNode* sum = MakeNode(KindSum, terms);
    for (uint32_t i = 0; i < terms; ++i) {
        FormulaNode* letter = Var(300 + i % letters);
        FormulaNode* term = i % 3 ? letter : Node(KindPower, {letter, Num(2)});
        sum->children[i] = term;
        term->parent = sum;
    }
    return sum;
}

// Like terms of a wide sum are gathered in near-linear time.
TEST_F(SymbolicCommandTest, AWideSumSimplifiesQuickly)
{
    for (uint32_t letters : {7u, 65000u}) {
        SetFormula(WideSum(65535, letters));
        auto start = std::chrono::steady_clock::now();
        Run(kSimplify);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, 5.0) << letters;
        EXPECT_FALSE(AbortFlag);
        if (letters == 7)
            EXPECT_LT(Text().size(), 300u) << "like terms were not gathered";
    }
}

// A product of many binomials would have 2^20 terms: the expansion stops with
// the memory failure and the formula is left as it was.
TEST_F(SymbolicCommandTest, AnExpansionPastTheBudgetStopsAndKeepsTheFormula)
{
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += (i ? "*(#" : "(#") + std::to_string(300 + 2 * i) + "+#" + std::to_string(301 + 2 * i) + ")";
    Load(text.c_str());
    std::string before = Text();
    ResetFailureRegister();
    auto start = std::chrono::steady_clock::now();
    Run(kExpand);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 5.0);
    EXPECT_EQ(Text(), before);
    EXPECT_EQ(TakePendingFailure(), 36);
    EXPECT_FALSE(AbortFlag);

    // A small product still expands in full.
    Load("(a+b)*(c+d)*(e+f)");
    Run(kExpand);
    std::string expanded = Text();
    EXPECT_EQ(std::count(expanded.begin(), expanded.end(), '+'), 7) << expanded;
}

}  // namespace

namespace {

// Every command on every node of formulas that reach most rules: the tree
// stays whole and the selection live (checked by Run), and no block is lost
// (checked by the fixture).
TEST_F(SymbolicCommandTest, EveryCommandOnEveryNodeKeepsTheTreeWhole)
{
    uint32_t runs = 0;
    for (const char* text : FormulasReachingMostRules()) {
        SCOPED_TRACE(text);
        Load(text);
        uint32_t count = 0;
        for (PreorderWalk walk(root_); walk.Node(); walk.Next())
            ++count;
        for (int32_t code : SymbolicCommandCodes()) {
            for (uint32_t i = 0; i < count; ++i) {
                Load(text);
                PreorderWalk walk(root_);
                for (uint32_t k = 0; k < i; ++k)
                    walk.Next();
                state_.current = walk.Node();
                Run(code);
                Run(code);
                ++runs;
            }
        }
    }
    EXPECT_GT(runs, 1000u);
}

}  // namespace
