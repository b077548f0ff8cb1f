#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/WideString.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/NodePoolSet.h"
#include "support/BudgetRefusal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

std::vector<uint32_t> Outstanding()
{
    FlushNodePools();
    std::vector<uint32_t> counts;
    for (BlockPool& pool : CurrentNodePoolSet()->pools)
        counts.push_back(pool.BlocksOutstanding());
    return counts;
}

FormulaNode* MakeWith(int32_t kind, std::initializer_list<FormulaNode*> kids)
{
    FormulaNode* node = MakeNode(kind, static_cast<uint32_t>(kids.size()));
    uint32_t i = 0;
    for (FormulaNode* kid : kids) {
        kid->parent = node;
        node->children[i++] = kid;
    }
    return node;
}

FormulaNode* MakeText(const char16_t* text)
{
    FormulaNode* node = MakeNode(KindText, 0);
    node->children = reinterpret_cast<FormulaNode**>(WideDuplicateN(text, WideLength(text)));
    return node;
}

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
    FormulaNode* matrix = MakeWith(KindMatrix, {MakeVariableNode('a'), MakeVariableNode('b')});
    matrix->payload.pair = {2, 1};
    FormulaNode* wide = MakeWith(KindSum, {MakeNumberNode(1), MakeNumberNode(2), MakeNumberNode(3), MakeNumberNode(4)});
    return MakeWith(KindSum, {MakeWith(KindProduct, {number, variable}), MakeText(u"note"),
                              MakeWith(KindFraction, {matrix, wide})});
}

class CopyTreeTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(InitFormulaEngine()); }
};

TEST_F(CopyTreeTest, CopyKeepsContentAndOwnsItsBlocks)
{
    std::vector<uint32_t> before = Outstanding();
    FormulaNode* tree = SampleTree();
    tree->EnsureLayoutBox();
    FormulaNode* copy = CopyTree(tree->children[2]);
    EXPECT_EQ(copy->parent, nullptr);
    ExpectSameTree(tree->children[2], copy);
    FreeTree(copy);
    copy = CopyTree(tree);
    ExpectSameTree(tree, copy);
    FreeTree(tree);
    FreeTree(copy);
    EXPECT_EQ(Outstanding(), before);
}

TEST_F(CopyTreeTest, ARefusalHalfWayLeavesNoPartialCopy)
{
    // A tree of a few hundred nodes, so the copy must take new chunks.
    FormulaNode* tree = MakeWith(KindComma, {SampleTree(), SampleTree(), SampleTree()});
    for (int i = 0; i < 40; ++i) {
        FormulaNode* bigger = MakeWith(KindComma, {tree, SampleTree()});
        tree = bigger;
    }
    std::vector<uint32_t> before = Outstanding();
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
        std::vector<uint32_t> after = Outstanding();
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

TEST_F(CopyTreeTest, DeepChainsCopyAndFreeWithoutRecursion)
{
    std::vector<uint32_t> before = Outstanding();
    FormulaNode* tree = MakeVariableNode('x');
    for (int i = 0; i < 100000; ++i)
        tree = MakeWith(KindMinus, {tree});
    FormulaNode* copy = CopyTree(tree);
    FormulaNode* leaf = copy;
    int depth = 0;
    while (leaf->childCount) {
        leaf = leaf->children[0];
        ++depth;
    }
    EXPECT_EQ(depth, 100000);
    EXPECT_TRUE(IsVariable(leaf, 'x'));
    FreeTree(copy);
    FreeTree(tree);
    EXPECT_EQ(Outstanding(), before);
}

}  // namespace
