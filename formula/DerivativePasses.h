// The passes that carry out the derivative operators of a tree.
#pragma once

struct FormulaNode;

// The most derivatives one operator with an order takes.
constexpr int kMaxDerivativeOrder = 100;

// Parentheses out, applications to derivative nodes, the derivatives taken,
// what has no rule back to applications.
void EvaluateDerivatives(FormulaNode* root);

// Each application of a derivative operator becomes internal derivative
// nodes around its expression: one for a first derivative; n, one inside the
// other, for an order that folds to a whole number n (order 0 leaves the
// expression). An order that is not such a number leaves the application as
// it is.
void ApplicationsToDerivativeNodes(FormulaNode* root);
// Each internal derivative node becomes the derivative of its expression.
void EvaluateDerivativeNodes(FormulaNode* root);
// Each internal derivative node left becomes the application of the operator
// to its expression.
void DerivativeNodesToApplications(FormulaNode* root);

// Some application of the tree has a first-derivative operator.
bool HasDerivativeApplication(const FormulaNode* root);
