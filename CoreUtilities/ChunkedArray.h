// Arrays stored in fixed-size blocks that never move once written, so element
// addresses stay valid while the array grows. Each array type fixes its block
// length (a power of two): sample points use 1,024 elements a block, the
// polygoniser's vertex and triangle meshes 8,192. A zeroed array is empty.
#pragma once

#include "CoreUtilities/GrowArray.h"

#include <bit>
#include <cstdint>
#include <cstring>

constexpr int32_t kSampleBlockLength = 1024;
constexpr int32_t kMeshBlockLength = 8192;

// Appends a block to the list, taking the spare block first; fresh blocks are
// zeroed, a spare keeps what it held. False (and nothing changed) when refused.
bool AppendChunkBlock(GrowArray4<void*>& blocks, void*& spare, uint32_t blockBytes);
// Frees every block, the block list and the spare block.
void FreeChunkBlocks(GrowArray4<void*>& blocks, void*& spare);

template <typename T, int32_t BlockLength = kSampleBlockLength>
struct ChunkedArray {
    static_assert(BlockLength > 0 && std::has_single_bit(static_cast<uint32_t>(BlockLength)),
                  "block positions are a shift and a mask");
    static_assert(std::is_trivially_copyable_v<T>, "blocks are raw budget memory");
    static constexpr int kBlockShift = std::countr_zero(static_cast<uint32_t>(BlockLength));
    static constexpr int32_t kSlotMask = BlockLength - 1;
    static constexpr uint32_t kBlockBytes = static_cast<uint32_t>(BlockLength * sizeof(T));

    GrowArray4<void*> blocks;
    void* spare = nullptr;
    int32_t usedInLastBlock = 0;
    int32_t count = 0;

    T* At(int32_t index)
    {
        return static_cast<T*>(blocks.storage[index >> kBlockShift]) + (index & kSlotMask);
    }
    const T* At(int32_t index) const
    {
        return static_cast<const T*>(blocks.storage[index >> kBlockShift]) + (index & kSlotMask);
    }

    // 0 on success, 1 when the budget refuses a new block (the array is then unchanged).
    int32_t Push(const T& element)
    {
        if (blocks.count == 0 || usedInLastBlock == BlockLength) {
            if (!AppendChunkBlock(blocks, spare, kBlockBytes))
                return 1;
            usedInLastBlock = 0;
        }
        *At(count) = element;
        ++count;
        ++usedInLastBlock;
        return 0;
    }

    void Clear()
    {
        FreeChunkBlocks(blocks, spare);
        usedInLastBlock = 0;
        count = 0;
    }

    // Makes copy (which must be empty) hold the same records in blocks of
    // its own, so a growing array can be shown while it grows. False, with
    // copy left empty, when the budget refuses a block.
    bool CopyTo(ChunkedArray& copy) const
    {
        for (int32_t b = 0; b < blocks.count; ++b) {
            if (!AppendChunkBlock(copy.blocks, copy.spare, kBlockBytes)) {
                copy.Clear();
                return false;
            }
            const int32_t records = b == blocks.count - 1 ? usedInLastBlock : BlockLength;
            std::memcpy(copy.blocks.storage[b], blocks.storage[b], static_cast<size_t>(records) * sizeof(T));
        }
        copy.usedInLastBlock = usedInLastBlock;
        copy.count = count;
        return true;
    }
};
