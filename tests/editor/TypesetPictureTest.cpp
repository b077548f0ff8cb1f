#include "editor/TypesetDriver.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeWalk.h"
#include "formula/SymbolCodes.h"
#include "support/FormulaReader.h"
#include "support/TreeFixture.h"
#include "support/TypesetFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kLeft = 12;

// A node of the kind over children variables; null for a text node with
// children, which keeps its text where children would be.
FormulaNode* NodeOfKind(int32_t kind, uint32_t children)
{
    if (children == 0 && kind == KindNumber)
        return Num(4);
    if (children == 0 && kind == KindText)
        return Txt(u"t");
    if (children == 0 && kind == KindVariable)
        return Var('v');
    if (kind == KindText)
        return nullptr;
    FormulaNode* node = MakeNode(kind, children);
    for (uint32_t i = 0; node && i < children; ++i) {
        node->children[i] = Var('a' + i);
        node->children[i]->parent = node;
    }
    return node;
}

class TypesetPictureTest : public TypesetTest {
protected:
    int Baseline(const FormulaNode* node, int top)
    {
        const LayoutBox& box = *node->layoutBox;
        return top + static_cast<int>(box.absoluteBottom - box.depth);
    }

    // Ink of the leaf inside its own box widened by a pixel for italic
    // overhang and antialiasing.
    std::vector<int> LeafInk(const Canvas& canvas, const FormulaNode* leaf, int top)
    {
        const LayoutBox& box = *leaf->layoutBox;
        int left = kLeft + static_cast<int>(box.absoluteLeft);
        int bottom = top + static_cast<int>(box.absoluteBottom);
        return canvas.InkBounds(left - 1, bottom - static_cast<int>(box.height + box.depth) - 1,
                                left + static_cast<int>(std::ceil(box.width)) + 1, bottom + 1);
    }
};

TEST_F(TypesetPictureTest, GlyphsStandOnTheBaselineInsideTheirBoxes)
{
    Lay("2*x+3=y");
    const int top = 10;
    Canvas canvas(260, 60);
    Draw(canvas, kLeft, top);
    const LayoutBox& root = *root_->layoutBox;
    // No ink outside the formula's box.
    std::vector<int> all = canvas.InkBounds(0, 0, canvas.width(), canvas.height());
    ASSERT_NE(all[0], -1);
    EXPECT_GE(all[0], top);
    EXPECT_GE(all[1], kLeft);
    EXPECT_LE(all[2], top + static_cast<int>(std::ceil(root.height + root.depth)));
    EXPECT_LE(all[3], kLeft + static_cast<int>(std::ceil(root.width)) + 1);
    int baseline = Baseline(root_, top);
    // Letters and digits without descenders end on the baseline row; y
    // reaches below it.
    struct Case {
        const char* leaf;
        bool descends;
    };
    for (Case c : {Case{"2", false}, Case{"x", false}, Case{"3", false}, Case{"y", true}}) {
        SCOPED_TRACE(c.leaf);
        const FormulaNode* leaf = Find(c.leaf);
        EXPECT_EQ(Baseline(leaf, top), baseline);
        std::vector<int> ink = LeafInk(canvas, leaf, top);
        ASSERT_NE(ink[0], -1);
        if (c.descends) {
            EXPECT_GT(ink[2], baseline + 2);
        } else {
            EXPECT_GE(ink[2], baseline - 1);
            EXPECT_LE(ink[2], baseline + 1);
        }
        EXPECT_GE(ink[0], baseline - 24);
    }
    // The operators sit between the operands, above the baseline.
    const FormulaNode* sum = root_->children[0];
    float plusLeft = sum->children[0]->layoutBox->absoluteLeft + sum->children[0]->layoutBox->width;
    float plusRight = sum->children[1]->layoutBox->absoluteLeft;
    std::vector<int> plus = canvas.InkBounds(kLeft + static_cast<int>(plusLeft) + 1, top,
                                             kLeft + static_cast<int>(plusRight), baseline);
    ASSERT_NE(plus[0], -1);
    EXPECT_LT(plus[2], baseline);
    EXPECT_GT(plus[0], baseline - 20);
}

TEST_F(TypesetPictureTest, FormulasDrawAtWholePixelsWhereverTheyStart)
{
    Lay("a+b");
    Canvas one(120, 50), other(120, 50);
    Draw(one, 10, 10);
    Draw(other, 13, 17);
    for (int y = 0; y + 7 < 50; ++y)
        for (int x = 0; x + 3 < 120; ++x)
            ASSERT_EQ(one.Ink(x, y), other.Ink(x + 3, y + 7)) << x << "," << y;
}

TEST_F(TypesetPictureTest, EveryKindIsLaidOutAndDrawn)
{
    std::vector<int32_t> kinds;
    for (const NodeKindEntry& entry : NodeKindTable)
        kinds.push_back(entry.kind);
    // Kinds the table does not know are shown too.
    for (int32_t kind : {0, -1, 4095, 4200, 8081, 8090, 8093, 99999})
        kinds.push_back(kind);
    Canvas canvas(400, 200);
    for (int32_t kind : kinds) {
        for (uint32_t children = 0; children <= 3; ++children) {
            SCOPED_TRACE(std::to_string(kind) + " with " + std::to_string(children));
            FormulaNode* node = NodeOfKind(kind, children);
            if (!node)
                continue;
            if (kind == KindMatrix && children > 0)
                node->payload.pair = {1, static_cast<int16_t>(children)};
            // Inside a sum, so that parent rules are met as well.
            SetFormula(Node(KindSum, {Var('z'), node}));
            Relayout();
            for (PreorderWalk walk(root_); walk.Node(); walk.Next()) {
                const LayoutBox* box = walk.Node()->layoutBox;
                ASSERT_NE(box, nullptr);
                EXPECT_TRUE(std::isfinite(box->width) && box->width >= 0);
                EXPECT_TRUE(std::isfinite(box->height) && std::isfinite(box->depth));
                EXPECT_LE(box->absoluteLeft + box->width, root_->layoutBox->width + 0.01f);
            }
            Draw(canvas, 5, 5);
        }
    }
}

TEST_F(TypesetPictureTest, DeepAndWideFormulasNeedNoDeepStack)
{
    RunOnSmallStack([&] {
        for (int32_t kind : {KindMinus, KindSin, KindParentheses, KindPower}) {
            FormulaNode* tree = Var('x');
            for (int i = 0; i < 3000; ++i)
                tree = kind == KindPower ? Node(KindPower, {tree, Num(2)}) : Node(kind, {tree});
            SetFormula(tree);
            Relayout();
            Canvas canvas(100, 60);
            Draw(canvas, 0, 0);
            EXPECT_TRUE(std::isfinite(root_->layoutBox->width));
        }
        FormulaNode* sum = MakeNode(KindSum, 10000);
        for (uint32_t i = 0; i < 10000; ++i) {
            sum->children[i] = i % 2 ? Var('x') : Node(KindMinus, {Num(i)});
            sum->children[i]->parent = sum;
        }
        SetFormula(sum);
        Relayout();
        EXPECT_GT(root_->layoutBox->width, 10000);
        EXPECT_EQ(root_->layoutBox->wideMark, 1);
    });
}

// Writes the picture when VL_TYPESET_PICTURE names a file, for a person to
// look at; the rules above check what a test can.
TEST_F(TypesetPictureTest, Gallery)
{
    uint32_t longName = InternSymbolName(u"temperature");
    uint32_t other = InternSymbolName(u"pressure");
    std::vector<FormulaNode*> formulas = {
        ReadFormula("2*x+3=y"),
        ReadFormula("sin(x)*cos(y)"),
        Node(KindEquation, {Var(longName), Node(KindProduct, {Num(2), Var(other), Var('V')})}),
        ReadFormula("a-(b+c)=function(f,x)"),
        ReadFormula("log(x,2)+ln(x)-sgn(x)"),
        Node(KindEquation, {Var('y'), Node(KindPlusOrMinus, {Node(KindProduct, {Num(3), Node(KindSin, {Var(CodeX)})})})}),
        ReadFormula("function(f,x)=x^2*pi"),
        Num(0.000012345),
        ReadFormula("\"text\"+2*3"),
    };
    Canvas canvas(420, 40 * static_cast<int>(formulas.size()) + 20);
    int top = 10;
    for (FormulaNode* formula : formulas) {
        SetFormula(formula);
        Relayout();
        Draw(canvas, kLeft, top);
        const LayoutBox& root = *root_->layoutBox;
        std::vector<int> ink = canvas.InkBounds(0, top, canvas.width(), top + static_cast<int>(root.height + root.depth));
        EXPECT_NE(ink[0], -1);
        top += static_cast<int>(root.height + root.depth) + 10;
    }
    if (const char* path = std::getenv("VL_TYPESET_PICTURE")) {
        EXPECT_TRUE(canvas.SavePng(path));
    }
}

}  // namespace
