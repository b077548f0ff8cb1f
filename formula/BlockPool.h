// Fixed-size block pools: chunks of about 4 KiB from the memory budget, cut
// into blocks of one size. Freeing is constant time (the block goes on a
// deferred list that the next allocation takes first); finding a block's
// chunk waits for the next flush. No lock: each pool serves one thread group.
#pragma once

#include "CoreUtilities/GrowArray.h"

#include <cstdint>

struct PoolChunk {
    unsigned char* data;  // blocksPerChunk x blockSize bytes
    uint8_t firstFree;    // index of the first free block
    uint8_t freeCount;
};

struct BlockPool {
    uint32_t blockSize = 0;
    uint8_t blocksPerChunk = 0;
    GrowArray<PoolChunk> chunks;
    PoolChunk* allocationChunk = nullptr;  // where the last block was taken
    PoolChunk* releaseChunk = nullptr;     // where the last block was returned
    void* deferredHead = nullptr;          // most recently freed block

    // An empty pool of blocks of the size; the size must hold a pointer (the
    // deferred link) and is rounded up to keep blocks pointer-aligned.
    explicit BlockPool(uint32_t size);
    BlockPool(const BlockPool&) = delete;
    BlockPool& operator=(const BlockPool&) = delete;

    // A block (not cleared), or null when the budget refuses a new chunk.
    void* Allocate();
    // Puts a block of this pool on the deferred list.
    void DeferFree(void* block);
    // Returns deferred blocks to their chunks, gives wholly free chunks back
    // to the budget and trims the chunk list.
    void Flush();
    // Flush, then gives every chunk and the chunk list back.
    void Destroy();

    // The chunk whose blocks hold the address, searched outward from the
    // release chunk; null for an address no chunk of this pool holds.
    PoolChunk* FindChunk(const void* block);
    // Blocks of this pool now in use or deferred (not free in a chunk).
    uint32_t BlocksOutstanding() const;

private:
    PoolChunk* CreateChunk();
    void PushFreeBlock(PoolChunk* chunk, void* block);
    void RemoveChunk(PoolChunk* chunk);
    void ReleaseBlock(PoolChunk* chunk, void* block);
    void ReleaseDeferredByOutwardSearch();
    bool ReleaseDeferredBySortedChunks();
    void ShrinkChunkList();
    void ResetCursors();
};

// 4096 / size blocks, at most 255 so that a byte indexes them, at least 8.
constexpr uint8_t BlocksPerChunkFor(uint32_t size)
{
    uint32_t n = 4096 / size;
    if (n > 255)
        n = 255;
    if (n == 0)
        n = 8;
    return static_cast<uint8_t>(n);
}
