// The Calculate command: every part of the selected term that has a numeric
// value is replaced by that value, a real number, a complex number a + b i or
// an interval.
#pragma once

struct DocState;
struct FormulaNode;

// Editor command 8199 on the current node of the current editor state.
void CalculateSelection();

// Walks the subtree in pre-order and replaces each largest calculable
// subtree by its value; a subtree without a value stays and its operands
// are tried in turn.
void CalculateSubtree(FormulaNode* root, DocState* doc);
