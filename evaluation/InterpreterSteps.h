// Steps the interpreters take alike whatever their value type: the search
// for a branch label, the cell of a grid part, and the value-stack or frame
// block taken from the budget.
#pragma once

#include "CoreUtilities/MemoryBudget.h"

#include <cstdint>

struct GridEvalState;
struct Instruction;

// A block taken from the budget, given back on every path out.
struct HeapCells {
    void* block = nullptr;
    ~HeapCells()
    {
        if (block)
            BudgetFree(block);
    }
};

// The label that closes pair b of branch a, searching forward from pc; null
// when the program ends first. labelsOfBranch counts the labels of branch a
// met on the way, the found one included.
const Instruction* FindLabel(const Instruction* pc, int32_t a, int32_t b, int32_t* labelsOfBranch);

// The cell of precomputed part a of the current column (axis 0), row (1) or
// layer (2) in the grid's parts buffer.
int64_t GridPartCell(const GridEvalState& grid, int32_t axis, int32_t a);
