#include "editor/CaretGeometry.h"
#include "editor/CaretMoves.h"
#include "editor/EditorCommands.h"
#include "editor/EditorPredicates.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "support/KeyTyping.h"
#include "support/LinearText.h"
#include "support/TreeFixture.h"
#include "support/TypesetFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class CaretMovesTest : public TypesetTest {
protected:
    // The selection as "text@mode".
    std::string Where() const { return Selected() + "@" + std::to_string(state_.mode); }
};

TEST_F(CaretMovesTest, SelectionTakesOneFormPerPlace)
{
    struct Case {
        const char* formula;
        const char* node;
        int32_t mode;
        const char* normalised;
    };
    const Case cases[] = {
        {"a*b", "b", CaretBefore, "a@3"},          // before a factor is after the one before
        {"2*3", "3", CaretBefore, "3@4"},          // two numbers keep two places
        {"a+b", "a+b", CaretAfter, "b@3"},         // after a row is after its last operand
        {"a+b", "a+b", CaretBefore, "a@4"},
        {"a-b", "-b", CaretBefore, "a@3"},         // before a negative term
        {"a+b", "b", CaretBefore, "b@4"},          // a term keeps its place
        {"sin(x)", "sin(x)", CaretAfter, "x@3"},
        {"sqrt(x)", "sqrt(x)", CaretAfter, "sqrt(x)@3"},
        {"x'", "x", CaretBefore, "prime(x)@4"},
        {"x'", "prime(x)", CaretBefore, "prime(x)@4"},
        {"a+x!", "x!", CaretBefore, "x@4"},          // before a postfix node is before its operand
    };
    for (const Case& c : cases) {
        Load(c.formula);
        ASSERT_TRUE(Select(c.node)) << c.formula;
        SetEditorSelection(state_.current, c.mode);
        EXPECT_EQ(Where(), c.normalised) << c.formula << " " << c.node << "@" << c.mode;
    }
}

TEST_F(CaretMovesTest, CommandNameKeepsTheCaretInsideAtItsEnd)
{
    SetFormula(Var(InternSymbolName(u"\\gam")));
    SetEditorSelection(root_, CaretAfter);
    EXPECT_EQ(state_.mode, InIdentifier);
    EXPECT_EQ(state_.caret, 4);
    EXPECT_EQ(state_.anchor, 4);
}

TEST_F(CaretMovesTest, MovesVisitTheExpectedNodes)
{
    struct Case {
        const char* formula;
        const char* node;
        int32_t mode;
        int32_t code;
        const char* after;
    };
    const Case cases[] = {
        {"a+b", "a", CaretAfter, 5635, "b@4"},
        {"a+b", "b", CaretBefore, 5635, "b@3"},
        {"a*b", "a", CaretAfter, 5635, "b@3"},
        {"2*3", "2", CaretAfter, 5635, "3@4"},
        {"123", "123", CaretBefore, 5635, "123@7"},
        {"7", "7", CaretBefore, 5635, "7@3"},
        {"a+b", "b", CaretAfter, 5636, "b@4"},
        {"a+b", "b", CaretBefore, 5636, "a@3"},
        {"sin(x)", "x", CaretBefore, 5636, "sin(x)@4"},
        {"sin(x)", "sin(x)", CaretBefore, 5635, "x@4"},
        {"x^2+1", "2", CaretAfter, 5635, "x^2@3"},     // out of the exponent
        {"x^2+1", "x^2", CaretAfter, 5635, "1@4"},
        {"a+b", "b", CaretAfter, 5633, "b@0"},         // Up from a caret selects its node
        {"a+b", "b", SelectionNode, 5633, "a+b@0"},    // and then climbs
        {"a+b", "a+b", SelectionNode, 5633, "a+b@0"},  // the root stays
        {"a+b", "a+b", SelectionNode, 5634, "a@0"},    // Down to the first child
        {"a+b", "b", SelectionNode, 5634, "b@3"},      // a leaf: the caret after it
        {"a+b", "a+b", SelectionNode, 5638, "b@0"},
        {"a+b", "b", SelectionNode, 5646, "a@0"},      // Shift+Tab
        {"a+b", "a", SelectionNode, 5646, "b@0"},      // from the start round to the end
        {"a+b", "a", SelectionNode, 5632, "b@0"},      // Tab with no empty box: the next leaf
        {"a+b", "b", SelectionNode, 5632, "a@0"},      // round to the first
        {"a+b", "b", SelectionNode, 5647, "b@0"},      // no empty box: nothing
        {"a+b", "a", SelectionNode, 5641, "a@0"},      // Backspace is no move
    };
    for (const Case& c : cases) {
        Load(c.formula);
        ASSERT_TRUE(Select(c.node, 0, c.mode)) << c.formula;
        MoveCaret(c.code);
        EXPECT_EQ(Where(), c.after) << c.formula << " " << c.node << "@" << c.mode << " " << c.code;
        EXPECT_TRUE(IsLiveSelection(state_, root_));
    }
}

TEST_F(CaretMovesTest, RunsAndGapsCollapse)
{
    Load("a+b+c");
    auto select = [this](int32_t mode, int32_t caret, int32_t anchor) {
        state_.current = root_;
        state_.mode = mode;
        state_.caret = caret;
        state_.anchor = anchor;
    };
    select(SelectionRun, 0, 1);
    MoveCaret(5635);
    EXPECT_EQ(Where(), "b@3");
    select(SelectionRun, 1, 2);
    MoveCaret(5636);
    EXPECT_EQ(Where(), "b@4");
    select(SelectionGap, 0, 0);
    MoveCaret(5635);
    EXPECT_EQ(Where(), "b@4");
    // A gap at the right end does not move on.
    select(SelectionGap, 2, 2);
    MoveCaret(5635);
    EXPECT_EQ(Where(), "a+b+c@2");
}

TEST_F(CaretMovesTest, TabFindsTheEmptyBoxes)
{
    SetFormula(Node(KindSum, {Var('a'), MakePlaceholderNode(), Var('c'), MakePlaceholderNode()}));
    Select("a");
    MoveCaret(5632);
    EXPECT_EQ(state_.current, root_->children[1]);
    MoveCaret(5632);
    EXPECT_EQ(state_.current, root_->children[3]);
    MoveCaret(5632);  // round again from the root
    EXPECT_EQ(state_.current, root_->children[1]);
    MoveCaret(5647);
    EXPECT_EQ(state_.current, root_->children[3]);
    // An empty formula: Left and Right keep the one box.
    SetFormula(MakePlaceholderNode());
    MoveCaret(5636);
    EXPECT_EQ(state_.current, root_);
    MoveCaret(5635);
    EXPECT_EQ(state_.current, root_);
}

TEST_F(CaretMovesTest, ClosingParenthesisLeavesTheArgumentList)
{
    Load("max([a,b])+1");
    ASSERT_TRUE(Select("b", 0, CaretAfter));
    MoveCaret(5648);
    EXPECT_EQ(Where(), "max((a,b))@3");
    Load("[a+b]*c");
    ASSERT_TRUE(Select("b", 0, CaretAfter));
    MoveCaret(5648);
    EXPECT_EQ(state_.current->kind, KindParentheses);
    EXPECT_EQ(state_.mode, CaretAfter);
}

TEST_F(CaretMovesTest, CaretInsideTextsNumbersAndNames)
{
    SetFormula(Node(KindProduct, {Var('x'), Txt(u"ab")}));
    Select("\"ab\"", 0, CaretAfter);
    MoveCaret(5636);
    EXPECT_EQ(Where(), "\"ab\"@6");
    EXPECT_EQ(state_.caret, 2);
    MoveCaret(5645);  // Shift+Left selects a character
    EXPECT_EQ(state_.caret, 1);
    EXPECT_EQ(state_.anchor, 2);
    EXPECT_TRUE(HasVisibleSelection());
    MoveCaret(5635);  // collapses to the right end
    EXPECT_EQ(state_.caret, 2);
    EXPECT_EQ(state_.anchor, 2);
    MoveCaret(5635);  // and leaves the text
    EXPECT_EQ(Where(), "\"ab\"@3");

    SetFormula(Var(InternSymbolName(u"rho")));
    Select("'rho'", 0, CaretAfter);
    MoveCaret(5636);
    EXPECT_EQ(Where(), "'rho'@8");
    EXPECT_EQ(state_.caret, 2);
    MoveCaret(5636);
    MoveCaret(5636);
    EXPECT_EQ(Where(), "'rho'@4");
}

TEST_F(CaretMovesTest, PredicatesFollowTheModes)
{
    struct Case {
        int32_t mode;
        bool placeholder;
        bool edited;
        bool visible;
        bool hasSelection;
    };
    const Case cases[] = {
        {SelectionNode, false, false, true, true},  {SelectionNode, true, false, true, false},
        {SelectionNode, true, true, false, false},  {SelectionRun, false, false, true, true},
        {CaretAfter, false, false, false, false},   {CaretBefore, false, false, false, false},
    };
    for (const Case& c : cases) {
        SetFormula(c.placeholder ? MakePlaceholderNode() : Node(KindSum, {Var('a'), Var('b')}));
        state_.mode = c.mode;
        state_.caret = 0;
        state_.anchor = 1;
        state_.editedSinceCaretMove = c.edited;
        EXPECT_EQ(HasVisibleSelection(), c.visible) << c.mode;
        EXPECT_EQ(EditorHasSelection(), c.hasSelection) << c.mode;
        EXPECT_EQ(EditorHasFormula(), !c.placeholder);
    }
    Load("a*b*c");
    Select("c", 0, CaretAfter);
    EXPECT_TRUE(CanMakeStringFromSelection());
    Load("x^(a+b)");
    Select("b", 0, CaretAfter);
    EXPECT_TRUE(CaretEndsExponent());
    EXPECT_FALSE(CaretEndsDenominator());
}

TEST_F(CaretMovesTest, CaretRectanglesFollowTheBoxes)
{
    Lay("a+b");
    FloatRect a{}, b{}, sum{}, rect{}, extra{};
    GetNodeBoxRect(root_->children[0], a);
    GetNodeBoxRect(root_->children[1], b);
    GetNodeBoxRect(root_, sum);
    Select("a+b");
    state_.mode = SelectionGap;
    state_.caret = 0;
    GetCaretRects(rect, extra);
    EXPECT_EQ(rect.left, a.right);
    EXPECT_EQ(rect.right, b.left);
    EXPECT_EQ(extra.right, extra.left);
    Select("b", 0, CaretAfter);
    float x = -1, bottom = -1, top = -1;
    ASSERT_TRUE(GetCaretPoint(&x, &bottom, &top));
    EXPECT_EQ(x, b.right - 1);
    state_.mode = SelectionRun;
    EXPECT_FALSE(GetCaretPoint(&x, &bottom, &top));

    // sin²x: the exponent is highlighted with the name.
    Lay("sin(x)^2");
    Select("sin(x)");
    GetCaretRects(rect, extra);
    EXPECT_GT(extra.right, extra.left);

    // Inside a number the rectangle runs over the selected digits.
    Lay("1234");
    FloatRect whole{};
    GetNodeBoxRect(root_, whole);
    state_.mode = InNumber;
    state_.caret = 1;
    state_.anchor = 3;
    GetCaretRects(rect, extra);
    EXPECT_GT(rect.left, whole.left);
    EXPECT_LT(rect.right, whole.right);
    EXPECT_GT(rect.right, rect.left);

    ShortRect window{};
    Lay("a+y");
    GetVariableRect('y', window);
    EXPECT_GT(window.right, window.left);
    EXPECT_EQ(state_.current, root_);  // the selection is given back
}

}  // namespace
