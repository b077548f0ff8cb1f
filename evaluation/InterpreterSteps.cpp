#include "evaluation/InterpreterSteps.h"

#include "evaluation/BytecodeProgram.h"
#include "evaluation/GridEvalState.h"

const Instruction* FindLabel(const Instruction* pc, int32_t a, int32_t b, int32_t* labelsOfBranch)
{
    int32_t seen = 0;
    for (const Instruction* scan = pc + 1;; ++scan) {
        if (scan->opcode == OpEnd)
            return nullptr;
        if (scan->opcode == OpLabel && scan->arg.a == a) {
            ++seen;
            if (scan->arg.b == b) {
                *labelsOfBranch = seen;
                return scan;
            }
        }
    }
}

int64_t GridPartCell(const GridEvalState& grid, int32_t axis, int32_t a)
{
    // x parts first (nX x nx cells), then y parts, then z parts.
    int64_t xCells = static_cast<int64_t>(grid.nX) * grid.nx;
    if (axis == 0)
        return static_cast<int64_t>(a) * grid.nx + grid.curI;
    if (axis == 1)
        return xCells + static_cast<int64_t>(a) * grid.ny + grid.curJ;
    return xCells + static_cast<int64_t>(grid.nY) * grid.ny + static_cast<int64_t>(a) * grid.nz + grid.curK;
}
