#include "editor/Deletion.h"
#include "editor/EditorCommands.h"
#include "editor/FormulaScrap.h"
#include "editor/OperatorInsertion.h"
#include "editor/TemplateInsertion.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "support/EditTreeInvariants.h"
#include "support/KeyTyping.h"
#include "support/TypesetFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int32_t kBackspace = 5641;
constexpr int32_t kDelete = 5649;
constexpr int32_t kClear = 8707;

class EditingCommandsTest : public TypesetTest {
protected:
    void SetUp() override
    {
        TypesetTest::SetUp();
        ResetEditorUndo();
        ResetCommandRepeat();
    }
    void TearDown() override
    {
        ClearFormulaScrap();
        TypesetTest::TearDown();
    }

    std::string Typed(const std::string& keys)
    {
        SetFormula(MakePlaceholderNode());
        ClearUndoSnapshots(&state_);
        TypeKeys(&state_, keys);
        EXPECT_TRUE(EditTreeInvariantsHold(state_)) << keys;
        return Text();
    }

    // Loads the formula, selects the node in the mode and runs the command.
    std::string After(const char* formula, const char* node, int occurrence, int32_t mode, int32_t code)
    {
        Load(formula);
        if (!Select(node, occurrence, mode))
            return "<no node>";
        ClearUndoSnapshots(&state_);
        RunEditorCommand(code, 0, &state_, nullptr);
        EXPECT_TRUE(EditTreeInvariantsHold(state_)) << formula << " " << node << " " << code;
        return Text();
    }
};

// Each operator class against the three places it can be typed at: on a
// selected node, after it and before it.
TEST_F(EditingCommandsTest, InsertionByClassAndMode)
{
    struct Case {
        int32_t kind;
        int32_t mode;
        const char* text;
        const char* selected;
    };
    const Case cases[] = {
        {KindSum, SelectionNode, "x+?", "?"},
        {KindSum, CaretAfter, "x+?", "?"},
        {KindSum, CaretBefore, "?+x", "?"},
        {KindProduct, SelectionNode, "?*x", "?"},
        {KindProduct, CaretAfter, "x*?", "?"},
        {KindProduct, CaretBefore, "?*x", "?"},
        {KindFraction, SelectionNode, "x/?", "?"},
        {KindFraction, CaretAfter, "x/?", "?"},
        {KindFraction, CaretBefore, "?/x", "?"},
        {KindPower, CaretAfter, "x^?", "?"},
        {KindPower, CaretBefore, "?^x", "?"},
        {KindSin, SelectionNode, "sin(x)", "x"},
        {KindSin, CaretAfter, "x*sin(?)", "?"},
        {KindSin, CaretBefore, "sin(x)", "x"},
        {KindParentheses, SelectionNode, "(x)", "x"},
        {KindParentheses, CaretAfter, "x*(?)", "?"},
        {KindParentheses, CaretBefore, "(?)*x", "?"},
        {KindFact, SelectionNode, "x!", "x!"},
        {KindFact, CaretAfter, "x!", "x!"},
        {KindFact, CaretBefore, "?!*x", "?"},
        {KindMinus, SelectionNode, "x-?", "?"},
        {KindMinus, CaretAfter, "x-?", "?"},
        {KindMinus, CaretBefore, "-x", "x"},
        {KindEquation, SelectionNode, "x=?", "?"},
        {KindEquation, CaretBefore, "?=x", "?"},
        {KindMatrix, SelectionNode, "vector(x)", "x"},
    };
    for (const Case& c : cases) {
        Load("x");
        state_.mode = c.mode;
        RunEditorCommand(c.kind, 0, &state_, nullptr);
        EXPECT_TRUE(EditTreeInvariantsHold(state_));
        EXPECT_EQ(Text(), c.text) << c.kind << " in mode " << c.mode;
        EXPECT_EQ(Selected(), c.selected) << c.kind << " in mode " << c.mode;
    }
}

TEST_F(EditingCommandsTest, TypedOperatorsBuildTrees)
{
    struct Case {
        const char* keys;
        const char* text;
    };
    const Case cases[] = {
        {"x+1", "x+1"},
        {"2*3", "2*3"},
        {"x/2", "x/2"},
        {"x^2+1", "x^(2+1)"},         // + inside an exponent stays there
        {"x^2<R>+1", "x^2+1"},
        {"a-b", "a-b"},
        {"x+1=y", "x+1=y"},           // = takes the whole side
        {"maxa;b", "max(a,b)"},        // a list separator stays in the argument list
        {"a;b", "a,b"},
        {"x!", "x!"},
        {"(x+1)", "(x+1)"},
        {"sinx*y", "sin(x)*y"},
        {"x<L>-", "-x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Typed(c.keys), c.text) << c.keys;
}

TEST_F(EditingCommandsTest, EqualsAfterAProductOfNameAndParenthesesMakesAnApplication)
{
    Load("f*[x]");
    Select("x", 0, CaretAfter);
    InsertRelation(KindEquation);
    EXPECT_TRUE(EditTreeInvariantsHold(state_));
    EXPECT_EQ(Text(), "function(f,x)=?");
}

TEST_F(EditingCommandsTest, BackspaceTable)
{
    struct Case {
        const char* formula;
        const char* node;
        int occurrence;
        int32_t mode;
        const char* text;
    };
    const Case cases[] = {
        {"a+b", "b", 0, CaretBefore, "a*b"},
        {"a-x", "x", 0, CaretBefore, "a*x"},
        {"123", "123", 0, CaretAfter, "12"},
        {"7+a", "7", 0, CaretAfter, "?+a"},
        {"2*x", "x", 0, CaretAfter, "2"},
        {"sin(x)", "x", 0, CaretBefore, "x"},
        {"[x+1]", "(x+1)", 0, CaretAfter, "x+1"},
        {"12*34", "34", 0, CaretBefore, "1234"},
        {"a/b", "b", 0, CaretBefore, "a*b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(After(c.formula, c.node, c.occurrence, c.mode, kBackspace), c.text) << c.formula;
}
TEST_F(EditingCommandsTest, EmptyOperandsGoWhereTheyMakeNoSense)
{
    // The empty argument of sin: the sin goes, an empty box is left.
    SetFormula(Node(KindSin, {MakePlaceholderNode()}));
    state_.current = root_->children[0];
    RunEditorCommand(kBackspace, 0, &state_, nullptr);
    EXPECT_TRUE(EditTreeInvariantsHold(state_));
    EXPECT_EQ(Text(), "?");
    // An empty cell of a vector goes; one of a 2x2 matrix selects the matrix.
    SetFormula(Matrix(3, 1, {Var('x'), MakePlaceholderNode(), Var('z')}));
    state_.current = root_->children[1];
    RunEditorCommand(kBackspace, 0, &state_, nullptr);
    EXPECT_TRUE(EditTreeInvariantsHold(state_));
    EXPECT_EQ(Text(), "vector(x,z)");
    SetFormula(Matrix(2, 2, {Var('a'), MakePlaceholderNode(), Var('c'), Var('d')}));
    state_.current = root_->children[1];
    RunEditorCommand(kBackspace, 0, &state_, nullptr);
    EXPECT_EQ(Text(), "matrix(2,2,a,?,c,d)");
    EXPECT_EQ(state_.current, root_);
}

TEST_F(EditingCommandsTest, DeleteAndClear)
{
    // Delete with a plain caret outside an atom does nothing.
    EXPECT_EQ(After("a+b", "a", 0, CaretAfter, kDelete), "a+b");
    // Escape on the gap of a + b empties the whole operator node.
    Load("a+b+c");
    state_.mode = SelectionGap;
    state_.caret = 0;
    RunEditorCommand(kClear, 0, &state_, nullptr);
    EXPECT_EQ(Text(), "?");
    // Two whole rows of a 3x3 matrix go; the whole matrix stays.
    Load("matrix(3,3,1,2,3,4,5,6,7,8,9)");
    state_.mode = SelectionCells;
    state_.caret = 0;
    state_.anchor = 5;
    RunEditorCommand(kClear, 0, &state_, nullptr);
    EXPECT_EQ(Text(), "matrix(1,3,7,8,9)");
    state_.mode = SelectionCells;
    state_.caret = 0;
    state_.anchor = 2;
    RunEditorCommand(kClear, 0, &state_, nullptr);
    EXPECT_EQ(Text(), "matrix(1,3,7,8,9)");
    // Backspace inside a number's text takes the digit before the caret.
    Load("12345");
    state_.mode = InNumber;
    state_.caret = state_.anchor = 2;
    RunEditorCommand(kBackspace, 0, &state_, nullptr);
    EXPECT_EQ(Text(), "1345");
    EXPECT_EQ(state_.caret, 1);
}

TEST_F(EditingCommandsTest, MergedNumbersKeepTheCaretWhereTheyMet)
{
    After("12*34", "34", 0, CaretBefore, kBackspace);
    EXPECT_EQ(state_.mode, InNumber);
    EXPECT_EQ(state_.caret, 2);
}

TEST_F(EditingCommandsTest, MatrixGrowthStopsAtTheLargestExtent)
{
    Load("matrix(1,2,a,b)");
    Select("a");
    for (int i = 0; i < 120; ++i)
        AddMatrixRow();
    EXPECT_EQ(root_->payload.pair.low, kLargestMatrixExtent);
    for (int i = 0; i < 120; ++i)
        AddMatrixColumn();
    EXPECT_EQ(root_->payload.pair.high, kLargestMatrixExtent);
    EXPECT_TRUE(EditTreeInvariantsHold(state_));
}

TEST_F(EditingCommandsTest, CellBlockArithmeticWithTheScrap)
{
    auto blockOp = [this](const char* scrap, int32_t kind) {
        Load(scrap);
        RunEditorCommand(8705, 0, &state_, nullptr);
        Load("matrix(2,3,a,b,c,d,e,f)");
        state_.mode = SelectionCells;
        state_.caret = 0;
        state_.anchor = 4;
        RunEditorCommand(kind, 0, &state_, nullptr);
        EXPECT_TRUE(EditTreeInvariantsHold(state_));
        return Text();
    };
    EXPECT_EQ(blockOp("matrix(2,2,1,2,3,4)", KindSum), "matrix(2,3,a+1,b+2,c,d+3,e+4,f)");
    EXPECT_EQ(blockOp("matrix(2,2,1,2,3,4)", KindMinus), "matrix(2,3,a-1,b-2,c,d-3,e-4,f)");
    // A scrap of another shape changes nothing.
    EXPECT_EQ(blockOp("matrix(2,3,1,2,3,4,5,6)", KindSum), "matrix(2,3,a,b,c,d,e,f)");
    EXPECT_EQ(blockOp("k", KindProduct), "matrix(2,3,a*k,b*k,c,d*k,e*k,f)");
}

TEST_F(EditingCommandsTest, PaletteSquareRootSelectsTheRootKeyboardLeavesTheCaret)
{
    Load("x");
    KeypadCommandActive = 1;
    InsertOperatorNode(KindSqrt);
    KeypadCommandActive = 0;
    EXPECT_EQ(Selected(), "sqrt(x)");
    EXPECT_EQ(state_.mode, SelectionNode);
    Load("x");
    InsertOperatorNode(KindSqrt);
    EXPECT_EQ(Selected(), "x");
    EXPECT_EQ(state_.mode, CaretBefore);
}

TEST_F(EditingCommandsTest, DotAfterGradientMakesDivergence)
{
    SetFormula(Node(KindGrad, {Var('F')}));
    state_.current = root_->children[0];
    state_.mode = CaretBefore;
    InsertOperatorNode(KindDot);
    EXPECT_EQ(root_->kind, KindDiv);
    root_->kind = KindGrad;
    InsertOperatorNode(KindCross);
    EXPECT_EQ(root_->kind, KindCurl);
}

TEST_F(EditingCommandsTest, TemplatesFillTheirSlots)
{
    struct Case {
        int32_t code;
        const char* text;
    };
    const Case cases[] = {
        {6314, "x^2"}, {6316, "e^x"}, {6319, "sqrt(x,3)"}, {6313, "1/x"}, {6321, "log(x,2)"},
        {6326, "x_1"}, {6336, "integral(x,x,0,1)"}, {6337, "matrix(2,2,1,0,0,1)"},
    };
    for (const Case& c : cases) {
        Load("x");
        RunEditorCommand(c.code, 0, &state_, nullptr);
        EXPECT_TRUE(EditTreeInvariantsHold(state_)) << c.code;
        EXPECT_EQ(Text(), c.text) << c.code;
    }
}

}  // namespace
