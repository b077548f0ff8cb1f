// Arrays of the grid surfaces from the memory budget: a block of count
// elements, null when the count is not positive, its bytes do not fit 32
// bits or the budget refuses; and the release that leaves the pointer null.
#pragma once

#include "CoreUtilities/MemoryBudget.h"

#include <cstdint>

template <typename T>
T* BudgetedBlock(int64_t count)
{
    const int64_t bytes = count * static_cast<int64_t>(sizeof(T));
    if (count <= 0 || bytes > 0xFFFFFFFFll)
        return nullptr;
    return static_cast<T*>(BudgetMalloc(static_cast<uint32_t>(bytes), false));
}

template <typename T>
void ReleaseBudgetedBlock(T*& block)
{
    if (block)
        BudgetFree(block);
    block = nullptr;
}
