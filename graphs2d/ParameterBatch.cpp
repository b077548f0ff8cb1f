#include "graphs2d/ParameterBatch.h"

#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/FrameSlots.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/LaneVector.h"
#include "evaluation/ParameterValue.h"

#include <algorithm>
#include <cmath>
#include <vector>

void EvaluateAtParameters(CompiledFormula* f, const double* u, int32_t count, double* out)
{
    const BytecodeProgram* program = f ? f->pointProgram : nullptr;
    if (!program || program->isComplex || !f->treeAllowsRows) {
        // Complex arithmetic, loops bounded by the parameter and table rows
        // read at it need the point interpreter.
        for (int32_t i = 0; i < count; ++i)
            out[i] = f ? f->EvaluateAt(u[i]) : NAN;
        return;
    }
    // One lane per parameter: the point program runs over all of them at
    // once, each lane with its own u; every other slot is the same in every
    // lane.
    const int32_t slots = std::max<int32_t>(program->localBase + program->localCount + 1, FixedSlotCount);
    thread_local std::vector<double> cells;
    cells.assign(static_cast<size_t>(slots) * (count + 1), 0.0);
    for (int32_t s = 0; s < slots; ++s)
        SetUniform(BatchSlot<double>(cells.data(), s, count), 0.0);
    SetUniform(BatchSlot<double>(cells.data(), SlotSlider, count), DocSliderValue(f->doc));
    double* lanes = BatchSlot<double>(cells.data(), SlotU, count);
    SetVarying(lanes, true);
    std::copy(u, u + count, lanes + 1);
    GridEvalState state;
    state.nx = count;
    state.ny = 1;
    state.frame = cells.data();
    state.slotCount = slots;
    program->RunRealBatch(&state, out);
    state.frame = nullptr;
}
