// Makes the memory budget refuse every allocation for the life of the object
// by moving the running count past the heap limit, and puts it back after.
#pragma once

#include "CoreUtilities/MemoryBudget.h"

class BudgetRefusal {
public:
    BudgetRefusal() : shift_(HeapBudgetLimit() - MemoryBudgetCount() + 1.0) { AdjustMemoryBudgetCount(shift_); }
    ~BudgetRefusal() { AdjustMemoryBudgetCount(-shift_); }
    BudgetRefusal(const BudgetRefusal&) = delete;
    BudgetRefusal& operator=(const BudgetRefusal&) = delete;

private:
    double shift_;
};
