#include "editor/FormulaDrawingPort.h"
#include "editor/TypesetDriver.h"
#include "editor/TypesetMetrics.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeWalk.h"
#include "support/FormulaReader.h"
#include "support/TreeFixture.h"
#include "support/TypesetFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr float s = 24;
// The sizes of script levels 3 and 4 for a 24-pixel document.
constexpr float kScript = 19.2f;
constexpr float kScriptScript = 15.36f;
constexpr float kAxis = 0.26171875f * s;

FormulaNode* Indexes(FormulaNode* base, FormulaNode* script)
{
    FormulaNode* node = Node(KindSubscript, {base, script});
    node->payload.pair = {0, 1};
    return node;
}

class TypesetConstructionsTest : public TypesetTest {
protected:
    const LayoutBox& LayTree(FormulaNode* tree)
    {
        SetFormula(tree);
        Relayout();
        return *root_->layoutBox;
    }

    static const LayoutBox& BoxAt(const FormulaNode* node, std::initializer_list<uint32_t> path)
    {
        for (uint32_t i : path)
            node = node->children[i];
        return *node->layoutBox;
    }

    static float Top(const LayoutBox& box) { return box.absoluteBottom - box.height - box.depth; }
    static float Baseline(const LayoutBox& box) { return box.absoluteBottom - box.depth; }
    static float Centre(const LayoutBox& box) { return box.absoluteLeft + box.width / 2; }
};

TEST_F(TypesetConstructionsTest, ExponentsAndSubscriptsTakeTheScriptSizeAndReachIntoTheirBase)
{
    Lay("x^2");
    const LayoutBox& x = BoxAt(root_, {0});
    const LayoutBox& two = BoxAt(root_, {1});
    EXPECT_FLOAT_EQ(two.height, kScript);
    // The exponent may reach 0.75 of the base's height less 0.05 s into it.
    float r = 0.75f * s - 0.05f * s;
    EXPECT_FLOAT_EQ(two.relativeX, x.width);
    EXPECT_FLOAT_EQ(two.relativeY, -(s + s / 4 - r));
    EXPECT_FLOAT_EQ(root_->layoutBox->height, s - r + kScript * 1.25f);
    EXPECT_FLOAT_EQ(root_->layoutBox->depth, s / 4);
    EXPECT_FLOAT_EQ(root_->layoutBox->width, x.width + two.width);

    // x₁: the subscript lowers the base's bottom by what it cannot overlap.
    const LayoutBox& sub = LayTree(Indexes(Var('x'), Num(1)));
    const LayoutBox& one = BoxAt(root_, {1});
    float overlap = std::min(0.75f * 1.25f * kScript, 0.5f * 1.25f * s - 0.05f * kScript);
    float drop = 1.25f * kScript - overlap;
    EXPECT_FLOAT_EQ(one.height, kScript);
    EXPECT_FLOAT_EQ(BoxAt(root_, {0}).relativeY, -drop);
    EXPECT_FLOAT_EQ(one.relativeY, 0);
    EXPECT_FLOAT_EQ(one.relativeX, BoxAt(root_, {0}).width + 0.038f * s);
    EXPECT_FLOAT_EQ(sub.depth, s / 4 + drop);
    EXPECT_FLOAT_EQ(sub.height, s);

    // x₁²: the exponent stands right above the subscript.
    LayTree(Node(KindPower, {Indexes(Var('x'), Num(1)), Num(2)}));
    EXPECT_FLOAT_EQ(BoxAt(root_, {1}).absoluteLeft, BoxAt(root_, {0, 1}).absoluteLeft);
    EXPECT_LT(Baseline(BoxAt(root_, {1})), Baseline(BoxAt(root_, {0, 0})));
    EXPECT_GT(Baseline(BoxAt(root_, {0, 1})), Baseline(BoxAt(root_, {0, 0})));

    // sin²x: the exponent after the name, the argument moved on by its width.
    Lay("sin(x)");
    float argumentAlone = BoxAt(root_, {0}).relativeX;
    Lay("sin(x)^2");
    const LayoutBox& exponent = BoxAt(root_, {1});
    EXPECT_FLOAT_EQ(BoxAt(root_, {0, 0}).relativeX, argumentAlone + exponent.width);
    EXPECT_FLOAT_EQ(exponent.relativeX, argumentAlone - 0.1f * s);
    EXPECT_FLOAT_EQ(exponent.relativeY, -(0.25f * s + s / 4));

    // Exponents of exponents shrink once more, then no further.
    Lay("x^y^z^w");
    std::vector<int> levels;
    const FormulaNode* n = root_;
    for (; n->kind == KindPower; n = n->children[1])
        levels.push_back(n->children[1]->layoutBox->scriptLevel);
    EXPECT_EQ(levels, (std::vector<int>{3, 4, 4}));
    EXPECT_FLOAT_EQ(n->layoutBox->height, kScriptScript);
}

TEST_F(TypesetConstructionsTest, FractionsStackCentredOverABarOnTheAxis)
{
    Lay("a/b");
    const LayoutBox& f = *root_->layoutBox;
    const LayoutBox& a = BoxAt(root_, {0});
    const LayoutBox& b = BoxAt(root_, {1});
    float m = std::max(a.width, b.width);
    EXPECT_EQ(f.atomFlag, 0);
    EXPECT_FLOAT_EQ(f.width, m + 0.166f * s);
    EXPECT_NEAR(Centre(a), Centre(b), 0.001f);
    EXPECT_NEAR(Centre(a), f.absoluteLeft + f.width / 2, 0.001f);
    EXPECT_FLOAT_EQ(f.height, s / 40 + 0.1f * s + 1.25f * s);
    EXPECT_FLOAT_EQ(f.depth, 0.1f * s + 1.25f * s + s / 40);
    // The bar: one row on the axis, from 0.083 s for m − 0.1 s.
    Canvas canvas(80, 100);
    Draw(canvas, 10, 10);
    int bar = 10 + static_cast<int>(Baseline(f));
    std::vector<int> ink = canvas.InkBounds(0, bar, canvas.width(), bar + 1);
    ASSERT_NE(ink[0], -1);
    EXPECT_EQ(ink[1], 10 + static_cast<int>(0.083f * s));
    EXPECT_NEAR(ink[3] - ink[1], m - 0.1f * s, 1.01f);
    EXPECT_EQ(canvas.InkBounds(0, bar - 2, canvas.width(), bar)[0], -1);  // room above the bar

    // Fractions inside fractions keep the size; in an exponent two leaves
    // take a slash, while a fraction as base stays stacked.
    Lay("1/(1+x/y)");
    EXPECT_FLOAT_EQ(Box("x/y").depth, 0.1f * s + 1.25f * s + s / 40);
    Lay("e^(1/2)");
    const LayoutBox& slash = BoxAt(root_, {1});
    EXPECT_EQ(slash.atomFlag, 1);
    EXPECT_FLOAT_EQ(slash.height, kScript);
    EXPECT_FLOAT_EQ(BoxAt(root_, {1, 0}).relativeY, BoxAt(root_, {1, 1}).relativeY);
    Lay("(1/2)^x");
    EXPECT_EQ(BoxAt(root_, {0, 0}).atomFlag, 0);
}

TEST_F(TypesetConstructionsTest, DerivativeOperatorsStackTheirDsOverABar)
{
    // d/dx: the row "dx" under the bar, the upper d above it.
    SetFormula(Node(KindOpTotal, {Var('x')}));
    Relayout();
    const LayoutBox& op = *root_->layoutBox;
    EXPECT_EQ(op.atomFlag, 0);
    EXPECT_FLOAT_EQ(op.height, 1.3f * s);
    EXPECT_FLOAT_EQ(op.depth, 0.1f * s + s + s / 4);
    float q = BoxAt(root_, {0}).relativeX;
    EXPECT_FLOAT_EQ(op.width, q + BoxAt(root_, {0}).width);
    // With what it differentiates: that goes above, one size smaller.
    SetFormula(Node(KindOpTotal, {Var('t'), ReadFormula("x+y")}));
    Relayout();
    const LayoutBox& numerator = BoxAt(root_, {1});
    EXPECT_FLOAT_EQ(numerator.height, kScript);
    EXPECT_LT(numerator.absoluteBottom, Baseline(*root_->layoutBox));
    EXPECT_GE(root_->layoutBox->width, numerator.relativeX + numerator.width);
    EXPECT_NEAR(Top(*root_->layoutBox), Top(numerator), 0.001f);
}

TEST_F(TypesetConstructionsTest, ParenthesesGrowWithTheirContentAndStayCentredOnTheAxis)
{
    Lay("[x]");
    const LayoutBox& plain = *root_->layoutBox;
    float x = BoxAt(root_, {0}).width;
    EXPECT_FLOAT_EQ(plain.height, s);
    EXPECT_FLOAT_EQ(plain.depth, s / 4);
    float open = BoxAt(root_, {0}).relativeX - 0.263f * s;
    EXPECT_NEAR(plain.width, x + 0.476f * s + 2 * open, 0.001f);

    // Around a tall fraction: as tall as the content, built from pieces.
    Lay("[1/(1+x/y)]");
    const LayoutBox& tall = *root_->layoutBox;
    const LayoutBox& content = BoxAt(root_, {0});
    EXPECT_GE(tall.height + tall.depth, content.height + content.depth);
    EXPECT_NEAR(tall.height - kAxis, tall.depth + kAxis, 0.5f * s);
    Canvas canvas(200, 200);
    Draw(canvas, 10, 10);
    // Each side's ink runs over most of the content's height.
    int left = 10 + static_cast<int>(tall.absoluteLeft);
    std::vector<int> bracket = canvas.InkBounds(left, 0, left + static_cast<int>(content.relativeX) - 2, 200);
    ASSERT_NE(bracket[0], -1);
    EXPECT_GT(bracket[2] - bracket[0], 0.8f * (content.height + content.depth));
    EXPECT_GE(bracket[0], 10);
    EXPECT_LE(bracket[2], 10 + static_cast<int>(std::ceil(tall.height + tall.depth)));
    int right = 10 + static_cast<int>(content.absoluteLeft + content.width) + 2;
    std::vector<int> closing = canvas.InkBounds(right, 0, 200, 200);
    ASSERT_NE(closing[0], -1);
    EXPECT_NEAR(closing[0], bracket[0], 1);
    EXPECT_NEAR(closing[2], bracket[2], 1);

    // A left brace alone gives middling content room up to 2.4 s.
    SetFormula(Node(KindLeftParen, {Node(KindPower, {Var('x'), Num(2)})}));
    Relayout();
    // x² reaches 31.2 above the baseline: the bottom first grows to balance.
    float balance = (31.2f - kAxis) - (s / 4 + kAxis) - 0.5f * s;
    float extent = 31.2f + s / 4 + balance;
    EXPECT_NEAR(root_->layoutBox->height + root_->layoutBox->depth, extent + 2 * (2.4f * s - extent), 0.001f);
}

TEST_F(TypesetConstructionsTest, BarsAndCornersEncloseTheirContent)
{
    struct Case {
        int32_t kind;
        float side;  // room left of the content
    };
    for (Case c : {Case{KindAbs, 0.2f * s + s / 20}, Case{KindFloor, 0.5f * s + s / 20}, Case{KindCeil, 0.5f * s + s / 20}}) {
        SCOPED_TRACE(c.kind);
        const LayoutBox& box = LayTree(Node(c.kind, {Var('x')}));
        const LayoutBox& x = BoxAt(root_, {0});
        EXPECT_FLOAT_EQ(x.relativeX, c.side);
        EXPECT_FLOAT_EQ(box.width, x.width + 2 * c.side);
        Canvas canvas(80, 60);
        Draw(canvas, 10, 10);
        int baseline = 10 + static_cast<int>(Baseline(box));
        // Ink left and right of the letter, reaching up past its middle.
        int xLeft = 10 + static_cast<int>(x.absoluteLeft), xRight = 10 + static_cast<int>(x.absoluteLeft + x.width);
        std::vector<int> before = canvas.InkBounds(0, 0, xLeft - 1, 60);
        std::vector<int> after = canvas.InkBounds(xRight + 2, 0, 80, 60);
        ASSERT_NE(before[0], -1);
        ASSERT_NE(after[0], -1);
        EXPECT_LT(before[0], baseline - s / 2);
        EXPECT_LT(after[0], baseline - s / 2);
        EXPECT_GE(before[1], 10);
        EXPECT_LE(after[3], 10 + static_cast<int>(std::ceil(box.width)) + 1);
    }
}

TEST_F(TypesetConstructionsTest, MatrixColumnsAreCentredAndRowsShareBaselines)
{
    Lay("matrix(2,2,1,200,30000,4)");
    const LayoutBox& m = *root_->layoutBox;
    EXPECT_EQ(m.atomFlag, 0);
    EXPECT_NEAR(m.height, m.depth, 0.001f);
    for (uint32_t c = 0; c < 2; ++c)
        EXPECT_NEAR(Centre(BoxAt(root_, {c})), Centre(BoxAt(root_, {2 + c})), 0.001f) << c;
    for (uint32_t r = 0; r < 2; ++r)
        EXPECT_FLOAT_EQ(Baseline(BoxAt(root_, {2 * r})), Baseline(BoxAt(root_, {2 * r + 1}))) << r;
    EXPECT_LT(Baseline(BoxAt(root_, {0})), Baseline(BoxAt(root_, {2})));
    float widest0 = BoxAt(root_, {2}).width, widest1 = BoxAt(root_, {1}).width;
    EXPECT_FLOAT_EQ(m.width, widest0 + widest1 + 2 * 0.6f * s + 0.4f * s);

    const LayoutBox& single = LayTree(ReadFormula("vector(7)"));
    EXPECT_FLOAT_EQ(single.width, 0.4f * s + BoxAt(root_, {0}).width + 0.6f * s);

    // A shape that does not hold its cells, or one beyond 100 rows, is
    // shown in a line rather than read past its cells.
    FormulaNode* odd = ReadFormula("matrix(2,2,1,2,3,4)");
    odd->payload.pair = {3, 2};
    LayTree(odd);
    EXPECT_EQ(root_->layoutBox->atomFlag, 1);
    FormulaNode* tall = MakeNode(KindMatrix, 101);
    for (uint32_t i = 0; i < 101; ++i) {
        tall->children[i] = Num(i);
        tall->children[i]->parent = tall;
    }
    tall->payload.pair = {101, 1};
    LayTree(tall);
    EXPECT_EQ(root_->layoutBox->atomFlag, 1);
    EXPECT_TRUE(std::isfinite(root_->layoutBox->width));
}

TEST_F(TypesetConstructionsTest, RootsRiseAboveTheirRadicandAndCarryTheirIndex)
{
    const LayoutBox& root = *Lay("sqrt(x)")->layoutBox;
    EXPECT_FLOAT_EQ(root.height, 1.2f * s + s / 20);
    EXPECT_FLOAT_EQ(root.depth, s / 4);
    EXPECT_FLOAT_EQ(root.width, BoxAt(root_, {0}).width + 0.7f * s);
    Canvas canvas(80, 60);
    Draw(canvas, 10, 10);
    // The bar lies 0.1 s below the box's top, over the radicand.
    int bar = 10 + static_cast<int>(root.absoluteBottom - (root.height + root.depth - 0.1f * s));
    std::vector<int> ink = canvas.InkBounds(10 + static_cast<int>(0.7f * s), bar, 70, bar + 1);
    ASSERT_NE(ink[0], -1);
    EXPECT_GE(ink[3] - ink[1], BoxAt(root_, {0}).width - 0.1f * s - 1);

    Lay("sqrt(x,3)");
    const LayoutBox& index = BoxAt(root_, {1});
    EXPECT_FLOAT_EQ(index.height, kScript);
    EXPECT_FLOAT_EQ(index.relativeY, -(0.1f * s + (s / 4 + 1.2f * s + s / 20) / 4));
    EXPECT_FLOAT_EQ(BoxAt(root_, {0}).relativeX, index.width - 0.3f * s + 0.7f * s);
}

TEST_F(TypesetConstructionsTest, BigOperatorsKeepTheBaseSizeWhileTheirLimitsShrink)
{
    FormulaNode* sum = Node(KindSigma, {ReadFormula("i^2"), ReadFormula("i=1"), Var('n')});
    LayTree(sum);
    const LayoutBox& op = *root_->layoutBox;
    const LayoutBox& lower = BoxAt(root_, {1});
    const LayoutBox& upper = BoxAt(root_, {2});
    EXPECT_FLOAT_EQ(upper.height, kScript);
    EXPECT_FLOAT_EQ(lower.height, kScript);
    float span = BoxAt(root_, {0}).relativeX - 0.1f * s;
    EXPECT_NEAR(Centre(lower), op.absoluteLeft + span / 2, 0.001f);
    EXPECT_NEAR(Centre(upper), op.absoluteLeft + span / 2, 0.001f);
    EXPECT_LT(upper.absoluteBottom, Baseline(op) - 0.5f * s);
    EXPECT_GT(Top(lower), Baseline(op));
    EXPECT_NEAR(Top(upper), Top(op), 0.001f);

    // In an exponent the sign is as wide as at the base size.
    LayTree(Node(KindSigma, {Var('i'), Var('i')}));
    float sign = BoxAt(root_, {0}).relativeX - 0.1f * s;
    LayTree(Node(KindPower, {Var('e'), Node(KindSigma, {Var('i'), Var('i')})}));
    const FormulaNode* inner = root_->children[1];
    EXPECT_FLOAT_EQ(BoxAt(inner, {1}).height, kScriptScript);
    EXPECT_FLOAT_EQ(BoxAt(inner, {0}).relativeX - 0.1f * kScript, sign);

    // ∫ f dx with limits: the limits over and under the sign, then f, d, x.
    LayTree(Node(KindIntegral, {ReadFormula("x^2"), Var('x'), Num(0), Num(1)}));
    const LayoutBox& integral = *root_->layoutBox;
    const LayoutBox& integrand = BoxAt(root_, {0});
    const LayoutBox& variable = BoxAt(root_, {1});
    EXPECT_GT(variable.relativeX, integrand.relativeX + integrand.width);
    EXPECT_FLOAT_EQ(integral.width, variable.relativeX + variable.width);
    EXPECT_LT(BoxAt(root_, {3}).absoluteBottom, Top(integrand) + s / 2);
    EXPECT_GT(Top(BoxAt(root_, {2})), Baseline(integral));
}

// Ink of every construction stays inside the formula's box.
TEST_F(TypesetConstructionsTest, InkStaysInsideTheBoxes)
{
    std::vector<FormulaNode*> trees = {
        ReadFormula("x^2+x!+f'"),         ReadFormula("a/b-1/(1+x/y)"),  ReadFormula("[a/b]+[1/(1+x/y)]"),
        ReadFormula("matrix(2,2,1,x^2,3,4)"), ReadFormula("sqrt(x)+sqrt(a/b,3)"),
        Node(KindSigma, {Var('i'), ReadFormula("i=1"), Var('n')}), Node(KindCapitalPi, {Var('k'), Var('k'), Var('n')}),
        Node(KindIntegral, {Var('x'), Var('x'), Num(0), Num(1)}), Node(KindAbs, {ReadFormula("a/b")}),
        Node(KindFloor, {Var('x')}), Node(KindCeil, {Var('x')}), Node(KindSet, {ReadFormula("1,2")}),
        Node(KindInterval, {Num(0), Num(1)}), Node(KindOverline, {Var('z')}), Node(KindHat, {Var('x')}),
        Node(KindChoice, {Var('n'), Var('k')}), Node(KindLeftParen, {ReadFormula("a/b")}),
        Node(KindBranch, {Node(KindIf, {Num(0), ReadFormula("x<0")}), Node(KindIf, {Num(1), ReadFormula("x>0")})}),
        Node(KindLap, {Var('u')}), Node(KindDiv, {Var('F')}), Node(KindGrad, {Var('f'), Var('x')}),
        Node(KindBesselJ, {Var('x'), Num(0)}), Node(KindSuperscriptT, {ReadFormula("matrix(1,2,a,b)")}),
        Node(KindSubstitution, {Var('F'), Var('a'), Var('b')}),
    };
    for (FormulaNode* tree : trees) {
        LayTree(tree);
        SCOPED_TRACE(Text());
        const LayoutBox& box = *root_->layoutBox;
        Canvas canvas(static_cast<int>(box.width) + 40, static_cast<int>(box.height + box.depth) + 40);
        Draw(canvas, 20, 20);
        std::vector<int> ink = canvas.InkBounds(0, 0, canvas.width(), canvas.height());
        ASSERT_NE(ink[0], -1);
        EXPECT_GE(ink[0], 20 - 1);
        EXPECT_GE(ink[1], 20 - 1);
        EXPECT_LE(ink[2], 20 + static_cast<int>(std::ceil(box.height + box.depth)) + 1);
        EXPECT_LE(ink[3], 20 + static_cast<int>(std::ceil(box.width)) + 1);
    }
}

}  // namespace
