// What a compiled formula keeps for one of its programs: the table of hoisted
// constants and the flags and lock of their lazy evaluation.
#pragma once

#include "CoreUtilities/Mutex.h"
#include "numerics/ComplexValue.h"

#include <atomic>
#include <cstdint>

struct ConstantTable;
struct DocState;
struct RunControl;

struct CompileContext {
    // The program, and so its constants, run in complex arithmetic.
    uint8_t isComplex = 0;
    // The table's values are current. Read without the lock by every run.
    std::atomic<uint8_t> constantsReady{0};
    // Guards the evaluation of the values.
    Mutex lock;
    // Owned; null only when memory for it was refused, which fails every
    // hoisting into it.
    ConstantTable* table;
    DocState* doc = nullptr;

    CompileContext();
    ~CompileContext();
    CompileContext(const CompileContext&) = delete;
    CompileContext& operator=(const CompileContext&) = delete;

    void SetDocument(DocState* document);

    // The values, evaluated first when they are not current, by entry runs
    // under the calling run's control; null for an empty table, and null
    // with control.stopped set when a stop check ended the evaluation (the
    // values then stay not current).
    const ComplexValue* GetConstants(RunControl& control);
};
