// The constant subtrees hoisted out of one program, each with its own
// program, and their values, which are computed lazily at run time.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "numerics/ComplexValue.h"

#include <cstdint>

struct BytecodeProgram;
struct DocState;
struct FormulaNode;
struct RunControl;

struct ConstantEntry {
    // A node of the owning formula's tree, not a copy.
    FormulaNode* subtree;
    // Null until compiled.
    BytecodeProgram* program;
};

struct ConstantTable {
    // Indices never change until the table is cleared; no two entries hold
    // equal subtrees.
    GrowArray<ConstantEntry> entries;
    // values[i] belongs to entries[i]; never shorter than the entries. Kept
    // across a clear, so that a program compiled again reads the values of
    // the last evaluation at the same indices until they are invalidated.
    GrowArray<ComplexValue> values;
    DocState* doc = nullptr;

    ConstantTable() = default;
    ~ConstantTable();
    ConstantTable(const ConstantTable&) = delete;
    ConstantTable& operator=(const ConstantTable&) = delete;

    // The index of the entry equal to the subtree, else of a new entry with an
    // undefined value; -1 when the arrays cannot grow.
    int32_t Add(FormulaNode* subtree);
    // Compiles every entry that has no program, with branch labels, outside
    // any context; posts failure 36 for a program that cannot be made.
    void CompileAll();
    // Frees the entries' programs and empties the entries.
    void Clear();

    // Evaluates entry i into values[i] (real or complex arithmetic). False
    // when a stop check ended the run; the value is then meaningless.
    bool EvaluateEntry(int32_t i, bool complex, RunControl& control);
    // Every entry in index order; false as soon as one was stopped.
    bool EvaluateAll(bool complex, RunControl& control);
};
