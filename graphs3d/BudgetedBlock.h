// Arrays of the 3D graphs from the memory budget: a refusal is a null
// result with failure 36 posted, so the graph draws nothing instead of
// failing hard.
#pragma once

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"

#include <cstdint>

// count elements, zero-filled when asked; null for a count below 1 or one
// the budget cannot hold in a single block.
template <typename T>
T* BudgetedBlock(int64_t count, bool zeroed = false)
{
    if (count <= 0)
        return nullptr;
    void* block = nullptr;
    if (count <= static_cast<int64_t>(0xFFFFFFFFu / sizeof(T)))
        block = BudgetMalloc(static_cast<uint32_t>(count * static_cast<int64_t>(sizeof(T))), zeroed);
    if (!block)
        PostFailure(FailureOutOfMemory);
    return static_cast<T*>(block);
}

// Frees a block of BudgetedBlock and nulls the pointer; null-safe.
template <typename T>
void ReleaseBlock(T*& block)
{
    if (block)
        BudgetFree(block);
    block = nullptr;
}
