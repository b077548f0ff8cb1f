#include "editor/LineWrapping.h"
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

FormulaNode* Indexes(FormulaNode* base, std::initializer_list<FormulaNode*> scripts, int16_t subscripts)
{
    std::vector<FormulaNode*> children{base};
    children.insert(children.end(), scripts.begin(), scripts.end());
    FormulaNode* node = MakeNode(KindSubscript, static_cast<uint32_t>(children.size()));
    for (uint32_t i = 0; i < children.size(); ++i) {
        node->children[i] = children[i];
        children[i]->parent = node;
    }
    node->payload.pair = {0, subscripts};
    return node;
}

// Writes the picture when VL_TYPESET_PICTURE names a file, for a person to
// look at; the rules above check what a test can. One row per family of
// kinds; the last formula wraps at a narrow width.
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
        // Scripts, fractions, derivatives.
        Node(KindSum, {ReadFormula("x^2"), Indexes(Var('x'), {Num(1)}, 1), Node(KindPower, {Indexes(Var('x'), {Num(1)}, 1), Num(2)}),
                       ReadFormula("sin(x)^2"), ReadFormula("e^(1/2)"), ReadFormula("x!"), ReadFormula("f'")}),
        ReadFormula("a/b+1/(1+x/(1+y/z))=(1/2)^x"),
        Node(KindEquation, {Node(KindApplication, {Node(KindOpTotal, {Var('x')}), Var('y')}),
                            Node(KindApplication, {Node(KindOpPartial, {Var('x'), Var('f')}), Var('y')}),
                            Node(KindOpTotal, {Var('t'), Node(KindSum, {Var('x'), Var('y')})})}),
        Node(KindSum, {Node(KindSubstitution, {Var('F'), Var('a'), Var('b')}), Node(KindSuperscriptT, {ReadFormula("matrix(1,2,a,b)")})}),
        // Brackets and enclosures.
        Node(KindSum, {ReadFormula("[a+b]"), ReadFormula("[a/b]"), ReadFormula("[1/(1+x/y)]"), Node(KindAbs, {Var('x')}),
                       Node(KindAbs, {ReadFormula("a/b")}), Node(KindFloor, {Var('x')}), Node(KindCeil, {ReadFormula("x/2")})}),
        Node(KindComma, {Node(KindSet, {ReadFormula("1,2,3")}), Node(KindInterval, {Num(0), Num(1)}), Node(KindChoice, {Var('n'), Var('k')}),
                         Node(KindOverline, {Var('z')}), Node(KindHat, {Var('x')}), Node(KindHat, {Var('d')}), Node(KindLeftParen, {ReadFormula("a/b")})}),
        Node(KindEquation, {ReadFormula("function(f,x)"),
                            Node(KindBranch, {Node(KindIf, {Num(0), ReadFormula("x<0")}), Node(KindIf, {ReadFormula("x^2"), Node(KindGeq, {Var('x'), Num(0)})})})}),
        // Matrices, roots, big operators, vector operators.
        Node(KindEquation, {Var('A'), ReadFormula("matrix(2,3,1,~20,3,x^2,5,1/2)"), ReadFormula("vector(1,2,3)")}),
        Node(KindSum, {ReadFormula("sqrt(x)"), ReadFormula("sqrt(x,3)"), ReadFormula("sqrt(a/b)"), ReadFormula("sqrt(1+sqrt(x))")}),
        Node(KindSum, {Node(KindSigma, {ReadFormula("i^2"), ReadFormula("i=1"), Var('n')}), Node(KindCapitalPi, {Var('k'), ReadFormula("k=1"), Num(10)}),
                       Node(KindIntegral, {ReadFormula("x^2"), Var('x'), Num(0), Num(1)}), Node(KindPower, {Var('e'), Node(KindSigma, {Var('i'), Var('i')})})}),
        Node(KindComma, {Node(KindGrad, {Var('f')}), Node(KindDiv, {Var('F')}), Node(KindCurl, {Var('F')}), Node(KindLap, {Var('u')}),
                         Node(KindBesselJ, {Var('x'), Num(0)})}),
    };
    // A long sum, wrapped.
    FormulaNode* wrapped = MakeNode(KindSum, 16);
    for (uint32_t i = 0; i < 16; ++i) {
        wrapped->children[i] = i % 3 ? ReadFormula("x^2") : ReadFormula("a/b");
        wrapped->children[i]->parent = wrapped;
    }
    formulas.push_back(wrapped);
    Canvas canvas(600, 1800);
    int top = 10;
    for (FormulaNode* formula : formulas) {
        SetFormula(formula);
        state_.wrapWidth = formula == wrapped ? 300 : kNoWrapWidth;
        Relayout();
        Draw(canvas, kLeft, top);
        int height = static_cast<int>(std::ceil(GetFormulaHeight()));
        std::vector<int> ink = canvas.InkBounds(0, top, canvas.width(), top + height);
        EXPECT_NE(ink[0], -1);
        top += height + 10;
    }
    EXPECT_LT(top, canvas.height());
    if (const char* path = std::getenv("VL_TYPESET_PICTURE")) {
        EXPECT_TRUE(canvas.SavePng(path));
    }
}

}  // namespace
