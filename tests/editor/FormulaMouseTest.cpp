#include "editor/FormulaMouse.h"

#include "editor/CaretGeometry.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "support/EditTreeInvariants.h"
#include "support/FormulaReader.h"
#include "support/TreeEvaluator.h"
#include "support/TypesetFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class FormulaMouseTest : public TypesetTest {
protected:
    struct Point {
        float v, h;
    };
    // A point inside the node's box: fraction of the way across it, at its
    // middle height.
    Point At(const char* text, float across, int occurrence = 0)
    {
        FormulaNode* node = FindNth(text, occurrence);
        FloatRect r{0, 0, 0, 0};
        GetNodeBoxRect(node, r);
        return {(r.top + r.bottom) / 2, r.left + (r.right - r.left) * across};
    }
    // Leaves the selection as it is.
    FormulaNode* FindNth(const char* text, int occurrence)
    {
        FormulaNode* current = state_.current;
        int32_t mode = state_.mode;
        EXPECT_TRUE(Select(text, occurrence));
        FormulaNode* found = state_.current;
        state_.current = current;
        state_.mode = mode;
        return found;
    }
    void Press(Point p, bool extend = false, bool dragAllowed = false)
    {
        FormulaMouseDown(ShortPoint{static_cast<int16_t>(p.v), static_cast<int16_t>(p.h)}, extend, dragAllowed,
                         &state_, false, nullptr);
    }
    void DragTo(Point p)
    {
        uint32_t v = static_cast<uint16_t>(static_cast<int16_t>(p.v));
        uint32_t h = static_cast<uint16_t>(static_cast<int16_t>(p.h));
        FormulaMouseDrag(v | h << 16);
    }
    void Release()
    {
        FormulaMouseUp();
        EXPECT_TRUE(EditTreeInvariantsHold(state_));
    }
    void Click(Point p)
    {
        Press(p);
        Release();
    }
};

TEST_F(FormulaMouseTest, HalvesOfAVariablePlaceTheCaretBeforeAndAfterIt)
{
    Lay("a+x+b");
    Click(At("x", 0.2f));
    EXPECT_EQ(Selected(), "x");
    EXPECT_EQ(state_.mode, CaretBefore);
    Click(At("x", 0.8f));
    EXPECT_EQ(Selected(), "x");
    EXPECT_EQ(state_.mode, CaretAfter);
}

TEST_F(FormulaMouseTest, ClickInsideANumberEntersItsText)
{
    Lay("a+31415");
    Click(At("31415", 0.5f));
    EXPECT_EQ(state_.mode, InNumber);
    EXPECT_GT(state_.caret, 0);
    EXPECT_LT(state_.caret, 5);
    Click(At("31415", 0.99f));
    EXPECT_EQ(state_.mode, CaretAfter);
}

TEST_F(FormulaMouseTest, DragsSelectRunsSumsAndOperators)
{
    Lay("a+b+c");
    Press(At("a", 0.5f));
    DragTo(At("c", 0.5f));
    Release();
    EXPECT_EQ(state_.current, root_);
    EXPECT_EQ(state_.mode, SelectionNode);

    Press(At("a", 0.5f));
    DragTo(At("b", 0.5f));
    Release();
    EXPECT_EQ(state_.mode, SelectionRun);
    EXPECT_EQ(state_.caret, 0);
    EXPECT_EQ(state_.anchor, 1);

    // Within the space of the first +: the operator.
    FloatRect a{0, 0, 0, 0}, b{0, 0, 0, 0};
    GetNodeBoxRect(FindNth("a", 0), a);
    GetNodeBoxRect(FindNth("b", 0), b);
    float gap = (a.right + b.left) / 2;
    float middle = (a.top + a.bottom) / 2;
    Press({middle, gap - 1});
    DragTo({middle + 2, gap + 1});
    Release();
    EXPECT_EQ(state_.mode, SelectionGap);
    EXPECT_EQ(state_.current, root_);
    EXPECT_EQ(state_.caret, 0);
}

TEST_F(FormulaMouseTest, DragAcrossMatrixCellsSelectsTheirBlock)
{
    Lay("matrix(2,2,a,b,c,d)");
    Press(At("a", 0.5f));
    DragTo(At("d", 0.5f));
    Release();
    EXPECT_EQ(state_.mode, SelectionCells);
    EXPECT_EQ(state_.caret, 0);
    EXPECT_EQ(state_.anchor, 3);
}

TEST_F(FormulaMouseTest, ShiftClickExtendsTheSelection)
{
    Lay("a+b+c+d");
    Click(At("a", 0.5f));
    Press(At("c", 0.5f), true);
    Release();
    EXPECT_EQ(state_.mode, SelectionRun);
    EXPECT_EQ(state_.caret, 0);
    EXPECT_EQ(state_.anchor, 2);
}

TEST_F(FormulaMouseTest, DraggingATermAcrossEqualsKeepsTheEquation)
{
    Lay("a+b=c");
    FormulaNode* before = CopyTree(root_);
    Select("b");
    Point press = At("b", 0.5f);
    Press(press, false, true);
    EXPECT_TRUE(IsTermDragActive());
    // Not yet 12 units past the press point: nothing moves.
    DragTo({press.v, press.h + 8});
    EXPECT_EQ(Text(), "a+b=c");
    FloatRect c{0, 0, 0, 0};
    GetNodeBoxRect(FindNth("c", 0), c);
    Select("b");
    DragTo({press.v, c.right + 20});
    Release();
    EXPECT_TRUE(TermMovedInDrag());
    EXPECT_EQ(root_->kind, KindEquation);
    EXPECT_NE(Text(), "a+b=c");
    // Both sides differ by the same amount as before: the equations are equal.
    FormulaNode* then = ReadFormula("a+b-c");
    std::string now = Text();
    size_t eq = now.find('=');
    std::string difference = "(" + now.substr(0, eq) + ")-(" + now.substr(eq + 1) + ")";
    FormulaNode* after = ReadFormula(difference.c_str());
    EXPECT_TRUE(SameValues(then, after)) << now;
    FreeTree(then);
    FreeTree(after);
    FreeTree(before);
}

TEST_F(FormulaMouseTest, PressOnASelectedTermWithoutMovingIsAClick)
{
    Lay("a+b=c");
    Select("b");
    Press(At("b", 0.8f), false, true);
    Release();
    EXPECT_FALSE(TermMovedInDrag());
    EXPECT_EQ(Selected(), "b");
    EXPECT_EQ(state_.mode, CaretAfter);
}

}  // namespace
