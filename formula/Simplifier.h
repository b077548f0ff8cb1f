// The simplifier: rewrites a formula tree in place into a normal form.
// Nested sums and products are flattened, numbers folded, like terms and
// factors merged, fractions combined and reduced, powers distributed or
// evaluated, a few function values folded, and the factors of every product
// put in one order. Optional rewrites follow the switches of
// SimplifierSwitches.h.
//
// Every rewrite keeps the node record in its parent: a node that changes kind
// keeps its identity, so outside pointers stay valid. Every call stops at
// once, leaving a valid but partly normal tree, when ShouldAbortComputation
// is true.
#pragma once

#include <cstdint>

struct FormulaNode;

// Rewrites one node whose children are already normal.
void NormalizeNode(FormulaNode* node);
// NormalizeNode on every node of the subtree, children before parents.
void SimplifyTree(FormulaNode* root);
// NormalizeNode on each child in order, then on the node.
void NormalizeChildrenAndNode(FormulaNode* node);
// NormalizeChildrenAndNode on each child, then NormalizeNode on the node.
void NormalizeTwoLevels(FormulaNode* node);
// Parentheses out, SimplifyTree, CleanUpSigns.
void SimplifyAndCleanUp(FormulaNode* root);
// The display form of signs: negative numbers become minus signs (over a
// whole product), a power to the fraction 1/2 becomes a square root, and the
// minus of a numerator moves in front of the fraction.
void CleanUpSigns(FormulaNode* root);

// Divides both number nodes by the greatest common divisor of their values
// when it is not 0.
void CancelNumericGcd(FormulaNode* x, FormulaNode* y);
// The node, a sum to a whole power 1 < n < 24, becomes the expanded sum.
void ExpandBinomialPower(FormulaNode* node);
// sin and cos of 0 and of whole multiples of pi and pi/2 become numbers.
void FoldSinCos(FormulaNode* node);

// The kind's syntax class is infix: product, sum, relations, comma, branch.
bool IsInfixOperatorKind(int32_t kind);
bool IsInfixOperatorNode(const FormulaNode* node);
// The summation or the product operator.
bool IsSumOrProductOperatorKind(int32_t kind);
bool IsAsciiLetter(uint32_t character);
// pi, phi, theta, inf, degree, ldots.
bool IsNamedSymbolCode(uint32_t code);
