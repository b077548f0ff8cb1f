#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/WideString.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/NodePoolSet.h"
#include "formula/TreeEquality.h"
#include "formula/TreeQuery.h"
#include "formula/TreeWalk.h"
#include "support/BudgetRefusal.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Same shape, kinds, payloads and texts; the copy is free of layout boxes.
void ExpectSameTree(const FormulaNode* a, const FormulaNode* b)
{
    ASSERT_EQ(a->kind, b->kind);
    ASSERT_EQ(a->childCount, b->childCount);
    EXPECT_EQ(b->layoutBox, nullptr);
    if (a->kind == KindNumber) {
        EXPECT_NE(a->payload.number, b->payload.number);
        EXPECT_EQ(std::memcmp(a->payload.number, b->payload.number, sizeof(NumberPayload)), 0);
    } else if (a->kind == KindText) {
        EXPECT_NE(a->Text(), b->Text());
        EXPECT_TRUE(WideEqual(a->Text(), b->Text()));
    } else {
        EXPECT_EQ(a->payload.code, b->payload.code);
    }
    for (uint32_t i = 0; i < a->childCount; ++i) {
        EXPECT_EQ(b->children[i]->parent, b);
        ExpectSameTree(a->children[i], b->children[i]);
    }
}

// (2.50 typed) * x + "note" over a 2x1 matrix and a four-term sum.
FormulaNode* SampleTree()
{
    FormulaNode* number = MakeNumberNode(2.5);
    std::memcpy(number->payload.number->text, u"2.50", 5 * sizeof(char16_t));
    FormulaNode* variable = MakeVariableNode('x');
    FormulaNode* matrix = Node(KindMatrix, {MakeVariableNode('a'), MakeVariableNode('b')});
    matrix->payload.pair = {2, 1};
    FormulaNode* wide = Node(KindSum, {MakeNumberNode(1), MakeNumberNode(2), MakeNumberNode(3), MakeNumberNode(4)});
    return Node(KindSum, {Node(KindProduct, {number, variable}), Txt(u"note"), Node(KindFraction, {matrix, wide})});
}

using CopyTreeTest = TreeTest;

TEST_F(CopyTreeTest, CopyKeepsContentAndOwnsItsBlocks)
{
    FormulaNode* tree = SampleTree();
    tree->EnsureLayoutBox();
    FormulaNode* copy = CopyTree(tree->children[2]);
    EXPECT_EQ(copy->parent, nullptr);
    ExpectSameTree(tree->children[2], copy);
    EXPECT_TRUE(TreesEqual(tree->children[2], copy));
    FreeTree(copy);
    copy = CopyTreeForEdit(tree);
    ExpectSameTree(tree, copy);
    EXPECT_TRUE(TreesEqual(tree, copy));
    FreeTree(tree);
    FreeTree(copy);
}

TEST_F(CopyTreeTest, ARefusalHalfWayLeavesNoPartialCopy)
{
    // A tree of a few hundred nodes, so the copy must take new chunks.
    FormulaNode* tree = Node(KindComma, {SampleTree(), SampleTree(), SampleTree()});
    for (int i = 0; i < 40; ++i) {
        FormulaNode* bigger = Node(KindComma, {tree, SampleTree()});
        tree = bigger;
    }
    std::vector<uint32_t> before = OutstandingBlocks();
    BlockPool& nodes = (*CurrentNodePoolSet())[kNodeBlockPool];
    uint32_t freeNodes = uint32_t(nodes.chunks.count) * nodes.blocksPerChunk - nodes.BlocksOutstanding();
    ASSERT_LT(freeNodes, 300u);

    FormulaNode* copy;
    {
        BudgetRefusal refusal;
        copy = CopyTree(tree);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->kind, KindNumber);
        EXPECT_TRUE(std::isnan(copy->payload.number->value));
        EXPECT_TRUE(AbortFlag);
        EXPECT_EQ(TakePendingFailure(), 36);
        // Only the undefined number is left of the copy.
        std::vector<uint32_t> after = OutstandingBlocks();
        EXPECT_EQ(after[kNodeBlockPool], before[kNodeBlockPool] + 1);
        EXPECT_EQ(after[kNumberPayloadPool], before[kNumberPayloadPool] + 1);
        for (int pool : {kLayoutBoxPool, kOneChildPool, kTwoChildPool, kThreeChildPool})
            EXPECT_EQ(after[pool], before[pool]);
    }
    AbortFlag = 0;
    ResetFailureRegister();
    FreeTree(copy);
    FreeTree(tree);
}

TEST_F(CopyTreeTest, DeepChainsWalkCopyCompareCountAndFreeWithoutRecursion)
{
    RunOnSmallStack([] {
        FormulaNode* tree = Chain(KindMinus, 100000);
        FormulaNode* leaf = tree;
        uint32_t walked = 0;
        for (PreorderWalk walk(tree); walk.Node(); walk.Next(), ++walked)
            leaf = walk.Node();
        EXPECT_EQ(walked, 100001u);
        EXPECT_EQ(leaf, LastInPreorder(tree));
        EXPECT_EQ(leaf, FirstInPostorder(tree));
        PostorderWalk last(tree);
        EXPECT_EQ(last.Node(), leaf);

        FormulaNode* copy = CopyTree(tree);
        EXPECT_TRUE(IsVariable(LastInPreorder(copy), 'x'));
        EXPECT_EQ(CountNodes(copy), 100001u);
        EXPECT_TRUE(TreesEqual(tree, copy));
        LastInPreorder(copy)->payload.code = 'y';
        EXPECT_FALSE(TreesEqual(tree, copy));
        FreeTree(copy);
        FreeTree(tree);
    });
}

}  // namespace
