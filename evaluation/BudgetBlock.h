// A block taken from the memory budget by a run (a value stack or a call
// frame that does not fit the machine stack), given back on every path out.
#pragma once

#include "CoreUtilities/MemoryBudget.h"

struct BudgetBlock {
    void* block = nullptr;

    BudgetBlock() = default;
    ~BudgetBlock()
    {
        if (block)
            BudgetFree(block);
    }
    BudgetBlock(const BudgetBlock&) = delete;
    BudgetBlock& operator=(const BudgetBlock&) = delete;
};
