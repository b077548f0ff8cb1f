// The rewrites that bring a formula tree into the forms the code generator
// expects. Each runs in place over the whole tree; where memory runs out a
// node is left as it was (the node-memory failure protocol has run and the
// abort flag is raised, so the generation that follows gives up).
#pragma once

struct DocState;
struct FormulaNode;

// In order: parentheses removed, negated numbers folded, aggregates lowered,
// sums and products made loops, mixed relation chains split, branches made
// of numbered (condition, value) pairs.
void PrepareTreeForCompiling(FormulaNode* tree, DocState* doc);

// Argument lists become operands; the conditions of an aggregate (Sum,
// Count, Mean, StdDev) or of a min or max over table data go into one list;
// StdDev becomes sqrt(Mean(a^2, ...) - Mean(a, ...)^2); a subscripted table
// column read pointwise becomes a column element (index, column); a range
// a < x < b given to Interpolate becomes (x - a) / (b - a).
void LowerAggregates(FormulaNode* tree, DocState* doc);
