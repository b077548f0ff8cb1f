#include "editor/LineWrapping.h"
#include "editor/TypesetDriver.h"
#include "formula/CopyTree.h"
#include "editor/TypesetMetrics.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/IsCaretMoveCommand.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/ScriptSizeTable.h"
#include "formula/TreeWalk.h"
#include "platform/NumberText.h"
#include "support/TreeFixture.h"
#include "support/TypesetFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

class TypesetDriverTest : public TypesetTest {
protected:
    std::string Parenthesised(const char* text)
    {
        Load(text);
        InsertNeededParentheses(root_);
        return Describe(root_);
    }

    std::u16string TypedText(const FormulaNode* number)
    {
        const char16_t* text = number->payload.number->text;
        size_t n = 0;
        while (n < kTypedNumberUnits && text[n])
            ++n;
        return std::u16string(text, n);
    }

    float SizeOf(const char* text) { return state_.sizeTable->size[Box(text).scriptLevel]; }
};

TEST_F(TypesetDriverTest, ParenthesesWhereTheFormulaNeedsThem)
{
    struct Case {
        const char* text;
        const char* laidOut;
    };
    const Case cases[] = {
        {"a-(b+c)", "+(a,-(()(+(b,c))))"},
        {"a+(b+c)", "+(a,()(+(b,c)))"},  // a sum inside a sum
        {"a+(b=c)", "+(a,()(=(b,c)))"},  // an equation inside a sum
        {"a-(-b)", "+(a,-(-(b)))"},
        {"-(a+b)", "-(()(+(a,b)))"},
        {"(a+b)^2", "^(()(+(a,b)),2)"},
        {"(-a)^2", "^(()(-(a)),2)"},
        {"-(a^2)", "-(^(a,2))"},
        {"x^(a+b)", "^(x,+(a,b))"},  // an exponent never
        {"a*(b+c)", "*(a,()(+(b,c)))"},
        {"(-a)*b", "*(()(-(a)),b)"},
        {"a*(-b)", "*(a,()(-(b)))"},
        {"2*sin(x)*y", "*(2,sin(x),y)"},
        {"x^2*y", "*(^(x,2),y)"},
        {"sin(2*x)", "sin(*(2,x))"},
        {"sin(a+b)", "sin(()(+(a,b)))"},
        {"sin(x/2*y)", "sin(()(*(/(x,2),y)))"},
        {"sin(x*cos(y))", "sin(()(*(x,cos(y))))"},
        {"sin(x)^2", "^(sin(x),2)"},
        {"sqrt(a+b)", "sqrt(+(a,b))"},
        {"(a+b)!", "fact(()(+(a,b)))"},
        {"a=b+c", "=(a,+(b,c))"},
        {"x'", "'(x)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Parenthesised(c.text), c.laidOut) << c.text;
    // Inserted parentheses stay: a second pass adds none.
    Load("a-(b+c)");
    InsertNeededParentheses(root_);
    InsertNeededParentheses(root_);
    EXPECT_EQ(Describe(root_), "+(a,-(()(+(b,c))))");
    EXPECT_TRUE(IsConsistent(root_));
}

TEST_F(TypesetDriverTest, ParenthesesRulesByKind)
{
    FormulaNode* sum = Node(KindSum, {Var('a'), Var('b'), Var('c')});
    FormulaNode* product = Node(KindProduct, {Var('a'), Var('b')});
    struct Case {
        int32_t child;
        int32_t parent;
        uint32_t position;
        const FormulaNode* node;
        bool needed;
    };
    const Case cases[] = {
        {KindSigma, KindSum, 0, sum, true},    // a big operator before other terms
        {KindSigma, KindSum, 2, sum, false},   // ... as the last term
        {KindEquation, KindComma, 0, sum, false},
        {KindEquation, KindSubscript, 0, sum, false},
        {KindIf, KindBranch, 0, sum, false},
        {KindIf, KindEquation, 0, sum, true},
        {KindComma, KindEquation, 1, sum, true},
        {KindSum, KindParentheses, 0, sum, false},
        {KindEquation, KindSigma, 0, sum, false},
        {KindDot, KindProduct, 1, product, true},
        {KindProduct, KindDot, 1, product, false},
        {KindSqrt, KindProduct, 0, product, false},
        {KindLog, KindProduct, 0, product, true},  // a prefix, but not a named function
        {KindText, KindPower, 0, product, false},
        {KindFraction, KindPower, 0, product, true},
        {KindSum, KindLeftParen, 0, product, false},
        {KindSum, KindSubstitution, 0, product, false},
        {KindDot, KindSin, 0, product, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NeedsParentheses(c.child, c.parent, c.position, c.node), c.needed)
            << c.child << " in " << c.parent << " at " << c.position;
    }
    FreeTree(sum);
    FreeTree(product);
}

TEST_F(TypesetDriverTest, ScriptSizesFollowTheDocumentOrTheTable)
{
    struct Case {
        int16_t documentSize;
        int16_t tableSize;
        float sizes[kScriptLevels];
    };
    const Case cases[] = {
        {24, 0, {24, 24, 24, 19.2f, 15.36f, 15.36f}},
        {12, 0, {12, 12, 12, 9.6f, 9, 9}},
        {5, 0, {9, 9, 9, 9, 9, 9}},
        {24, 30, {30, 30, 30, 24, 19.2f, 19.2f}},
    };
    for (const Case& c : cases) {
        doc_.FontSizes = c.documentSize;
        state_.tableFontSize = c.tableSize;
        PrepareTypesetting(nullptr, &doc_);
        ASSERT_NE(state_.sizeTable, nullptr);
        for (int level = 0; level < kScriptLevels; ++level)
            EXPECT_FLOAT_EQ(state_.sizeTable->size[level], c.sizes[level]) << c.documentSize << " " << level;
    }
    EXPECT_EQ(state_.document, &doc_);
}

TEST_F(TypesetDriverTest, ScriptLevelsStopAtTheThird)
{
    Lay("x^(y^(z^w))");
    FormulaNode* inner = root_->children[1];
    FormulaNode* innermost = inner->children[1];
    struct Case {
        const FormulaNode* node;
        int level;
    };
    const Case cases[] = {{root_, 2}, {root_->children[0], 2}, {inner, 3}, {inner->children[0], 3},
                          {innermost, 4}, {innermost->children[0], 4}, {innermost->children[1], 4}};
    for (const Case& c : cases)
        EXPECT_EQ(c.node->layoutBox->scriptLevel, c.level) << Describe(c.node);
    EXPECT_FLOAT_EQ(SizeOf("w"), 15.36f);
    Lay("log(x,2)+optotal(y,2)");
    EXPECT_EQ(Box("2").scriptLevel, 3);
    EXPECT_EQ(Box("x").scriptLevel, 2);
}

TEST_F(TypesetDriverTest, TooWideAPowerKeepsItsExponentFullSize)
{
    Lay("x^(a+b+c+d)");
    EXPECT_EQ(Box("a+b+c+d").scriptLevel, 3);
    EXPECT_EQ(root_->layoutBox->wideMark, 0);
    state_.wrapWidth = 20;
    RelayoutFormula();
    EXPECT_EQ(root_->layoutBox->wideMark, 1);
    EXPECT_EQ(Box("a+b+c+d").wideMark, 1);
    EXPECT_EQ(Box("x").wideMark, 0);
    EXPECT_EQ(Box("a+b+c+d").scriptLevel, 2);
    EXPECT_FLOAT_EQ(SizeOf("d"), 24);
}

TEST_F(TypesetDriverTest, ComputedNumbersShowTheDisplayDigits)
{
    // A computed value: mantissa times ten to a power.
    SetFormula(Num(0.000012345));
    Relayout();
    ASSERT_EQ(Describe(root_), "sn(1.2345,-5)");
    EXPECT_EQ(TypedText(root_->children[0]), u"1.2345");
    EXPECT_EQ(TypedText(root_->children[1]), u"-5");
    // Laid out again, nothing splits twice.
    Relayout();
    EXPECT_EQ(Describe(root_), "sn(1.2345,-5)");
    EXPECT_TRUE(IsConsistent(root_));

    struct Case {
        double value;
        const char16_t* typed;
        const char* tree;
        const char16_t* shown;
    };
    const Case cases[] = {
        {0.000012345, u"0.000012345", "1.2345e-05", u"0.000012345"},  // as typed
        {2.5, u"2.50", "2.5", u"2.50"},
        {2.5, u"abc", "2.5", u"2.5"},  // text that is no number
        {2.5, u"3", "2.5", u"2.5"},    // text that no longer says the value
        {-7, u"", "-7", u"-7"},
        {INFINITY, u"", "inf", u"Infinity"},
    };
    for (const Case& c : cases) {
        FormulaNode* number = Num(c.value);
        std::u16string typed(c.typed);
        std::copy(typed.begin(), typed.end(), number->payload.number->text);
        SetFormula(number);
        Relayout();
        EXPECT_EQ(Describe(root_), c.tree);
        EXPECT_EQ(TypedText(root_), c.shown) << c.tree;
    }

    SetFormula(Num(123456789));
    Relayout();
    EXPECT_EQ(Describe(root_), "sn(1.23457,8)");
    EXPECT_DOUBLE_EQ(root_->children[0]->payload.number->value, 1.23456789);
    // The smallest numbers scale without running out of range.
    SetFormula(Num(5e-324));
    Relayout();
    ASSERT_EQ(root_->kind, KindSn);
    EXPECT_TRUE(std::isfinite(root_->children[0]->payload.number->value));
    EXPECT_NEAR(root_->children[0]->payload.number->value, 4.94066, 1e-5);
}

TEST_F(TypesetDriverTest, DigitsOfADocumentAreHeldToWhatANumberHas)
{
    for (int16_t digits : {int16_t{40}, int16_t{-3}, int16_t{0}, int16_t{32767}}) {
        doc_.SignificantDigits = digits;
        PrepareTypesetting(nullptr, &doc_);
        EXPECT_GE(DisplayDigits, 1);
        EXPECT_LE(DisplayDigits, 17);
        SetFormula(Num(-1.0 / 3e-300));
        Relayout();
        ASSERT_EQ(root_->kind, KindSn);
        // The text fits the field with room for its end.
        const char16_t* text = root_->children[0]->payload.number->text;
        EXPECT_EQ(text[kTypedNumberUnits - 1], 0);
    }
    doc_.SignificantDigits = 6;
    PrepareTypesetting(nullptr, &doc_);
}

TEST_F(TypesetDriverTest, RelayoutRunsOnlyWhenSomethingChanged)
{
    Lay("2*x+3=y");
    ASSERT_EQ(state_.layoutValid, 1);
    float width = root_->layoutBox->width;
    EXPECT_GT(width, 0);
    // Nothing changed: nothing is measured.
    root_->layoutBox->width = 1;
    RelayoutFormula();
    EXPECT_EQ(root_->layoutBox->width, 1);
    // A new wrap width (the pane was resized) lays out without an edit.
    state_.wrapWidth = 5000;
    RelayoutFormula();
    EXPECT_EQ(root_->layoutBox->width, width);
    EXPECT_EQ(state_.lastWrapWidth, 5000);
    // An edit invalidates; the root's size goes until the next layout.
    InvalidateFormulaLayout();
    EXPECT_EQ(state_.layoutValid, 0);
    EXPECT_EQ(root_->layoutBox->width, 0);
    RelayoutFormula();
    EXPECT_EQ(root_->layoutBox->width, width);
    // Without a current state nothing happens.
    SetCurrentEditorState(nullptr);
    RelayoutFormula();
    CheckLayoutBoxes();
    SelectEntireFormula();
    EXPECT_EQ(GetFormulaWidth(), 0);
    SetCurrentEditorState(&state_);
}

TEST_F(TypesetDriverTest, TheFormulaHangsFromItsTop)
{
    Lay("2*x+3=y");
    const LayoutBox& root = *root_->layoutBox;
    EXPECT_EQ(root.relativeX, 0);
    EXPECT_FLOAT_EQ(root.absoluteBottom, root.height + root.depth);
    EXPECT_FLOAT_EQ(state_.baselineOffset, root.depth);
    EXPECT_FLOAT_EQ(GetFormulaWidth(), root.width);
    EXPECT_FLOAT_EQ(GetFormulaHeight(), root.height + root.depth);
    // Every box lies inside the root's, and its place is its parent's plus
    // its relative one.
    for (PreorderWalk walk(root_); walk.Node(); walk.Next()) {
        const FormulaNode* node = walk.Node();
        const LayoutBox& box = *node->layoutBox;
        SCOPED_TRACE(Describe(node));
        EXPECT_GE(box.absoluteBottom - box.depth - box.height, -0.001f);
        EXPECT_LE(box.absoluteBottom, root.absoluteBottom + 0.001f);
        EXPECT_GE(box.absoluteLeft, 0);
        EXPECT_LE(box.absoluteLeft + box.width, root.width + 0.001f);
        if (node->parent) {
            const LayoutBox& parent = *node->parent->layoutBox;
            EXPECT_FLOAT_EQ(box.absoluteLeft, parent.absoluteLeft + box.relativeX);
            EXPECT_FLOAT_EQ(box.absoluteBottom, parent.absoluteBottom + box.relativeY);
        }
    }
}

TEST_F(TypesetDriverTest, BoxesAndSelection)
{
    Lay("a+b");
    // A node without a box makes the layout invalid.
    FormulaNode* b = Find("b");
    LayoutBox* kept = b->layoutBox;
    b->layoutBox = nullptr;
    CheckLayoutBoxes();
    EXPECT_EQ(state_.layoutValid, 0);
    b->layoutBox = kept;
    RelayoutFormula();
    CheckLayoutBoxes();
    EXPECT_EQ(state_.layoutValid, 1);

    state_.current = b;
    state_.mode = 3;
    state_.previousCommand = 8448;
    SelectEntireFormula();
    EXPECT_EQ(state_.current, root_);
    EXPECT_EQ(state_.mode, SelectionNode);
    EXPECT_EQ(state_.previousCommand, 0);
}

TEST_F(TypesetDriverTest, TableFunctionNamesAreMarked)
{
    uint32_t width = InternSymbolName(u"width");
    doc_.TableFunctions.Push({width, 0, 0, 5, 0});
    SetFormula(Node(KindApplication, {Var(width), Var('x')}));
    Relayout();
    EXPECT_EQ(root_->children[0]->layoutBox->flags & 2, 2);
    EXPECT_EQ(root_->children[1]->layoutBox->flags & 2, 0);
    doc_.TableFunctions.Clear();
    Relayout();
    EXPECT_EQ(root_->children[0]->layoutBox->flags & 2, 0);
}

TEST(CaretMoveCommandTest, CaretMovesButNotBackspace)
{
    struct Case {
        int32_t command;
        bool move;
    };
    const Case cases[] = {{5631, false}, {5632, true}, {5640, true}, {5641, false},
                          {5642, true},  {5648, true}, {5649, false}, {0, false}};
    for (const Case& c : cases)
        EXPECT_EQ(IsCaretMoveCommand(c.command), c.move) << c.command;
}

}  // namespace
