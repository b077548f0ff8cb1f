#include "evaluation/CompileBatch.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "evaluation/BytecodeProgram.h"

namespace {

thread_local CompileBatchState Batch{};

void ClearLists(CompileBatchState& batch)
{
    batch.completed.Clear();
    batch.locals.Clear();
    batch.aggregateSlots.Clear();
    batch.completedIndex.clear();
    batch.localIndex.clear();
}

// Puts "store into the slot" right after each reused subtree's first
// computation; false when an insertion failed.
bool StoreReusedSubtrees(CompileBatchState& batch)
{
    for (int32_t i = 0; i < batch.locals.count; ++i) {
        const LocalEntry& entry = batch.locals[i];
        if (entry.bound)
            continue;
        if (entry.programIndex < 0 || entry.programIndex >= batch.programCount)
            return false;
        Instruction store{};
        store.opcode = OpStoreLocal;
        store.arg.a = entry.slot;
        if (!batch.programs[entry.programIndex]->InsertInstruction(entry.position, store))
            return false;
        for (int32_t j = i + 1; j < batch.locals.count; ++j) {
            LocalEntry& later = batch.locals[j];
            if (later.programIndex == entry.programIndex && later.position > entry.position)
                ++later.position;
        }
    }
    return true;
}

}  // namespace

CompileBatchState& CurrentCompileBatch()
{
    return Batch;
}

void BeginCompileBatch()
{
    ClearLists(Batch);
    Batch.programCount = 0;
    Batch.open = 1;
    Batch.rDone = 0;
    Batch.sphericalRadiusDone = 0;
    Batch.thetaDone = 0;
    Batch.phiDone = 0;
}

void BeginGridCompileBatch()
{
    Batch.gridMode = 1;
    Batch.xParts.Clear();
    Batch.yParts.Clear();
    Batch.zParts.Clear();
    for (SubtreeIndex& index : Batch.partIndex)
        index.clear();
    BeginCompileBatch();
}

int32_t FinishCompileBatch()
{
    bool failed = false;
    for (int32_t i = 0; i < Batch.programCount; ++i)
        failed = failed || Batch.programs[i]->error;
    if (!failed && !StoreReusedSubtrees(Batch)) {
        failed = true;
        PostFailure(FailureOutOfMemory);
    }
    if (failed) {
        for (int32_t i = 0; i < Batch.programCount; ++i) {
            Batch.programs[i]->MakeEndOnly();
            Batch.programs[i]->ComputeMaxStack();
        }
    }
    int32_t slots = kLocalBase + Batch.locals.count;
    ClearLists(Batch);
    Batch.programCount = 0;
    Batch.open = 0;
    return slots;
}

GridPartLists TakeGridParts()
{
    GridPartLists lists{Batch.xParts, Batch.yParts, Batch.zParts};
    Batch.xParts = {};
    Batch.yParts = {};
    Batch.zParts = {};
    for (SubtreeIndex& index : Batch.partIndex)
        index.clear();
    Batch.gridMode = 0;
    return lists;
}
