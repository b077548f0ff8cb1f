// Code generation: one walk over a prepared formula tree that emits the
// program's instructions after each node's operands. On the way down it
// replaces whole subtrees by one load: constants (hoisted into the context's
// table), subtrees of one grid axis (precomputed per column, row or layer)
// and subtrees the batch already computed (kept in a local slot).
#pragma once

struct BytecodeProgram;
struct FormulaNode;

// Fills an empty program whose context and doc are set. withLabels: branch
// labels are emitted and nothing is reused, hoisted per axis or entered in
// the batch (constant entries, user-function bodies). gridProgram: loops
// leave out their range guards. Outside an open batch the program forms a
// batch of its own and raises the frame slots itself.
void GenerateProgram(BytecodeProgram& program, FormulaNode* tree, bool withLabels, bool gridProgram);
