#include "editor/FormulaDrawingPort.h"
#include "editor/LineWrapping.h"
#include "editor/TypesetDriver.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeWalk.h"
#include "support/FormulaReader.h"
#include "support/TreeFixture.h"
#include "support/TypesetFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr float kWidth = 300;

// a/b + x^2 + x^2 + a/b + ... with n terms.
FormulaNode* LongSum(uint32_t n)
{
    FormulaNode* sum = MakeNode(KindSum, n);
    for (uint32_t i = 0; i < n; ++i) {
        sum->children[i] = i % 3 ? ReadFormula("x^2") : ReadFormula("a/b");
        sum->children[i]->parent = sum;
    }
    return sum;
}

class LineWrappingTest : public TypesetTest {
protected:
    void LayAt(FormulaNode* tree, float width)
    {
        SetFormula(tree);
        state_.wrapWidth = width;
        Relayout();
    }

    float LineHeight() const { return root_->layoutBox->height + root_->layoutBox->depth; }

    static float RightEdge(const FormulaNode* node)
    {
        return node->layoutBox->absoluteLeft + node->layoutBox->width;
    }
};

TEST_F(LineWrappingTest, FormulasThatFitStayOnOneLine)
{
    for (float width : {kWidth, kNoWrapWidth}) {
        LayAt(ReadFormula("a/b+x^2=y"), width);
        EXPECT_EQ(state_.lineCount, 1);
        EXPECT_FLOAT_EQ(GetFormulaWidth(), root_->layoutBox->width);
        EXPECT_FLOAT_EQ(GetFormulaHeight(), LineHeight());
        EXPECT_FLOAT_EQ(WrappedX(50), 50);
        EXPECT_FLOAT_EQ(WrappedYOffset(50), 0);
    }
    // Without a wrap width nothing breaks, however long.
    LayAt(LongSum(60), kNoWrapWidth);
    EXPECT_EQ(state_.lineCount, 1);
}

TEST_F(LineWrappingTest, ALongSumBreaksAfterTheLastTermThatFits)
{
    LayAt(LongSum(16), kWidth);
    ASSERT_GT(root_->layoutBox->width, 2 * kWidth);
    ASSERT_GE(state_.lineCount, 3);
    ASSERT_EQ(state_.lineBreaks.size(), static_cast<size_t>(state_.lineCount));
    EXPECT_FLOAT_EQ(GetFormulaWidth(), kWidth);
    EXPECT_FLOAT_EQ(GetFormulaHeight(), LineHeight() * state_.lineCount);
    std::vector<float> ends;
    for (uint32_t i = 0; i < root_->childCount; ++i)
        ends.push_back(RightEdge(root_->children[i]));
    for (int line = 1; line <= state_.lineCount; ++line) {
        SCOPED_TRACE(line);
        const LineBreak& start = state_.lineBreaks[line - 1];
        EXPECT_FLOAT_EQ(start.yOffset, (line - 1) * LineHeight());
        EXPECT_LE(LineWidth(line), kWidth);
        if (line == state_.lineCount)
            break;
        // The line ends at a term's end; the next term would not have fitted.
        float next = state_.lineBreaks[line].xStart;
        auto at = std::find(ends.begin(), ends.end(), next);
        ASSERT_NE(at, ends.end());
        ASSERT_NE(at + 1, ends.end());
        EXPECT_GT(*(at + 1) - start.xStart, kWidth);
    }
    // Every term keeps its baseline, one line height lower per line, and its
    // position within its line.
    float baseline = root_->layoutBox->absoluteBottom - root_->layoutBox->depth;
    for (uint32_t i = 0; i < root_->childCount; ++i) {
        const LayoutBox& term = *root_->children[i]->layoutBox;
        float left = term.absoluteLeft;
        float offset = WrappedYOffset(left);
        float lines = offset / LineHeight();
        EXPECT_FLOAT_EQ(lines, std::round(lines)) << i;
        EXPECT_FLOAT_EQ(term.absoluteBottom - term.depth + (term.atomFlag ? 0 : 0.26171875f * 24), baseline) << i;
        EXPECT_GE(WrappedX(left), 0) << i;
        EXPECT_LE(WrappedX(left) + term.width, kWidth + 0.001f) << i;
    }
    // A position exactly at a break starts the next line.
    float second = state_.lineBreaks[1].xStart;
    EXPECT_FLOAT_EQ(WrappedX(second), 0);
    EXPECT_FLOAT_EQ(WrappedYOffset(second), LineHeight());

    // The picture: ink on every line, none beyond the wrap width.
    Canvas canvas(360, static_cast<int>(GetFormulaHeight()) + 20);
    Draw(canvas, 10, 10);
    for (int line = 0; line < state_.lineCount; ++line) {
        int top = 10 + static_cast<int>(line * LineHeight());
        std::vector<int> ink = canvas.InkBounds(0, top, canvas.width(), top + static_cast<int>(LineHeight()));
        ASSERT_NE(ink[0], -1) << line;
        EXPECT_LE(ink[3], 10 + static_cast<int>(kWidth) + 1) << line;
    }
}

TEST_F(LineWrappingTest, PositionsMapBothWays)
{
    LayAt(LongSum(16), kWidth);
    ASSERT_GE(state_.lineCount, 3);
    for (float x : {5.0f, state_.lineBreaks[1].xStart + 3, state_.lineBreaks[2].xStart, root_->layoutBox->width - 1}) {
        SCOPED_TRACE(x);
        float y = 12;
        FloatPoint shown{y + WrappedYOffset(x), WrappedX(x)};
        UnwrapPoint(shown);
        EXPECT_FLOAT_EQ(shown.x, x);
        EXPECT_FLOAT_EQ(shown.y, y);
        float caret = x, top = 2, bottom = 20;
        WrappedCaretPoints(caret, top, bottom);
        EXPECT_FLOAT_EQ(caret, WrappedX(x));
        EXPECT_FLOAT_EQ(top, 2 + WrappedYOffset(x));
        EXPECT_FLOAT_EQ(bottom, 20 + WrappedYOffset(x));
    }
}

TEST_F(LineWrappingTest, EquationsAndUnbreakableKindsKeepTheirPieces)
{
    // y = ...: never a break right after the lone y, even when the first
    // term does not fit beside it.
    for (float width : {40.0f, 100.0f}) {
        LayAt(Node(KindEquation, {Var('y'), LongSum(16)}), width);
        float y = RightEdge(root_->children[0]);
        for (const LineBreak& b : state_.lineBreaks)
            EXPECT_NE(b.xStart, y) << width;
    }
    EXPECT_GT(state_.lineCount, 1);

    // A root or a matrix is never split: the line is over-full instead.
    for (const char* text : {"sqrt(a+b+c+d+e+f+g+h+i+j+k+l+m+n)", "matrix(1,6,1111,2222,3333,4444,5555,6666)"}) {
        LayAt(ReadFormula(text), 100);
        EXPECT_EQ(state_.lineCount, 1) << text;
        EXPECT_GT(root_->layoutBox->width, 100) << text;
        for (PreorderWalk walk(root_); walk.Node(); walk.Next())
            EXPECT_EQ(walk.Node()->layoutBox->wideMark, 0) << text;
    }
}

TEST_F(LineWrappingTest, TooWideFractionsAndPowersTakeTheirOneLineForms)
{
    LayAt(ReadFormula("(a+b+c+d+e+f)/(g+h+i+j+k+l)"), 120);
    EXPECT_EQ(root_->layoutBox->wideMark, 1);
    EXPECT_EQ(root_->layoutBox->atomFlag, 1);
    EXPECT_FLOAT_EQ(root_->children[0]->layoutBox->relativeY, root_->children[1]->layoutBox->relativeY);
    EXPECT_GT(state_.lineCount, 1);
    // A wide power keeps its exponent at full size.
    LayAt(ReadFormula("x^(a+b+c+d+e+f+g+h+i+j)"), 120);
    EXPECT_EQ(root_->children[1]->layoutBox->scriptLevel, 2);
    EXPECT_GT(state_.lineCount, 1);
}

TEST_F(LineWrappingTest, AHighlightOverThreeLinesIsFilledInThreePieces)
{
    LayAt(LongSum(16), kWidth);
    ASSERT_GE(state_.lineCount, 3);
    float from = 4, to = state_.lineBreaks[2].xStart + 20;
    Canvas canvas(360, static_cast<int>(GetFormulaHeight()) + 20);
    SetFormulaOrigin(10, 10);
    FillWrappedRect(FloatRect{2, from, LineHeight() - 2, to}, false, canvas.dc());
    SetFormulaOrigin(0, 0);
    auto band = [&](int line) {
        int top = 10 + static_cast<int>(line * LineHeight());
        return canvas.InkBounds(0, top, canvas.width(), top + static_cast<int>(LineHeight()));
    };
    std::vector<int> first = band(0), middle = band(1), last = band(2);
    ASSERT_NE(first[0], -1);
    ASSERT_NE(middle[0], -1);
    ASSERT_NE(last[0], -1);
    EXPECT_NEAR(first[1], 10 + from, 1);
    EXPECT_NEAR(first[3], 10 + state_.widestLine, 1);
    EXPECT_NEAR(middle[1], 10, 1);
    EXPECT_NEAR(middle[3], 10 + state_.widestLine, 1);
    EXPECT_NEAR(last[1], 10, 1);
    EXPECT_NEAR(last[3], 10 + 20, 1);
    if (state_.lineCount > 3)
        EXPECT_EQ(band(3)[0], -1);
}

}  // namespace
