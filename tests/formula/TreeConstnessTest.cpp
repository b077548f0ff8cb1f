#include "document/DocState.h"
#include "evaluation/UserFunction.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/TableContext.h"
#include "formula/TreeConstness.h"
#include "support/DocumentLines.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr uint32_t kPi = 1;

// A document with the parameter line a = 2, the table column T (five rows, first
// column of its table, flagged) and the user function f(x) = x^2.
class TreeConstnessTest : public TreeTest {
protected:
    void SetUp() override
    {
        TreeTest::SetUp();
        AppendParameterLine(doc, 'a', 2);
        doc.TableFunctions.Push({'T', 0, 0, 5, 1});
        doc.TableFunctions.Push({'U', 0, 1, 5, 0});
        FormulaNode* head = Node(KindApplication, {Var('f'), Var('x')});
        doc.UserFunctions.Push(new UserFunction(Node(KindEquation, {head, MakeSquare(Var('x'))}), &doc));
    }
    void TearDown() override
    {
        doc.UserFunctions.DeleteCompiledFormulas();
        doc.FreeLines();
        doc.TableFunctions.Clear();
        TreeTest::TearDown();
    }

    DocState doc;
};

struct ConstnessCase {
    const char* what;
    std::function<FormulaNode*()> make;
    bool constant;
    bool withParameters;
    bool allowingBound;  // stop at the root
    bool evaluable;
};

TEST_F(TreeConstnessTest, OneTableForTheFourTreeTests)
{
    uint32_t color = InternSymbolName(u"color");
    const ConstnessCase cases[] = {
        {"2 pi + sin 1", [] { return MakeSum(MakeProduct(Num(2), Var(kPi)), MakeSin(Num(1))); }, true, true, true,
         true},
        {"x + 1", [] { return MakeSum(Var('x'), Num(1)); }, false, false, false, false},
        {"a + 1, a a parameter", [] { return MakeSum(Var('a'), Num(1)); }, false, true, false, true},
        {"1 + sum of k^2 for k = 1 to 3",
         [] { return MakeSum(Num(1), BigOperator(KindSigma, MakeSquare(Var('k')), 'k', 1, 3)); }, false, false,
         true, true},
        {"1 + sum of x for x = 1 to 3: x is no index",
         [] { return MakeSum(Num(1), BigOperator(KindSigma, Var('x'), 'x', 1, 3)); }, false, false, false, false},
        {"i + 1", [] { return MakeSum(Var('i'), Num(1)); }, true, true, true, true},
        {"1 + sum of i for i = 1 to 2",
         [] { return MakeSum(Num(1), BigOperator(KindSigma, Var('i'), 'i', 1, 2)); }, false, false, true, true},
        {"1 + Sum(T): a column inside an aggregate",
         [] { return MakeSum(Num(1), Node(KindAggregateSum, {Var('T')})); }, false, true, false, true},
        {"T + 1: a column used pointwise", [] { return MakeSum(Var('T'), Num(1)); }, false, false, false, false},
        {"n + 1, n the slider variable", [] { return MakeSum(Var('n'), Num(1)); }, false, true, false, true},
        {"color + 1, a style key", [color] { return MakeSum(Var(color), Num(1)); }, false, true, false, false},
        {"f(2), f a user function", [] { return Node(KindApplication, {Var('f'), Num(2)}); }, true, true, true,
         true},
        {"g(2), g undefined", [] { return Node(KindApplication, {Var('g'), Num(2)}); }, false, false, false,
         false},
        {"placeholder + 1", [] { return MakeSum(MakePlaceholderNode(), Num(1)); }, false, false, false, false},
        {"2 < 3", [] { return Node(KindLess, {Num(2), Num(3)}); }, false, true, false, true},
        {"[1, 2] + 1", [] { return MakeSum(Node(KindInterval, {Num(1), Num(2)}), Num(1)); }, false, false, true,
         true},
        {"mod(7, 2)", [] { return Node(KindMod, {Node(KindComma, {Num(7), Num(2)})}); }, true, true, true, true},
        {"mod(7)", [] { return Node(KindMod, {Num(7)}); }, false, false, false, false},
        {"1 if 2 < 3", [] { return Node(KindIf, {Num(1), Node(KindLess, {Num(2), Num(3)})}); }, true, true, true,
         true},
    };
    for (const ConstnessCase& c : cases) {
        SCOPED_TRACE(c.what);
        FormulaNode* tree = c.make();
        EXPECT_EQ(IsConstantTree(tree, &doc), c.constant);
        EXPECT_EQ(IsConstantTreeWithParameters(tree, &doc), c.withParameters);
        EXPECT_EQ(IsConstantTreeAllowingBound(tree, tree, &doc), c.allowingBound);
        EXPECT_EQ(IsEvaluableForResult(tree, &doc), c.evaluable);
        FreeTree(tree);
    }
}

TEST_F(TreeConstnessTest, IndicesAreBoundOnlyBelowTheStopNode)
{
    FormulaNode* sum = BigOperator(KindSigma, MakeSquare(Var('k')), 'k', 1, 3);
    FormulaNode* k = sum->children[0]->children[0];
    EXPECT_TRUE(IsBoundLocally(k, nullptr, &doc));
    EXPECT_FALSE(IsBoundLocally(k, sum, &doc)) << "the summation is the stop";
    EXPECT_FALSE(IsBoundLocally(k, k, &doc));
    EXPECT_FALSE(IsConstantTreeAllowingBound(sum, sum, &doc));
    EXPECT_TRUE(IsConstantTreeAllowingBound(sum, nullptr, &doc));
    FreeTree(sum);

    // Built-in codes and the slider variable are never loop indices.
    for (uint32_t code : {uint32_t('x'), uint32_t('n'), kPi}) {
        FormulaNode* loop = BigOperator(KindSigma, Var(code), code, 1, 3);
        EXPECT_FALSE(IsBoundLocally(loop->children[0], nullptr, &doc)) << code;
        FreeTree(loop);
    }

    // A loop made for compiling binds its index only below the stop.
    FormulaNode* loop = Node(KindSumLoop, {Node(KindEquation, {Var('k'), Num(1)}), Num(3), Var('k')});
    FormulaNode* inner = MakeSum(Var('k'), Num(1));
    FreeTree(loop->children[2]);
    loop->children[2] = inner;
    inner->parent = loop;
    EXPECT_TRUE(IsConstantNode(inner->children[0], &doc, 0, nullptr));
    EXPECT_FALSE(IsConstantNode(inner->children[0], &doc, 0, inner)) << "the stop lies between";
    EXPECT_TRUE(IsConstantTree(loop, &doc));
    FreeTree(loop);
}

TEST_F(TreeConstnessTest, TableContextsAndComplexUse)
{
    // Interpolate over (T, x) of a table, or (T, U, x) when T is the
    // flagged first column.
    auto interpolate = [](std::initializer_list<FormulaNode*> items) {
        return Node(KindInterpolate, {Node(KindParentheses, {Node(KindComma, items)})});
    };
    FormulaNode* two = interpolate({Var('T'), Var('x')});
    FormulaNode* three = interpolate({Var('T'), Var('U'), Var('x')});
    FormulaNode* unflagged = interpolate({Var('U'), Var('T'), Var('x')});
    EXPECT_TRUE(IsInterpolateOfTable(two, &doc));
    EXPECT_TRUE(IsInterpolateOfTable(three, &doc));
    EXPECT_FALSE(IsInterpolateOfTable(unflagged, &doc));
    EXPECT_FALSE(UsesTableColumnPointwise(two, &doc));
    for (FormulaNode* tree : {two, three, unflagged})
        FreeTree(tree);

    FormulaNode* pointwise = MakeSum(Var('T'), Node(KindMax, {Var('U')}));
    EXPECT_TRUE(UsesTableColumnPointwise(pointwise, &doc));
    EXPECT_TRUE(IsMinMaxOfTableData(pointwise->children[1], &doc));
    EXPECT_FALSE(UsesTableColumnPointwise(pointwise->children[1], &doc));
    FreeTree(pointwise);

    const std::pair<std::function<FormulaNode*()>, bool> complexCases[] = {
        {[] { return MakeSum(Var('i'), Num(1)); }, true},
        {[] { return BigOperator(KindSigma, Var('i'), 'i', 1, 2); }, false},
        {[] { return Node(KindOverline, {Num(2)}); }, true},
        {[] { return MakeSum(Var('a'), Num(1)); }, true},
        {[] { return MakeSum(Var('b'), Num(1)); }, false},
    };
    for (const auto& [make, complex] : complexCases) {
        FormulaNode* tree = make();
        EXPECT_EQ(UsesComplexNumbers(tree, &doc), complex) << Describe(tree);
        FreeTree(tree);
    }
}

}  // namespace
