#include "editor/TypesetDriver.h"
#include "formula/CopyTree.h"
#include "editor/TypesetRows.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolCodes.h"
#include "support/TreeFixture.h"
#include "support/TypesetFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr const char* kSerif = "Liberation Serif";
constexpr int kSize = 24;
constexpr float s = 24;

// The width the typesetter gives a text: its advances less ink that reaches
// out at either end.
float TextWidth(const char16_t* text, bool bold = false, bool italic = false, const char* family = kSerif)
{
    std::u16string t(text);
    float width = FontAdvance(text, family, kSize, bold, italic);
    width += std::min(0, FontLeftBearing(t.front(), family, kSize, bold, italic));
    width += std::min(0, FontRightBearing(t.back(), family, kSize, italic, bold));
    return width;
}

// The width of one glyph: its advance and the ink beyond it.
float GlyphWidth(char16_t c, bool bold = false, bool italic = false, const char* family = kSerif)
{
    char16_t text[2] = {c, 0};
    return FontAdvance(text, family, kSize, bold, italic) - std::min(0, FontRightBearing(c, family, kSize, italic, bold));
}

class TypesetHandlersTest : public TypesetTest {
protected:
    const LayoutBox& LayTree(FormulaNode* tree)
    {
        SetFormula(tree);
        Relayout();
        return *root_->layoutBox;
    }
};

TEST_F(TypesetHandlersTest, AtomsAreALineOfTextHighAndAsWideAsWhatTheyShow)
{
    uint32_t alpha = InternSymbolName(u"alpha");
    uint32_t greek = InternSymbolName(u"\u03B2");
    uint32_t column = InternSymbolName(u"width");
    doc_.TableFunctions.Push({column, 0, 0, 5, 0});
    FormulaNode* typed = Num(1.5);
    std::u16string digits = u"1.50";
    std::copy(digits.begin(), digits.end(), typed->payload.number->text);
    struct Case {
        const char* what;
        FormulaNode* tree;
        float width;
    };
    const Case cases[] = {
        {"a number as typed", typed, TextWidth(u"1.50")},
        {"a computed number", Num(25), TextWidth(u"25")},
        {"a letter, in italic", Var('x'), GlyphWidth(u'x', false, true)},
        {"a capital", Var('F'), GlyphWidth(u'F', false, true)},
        {"a name, upright", Var(alpha), TextWidth(u"alpha")},
        {"a one-letter name, in italic", Var(greek), GlyphWidth(u'\u03B2', false, true)},
        {"pi, from the symbol font", Var(CodePi), GlyphWidth(u'\u03C0', false, false, "DejaVu Serif")},
        {"the ellipsis", Var(CodeLdots), GlyphWidth(u'\u2026', false, false, "DejaVu Serif")},
        {"a table function, bold and upright", Var(column), TextWidth(u"width", true)},
        {"a text, quoted", Txt(u"abc"), TextWidth(u"\u201Cabc\u201D")},
        {"a placeholder, bold", MakePlaceholderNode(), GlyphWidth(u'?', true)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LayoutBox& box = LayTree(c.tree);
        EXPECT_GT(box.width, 0);
        EXPECT_FLOAT_EQ(box.width, c.width);
        EXPECT_FLOAT_EQ(box.height, s);
        EXPECT_FLOAT_EQ(box.depth, s / 4);
        EXPECT_EQ(box.atomFlag, 1);
    }
    doc_.TableFunctions.Clear();
}

TEST_F(TypesetHandlersTest, OperatorsStandBetweenTheirGaps)
{
    float a = GlyphWidth(u'a', false, true), b = GlyphWidth(u'b', false, true), c = GlyphWidth(u'c', false, true);
    float plus = GlyphWidth(u'+'), equals = GlyphWidth(u'='), comma = GlyphWidth(u',');
    float minus = GlyphWidth(u'\u2212', false, false, "DejaVu Serif");
    float less = GlyphWidth(u'<'), leq = GlyphWidth(u'\u2264', false, false, "DejaVu Serif");
    struct Case {
        const char* text;
        float width;
    };
    const Case cases[] = {
        {"a+b", a + 0.25f * s + plus + 0.25f * s + b},
        {"a=b", a + 0.5f * s + equals + 0.5f * s + b},  // the formula's own equation
        {"a,b", a + comma + 0.25f * s + b},
        {"a<b", a + 0.25f * s + less + 0.25f * s + b},
        {"a-b", a + 0.25f * s + minus + 0.25f * s + b},  // the sign takes the place of "+"
        {"a-b+c", a + 0.25f * s + minus + 0.25f * s + b + 0.25f * s + plus + 0.25f * s + c},
        {"-a", minus + 0.15f * s + a},
    };
    for (const Case& k : cases) {
        Lay(k.text);
        EXPECT_FLOAT_EQ(root_->layoutBox->width, k.width) << k.text;
        EXPECT_FLOAT_EQ(root_->layoutBox->height, s) << k.text;
        EXPECT_FLOAT_EQ(root_->layoutBox->depth, s / 4) << k.text;
    }
    Lay("a-b");
    EXPECT_FLOAT_EQ(Box("-b").relativeX, a + 0.25f * s);
    EXPECT_FLOAT_EQ(Box("b").relativeX, minus + 0.25f * s);
    // An equation inside another construction has narrower gaps.
    SetFormula(Node(KindComma, {Var('a'), Node(KindEquation, {Var('b'), Var('c')})}));
    Relayout();
    EXPECT_FLOAT_EQ(root_->children[1]->layoutBox->width, b + 2 * 0.333f * s + equals + c);
    EXPECT_FLOAT_EQ(root_->layoutBox->width, a + comma + 0.25f * s + root_->children[1]->layoutBox->width);
    Lay("leq(a,b)");
    EXPECT_FLOAT_EQ(root_->layoutBox->width, a + 0.25f * s + leq + 0.25f * s + b);
}

TEST_F(TypesetHandlersTest, ProductsShowADotOnlyWhereJuxtapositionWouldMislead)
{
    uint32_t alpha = InternSymbolName(u"alpha");
    uint32_t beta = InternSymbolName(u"beta");
    struct Case {
        const char* what;
        FormulaNode* left;
        FormulaNode* right;
        bool dot;
    };
    const Case cases[] = {
        {"2 3", Num(2), Num(3), true},
        {"2 x", Num(2), Var('x'), false},
        {"x y", Var('x'), Var('y'), false},
        {"3 sin x", Num(3), Node(KindSin, {Var('x')}), false},
        {"sin x y", Node(KindSin, {Var('x')}), Var('y'), true},
        {"sin x ...", Node(KindSin, {Var('x')}), Var(CodeLdots), false},
        {"sin^2 x y", Node(KindPower, {Node(KindSin, {Var('x')}), Num(2)}), Var('y'), true},
        {"x^2 y", Node(KindPower, {Var('x'), Num(2)}), Var('y'), false},
        {"? x", MakePlaceholderNode(), Var('x'), true},
        {"x ?", Var('x'), MakePlaceholderNode(), true},
        {"2 -3", Num(2), Node(KindMinus, {Num(3)}), true},
        {"2 3^2", Num(2), Node(KindPower, {Num(3), Num(2)}), true},
        {"2 x^2", Num(2), Node(KindPower, {Var('x'), Num(2)}), false},
        {"alpha beta", Var(alpha), Var(beta), true},
        {"alpha x", Var(alpha), Var('x'), false},
        {"pi x", Var(CodePi), Var('x'), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NeedsVisibleDot(c.left, c.right), c.dot) << c.what;
        FreeTree(c.left);
        FreeTree(c.right);
    }
    float two = TextWidth(u"2"), three = TextWidth(u"3"), x = GlyphWidth(u'x', false, true);
    float dot = GlyphWidth(u'\u00B7');
    Lay("2*3");
    EXPECT_FLOAT_EQ(root_->layoutBox->width, two + 0.077f * s + dot + three);
    Lay("2*x");
    EXPECT_FLOAT_EQ(root_->layoutBox->width, two + 0.077f * s + x);
    EXPECT_FLOAT_EQ(Box("x").relativeX, two + 0.077f * s);
}

TEST_F(TypesetHandlersTest, NamedFunctionsAreUprightBeforeTheirArgument)
{
    float x = GlyphWidth(u'x', false, true);
    float lead = 0.154f * s;
    struct Case {
        const char* text;
        const char16_t* name;
        float argumentAt;
    };
    const Case cases[] = {
        {"sin(x)", u"sin", lead + TextWidth(u"sin") + 0.1f * s},
        {"sin([x])", u"sin", lead + TextWidth(u"sin")},  // parentheses bring their own room
        {"asinh(x)", u"asinh", lead + TextWidth(u"asinh") + 0.1f * s},
        {"Mean(x)", u"Mean", lead + TextWidth(u"Mean") + 0.1f * s},
        {"ln(x)", u"ln", lead + TextWidth(u"ln") + 0.1f * s},
    };
    for (const Case& c : cases) {
        Lay(c.text);
        const LayoutBox& argument = *root_->children[0]->layoutBox;
        EXPECT_FLOAT_EQ(argument.relativeX, c.argumentAt) << c.text;
        EXPECT_FLOAT_EQ(root_->layoutBox->width, c.argumentAt + argument.width) << c.text;
        EXPECT_FLOAT_EQ(root_->layoutBox->height, s) << c.text;
    }
    Lay("sin(x)");
    EXPECT_FLOAT_EQ(root_->layoutBox->width, lead + TextWidth(u"sin") + 0.1f * s + x);
    // sgn reaches below the baseline for its g, whatever its argument.
    const LayoutBox& sgn = LayTree(Node(KindSgn, {Node(KindProduct, {})}));
    EXPECT_FLOAT_EQ(sgn.depth, s / 4);
    const LayoutBox& sin = LayTree(Node(KindSin, {Node(KindProduct, {})}));
    EXPECT_FLOAT_EQ(sin.depth, 0);
}

TEST_F(TypesetHandlersTest, LogarithmsHangTheirBaseBelowTheBaseline)
{
    float p = 0.1f * s + TextWidth(u"log");
    Lay("log(x)");
    EXPECT_FLOAT_EQ(root_->layoutBox->width, p + GlyphWidth(u'x', false, true));
    EXPECT_FLOAT_EQ(root_->layoutBox->depth, s / 4);
    Lay("log(x,2)");
    const LayoutBox& base = *root_->children[1]->layoutBox;
    EXPECT_FLOAT_EQ(base.height, 19.2f);  // one level smaller
    EXPECT_FLOAT_EQ(base.relativeX, p);
    EXPECT_FLOAT_EQ(root_->children[0]->layoutBox->relativeX, p + base.width);
    // The base's top is at most 0.45 s above the baseline.
    float baseline = root_->layoutBox->absoluteBottom - root_->layoutBox->depth;
    float top = base.absoluteBottom - base.depth - base.height;
    EXPECT_NEAR(baseline - top, 0.45f * s, 0.001f);
    EXPECT_NEAR(root_->layoutBox->depth, 24 - 0.45f * s, 0.001f);
}

TEST_F(TypesetHandlersTest, CallsOfUserFunctions)
{
    float f = GlyphWidth(u'f', false, true), x = GlyphWidth(u'x', false, true);
    float open = GlyphWidth(u'('), close = GlyphWidth(u')');
    Lay("function(f,x)");
    EXPECT_FLOAT_EQ(root_->layoutBox->width, f + open + x + close);
    EXPECT_FLOAT_EQ(Box("x").relativeX, f + open);
    EXPECT_FLOAT_EQ(root_->layoutBox->depth, s / 4);
    // dy/dx as the operator applied to y: y goes up beside the d.
    SetFormula(Node(KindApplication, {Node(KindOpTotal, {Var('x')}), Var('y')}));
    Relayout();
    const LayoutBox& y = *root_->children[1]->layoutBox;
    EXPECT_FLOAT_EQ(y.relativeX, GlyphWidth(u'd', false, true));
    EXPECT_FLOAT_EQ(y.relativeY, -(s / 4 + s + 0.2f * s + s / 20));
    EXPECT_EQ(root_->layoutBox->atomFlag, 0);
    EXPECT_FLOAT_EQ(root_->layoutBox->depth, root_->children[0]->layoutBox->depth);
}

}  // namespace
