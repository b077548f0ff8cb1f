// Substitutions: an expression with a condition lhs = rhs is carried out by
// replacing every occurrence of lhs; a three-operand substitution (E, x = a,
// b) stands for the difference of E at b and at a.
#pragma once

struct FormulaNode;

// Carries out one substitution node; any other shape stays, and so does a
// substitution into an indefinite integral over a name it replaces. Inside a
// summation, product or integral that rebinds a name of the left side
// nothing is replaced.
void PerformSubstitution(FormulaNode* node);
// Every substitution of the subtree, innermost first; stops at once when
// computations must stop, leaving the ones not yet reached.
void ExpandSubstitutions(FormulaNode* root);
// ExpandSubstitutions on the current node of the current editor state.
void ExpandSubstitutionsInSelection();
