// The vector operators grad, div and curl become vectors and sums of
// partial derivatives, which the derivative passes then carry out.
#pragma once

struct FormulaNode;

// grad u, div F or curl F at the node becomes its partial derivatives (as
// internal derivative nodes); other nodes, and div or curl of anything but a
// vector of the right length, stay.
void ExpandVectorOperator(FormulaNode* node);
// Every vector operator of the subtree, then the internal derivative nodes
// back into operator applications.
void ExpandVectorOperators(FormulaNode* root);
// The operator at the current node of the current editor state only.
void ExpandVectorOperatorsInSelection();
