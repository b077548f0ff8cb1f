// Opcode 85 as every interpreter performs it: the callee's body on a fresh
// frame of the caller's cell type, holding the arguments in cells 0 .. n-1
// and the undefined value in every other cell.
#pragma once

#include "CoreUtilities/MemoryBudget.h"
#include "evaluation/BudgetBlock.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/UserFunction.h"

#include <alloca.h>
#include <algorithm>
#include <cstdint>

// Runs user function index of the caller's document with the n arguments;
// run(callee, frame) runs the body. Undefined when there is no such function
// taking n arguments, when less than the stack reserve is left (so that an
// endless recursion ends), or when the frame cannot be had. A function of its
// own, so that the frame's stack space goes back after every call and a run
// that calls in a loop does not grow.
template <typename Cell, typename Run>
__attribute__((noinline)) Cell CallUserFunction(const BytecodeProgram* caller, int32_t index, const Cell* arguments,
                                                int32_t n, Cell undefined, Run run)
{
    const BytecodeProgram* callee = UserFunctionCallee(caller->doc, index, n);
    if (!callee || !HasStackRoom(0))
        return undefined;
    int32_t cells = std::max(n, kCallFrameFixedSlots + callee->localCount);
    uint32_t bytes = static_cast<uint32_t>(cells) * sizeof(Cell);
    BudgetBlock heap;
    Cell* frame;
    if (HasStackRoom(bytes)) {
        frame = static_cast<Cell*>(alloca(bytes));
    } else {
        heap.block = BudgetMalloc(bytes, false);
        frame = static_cast<Cell*>(heap.block);
        if (!frame)
            return undefined;
    }
    for (int32_t i = 0; i < cells; ++i)
        frame[i] = i < n ? arguments[i] : undefined;
    return run(callee, frame);
}
