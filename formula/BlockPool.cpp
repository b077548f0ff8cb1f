#include "formula/BlockPool.h"

#include "CoreUtilities/MemoryBudget.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace {

uint32_t RoundToPointer(uint32_t size)
{
    constexpr uint32_t align = alignof(void*);
    if (size < sizeof(void*))
        size = sizeof(void*);
    return (size + align - 1) / align * align;
}

}  // namespace

BlockPool::BlockPool(uint32_t size)
    : blockSize(RoundToPointer(size)), blocksPerChunk(BlocksPerChunkFor(blockSize))
{
}

PoolChunk* BlockPool::CreateChunk()
{
    auto* data = static_cast<unsigned char*>(BudgetMalloc(uint32_t{blocksPerChunk} * blockSize, false));
    if (!data)
        return nullptr;
    for (uint32_t k = 0; k < blocksPerChunk; ++k)
        data[k * blockSize] = static_cast<unsigned char>(k + 1);
    // A list that cannot grow must not lose the chunk nor hand out its blocks.
    if (chunks.Push(PoolChunk{data, 0, blocksPerChunk}) != 0) {
        BudgetFree(data);
        return nullptr;
    }
    allocationChunk = &chunks[chunks.count - 1];
    releaseChunk = &chunks[0];
    return allocationChunk;
}

void* BlockPool::Allocate()
{
    // A block is budgeted memory even when no chunk has to be made for it.
    if (PlannedRefusal())
        return nullptr;
    if (deferredHead) {
        void* block = deferredHead;
        std::memcpy(&deferredHead, block, sizeof(void*));
        return block;
    }
    if (!allocationChunk || allocationChunk->freeCount == 0) {
        allocationChunk = nullptr;
        for (PoolChunk& chunk : chunks) {
            if (chunk.freeCount) {
                allocationChunk = &chunk;
                break;
            }
        }
        if (!allocationChunk && !CreateChunk())
            return nullptr;
    }
    PoolChunk* chunk = allocationChunk;
    unsigned char* block = chunk->data + uint32_t{chunk->firstFree} * blockSize;
    chunk->firstFree = block[0];
    --chunk->freeCount;
    return block;
}

void BlockPool::DeferFree(void* block)
{
    std::memcpy(block, &deferredHead, sizeof(void*));
    deferredHead = block;
}

PoolChunk* BlockPool::FindChunk(const void* block)
{
    if (chunks.count == 0)
        return nullptr;
    auto address = reinterpret_cast<uintptr_t>(block);
    uintptr_t span = uintptr_t{blocksPerChunk} * blockSize;
    auto holds = [&](const PoolChunk& chunk) {
        auto start = reinterpret_cast<uintptr_t>(chunk.data);
        return address >= start && address - start < span;
    };
    int32_t start = releaseChunk ? static_cast<int32_t>(releaseChunk - chunks.storage) : 0;
    int32_t lower = start;
    int32_t upper = start + 1;
    while (lower >= 0 || upper < chunks.count) {
        if (lower >= 0 && holds(chunks[lower]))
            return &chunks[lower];
        if (upper < chunks.count && holds(chunks[upper]))
            return &chunks[upper];
        --lower;
        ++upper;
    }
    return nullptr;
}

void BlockPool::PushFreeBlock(PoolChunk* chunk, void* block)
{
    auto* bytes = static_cast<unsigned char*>(block);
    bytes[0] = chunk->firstFree;
    chunk->firstFree = static_cast<uint8_t>((bytes - chunk->data) / blockSize);
    ++chunk->freeCount;
}

void BlockPool::RemoveChunk(PoolChunk* chunk)
{
    // Swapped to the end and given back.
    PoolChunk& last = chunks[chunks.count - 1];
    PoolChunk freed = *chunk;
    *chunk = last;
    last = freed;
    BudgetFree(freed.data);
    --chunks.count;
}

void BlockPool::ReleaseBlock(PoolChunk* chunk, void* block)
{
    PushFreeBlock(chunk, block);
    if (chunk->freeCount < blocksPerChunk)
        return;
    RemoveChunk(chunk);
    ResetCursors();
}

void BlockPool::ReleaseDeferredByOutwardSearch()
{
    void* block = deferredHead;
    while (block) {
        void* next;
        std::memcpy(&next, block, sizeof(void*));
        PoolChunk* chunk = FindChunk(block);
        // Only this pool's blocks are ever deferred to it; a stranger would
        // corrupt a chunk, so it is left alone.
        assert(chunk && "block freed into a pool it did not come from");
        if (chunk) {
            releaseChunk = chunk;
            ReleaseBlock(chunk, block);
        }
        block = next;
    }
}

bool BlockPool::ReleaseDeferredBySortedChunks()
{
    const int32_t n = chunks.count;
    auto* sorted = static_cast<PoolChunk**>(BudgetMalloc(uint32_t(n) * sizeof(PoolChunk*), false));
    if (!sorted)
        return false;
    for (int32_t i = 0; i < n; ++i)
        sorted[i] = &chunks[i];
    auto start = [](const PoolChunk* chunk) { return reinterpret_cast<uintptr_t>(chunk->data); };
    std::sort(sorted, sorted + n, [&](const PoolChunk* a, const PoolChunk* b) { return start(a) < start(b); });
    uintptr_t span = uintptr_t{blocksPerChunk} * blockSize;
    void* block = deferredHead;
    while (block) {
        void* next;
        std::memcpy(&next, block, sizeof(void*));
        auto address = reinterpret_cast<uintptr_t>(block);
        PoolChunk** after = std::upper_bound(sorted, sorted + n, address,
                                             [&](uintptr_t a, const PoolChunk* chunk) { return a < start(chunk); });
        PoolChunk* chunk = after == sorted ? nullptr : after[-1];
        bool held = chunk && address - start(chunk) < span;
        assert(held && "block freed into a pool it did not come from");
        if (held)
            PushFreeBlock(chunk, block);
        block = next;
    }
    BudgetFree(sorted);
    // From the end, so that a chunk swapped into place has been looked at.
    for (int32_t i = chunks.count - 1; i >= 0; --i) {
        if (chunks[i].freeCount == blocksPerChunk)
            RemoveChunk(&chunks[i]);
    }
    return true;
}

void BlockPool::ResetCursors()
{
    allocationChunk = chunks.count ? &chunks[0] : nullptr;
    releaseChunk = allocationChunk;
}

void BlockPool::ShrinkChunkList()
{
    if (chunks.count == 0) {
        chunks.Clear();
        return;
    }
    if (chunks.count == chunks.capacity)
        return;
    auto* exact = static_cast<PoolChunk*>(BudgetMalloc(sizeof(PoolChunk) * chunks.count, false));
    if (!exact)
        return;
    MoveBytes(exact, chunks.storage, sizeof(PoolChunk) * chunks.count);
    BudgetFree(chunks.storage);
    chunks.storage = exact;
    chunks.capacity = chunks.count;
}

void BlockPool::Flush()
{
    // The sorted view turns the chunk search into a binary search, so a flush
    // after frees in random order over many chunks stays short; without
    // memory for it (as after a refusal) each chunk is sought outward from
    // the last one used.
    if (deferredHead && !ReleaseDeferredBySortedChunks())
        ReleaseDeferredByOutwardSearch();
    deferredHead = nullptr;
    ShrinkChunkList();
    ResetCursors();
}

void BlockPool::Destroy()
{
    Flush();
    for (PoolChunk& chunk : chunks)
        BudgetFree(chunk.data);
    chunks.Clear();
    ResetCursors();
}

uint32_t BlockPool::BlocksOutstanding() const
{
    uint32_t used = 0;
    for (const PoolChunk& chunk : chunks)
        used += blocksPerChunk - chunk.freeCount;
    return used;
}
