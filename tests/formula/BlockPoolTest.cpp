#include "CoreUtilities/MemoryBudget.h"
#include "formula/BlockPool.h"
#include "formula/FormulaNode.h"
#include "support/BudgetRefusal.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

// The block sizes of a node pool set on this platform.
const uint32_t kPoolSizes[] = {sizeof(FormulaNode), sizeof(LayoutBox), sizeof(void*),
                               2 * sizeof(void*), 3 * sizeof(void*), sizeof(NumberPayload)};

std::vector<void*> AllocateMany(BlockPool& pool, uint32_t n)
{
    std::vector<void*> blocks;
    for (uint32_t i = 0; i < n; ++i)
        blocks.push_back(pool.Allocate());
    return blocks;
}

TEST(BlockPoolTest, FreedBlocksComeBackMostRecentFirstForEverySize)
{
    for (uint32_t size : kPoolSizes) {
        SCOPED_TRACE(size);
        BlockPool pool(size);
        EXPECT_EQ(pool.blocksPerChunk, BlocksPerChunkFor(pool.blockSize));
        std::vector<void*> blocks = AllocateMany(pool, 3);
        for (void* block : blocks)
            ASSERT_NE(block, nullptr);
        pool.DeferFree(blocks[0]);
        pool.DeferFree(blocks[2]);
        EXPECT_EQ(pool.Allocate(), blocks[2]);
        EXPECT_EQ(pool.Allocate(), blocks[0]);
        // The next one comes from the chunk, not from a block in use.
        void* fresh = pool.Allocate();
        EXPECT_NE(fresh, blocks[0]);
        EXPECT_NE(fresh, blocks[1]);
        EXPECT_NE(fresh, blocks[2]);
        EXPECT_EQ(pool.BlocksOutstanding(), 4u);
        pool.Destroy();
    }
}

TEST(BlockPoolTest, BlocksPerChunkFollowTheBlockSize)
{
    EXPECT_EQ(BlocksPerChunkFor(8), 255);
    EXPECT_EQ(BlocksPerChunkFor(24), 170);
    EXPECT_EQ(BlocksPerChunkFor(32), 128);
    EXPECT_EQ(BlocksPerChunkFor(40), 102);
    EXPECT_EQ(BlocksPerChunkFor(64), 64);
    EXPECT_EQ(BlocksPerChunkFor(8192), 8);
    // Blocks always hold the pointer-wide deferred link.
    EXPECT_EQ(BlockPool(4).blockSize, sizeof(void*));
}

TEST(BlockPoolTest, FlushGivesWhollyFreeChunksBackAndResetsTheCursors)
{
    double start = MemoryBudgetCount();
    BlockPool pool(sizeof(FormulaNode));
    std::vector<void*> blocks = AllocateMany(pool, pool.blocksPerChunk + 1u);
    ASSERT_EQ(pool.chunks.count, 2);
    // The last block alone fills the second chunk.
    pool.DeferFree(blocks.back());
    blocks.pop_back();
    pool.Flush();
    EXPECT_EQ(pool.chunks.count, 1);
    EXPECT_EQ(pool.chunks.capacity, 1);
    EXPECT_EQ(pool.allocationChunk, &pool.chunks[0]);
    EXPECT_EQ(pool.releaseChunk, &pool.chunks[0]);
    EXPECT_EQ(pool.deferredHead, nullptr);

    for (void* block : blocks)
        pool.DeferFree(block);
    pool.Flush();
    EXPECT_EQ(pool.chunks.count, 0);
    EXPECT_EQ(pool.chunks.storage, nullptr);
    EXPECT_EQ(pool.allocationChunk, nullptr);
    EXPECT_EQ(pool.releaseChunk, nullptr);
    EXPECT_EQ(MemoryBudgetCount(), start);
}

TEST(BlockPoolTest, FlushWithNothingDeferredStillTrimsTheList)
{
    BlockPool pool(64);
    AllocateMany(pool, 17u * pool.blocksPerChunk);
    ASSERT_EQ(pool.chunks.count, 17);
    ASSERT_EQ(pool.chunks.capacity, 32);
    pool.allocationChunk = &pool.chunks[16];
    pool.Flush();
    EXPECT_EQ(pool.chunks.capacity, 17);
    EXPECT_EQ(pool.allocationChunk, &pool.chunks[0]);
    EXPECT_EQ(pool.releaseChunk, &pool.chunks[0]);
    EXPECT_EQ(pool.BlocksOutstanding(), 17u * pool.blocksPerChunk);
    pool.Destroy();
}

// With memory the flush sorts the chunks; without (as after a refusal) it
// searches outward. Both must give every block back to its own chunk.
TEST(BlockPoolTest, BlocksFreedAcrossManyChunksFindTheirChunks)
{
    for (bool refused : {false, true}) {
        SCOPED_TRACE(refused);
        double start = MemoryBudgetCount();
        BlockPool pool(24);
        std::vector<void*> blocks = AllocateMany(pool, 20u * pool.blocksPerChunk);
        // Every other block, from both ends, so the search runs both ways;
        // then all of the first chunk, which must be given back.
        for (size_t i = 0; i < blocks.size(); i += 2)
            pool.DeferFree(blocks[i % 4 == 0 ? i : blocks.size() - 1 - i]);
        size_t rest = 0;
        for (size_t i = 0; i < pool.blocksPerChunk; ++i) {
            if (i % 4 >= 2) {
                pool.DeferFree(blocks[i]);
                ++rest;
            }
        }
        {
            std::optional<BudgetRefusal> refusal;
            if (refused)
                refusal.emplace();
            pool.Flush();
        }
        size_t stillUsed = blocks.size() / 2 - rest;
        EXPECT_EQ(pool.BlocksOutstanding(), stillUsed);
        EXPECT_EQ(pool.chunks.count, 19);
        // Freed blocks are handed out again before any new chunk.
        AllocateMany(pool, 19u * pool.blocksPerChunk - static_cast<uint32_t>(stillUsed));
        EXPECT_EQ(pool.chunks.count, 19);
        EXPECT_EQ(pool.BlocksOutstanding(), 19u * pool.blocksPerChunk);
        pool.Destroy();
        EXPECT_EQ(MemoryBudgetCount(), start);
    }
}

TEST(BlockPoolTest, AnAddressOfNoChunkIsNotFound)
{
    BlockPool pool(32);
    void* block = pool.Allocate();
    int outside = 0;
    EXPECT_EQ(pool.FindChunk(&outside), nullptr);
    EXPECT_EQ(pool.FindChunk(block), &pool.chunks[0]);
    pool.Destroy();
}

TEST(BlockPoolTest, ARefusedChunkGivesNullAndChangesNothing)
{
    BlockPool pool(32);
    {
        BudgetRefusal refusal;
        EXPECT_EQ(pool.Allocate(), nullptr);
    }
    EXPECT_EQ(pool.chunks.count, 0);
    EXPECT_NE(pool.Allocate(), nullptr);
    pool.Destroy();
}

}  // namespace
