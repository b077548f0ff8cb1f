#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolRename.h"
#include "formula/TreeEquality.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

namespace {

using SymbolRenameTest = TreeTest;

TEST_F(SymbolRenameTest, RenameKeepsSubscriptBases)
{
    FormulaNode* tree = MakeSum(MakeSubscript(Var('x'), Var('x')), Var('x'));
    RenameSymbol(tree, 'x', 'u');
    EXPECT_EQ(Describe(tree), "+(_(x,u),u)");
    FreeTree(tree);
}

TEST_F(SymbolRenameTest, SwapPrimedSymbolsTwiceRestoresTheTreeAndKeepsTheRedOfAColour)
{
    // (r, g, b) = (x, y, z) and r + theta + phi outside a colour.
    FormulaNode* colour = Node(KindEquation, {MakeVector3(Var('r'), Var('g'), Var('b')),
                                              MakeVector3(Var('x'), Var('y'), Var('z'))});
    FormulaNode* tree = Node(KindComma, {colour, Node(KindSum, {Var('r'), Var(3), Var(2)})});
    FormulaNode* original = CopyTree(tree);
    SwapPrimedSymbols(tree);
    EXPECT_EQ(Describe(tree), ",(=(matrix(r,g,b),matrix(#10,#11,#12)),+(#13,#8,#9))");
    SwapPrimedSymbols(tree);
    EXPECT_TRUE(TreesEqual(tree, original));
    FreeTree(tree);
    FreeTree(original);
}

TEST_F(SymbolRenameTest, FoldPrimedVariablesTakesOnlyVariablesWithAPrimedPartner)
{
    FormulaNode* tree = MakeSum(Node(KindPrime, {Var('x')}), Node(KindPrime, {Var('a')}));
    FormulaNode* folded = tree->children[0];
    FoldPrimedVariables(tree);
    EXPECT_EQ(Describe(tree), "+(#10,'(a))");
    EXPECT_EQ(tree->children[0], folded);
    EXPECT_TRUE(IsVariable(folded, 10));
    FreeTree(tree);

    for (uint32_t code : std::initializer_list<uint32_t>{2, 3, 'x', 'y', 'z', 'r', 'a'})
        EXPECT_EQ(SwapPrimedCode(SwapPrimedCode(code)), code);
    EXPECT_EQ(SwapPrimedCode(2), 9u);
    EXPECT_EQ(SwapPrimedCode(8), 3u);
    EXPECT_EQ(SwapPrimedCode('a'), uint32_t('a'));
}

}  // namespace
