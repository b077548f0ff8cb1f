#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

namespace {

using NodeBuildersTest = TreeTest;

TEST_F(NodeBuildersTest, BuildersMakeTheShapesTheirNamesSay)
{
    const std::pair<FormulaNode*, const char*> cases[] = {
        {MakeDifference(Var('a'), Var('b')), "+(a,-(b))"},
        {MakeReciprocal(Var('a')), "/(1,a)"},
        {MakeOnePlusSquare(Var('a')), "+(1,^(a,2))"},
        {MakeOneMinusSquare(Var('a')), "+(1,-(^(a,2)))"},
        {MakeSquareMinusOne(Var('a')), "+(^(a,2),-(1))"},
        {MakeProduct3(Var('a'), Var('b'), Var('c')), "*(a,b,c)"},
        {MakeSubstitution(Var('y'), Var('x'), Num(3)), "substitution(y,=(x,3))"},
        {MakePartialDerivativeNode(MakeExp(Var('x')), Var('x')), "8081(exp(x),x)"},
        {MakeAbs(MakeSech(MakeImagPart(MakeRealPart(MakeSgn(Var('z')))))), "abs(sech(imag(real(sgn(z)))))"},
    };
    for (const auto& [tree, text] : cases) {
        EXPECT_EQ(Describe(tree), text);
        FreeTree(tree);
    }
    FormulaNode* subscript = MakeSubscript(Var('x'), Num(1));
    EXPECT_EQ(subscript->payload.pair.low, 0);
    EXPECT_EQ(subscript->payload.pair.high, 1);
    FormulaNode* vector = MakeVector3(Num(1), Num(2), Num(3));
    EXPECT_EQ(vector->payload.pair.low, 3);
    EXPECT_EQ(vector->payload.pair.high, 1);
    FreeTree(subscript);
    FreeTree(vector);
}

TEST_F(NodeBuildersTest, BuildersHandOverNothingWhenMemoryRunsOut)
{
    FormulaNode* a = Var('a');
    FormulaNode* b = Var('b');
    FormulaNode* spare = Num(1);
    FormulaNode* built;
    {
        PoolsExhausted exhausted;
        // Its blocks are the only ones to be had: enough for a number, not
        // for a sum's child array.
        FreeTree(spare);
        built = MakeSum(a, b);
    }
    // The undefined number of a failed build; a and b went with the refusal.
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(Describe(built), "nan");
    FreeTree(built);
}

}  // namespace
