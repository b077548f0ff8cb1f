// The steps shared by the symbolic commands on the selected term, and the
// Simplify command.
#pragma once

struct FormulaNode;

// An equation standing as an operand of another operator is split across
// it: 2*(x = y) becomes 2*x = 2*y. Equations, lists, substitutions,
// summation and product operators, conditions and logic keep their
// equations, and so does an operator with more than one equation operand.
void SplitEquations(FormulaNode* root);
void SplitEquationsInSelection();

// Simplify, derivatives carried out, simplify again, display signs.
void SimplifySelection();
// The whole Simplify command.
void SimplifyCommand();
