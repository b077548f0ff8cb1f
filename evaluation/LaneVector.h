// The storage unit of the batch interpreters: one value per point of a grid
// row (2D) or layer (3D). N + 1 cells: the first holds, in its first four
// bytes, the varying flag (0: uniform, the one value in lane 1 stands for
// every lane and lanes 2 .. N mean nothing; 1: per-lane), the others hold
// lanes 1 .. N. Cells are doubles in the real batch and ComplexValues in
// the complex batch. The batch frame is one lane vector per slot, slot s
// beginning s x (N + 1) cells into the frame buffer.
#pragma once

#include "evaluation/BytecodeProgram.h"
#include "evaluation/GridEvalState.h"

#include <cstdint>
#include <cstring>

// The number of lanes of the grid's rows or layers: nx in a 2D grid, nx x ny
// in a 3D one; 0 for a count that is negative or does not fit int32.
inline int32_t BatchLaneCount(const GridEvalState& grid)
{
    if (grid.nx <= 0 || (grid.nz != 0 && grid.ny <= 0))
        return 0;
    int64_t n = grid.nz != 0 ? static_cast<int64_t>(grid.nx) * grid.ny : grid.nx;
    return n < INT32_MAX ? static_cast<int32_t>(n) : 0;
}

template <typename Cell>
inline bool IsVarying(const Cell* vector)
{
    uint32_t flag;
    std::memcpy(&flag, vector, sizeof flag);
    return flag != 0;
}

template <typename Cell>
inline void SetVarying(Cell* vector, bool varying)
{
    uint32_t flag = varying ? 1 : 0;
    std::memcpy(vector, &flag, sizeof flag);
}

template <typename Cell>
inline void SetUniform(Cell* vector, Cell value)
{
    SetVarying(vector, false);
    vector[1] = value;
}

// Slot s of a batch frame of n lanes.
template <typename Cell>
inline Cell* BatchSlot(void* frame, int32_t slot, int32_t n)
{
    return static_cast<Cell*>(frame) + static_cast<int64_t>(slot) * (n + 1);
}

// A batch run that ends at 82 writes the undefined value into every slot
// the rest of its program would have stored: a later program of the batch
// must not read what an earlier row left there.
template <typename Cell>
void ForgetLaterStores(const Instruction* pc, void* frame, int32_t n, int32_t localBase, Cell undefined)
{
    for (; pc->opcode != OpEnd; ++pc) {
        if (pc->opcode == OpStoreSlot)
            SetUniform(BatchSlot<Cell>(frame, pc->arg.a, n), undefined);
        else if (pc->opcode == OpStoreLocal)
            SetUniform(BatchSlot<Cell>(frame, localBase + pc->arg.a, n), undefined);
    }
}
