#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/ThreadStorage.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/NodePoolSet.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

struct PoolState {
    int chunks;
    uint32_t outstanding;
    void* deferred;
    bool operator==(const PoolState&) const = default;
};

std::vector<PoolState> Snapshot(NodePoolSet* set)
{
    std::vector<PoolState> state;
    for (BlockPool& pool : set->pools)
        state.push_back({pool.chunks.count, pool.BlocksOutstanding(), pool.deferredHead});
    return state;
}

FormulaNode* SmallTree()
{
    FormulaNode* sum = MakeNode(KindSum, 2);
    sum->children[0] = MakeNumberNode(1);
    sum->children[1] = MakeVariableNode('x');
    for (int i = 0; i < 2; ++i)
        sum->children[i]->parent = sum;
    return sum;
}

TEST(NodePoolSetTest, TheDocumentTaskThreadWorksInItsOwnSet)
{
    ASSERT_TRUE(InitFormulaEngine());
    NodePoolSet* mainSet = CurrentNodePoolSet();
    FormulaNode* kept = SmallTree();
    FreeTree(SmallTree());
    std::vector<PoolState> before = Snapshot(mainSet);

    NodePoolSet* taskSet = nullptr;
    bool flushed = false;
    std::thread task([&] {
        MarkDocumentTaskThread();
        ASSERT_EQ(CurrentNodePoolSet(), nullptr);
        ASSERT_TRUE(CreateNodePoolSet());
        taskSet = CurrentNodePoolSet();
        std::vector<FormulaNode*> trees;
        for (int i = 0; i < 500; ++i) {
            trees.push_back(SmallTree());
            trees.push_back(CopyTree(trees.back()));
        }
        for (FormulaNode* tree : trees)
            FreeTree(tree);
        FlushNodePools();
        flushed = true;
        for (BlockPool& pool : taskSet->pools)
            flushed = flushed && pool.chunks.count == 0;
        DestroyNodePoolSet();
    });
    task.join();
    EXPECT_NE(taskSet, mainSet);
    EXPECT_TRUE(flushed);
    EXPECT_EQ(CurrentNodePoolSet(), mainSet);
    EXPECT_TRUE(Snapshot(mainSet) == before);
    FreeTree(kept);
}

TEST(NodePoolSetTest, PoolSizesFollowThePlatformRecords)
{
    ASSERT_TRUE(InitFormulaEngine());
    NodePoolSet& set = *CurrentNodePoolSet();
    EXPECT_EQ(set[kNodeBlockPool].blockSize, sizeof(FormulaNode));
    EXPECT_EQ(set[kLayoutBoxPool].blockSize, 32u);
    EXPECT_EQ(set[kOneChildPool].blockSize, sizeof(FormulaNode*));
    EXPECT_EQ(set[kTwoChildPool].blockSize, 2 * sizeof(FormulaNode*));
    EXPECT_EQ(set[kThreeChildPool].blockSize, 3 * sizeof(FormulaNode*));
    EXPECT_EQ(set[kNumberPayloadPool].blockSize, sizeof(NumberPayload));
    EXPECT_GE(sizeof(NumberPayload), 58u);
}

}  // namespace
