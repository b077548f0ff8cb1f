#include "evaluation/ConstantEvaluation.h"

#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/ThreadStorage.h"
#include "document/DocState.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileContext.h"
#include "evaluation/ConstantTable.h"
#include "evaluation/InterpreterBuild.h"
#include "evaluation/RunControl.h"

#include <algorithm>
#include <cmath>

std::atomic<uint64_t> ConstantEvaluationCount{0};

bool ConstantTable::EvaluateEntry(int32_t i, bool complex, RunControl& control)
{
    values[i] = ComplexValue{NAN, NAN};
    const BytecodeProgram* program = entries[i].program;
    // Complex entries wait for the complex interpreter; until then they hold
    // the undefined value.
    if (!program || complex)
        return true;
    int32_t cells = std::max<int32_t>(static_cast<int32_t>(GetEvalFrameSlots()), 12 + program->localCount);
    auto* frame = static_cast<double*>(BudgetMalloc(static_cast<uint32_t>(cells) * sizeof(double), false));
    if (!frame)
        return true;
    // A constant reads no variable but the slider; every other slot starts
    // undefined rather than holding whatever the memory held.
    std::fill(frame, frame + cells, NAN);
    frame[2] = doc ? doc->GetSliderValue() : NAN;
    double value = RunRealInBuild(program, frame, nullptr, control);
    BudgetFree(frame);
    if (control.stopped)
        return false;
    values[i] = ComplexValue{value, 0};
    return true;
}

bool ConstantTable::EvaluateAll(bool complex, RunControl& control)
{
    ConstantEvaluationCount.fetch_add(1, std::memory_order_relaxed);
    for (int32_t i = 0; i < entries.count; ++i) {
        if (!EvaluateEntry(i, complex, control))
            return false;
    }
    return true;
}

const ComplexValue* CompileContext::GetConstants(RunControl& control)
{
    if (!constantsReady.load(std::memory_order_acquire)) {
        MutexLock hold(lock);
        if (!constantsReady.load(std::memory_order_relaxed)) {
            // A stopped evaluation leaves the values not current, so the
            // next run computes them again instead of reading half of them.
            if (!table || !table->EvaluateAll(isComplex != 0, control))
                return nullptr;
            constantsReady.store(1, std::memory_order_release);
        }
    }
    return table && table->values.count > 0 ? table->values.storage : nullptr;
}
