#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/NodePoolSet.h"
#include "formula/ScriptSizeTable.h"
#include "support/BudgetRefusal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

class FormulaNodeTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        FlushNodePools();
    }

    static BlockPool& Pool(int index) { return (*CurrentNodePoolSet())[index]; }

    // Holds every free block of a pool, so that its next block needs a chunk.
    struct ExhaustedPool {
        BlockPool& pool;
        std::vector<void*> taken;
        explicit ExhaustedPool(BlockPool& p) : pool(p)
        {
            while (pool.chunks.count == 0 ||
                   pool.BlocksOutstanding() < uint32_t(pool.chunks.count) * pool.blocksPerChunk)
                taken.push_back(pool.Allocate());
        }
        ~ExhaustedPool()
        {
            for (void* block : taken)
                pool.DeferFree(block);
        }
    };

    // The budget lets go again; the abort flag and the failure go with it.
    static void EndRefusal()
    {
        AbortFlag = 0;
        ResetFailureRegister();
    }

    // Blocks in use per pool, deferred ones given back first.
    static std::vector<uint32_t> Outstanding()
    {
        FlushNodePools();
        std::vector<uint32_t> counts;
        for (BlockPool& pool : CurrentNodePoolSet()->pools)
            counts.push_back(pool.BlocksOutstanding());
        return counts;
    }
};

TEST_F(FormulaNodeTest, ResizeKeepsTheChildPointersAcrossPoolSizes)
{
    struct Case {
        uint32_t from, to;
    };
    const Case cases[] = {{1, 2}, {2, 3}, {3, 2}, {3, 5}, {5, 2}, {2, 1}, {7, 4}, {4, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to);
        FormulaNode* node = MakeNode(KindSum, c.from);
        ASSERT_NE(node, nullptr);
        std::vector<FormulaNode*> kids;
        for (uint32_t i = 0; i < c.from; ++i) {
            kids.push_back(MakeVariableNode('a' + i));
            node->children[i] = kids.back();
        }
        ASSERT_TRUE(ResizeChildArray(node, c.to));
        EXPECT_EQ(node->childCount, c.to);
        for (uint32_t i = 0; i < std::min(c.from, c.to); ++i)
            EXPECT_EQ(node->children[i], kids[i]);
        for (uint32_t i = 0; i < std::min(c.from, c.to); ++i)
            node->children[i] = nullptr;
        for (FormulaNode* kid : kids)
            FreeNode(kid);
        FreeNode(node);
    }
}

TEST_F(FormulaNodeTest, ResizeMovesSmallArraysBetweenTheirPools)
{
    std::vector<uint32_t> before = Outstanding();
    FormulaNode* node = MakeNode(KindSum, 3);
    ASSERT_TRUE(ResizeChildArray(node, 2));
    std::vector<uint32_t> after = Outstanding();
    EXPECT_EQ(after[kThreeChildPool], before[kThreeChildPool]);
    EXPECT_EQ(after[kTwoChildPool], before[kTwoChildPool] + 1);
    // Five children live on the heap: no pool holds them.
    ASSERT_TRUE(ResizeChildArray(node, 5));
    after = Outstanding();
    EXPECT_EQ(after[kTwoChildPool], before[kTwoChildPool]);
    EXPECT_EQ(after[kNodeBlockPool], before[kNodeBlockPool] + 1);
    FreeNode(node);
    EXPECT_EQ(Outstanding(), before);
}

TEST_F(FormulaNodeTest, ARefusedSmallArrayLeavesTheNodeAndThePoolsAlone)
{
    FormulaNode* node = MakeNode(KindSum, 2);
    FormulaNode** array = node->children;
    BlockPool& pool = Pool(kOneChildPool);
    ExhaustedPool exhausted(pool);
    uint32_t outstanding = pool.BlocksOutstanding();
    {
        BudgetRefusal refusal;
        EXPECT_FALSE(ResizeChildArray(node, 1));
        EXPECT_EQ(node->children, array);
        EXPECT_EQ(node->childCount, 2);
        EXPECT_TRUE(AbortFlag);
        EXPECT_EQ(TakePendingFailure(), 36);
        // Nothing from the general heap was slipped into the pool.
        EXPECT_EQ(pool.BlocksOutstanding(), outstanding);
        EXPECT_EQ(pool.deferredHead, nullptr);
    }
    EndRefusal();
    FreeNode(node);
}

TEST_F(FormulaNodeTest, LargeArraysFallBackOnTheHeapWhileComputationsMustStop)
{
    FormulaNode* node = MakeNode(KindSum, 2);
    AbortFlag = 1;
    EXPECT_EQ(AllocChildArray(6), nullptr);
    EXPECT_TRUE(ResizeChildArray(node, 6));
    EXPECT_EQ(node->childCount, 6);
    AbortFlag = 0;
    FreeNode(node);
}

TEST_F(FormulaNodeTest, CountsBeyondSixteenBitsAreRefused)
{
    EXPECT_EQ(MakeNode(KindComma, kMaxChildCount + 1), nullptr);
    FormulaNode* node = MakeNode(KindComma, 2);
    EXPECT_FALSE(ResizeChildArray(node, 70000));
    EXPECT_EQ(node->childCount, 2);
    FreeNode(node);
}

TEST_F(FormulaNodeTest, BuildersFillWhatTheirKindCarries)
{
    FormulaNode* number = MakeNumberNode(2.5);
    ASSERT_NE(number, nullptr);
    EXPECT_EQ(number->kind, KindNumber);
    EXPECT_EQ(number->payload.number->value, 2.5);
    for (char16_t unit : number->payload.number->text)
        EXPECT_EQ(unit, 0);
    EXPECT_EQ(number->layoutBox, nullptr);

    FormulaNode* variable = MakeVariableNode('x');
    EXPECT_EQ(variable->kind, KindVariable);
    EXPECT_TRUE(IsVariable(variable, 'x'));
    ASSERT_NE(variable->layoutBox, nullptr);
    EXPECT_EQ(variable->layoutBox->flags & 3, 0);
    LayoutBox* box = variable->layoutBox;
    variable->EnsureLayoutBox();
    EXPECT_EQ(variable->layoutBox, box);

    FormulaNode* placeholder = MakePlaceholderNode();
    EXPECT_EQ(placeholder->kind, KindPlaceholder);
    EXPECT_EQ(placeholder->children, nullptr);
    EXPECT_EQ(placeholder->childCount, 0);
    for (FormulaNode* node : {number, variable, placeholder})
        FreeNode(node);
}

TEST_F(FormulaNodeTest, FreeingANodeGivesBackEveryBlockItOwns)
{
    std::vector<uint32_t> before = Outstanding();
    FormulaNode* number = MakeNumberNode(1);
    number->EnsureLayoutBox();
    FreeNode(number);
    FormulaNode* sum = MakeNode(KindSum, 3);
    sum->EnsureLayoutBox();
    FreeNode(sum);
    EXPECT_EQ(Outstanding(), before);
}

TEST_F(FormulaNodeTest, NoBoxCanBeHadWithoutMemory)
{
    FormulaNode* node = MakePlaceholderNode();
    {
        ExhaustedPool exhausted(Pool(kLayoutBoxPool));
        BudgetRefusal refusal;
        node->EnsureLayoutBox();
        EXPECT_EQ(node->layoutBox, nullptr);
        EXPECT_TRUE(AbortFlag);
        EXPECT_EQ(TakePendingFailure(), 36);
    }
    EndRefusal();
    FreeNode(node);
}

TEST_F(FormulaNodeTest, EngineStartsOnceWithItsConstants)
{
    NodePoolSet* set = CurrentNodePoolSet();
    EXPECT_TRUE(InitFormulaEngine());
    EXPECT_EQ(CurrentNodePoolSet(), set);
    EXPECT_TRUE(std::isnan(UndefinedReal));
    EXPECT_TRUE(std::isinf(PositiveInfinity) && PositiveInfinity > 0);
    EXPECT_TRUE(std::isnan(UndefinedInterval.lo) && std::isnan(UndefinedInterval.hi));
    EXPECT_TRUE(std::isnan(UndefinedComplex.re) && std::isnan(UndefinedComplex.im));
    EXPECT_TRUE(std::isnan(UndefinedComplexInterval.im.hi));
    ASSERT_EQ(CurrentScriptSizeTable, &DefaultScriptSizeTable);
    const float sizes[] = {24, 24, 24, 19.2f, 15.36f, 15.36f};
    for (int level = 0; level < kScriptLevels; ++level)
        EXPECT_FLOAT_EQ(DefaultScriptSizeTable.size[level], sizes[level]);
    // Small base sizes stop at 9.
    ScriptSizeTable small{};
    FillScriptSizeTable(small, 10);
    EXPECT_FLOAT_EQ(small.size[2], 10);
    EXPECT_FLOAT_EQ(small.size[3], 9);
    EXPECT_FLOAT_EQ(small.size[5], 9);
}

}  // namespace
