#include "evaluation/ConstantEvaluation.h"

#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/ThreadStorage.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileContext.h"
#include "evaluation/ConstantTable.h"
#include "evaluation/FrameSlots.h"
#include "evaluation/InterpretComplex.h"
#include "evaluation/InterpreterBuild.h"
#include "evaluation/ParameterValue.h"
#include "evaluation/RunControl.h"

#include <algorithm>
#include <cmath>

std::atomic<uint64_t> ConstantEvaluationCount{0};

bool ConstantTable::EvaluateEntry(int32_t i, bool complex, RunControl& control)
{
    values[i] = ComplexValue{NAN, NAN};
    const BytecodeProgram* program = entries[i].program;
    if (!program)
        return true;
    int32_t cells = std::max<int32_t>(static_cast<int32_t>(GetEvalFrameSlots()), kLocalBase + program->localCount);
    uint32_t cellBytes = complex ? sizeof(ComplexValue) : sizeof(double);
    void* frame = BudgetMalloc(static_cast<uint32_t>(cells) * cellBytes, false);
    if (!frame)
        return true;
    // A constant reads no variable but the slider; every other slot starts
    // undefined rather than holding whatever the memory held.
    double slider = DocSliderValue(doc);
    ComplexValue value;
    if (complex) {
        auto* slots = static_cast<ComplexValue*>(frame);
        std::fill(slots, slots + cells, ComplexValue{NAN, NAN});
        slots[SlotSlider] = ComplexValue{slider, 0};
        value = RunComplexInBuild(program, slots, nullptr, control);
    } else {
        auto* slots = static_cast<double*>(frame);
        std::fill(slots, slots + cells, NAN);
        slots[SlotSlider] = slider;
        value = ComplexValue{RunRealInBuild(program, slots, nullptr, control), 0};
    }
    BudgetFree(frame);
    if (control.stopped)
        return false;
    values[i] = value;
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
