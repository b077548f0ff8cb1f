// The constants of one program: the hoisted constant subtrees, their values,
// and the lock and flag of their one-time evaluation.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/Mutex.h"
#include "evaluation/ComplexValue.h"

#include <atomic>
#include <cstdint>

struct BytecodeProgram;
struct DocState;
struct FormulaNode;
struct RunControl;

struct ConstantEntry {
    FormulaNode* subtree;
    BytecodeProgram* program;
};

struct ConstantTable {
    GrowArray<ConstantEntry> entries;
    GrowArray<ComplexValue> values;
    DocState* doc = nullptr;

    // Evaluates entry i into values[i] (real or complex arithmetic). False
    // when a stop check ended the run; the value is then meaningless.
    bool EvaluateEntry(int32_t i, bool complex, RunControl& control);
    bool EvaluateAll(bool complex, RunControl& control);
};

struct CompileContext {
    uint8_t isComplex = 0;
    // Set, with release order, only after every value is written.
    std::atomic<uint8_t> constantsReady{0};
    Mutex lock;
    ConstantTable* table = nullptr;
    DocState* doc = nullptr;

    // The values, evaluated first when they are not current, by entry runs
    // under the calling run's control; null for an empty table, and null
    // with control.stopped set when a stop check ended the evaluation (the
    // values then stay not current).
    const ComplexValue* GetConstants(RunControl& control);
};
