// Node-sized blocks from a block pool against glibc malloc/free and the
// standard library's unsynchronized pool resource; and the cost of a flush
// when a million blocks come back in random order.
#include "CoreUtilities/MemoryBudget.h"
#include "formula/BlockPool.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/NodePoolSet.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <memory_resource>
#include <random>
#include <vector>

namespace {

constexpr size_t kBlock = sizeof(FormulaNode);

// Takes n blocks, gives them back in the order given, n from the argument.
template <typename Take, typename Give>
void TakeAndGive(benchmark::State& state, Take take, Give give, bool shuffled)
{
    const auto n = static_cast<size_t>(state.range(0));
    std::vector<void*> blocks(n);
    std::mt19937 random(7);
    for (auto _ : state) {
        for (size_t i = 0; i < n; ++i)
            blocks[i] = take();
        if (shuffled) {
            state.PauseTiming();
            std::shuffle(blocks.begin(), blocks.end(), random);
            state.ResumeTiming();
        }
        for (void* block : blocks)
            give(block);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}

void PoolBlocks(benchmark::State& state, bool shuffled)
{
    BlockPool pool(kBlock);
    TakeAndGive(state, [&] { return pool.Allocate(); }, [&](void* block) { pool.DeferFree(block); }, shuffled);
    pool.Destroy();
}

void MallocBlocks(benchmark::State& state, bool shuffled)
{
    TakeAndGive(state, [] { return std::malloc(kBlock); }, [](void* block) { std::free(block); }, shuffled);
}

void PmrBlocks(benchmark::State& state, bool shuffled)
{
    std::pmr::unsynchronized_pool_resource resource;
    TakeAndGive(
        state, [&] { return resource.allocate(kBlock); }, [&](void* block) { resource.deallocate(block, kBlock); },
        shuffled);
}

// Allocate n, free all in random order, then flush: the chunk search cost,
// through the sorted chunks or (with the budget refusing, as after a memory
// failure) by the outward search.
void PoolFlushAfterRandomFrees(benchmark::State& state, bool outward)
{
    const auto n = static_cast<size_t>(state.range(0));
    std::vector<void*> blocks(n);
    std::mt19937 random(7);
    BlockPool pool(kBlock);
    for (auto _ : state) {
        state.PauseTiming();
        for (size_t i = 0; i < n; ++i)
            blocks[i] = pool.Allocate();
        std::shuffle(blocks.begin(), blocks.end(), random);
        for (void* block : blocks)
            pool.DeferFree(block);
        double shift = outward ? HeapBudgetLimit() + 1 - MemoryBudgetCount() : 0;
        AdjustMemoryBudgetCount(shift);
        state.ResumeTiming();
        pool.Flush();
        state.PauseTiming();
        AdjustMemoryBudgetCount(-shift);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
    pool.Destroy();
}

// Copy and free a tree of about n nodes: sums of products of numbers and
// variables, as formulas are.
void CopyAndFreeTree(benchmark::State& state)
{
    InitFormulaEngine();
    const auto n = static_cast<int>(state.range(0));
    FormulaNode* root = MakeNode(KindSum, static_cast<uint32_t>(n / 4));
    for (uint32_t i = 0; i < root->childCount; ++i) {
        FormulaNode* product = MakeNode(KindProduct, 2);
        product->children[0] = MakeNumberNode(i);
        product->children[1] = MakeVariableNode('x');
        for (FormulaNode* child : {product->children[0], product->children[1]})
            child->parent = product;
        product->parent = root;
        root->children[i] = product;
    }
    for (auto _ : state) {
        FormulaNode* copy = CopyTree(root);
        FreeTree(copy);
        FlushNodePools();
    }
    state.SetItemsProcessed(state.iterations() * (1 + 3 * int64_t(root->childCount)));
    FreeTree(root);
    FlushNodePools();
}

}  // namespace

BENCHMARK_CAPTURE(PoolBlocks, in_order, false)->Arg(1 << 20);
BENCHMARK_CAPTURE(MallocBlocks, in_order, false)->Arg(1 << 20);
BENCHMARK_CAPTURE(PmrBlocks, in_order, false)->Arg(1 << 20);
BENCHMARK_CAPTURE(PoolBlocks, shuffled, true)->Arg(1 << 20);
BENCHMARK_CAPTURE(MallocBlocks, shuffled, true)->Arg(1 << 20);
BENCHMARK_CAPTURE(PmrBlocks, shuffled, true)->Arg(1 << 20);
BENCHMARK_CAPTURE(PoolFlushAfterRandomFrees, sorted, false)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PoolFlushAfterRandomFrees, outward, true)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(CopyAndFreeTree)->Arg(1 << 16);
