// Every symbolic command, and compiling and evaluating a formula over a grid,
// run again and again with the 1st, 2nd, 3rd ... budgeted allocation refused
// (and again with every allocation from then on refused), until a run meets
// no refusal. After each run nothing may have crashed, the formula is as it
// was or as the run without refusals leaves it, and every byte of the budget
// and every pool block has come back.
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "editor/DoSymbolicCommand.h"
#include "formula/EditorState.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/GridProgramSet.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/TreeWalk.h"
#include "support/EditorFixture.h"
#include "support/FormulaReader.h"
#include "support/LinearText.h"
#include "support/TreeFixture.h"
#include "support/TreeText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace {

// Far more than any case here needs; a sweep that reaches it has not ended.
constexpr int64_t kMaxRuns = 4000;

struct Footprint {
    double budget;
    std::vector<uint32_t> blocks;
};

Footprint Measure()
{
    std::vector<uint32_t> blocks = OutstandingBlocks();  // flushes first
    return {MemoryBudgetCount(), blocks};
}

class RefusalSweepTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        AbortFlag = 0;
        ResetFailureRegister();
    }
    void TearDown() override
    {
        EndBudgetRefusals();
        AbortFlag = 0;
        ResetFailureRegister();
    }

    DocState doc_;
};

struct CommandCase {
    int32_t code;
    const char* formula;
    const char* selected;  // null: the whole formula
};

// One run of the command on a fresh copy of the formula with the plan set;
// answers the text it left and whether a refusal was met.
struct CommandRun {
    std::string original;
    std::string text;
    bool metRefusal;
    bool failurePosted;
};

CommandRun RunCommand(DocState* doc, const CommandCase& c, int64_t first, bool everyFromThen)
{
    CommandRun run{};
    Footprint before = Measure();
    FormulaNode* root = ReadFormula(c.formula);
    EXPECT_NE(root, nullptr) << c.formula;
    if (!root)
        return run;
    EditorState state;
    state.document = doc;
    state.root = state.current = root;
    state.mode = SelectionNode;
    if (c.selected) {
        for (PreorderWalk walk(root); walk.Node(); walk.Next()) {
            if (LinearText(walk.Node()) == c.selected) {
                state.current = walk.Node();
                break;
            }
        }
    }
    SetCurrentEditorState(&state);
    ResetFailureRegister();
    run.original = LinearText(root);
    if (first > 0)
        PlanBudgetRefusals(first, everyFromThen);
    DoSymbolicCommand(c.code);
    EndBudgetRefusals();
    run.metRefusal = BudgetRefusalsMet() > 0;
    run.failurePosted = TakePendingFailure() == 36;
    run.text = LinearText(root);
    EXPECT_FALSE(AbortFlag) << c.formula << " refusal " << first;
    EXPECT_TRUE(IsLiveSelection(state, root)) << c.formula << " refusal " << first;
    SetCurrentEditorState(nullptr);
    for (EditorSnapshot& snapshot : state.undo)
        FreeTree(snapshot.formula);
    state.undo.clear();
    FreeTree(root);
    Footprint after = Measure();
    EXPECT_EQ(after.budget, before.budget) << c.formula << " refusal " << first;
    EXPECT_EQ(after.blocks, before.blocks) << c.formula << " refusal " << first;
    AbortFlag = 0;
    return run;
}

void SweepCommand(DocState* doc, const CommandCase& c, bool everyFromThen)
{
    const CommandRun clean = RunCommand(doc, c, 0, false);
    ASSERT_FALSE(clean.failurePosted) << c.formula;
    for (int64_t first = 1; first <= kMaxRuns; ++first) {
        CommandRun run = RunCommand(doc, c, first, everyFromThen);
        if (::testing::Test::HasFailure())
            return;
        if (!run.metRefusal) {
            EXPECT_EQ(run.text, clean.text) << c.formula;
            return;
        }
        // Either the command did its whole work, or nothing and said so.
        if (run.text != clean.text) {
            EXPECT_EQ(run.text, run.original) << c.code << " refusal " << first;
            EXPECT_TRUE(run.failurePosted) << c.formula << " refusal " << first;
        }
    }
    ADD_FAILURE() << c.formula << ": the sweep did not end";
}

const CommandCase kCommandCases[] = {
    {8192, "2*(x+y)-x*3+4/6", nullptr},
    {8192, "function(optotal(x),x^3*sin(x))+x^2", nullptr},
    {8192, "(matrix(2,2,1,2,3,4)*matrix(2,1,x,1),substitution(y^2,y=3))", nullptr},
    {8192, "2*(x=y+y)", nullptr},
    {8194, "(x+1)^3*(a+b)", nullptr},
    {8194, "1+sum(k^2,k=1,3)", nullptr},
    {8199, "sin(pi/2)*x+sqrt(4)+3!", nullptr},
    {8214, "y=2*x+1", "x"},
    {8214, "y=sin(x)^2/3", "x"},
    {8219, "ln(a*b*c)+log(8,2)", "ln(a*b*c)"},
    {8219, "abs(matrix(2,2,a,2,3,4))", nullptr},
    {8219, "choice(5,k)", nullptr},
    {8219, "x^4", nullptr},
    {8219, "a*integral(sin(x),x,0,1)", "integral(sin(x),x,0,1)"},
    {8448, "a+b+c=d", "b"},
    {8448, "y=a+b", "b"},
    {8449, "2*(x+y)", "2"},
    {8450, "a+b+c+d", "a"},
    {8451, "x+3=5", "3"},
    {8454, "(a*b)^2", "a"},
    {8455, "a*b+a*c", "a"},
    {8448, "x^3", "x"},
    {8448, "a/b", "b"},
    {8457, "a*b*c", "a"},
};

TEST_F(RefusalSweepTest, SymbolicCommandsSurviveEachRefusal)
{
    for (const CommandCase& c : kCommandCases) {
        SCOPED_TRACE(c.formula);
        SweepCommand(&doc_, c, false);
        if (HasFailure())
            return;
    }
}

TEST_F(RefusalSweepTest, SymbolicCommandsSurviveRefusalsFromThenOn)
{
    for (const CommandCase& c : kCommandCases) {
        SCOPED_TRACE(c.formula);
        SweepCommand(&doc_, c, true);
        if (HasFailure())
            return;
    }
}

// Every command on every node of formulas that reach most rules.
TEST_F(RefusalSweepTest, EveryCommandOnEveryNodeSurvivesEachRefusal)
{
    for (const char* text : FormulasReachingMostRules()) {
        FormulaNode* tree = ReadFormula(text);
        ASSERT_NE(tree, nullptr);
        std::vector<std::string> nodes;
        for (PreorderWalk walk(tree); walk.Node(); walk.Next())
            nodes.push_back(LinearText(walk.Node()));
        FreeTree(tree);
        for (int32_t code : SymbolicCommandCodes()) {
            for (const std::string& node : nodes) {
                SCOPED_TRACE(std::string(text) + " at " + node + " code " + std::to_string(code));
                CommandCase c{code, text, node.c_str()};
                SweepCommand(&doc_, c, false);
                SweepCommand(&doc_, c, true);
                if (HasFailure())
                    return;
            }
        }
    }
}

// Compiles the formula and evaluates it over a small grid, row by row and
// point by point; answers the values and whether a refusal was met.
struct GridRun {
    std::vector<double> values;
    bool metRefusal;
};

constexpr int32_t kGridSide = 6;

GridRun RunGrid(DocState* doc, const char* text, int64_t first, bool everyFromThen)
{
    GridRun run{};
    Footprint before = Measure();
    FormulaNode* tree = ParseTree(text);
    EXPECT_NE(tree, nullptr) << text;
    if (!tree)
        return run;
    if (first > 0)
        PlanBudgetRefusals(first, everyFromThen);
    {
        auto* formula = new CompiledFormula(tree, doc);
        CompileFormula(formula);
        GridProgramSet* set = LinkGridFormula(formula);
        GridEvalState state;
        std::vector<double> row(kGridSide * kGridSide, NAN);
        if (set && PrepareGrid2D(-1, -1, 0.4, 0.4, kGridSide, kGridSide, set, &state)) {
            for (int32_t j = 0; j < kGridSide; ++j) {
                if (formula->canEvaluateRows) {
                    formula->EvaluateRow(j, &state, row.data() + j * kGridSide);
                } else {
                    for (int32_t i = 0; i < kGridSide; ++i)
                        row[j * kGridSide + i] = formula->EvaluateAtGridPoint(i, j, &state);
                }
            }
        }
        run.values = row;
        run.values.push_back(formula->EvaluateAtXY(0.5, 0.25));
        EndBudgetRefusals();
        run.metRefusal = BudgetRefusalsMet() > 0;
        delete set;
        delete formula;
    }
    Footprint after = Measure();
    EXPECT_EQ(after.budget, before.budget) << text << " refusal " << first;
    EXPECT_EQ(after.blocks, before.blocks) << text << " refusal " << first;
    AbortFlag = 0;
    ResetFailureRegister();
    return run;
}

void SweepGrid(DocState* doc, const char* text, bool everyFromThen)
{
    const GridRun clean = RunGrid(doc, text, 0, false);
    for (int64_t first = 1; first <= kMaxRuns; ++first) {
        GridRun run = RunGrid(doc, text, first, everyFromThen);
        if (::testing::Test::HasFailure())
            return;
        ASSERT_EQ(run.values.size(), clean.values.size());
        // A value is right or undefined, never wrong.
        for (size_t k = 0; k < run.values.size(); ++k) {
            if (!std::isnan(run.values[k]))
                EXPECT_EQ(run.values[k], clean.values[k]) << text << " refusal " << first << " value " << k;
        }
        if (!run.metRefusal) {
            return;
        }
    }
    ADD_FAILURE() << text << ": the sweep did not end";
}

const char* const kGridFormulas[] = {
    "(* (sin x) (cos y))",
    "(+ (power x 2) (* 3 y) (sqrt (+ (power x 2) (power y 2))))",
    "(+ (exp (* x y)) (abs (+ x (minus y))) (sum (over (power x k) (fact k)) (= k 0) 4))",
    "(branch (if 1 (< x 0)) (if (sqrt y) (> x 0)) 5)",
    "(+ (* i x) (power y (over 1 3)))",
};

TEST_F(RefusalSweepTest, CompilingAndGridEvaluationSurviveEachRefusal)
{
    for (const char* text : kGridFormulas) {
        SweepGrid(&doc_, text, false);
        SweepGrid(&doc_, text, true);
        if (HasFailure())
            return;
    }
}

}  // namespace
