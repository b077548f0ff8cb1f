#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using TreeRewriteTest = TreeTest;

struct StabilityCase {
    const char* operation;
    std::function<FormulaNode*()> makeTarget;
    std::function<void(FormulaNode*)> apply;
    const char* expected;
};

// The target stands as child 1 of 2 * target, with a layout box; after each
// operation the parent's slot and an outside pointer still name the same
// record, which now holds the expected content and keeps its box.
TEST_F(TreeRewriteTest, OutsidePointersAndTheParentSlotStayValid)
{
    const StabilityCase cases[] = {
        {"DeleteOperand of two", [] { return Node(KindSum, {Var('a'), Var('b')}); },
         [](FormulaNode* t) { EXPECT_TRUE(DeleteOperand(t, 0)); }, "b"},
        {"DeleteOperand of three", [] { return Node(KindSum, {Var('a'), Var('b'), Var('c')}); },
         [](FormulaNode* t) { EXPECT_TRUE(DeleteOperand(t, 1)); }, "+(a,c)"},
        {"ReplaceNode", [] { return Node(KindSum, {Var('a'), MakeSin(Var('b'))}); },
         [](FormulaNode* t) { ReplaceNode(MakeCos(Var('y')), t); }, "cos(y)"},
        {"ReplaceNode from inside", [] { return Node(KindSum, {Var('a'), MakeSin(Var('b'))}); },
         [](FormulaNode* t) { ReplaceNode(t->children[1], t); }, "sin(b)"},
        {"CollapseToFirstChild", [] { return Node(KindParentheses, {Node(KindSum, {Var('x'), Num(1)})}); },
         CollapseToFirstChild, "+(x,1)"},
        {"WrapInBinary", [] { return Var('x'); },
         [](FormulaNode* t) { EXPECT_EQ(Describe(WrapInBinary(t, Num(2), 0, KindPower)), "x"); }, "^(2,x)"},
        {"TransplantNode", [] { return Num(5); }, [](FormulaNode* t) { TransplantNode(MakeCos(Var('z')), t); },
         "cos(z)"},
    };
    for (const StabilityCase& c : cases) {
        SCOPED_TRACE(c.operation);
        FormulaNode* target = c.makeTarget();
        target->EnsureLayoutBox();
        LayoutBox* box = target->layoutBox;
        FormulaNode* parent = Node(KindProduct, {Num(2), target});
        c.apply(target);
        EXPECT_EQ(parent->children[1], target);
        EXPECT_EQ(target->parent, parent);
        EXPECT_EQ(target->layoutBox, box);
        EXPECT_EQ(Describe(parent), std::string("*(2,") + c.expected + ")");
        EXPECT_TRUE(IsConsistent(parent));
        FreeTree(parent);
    }
}

TEST_F(TreeRewriteTest, WrapsAppendsAndPrepends)
{
    FormulaNode* node = Var('x');
    FormulaNode* moved = MoveContentToNewNode(node, KindSqrt, 1);
    node->children[0] = moved;
    EXPECT_EQ(moved->parent, node);
    NegateInPlace(node);
    AddToNode(node, Var('a'));
    PrependTerm(node, Var('b'));
    EXPECT_EQ(Describe(node), "+(b,+(-(sqrt(x)),a))");
    EXPECT_TRUE(AppendOperand(node, Var('c'), KindSum));
    EXPECT_TRUE(PrependOperand(node, Var('d'), KindSum));
    EXPECT_TRUE(AppendFactor(node, Num(3)));
    EXPECT_EQ(Describe(node), "*(+(d,b,+(-(sqrt(x)),a),c),3)");
    EXPECT_TRUE(PrependFactor(node, Num(4)));
    ReciprocalInPlace(node->children[0]);
    DivideInPlace(node->children[1], Var('y'));
    RaiseInPlace(node->children[2], Num(2));
    MakeSubstitutionInPlace(node, Var('x'), Num(0));
    EXPECT_EQ(Describe(node), "substitution(*(/(1,4),/(+(d,b,+(-(sqrt(x)),a),c),y),^(3,2)),=(x,0))");
    EXPECT_TRUE(IsConsistent(node));
    FreeTree(node);
}

TEST_F(TreeRewriteTest, RefusedMemoryLeavesTheTreeAsItWas)
{
    FormulaNode* four = Node(KindSum, {Var('a'), Var('b'), Var('c'), Var('d')});
    FormulaNode* nested = Node(KindSum, {Var('a'), Node(KindSum, {Var('b'), Var('c')})});
    FormulaNode* leaf = Var('x');
    FormulaNode* operands[] = {Var('y'), Var('e'), Var('f')};
    {
        PoolsExhausted exhausted;
        // The operands handed over are freed with the refusal.
        EXPECT_EQ(WrapInBinary(leaf, operands[0], 1, KindSum), nullptr);
        EXPECT_FALSE(AppendOperand(nested, operands[1], KindSum));
        EXPECT_FALSE(PrependOperand(nested, operands[2], KindSum));
        EXPECT_EQ(WrapInUnary(leaf, KindMinus), nullptr);
        EXPECT_FALSE(FlattenChild(nested, 1));
        // Four children to three needs a small array from a pool.
        EXPECT_EQ(RemoveChildAt(four, 0), nullptr);
        EXPECT_FALSE(DeleteOperand(four, 3));
        EXPECT_TRUE(AbortFlag);
        EXPECT_EQ(TakePendingFailure(), 36);
    }
    EXPECT_EQ(Describe(leaf), "x");
    EXPECT_EQ(Describe(four), "+(a,b,c,d)");
    EXPECT_EQ(Describe(nested), "+(a,+(b,c))");
    for (FormulaNode* tree : {four, nested, leaf}) {
        EXPECT_TRUE(IsConsistent(tree));
        FreeTree(tree);
    }
}

TEST_F(TreeRewriteTest, RemovalAndSplicing)
{
    FormulaNode* tree = Node(KindSum, {Var('a'), Node(KindSum, {Var('b'), Var('c')}), Var('d'), Var('e'), Var('f')});
    EXPECT_TRUE(FlattenChild(tree, 1));
    EXPECT_EQ(Describe(tree), "+(a,b,c,d,e,f)");
    FormulaNode* detached = DetachOperand(tree, 4);
    EXPECT_EQ(Describe(detached), "e");
    EXPECT_EQ(detached->parent, nullptr);
    EXPECT_TRUE(DeleteChild(tree, 0));
    EXPECT_EQ(Describe(tree), "+(b,c,d,f)");
    EXPECT_FALSE(FlattenChild(tree, 0)) << "a leaf has nothing to splice";
    EXPECT_FALSE(DeleteChild(tree, 9));
    EXPECT_TRUE(DeleteChild(tree, 3));
    EXPECT_TRUE(DeleteChild(tree, 2));
    EXPECT_TRUE(DeleteChild(tree, 1));
    EXPECT_EQ(Describe(tree), "+(b)") << "DeleteChild never collapses";
    EXPECT_TRUE(IsConsistent(tree));
    FreeTree(tree);
    FreeTree(detached);
}

// The flatten loop of the normalisers: splice nested sums and look at the
// same position again; a refusal moves on.
uint32_t FlattenNestedSums(FormulaNode* node)
{
    uint32_t splices = 0;
    for (uint32_t i = 0; i < node->childCount;) {
        if (node->children[i]->kind == KindSum && FlattenChild(node, i))
            ++splices;
        else
            ++i;
    }
    return splices;
}

TEST_F(TreeRewriteTest, FlatteningPastTheOperandLimitIsRefused)
{
    FormulaNode* sum = MakeNode(KindSum, 9999);
    for (uint32_t i = 0; i < 9999; ++i) {
        sum->children[i] = Num(i);
        sum->children[i]->parent = sum;
    }
    FreeTree(sum->children[5]);
    FormulaNode* nested = Node(KindSum, {Var('a'), Var('b'), Var('c')});
    nested->parent = sum;
    sum->children[5] = nested;

    EXPECT_FALSE(FlattenChild(sum, 5));
    EXPECT_EQ(sum->childCount, 9999);
    EXPECT_EQ(sum->children[5], nested);
    EXPECT_EQ(Describe(nested), "+(a,b,c)");
    EXPECT_EQ(FlattenNestedSums(sum), 0u);

    // One operand fewer and it fits exactly.
    EXPECT_TRUE(DeleteChild(sum, 0));
    EXPECT_EQ(FlattenNestedSums(sum), 1u);
    EXPECT_EQ(sum->childCount, kMaxFlattenedOperands);
    EXPECT_TRUE(IsConsistent(sum));
    FreeTree(sum);
}

TEST_F(TreeRewriteTest, StripParenthesesCollapsesNestedOnesInOneVisit)
{
    FormulaNode* tree = Node(KindParentheses, {Node(KindParentheses, {Node(
                                                  KindProduct, {Node(KindParentheses, {Var('a')}), Var('b')})})});
    StripParentheses(tree);
    EXPECT_EQ(Describe(tree), "*(a,b)");
    EXPECT_TRUE(IsConsistent(tree));
    FreeTree(tree);
}

}  // namespace
