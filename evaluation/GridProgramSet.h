// The formulas of one graph linked for grid evaluation: their grid programs
// share one batch, and every subtree that depends on x only, y only or z only
// is cut out into a sub-program of the set, evaluated once per column, row
// or layer when a grid is prepared (GridEvalState.h) and read by the grid
// programs through opcodes 8, 9 and 10. Read-only after linking, so the
// graph's jobs on several workers may share it.
#pragma once

#include "CoreUtilities/GrowArray.h"

#include <atomic>
#include <cstdint>

struct BytecodeProgram;
struct CompiledFormula;
struct DocState;

struct GridProgramSet {
    int32_t xPartCount = 0;
    int32_t yPartCount = 0;
    int32_t zPartCount = 0;
    // 12 plus the local slots of the linked batch: the slots a grid frame
    // needs.
    int32_t slotCount = 0;
    // Indexed by the operand of opcodes 8, 9 and 10; owned. An entry is null
    // when memory for it was refused, and its values are then undefined.
    GrowArray<BytecodeProgram*> xParts;
    GrowArray<BytecodeProgram*> yParts;
    GrowArray<BytecodeProgram*> zParts;
    // Some linked formula uses complex numbers: all of them are evaluated in
    // complex arithmetic.
    uint8_t isComplex = 0;
    // Every linked formula may be evaluated by rows. The programs of a set
    // share stored values (computed slots, common subexpressions), so they
    // all run by rows or all point by point: one formula that needs points
    // takes the others with it, and linking clears their canEvaluateRows.
    uint8_t canEvaluateRows = 1;
    // The document of the first linked formula.
    DocState* doc = nullptr;
    // The stop request of the first linked formula's grid program: stopping
    // the graph's formulas also ends the precomputation of the parts.
    const std::atomic<uint8_t>* stopRequest = nullptr;

    GridProgramSet() = default;
    // Frees the lists and every sub-program in them.
    ~GridProgramSet();
    GridProgramSet(const GridProgramSet&) = delete;
    GridProgramSet& operator=(const GridProgramSet&) = delete;
};

// Links n formulas (null ones skipped) for grid evaluation: compiles their
// grid programs as one batch and the parts they share into sub-programs. A
// new set, owned by the caller; null when memory for it is refused.
GridProgramSet* LinkGridFormulas(CompiledFormula* const* formulas, int32_t n);
GridProgramSet* LinkGridFormula(CompiledFormula* f);
GridProgramSet* LinkGridFormulas2(CompiledFormula* f1, CompiledFormula* f2);
GridProgramSet* LinkGridFormulas3(CompiledFormula* f1, CompiledFormula* f2, CompiledFormula* f3);
GridProgramSet* LinkGridFormulas4(CompiledFormula* f1, CompiledFormula* f2, CompiledFormula* f3, CompiledFormula* f4);
GridProgramSet* LinkGridFormulas9(CompiledFormula* const (&formulas)[9]);
GridProgramSet* LinkGridFormulas12(CompiledFormula* const (&formulas)[12]);
