#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeQuery.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

namespace {

using TreeQueryTest = TreeTest;

TEST_F(TreeQueryTest, CountsAndSymbols)
{
    FormulaNode* tree = MakeSum(Node(KindBoundVariable, {}), Matrix(1, 2, {Var('x'), Num(2)}));
    tree->children[0]->payload.code = 'k';
    EXPECT_EQ(CountNodes(tree), 5u);
    EXPECT_TRUE(ContainsSymbol(tree, 'x'));
    EXPECT_FALSE(ContainsSymbol(tree, 'k')) << "bound variables do not count";
    EXPECT_TRUE(ContainsMatrix(tree));
    EXPECT_FALSE(ContainsMatrix(tree->children[0]));
    FreeTree(tree);

    FormulaNode* fx = MakeProduct(Var('f'), Node(KindParentheses, {Var('x')}));
    FormulaNode* gx = MakeProduct(Var('g'), Node(KindParentheses, {Var('x')}));
    EXPECT_TRUE(IsFOfXProduct(fx));
    EXPECT_FALSE(IsFOfXProduct(gx));
    FreeTree(fx);
    FreeTree(gx);
}

}  // namespace
