// The state that programs compiled together share: their local slots, the
// subtrees already compiled (candidates for reuse), the one-axis parts of a
// grid batch and which computed slots (r, spherical radius, theta, phi) the
// batch has filled. One per thread, so threads compile independently.
#pragma once

#include "CoreUtilities/GrowArray.h"

#include <cstdint>
#include <unordered_map>

struct BytecodeProgram;
struct FormulaNode;

constexpr int32_t kMaxBatchPrograms = 15;

// An interior subtree compiled in the batch, ending before position.
struct CompletedEntry {
    FormulaNode* subtree;
    int32_t programIndex;
    int32_t position;
    uint64_t hash;  // SubtreeHash of the subtree
};

// A local slot: a loop counter, limit or start, an aggregate's counter and
// limit (bound), or a reused subtree (not bound) whose first computation
// stores into the slot at position.
struct LocalEntry {
    FormulaNode* subtree;
    int32_t programIndex;
    int32_t slot;
    int32_t position;
    uint8_t bound;
    uint64_t hash;  // SubtreeHash of the subtree; 0 for bound entries
};

// A subtree of a grid program that depends on one axis only; index is its
// sub-program's number.
struct GridPart {
    FormulaNode* subtree;
    int32_t index;
    uint64_t hash;  // SubtreeHash of the subtree
};

// Positions in one of the batch's lists by the hash of their subtrees, so
// that finding an equal subtree compares only those with its hash.
using SubtreeIndex = std::unordered_multimap<uint64_t, int32_t>;

struct CompileBatchState {
    BytecodeProgram* programs[kMaxBatchPrograms];
    int32_t programCount;
    GrowArray<CompletedEntry> completed;
    GrowArray<LocalEntry> locals;
    GrowArray<GridPart> xParts;
    GrowArray<GridPart> yParts;
    GrowArray<GridPart> zParts;
    // Loop slots of the aggregates being compiled, innermost last.
    GrowArray<int32_t> aggregateSlots;
    // completed, the unbound locals and the parts of each axis by hash.
    SubtreeIndex completedIndex;
    SubtreeIndex localIndex;
    SubtreeIndex partIndex[3];
    uint8_t open;
    uint8_t gridMode;
    uint8_t rDone;
    uint8_t sphericalRadiusDone;
    uint8_t thetaDone;
    uint8_t phiDone;
};

// The calling thread's batch state.
CompileBatchState& CurrentCompileBatch();

// Fresh lists, no programs, the computed slots not yet filled.
void BeginCompileBatch();
// A batch whose one-axis subtrees are collected as grid parts.
void BeginGridCompileBatch();
// Stores each reused subtree where it is first computed, closes the batch
// and answers the frame slots its programs need (12 + local slots). When a
// program of the batch failed, every program of it is left undefined, since
// later programs read what earlier ones store.
int32_t FinishCompileBatch();

struct GridPartLists {
    GrowArray<GridPart> x;
    GrowArray<GridPart> y;
    GrowArray<GridPart> z;
};
// Ends grid mode and hands over the parts collected; the caller clears them.
GridPartLists TakeGridParts();
