#include "CoreUtilities/ChunkedArray.h"

bool AppendChunkBlock(GrowArray4<void*>& blocks, void*& spare, uint32_t blockBytes)
{
    void* block = spare;
    spare = nullptr;
    bool fromSpare = block != nullptr;
    if (!block)
        block = BudgetMalloc(blockBytes, true);
    if (!block)
        return false;
    if (blocks.Push(block) != 0) {
        // A spare goes back to being the spare, so a failed push changes nothing.
        if (fromSpare)
            spare = block;
        else
            BudgetFree(block);
        return false;
    }
    return true;
}

void FreeChunkBlocks(GrowArray4<void*>& blocks, void*& spare)
{
    for (void* block : blocks)
        BudgetFree(block);
    blocks.Clear();
    BudgetFree(spare);
    spare = nullptr;
}
