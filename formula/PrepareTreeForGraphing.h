// The rewrites every statement goes through before it is classified and
// graphed: what the classifier and the compiler cannot take (unit-vector
// hats, vector operators, derivatives, matrix expressions, substitutions,
// integrals, colour equations, primed variables) is lowered, then constant
// subtrees are folded to numbers and branches with constant conditions
// pruned. Its result is the tree the classifier and the compiler see.
#pragma once

struct DocState;
struct FormulaNode;

// The most runs of the derivative and matrix passes in turn.
constexpr int kMaxDerivativeMatrixRuns = 11;

void PrepareTreeForGraphing(DocState* doc, FormulaNode* root);

// Each largest constant subtree with a real value becomes a number; rational
// exponents, index equations, e as a base, function names, intervals,
// complex values, applications and lists stay.
void FoldConstantSubtrees(FormulaNode* root, DocState* doc);
// Pieces of branches whose constant conditions are false go; pieces after a
// true one go; a branch left with one piece becomes it, with none undefined.
void PruneConstantBranches(FormulaNode* root);
// Comma lists that are items of the root list are spliced into it; lists
// deeper in the tree stay. A splice the operand limit refuses leaves the
// list nested.
void FlattenNestedLists(FormulaNode* root);
