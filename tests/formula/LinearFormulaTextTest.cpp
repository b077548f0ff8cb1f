#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/TextBufferStack.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/LinearFormulaText.h"
#include "formula/NameRegistry.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "support/CommaLocale.h"
#include "support/LinearText.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <functional>
#include <limits>
#include <string>

namespace {

using LinearFormulaTextTest = TreeTest;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

FormulaNode* Sum(std::initializer_list<FormulaNode*> terms) { return Node(KindSum, terms); }
FormulaNode* Prod(std::initializer_list<FormulaNode*> factors) { return Node(KindProduct, factors); }
FormulaNode* Neg(FormulaNode* a) { return Node(KindMinus, {a}); }
FormulaNode* Over(FormulaNode* a, FormulaNode* b) { return Node(KindFraction, {a, b}); }
FormulaNode* Pow(FormulaNode* a, FormulaNode* b) { return Node(KindPower, {a, b}); }
FormulaNode* Paren(FormulaNode* a) { return Node(KindParentheses, {a}); }

struct WriterCase {
    const char* name;
    std::function<FormulaNode*()> make;
    const char* text;
};

void ExpectTexts(std::initializer_list<WriterCase> cases, bool bracket = false)
{
    for (const WriterCase& c : cases) {
        SCOPED_TRACE(c.name);
        FormulaNode* tree = c.make();
        EXPECT_EQ(LinearText(tree, bracket), c.text);
        FreeTree(tree);
    }
}

TEST_F(LinearFormulaTextTest, OperatorRowsNumbersAndNames)
{
    uint32_t alpha = InternSymbolName(u"alpha");
    ExpectTexts({
        {"x^2 + 1", [] { return Sum({Pow(Var('x'), Num(2)), Num(1)}); }, "x^2+1"},
        {"a - b", [] { return Sum({Var('a'), Neg(Var('b'))}); }, "a-b"},
        {"a - b + c", [] { return Sum({Var('a'), Neg(Var('b')), Var('c')}); }, "a-b+c"},
        {"(a + b)/(c d)", [] { return Over(Sum({Var('a'), Var('b')}), Prod({Var('c'), Var('d')})); },
         "(a+b)/(c*d)"},
        {"a (b/c)", [] { return Prod({Var('a'), Over(Var('b'), Var('c'))}); }, "a*(b/c)"},
        {"(a/b) c", [] { return Prod({Over(Var('a'), Var('b')), Var('c')}); }, "a/b*c"},
        {"-(2x)", [] { return Neg(Prod({Num(2), Var('x')})); }, "-(2*x)"},
        {"x!", [] { return Node(KindFact, {Var('x')}); }, "x!"},
        {"relations", [] { return Node(KindEquation, {Node(KindLess, {Var('a'), Var('b')}), Var('c')}); },
         "(a<b)=c"},
        {"matrix", [] { return Matrix(2, 2, {Num(1), Num(2), Num(3), Num(4)}); }, "matrix(2,2,1,2,3,4)"},
        {"row", [] { return Matrix(1, 3, {Num(1), Num(2), Num(3)}); }, "matrix(1,3,1,2,3)"},
        {"vector", [] { return Matrix(3, 1, {Num(1), Num(2), Num(3)}); }, "vector(1,2,3)"},
        {"1/3", [] { return Num(1.0 / 3.0); }, "0.3333333333333333"},
        {"1e300", [] { return Num(1e300); }, "1e+300"},
        {"1e20", [] { return Num(1e20); }, "1e+020"},
        {"1.5e-7", [] { return Num(1.5e-7); }, "1.5e-007"},
        {"+infinity", [] { return Num(kInfinity); }, "Infinity"},
        {"-infinity keeps its sign", [] { return Num(-kInfinity); }, "-Infinity"},
        {"NaN", [] { return Num(std::nan("")); }, "NaN"},
        {"theta", [] { return Var(3); }, "theta"},
        {"pi", [] { return Var(1); }, "pi"},
        {"alpha", [alpha] { return Var(alpha); }, "'alpha'"},
        {"backslash", [] { return Var('\\'); }, "'\\'"},
        {"x primed", [] { return Var(10); }, "prime(x)"},
        {"spherical radius", [] { return Var(7); }, "r"},
        {"other character", [] { return Var('#'); }, "'#'"},
        {"data row index", [] { return Var(14); }, "'_index_'"},
        {"text", [] { return Txt(u"a b"); }, "\"a b\""},
        {"text with quotes", [] { return Txt(u"say \"hi\" now"); }, "\"say \"\"hi\"\" now\""},
        {"text in UTF-8", [] { return Txt(u"\u00e9\u20ac"); }, "\"\xc3\xa9\xe2\x82\xac\""},
        {"x_1", [] { return MakeSubscript(Var('x'), Num(1)); }, "x_1"},
        {"x_(n + 1)", [] { return MakeSubscript(Var('x'), Sum({Var('n'), Num(1)})); }, "x_(n+1)"},
        {"placeholder", [] { return MakePlaceholderNode(); }, "?"},
        {"sin", [] { return MakeSin(Var('x')); }, "sin(x)"},
        {"notequal", [] { return Node(KindNotEqual, {Var('a'), Var('b')}); }, "notequal(a,b)"},
        {"application", [] { return Node(KindApplication, {Var('f'), Node(KindComma, {Var('x'), Var('y')})}); },
         "function(f,x,y)"},
        {"summation", [] { return BigOperator(KindSigma, Pow(Var('k'), Num(2)), 'k', 1, 10); }, "sum(k^2,k=1,10)"},
        {"internal kind", [] { return Node(KindPartialDerivative, {Var('y'), Var('x')}); }, "?(y,x)"},
    });
}

TEST_F(LinearFormulaTextTest, BracketFlagChoosesHowParenthesesNodesAreWritten)
{
    auto typed = [] { return Pow(Paren(Sum({Var('x'), Num(1)})), Num(2)); };
    ExpectTexts({{"flag clear", typed, "(x+1)^2"}}, false);
    ExpectTexts({{"flag set", typed, "[x+1]^2"}}, true);
    // A parentheses node groups by itself: nothing is added around it.
    ExpectTexts({{"typed -(a+b)", [] { return Neg(Paren(Sum({Var('a'), Var('b')}))); }, "-[a+b]"}}, true);
}

// Trees read from a file or made by the algebra hold no parentheses nodes;
// the writer adds "(...)" wherever the reader would otherwise group the text
// differently (unary minus binds tighter than * and looser than ^; ^ groups
// to the right; ! and _ bind tightest).
TEST_F(LinearFormulaTextTest, GroupingSurvivesWithoutParenthesesNodes)
{
    ExpectTexts({
        {"2 (x + 1)", [] { return Prod({Num(2), Sum({Var('x'), Num(1)})}); }, "2*(x+1)"},
        {"(-a)^2", [] { return Pow(Neg(Var('a')), Num(2)); }, "(-a)^2"},
        {"-(a^2)", [] { return Neg(Pow(Var('a'), Num(2))); }, "-a^2"},
        {"(-2)^2", [] { return Pow(Num(-2), Num(2)); }, "(-2)^2"},
        {"(a b)^2", [] { return Pow(Prod({Var('a'), Var('b')}), Num(2)); }, "(a*b)^2"},
        {"(a^b)^c", [] { return Pow(Pow(Var('a'), Var('b')), Var('c')); }, "(a^b)^c"},
        {"a^(b^c)", [] { return Pow(Var('a'), Pow(Var('b'), Var('c'))); }, "a^b^c"},
        {"x^(-1)", [] { return Pow(Var('x'), Neg(Num(1))); }, "x^(-1)"},
        {"x^(a + b)", [] { return Pow(Var('x'), Sum({Var('a'), Var('b')})); }, "x^(a+b)"},
        {"(a^b)!", [] { return Node(KindFact, {Pow(Var('a'), Var('b'))}); }, "(a^b)!"},
        {"(-a)!", [] { return Node(KindFact, {Neg(Var('a'))}); }, "(-a)!"},
        {"a - (b + c)", [] { return Sum({Var('a'), Neg(Sum({Var('b'), Var('c')}))}); }, "a-(b+c)"},
        {"-(a/b)", [] { return Neg(Over(Var('a'), Var('b'))); }, "-(a/b)"},
        {"(-a) b", [] { return Prod({Neg(Var('a')), Var('b')}); }, "-a*b"},
        {"a (-b)", [] { return Prod({Var('a'), Neg(Var('b'))}); }, "a*-b"},
        {"--a", [] { return Neg(Neg(Var('a'))); }, "--a"},
        {"a/(b/c)", [] { return Over(Var('a'), Over(Var('b'), Var('c'))); }, "a/(b/c)"},
        {"(a/b)/c", [] { return Over(Over(Var('a'), Var('b')), Var('c')); }, "a/b/c"},
        {"a/(-b)", [] { return Over(Var('a'), Neg(Var('b'))); }, "a/-b"},
        {"a + -2", [] { return Sum({Var('a'), Num(-2)}); }, "a-2"},
        {"a = (b = c) is one row", [] { return Node(KindEquation, {Var('a'), Node(KindEquation, {Var('b'), Var('c')})}); },
         "a=b=c"},
        {"a = (b < c)", [] { return Node(KindEquation, {Var('a'), Node(KindLess, {Var('b'), Var('c')})}); },
         "a=(b<c)"},
        {"(a, b) = c", [] { return Node(KindEquation, {Node(KindComma, {Var('a'), Var('b')}), Var('c')}); },
         "(a,b)=c"},
        {"(a = b) + c", [] { return Sum({Node(KindEquation, {Var('a'), Var('b')}), Var('c')}); }, "(a=b)+c"},
        {"x_(-1)", [] { return MakeSubscript(Var('x'), Num(-1)); }, "x_(-1)"},
        {"(a^2)_1", [] { return MakeSubscript(Pow(Var('a'), Num(2)), Num(1)); }, "(a^2)_1"},
        {"(x_1)^2", [] { return Pow(MakeSubscript(Var('x'), Num(1)), Num(2)); }, "x_1^2"},
        {"-infinity as a base", [] { return Pow(Num(-kInfinity), Num(2)); }, "(-Infinity)^2"},
    });
}

TEST_F(LinearFormulaTextTest, GroupingTableOfTheOperatorRows)
{
    struct Row {
        int32_t child;
        uint32_t position;
        int32_t parent;
        bool grouped;
    };
    const Row rows[] = {
        {KindSum, 0, KindFraction, true},          {KindSum, 1, KindFraction, true},
        {KindProduct, 1, KindFraction, true},      {KindFraction, 1, KindFraction, true},
        {KindProduct, 0, KindFraction, false},     {KindSum, 1, KindPower, true},
        {KindProduct, 1, KindPower, true},         {KindFraction, 1, KindPower, true},
        {KindMinus, 1, KindPower, true},           {KindComma, 0, KindEquation, true},
        {KindFraction, 1, KindProduct, true},      {KindFraction, 0, KindProduct, false},
        {KindSum, 0, KindSum, false},              {KindProduct, 2, KindProduct, false},
        {KindEquation, 1, KindComma, false},       {KindSin, 0, KindPower, false},
        {KindParentheses, 0, KindMinus, false},    {KindSum, 0, KindSin, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.child << " at " << row.position << " in " << row.parent);
        EXPECT_EQ(NeedsGroupingParentheses(row.child, row.position, row.parent), row.grouped);
    }
}

TEST_F(LinearFormulaTextTest, NumbersIgnoreTheUsersDecimalComma)
{
    if (!UseCommaNumericLocale())
        GTEST_SKIP() << "no locale with a decimal comma could be made";
    ExpectTexts({
        {"0.5", [] { return Num(0.5); }, "0.5"},
        {"list of halves", [] { return Node(KindComma, {Num(1.5), Num(-2.25)}); }, "1.5,-2.25"},
        {"matrix counts", [] { return Matrix(1, 2, {Num(0.1), Num(2.5e-10)}); }, "matrix(1,2,0.1,2.5e-010)"},
    });
    setlocale(LC_NUMERIC, "C");
}

TEST_F(LinearFormulaTextTest, DeepTreesAreWrittenWithoutRecursion)
{
    FormulaNode* deep = Chain(KindMinus, 100000);
    std::string text;
    RunOnSmallStack([&] { text = LinearText(deep); });
    EXPECT_EQ(text, std::string(100000, '-') + "x");
    FreeTree(deep);
}

TEST_F(LinearFormulaTextTest, SubtreeIsWrittenAloneAndNestsInAnOpenBuffer)
{
    FormulaNode* tree = Prod({Num(2), Sum({Var('x'), Num(1)})});
    // The sum as a root of its own needs no parentheses.
    EXPECT_EQ(LinearText(tree->children[1]), "x+1");
    PushTextBuffer();
    PutTextString("Expr ");
    WriteFormulaText(tree, true);
    PutTextString(";");
    PutTextChar(0);
    char* document = PopTextBuffer();
    ASSERT_NE(document, nullptr);
    EXPECT_STREQ(document, "Expr 2*(x+1);");
    BudgetFree(document);
    FreeTree(tree);
}

TEST_F(LinearFormulaTextTest, TextThatCannotBeHadWholeIsRefused)
{
    // A list long enough to outgrow the first buffer.
    FormulaNode* tree = MakeNode(KindComma, 400);
    for (uint32_t i = 0; i < 400; ++i) {
        tree->children[i] = Num(12345);
        tree->children[i]->parent = tree;
    }
    PoolsExhausted exhausted;
    EXPECT_EQ(FormulaToText(tree, false), nullptr);
    EXPECT_EQ(TheTextBufferStack.top, -1);
    FreeTree(tree);
}

}  // namespace
