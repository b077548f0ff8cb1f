// Rewrite rules: an equation whose left side holds bound variables (the
// parameters of a function definition) rewrites the subtrees that match its
// left side into its right side, each bound variable replaced by what it
// matched. So f(x) = x^2 rewrites f(3) into 9 and f(a + b) into (a + b)^2.
#pragma once

#include "CoreUtilities/GrowArray.h"

#include <cstdint>

struct FormulaNode;

// What one bound variable matched: its key and a copy of the subtree.
struct SubstitutionBinding {
    uint32_t key;
    FormulaNode* subtree;  // owned by the table
};

// The bindings of the last match. One process-wide table without a lock:
// only the document analysis uses it, on the cooperative thread.
extern GrowArray<SubstitutionBinding> SubstitutionTable;

// Whether the subject has the pattern's shape, binding each bound variable
// of the pattern to the subtree at its place; a bound variable met again
// must match an equal subtree. Bindings of a failed match stay until the
// table is next emptied.
bool MatchPattern(const FormulaNode* subject, const FormulaNode* pattern);
// The subtree bound to the key first, or null.
const FormulaNode* LookupBinding(uint32_t key);
// The subject becomes a copy of the right side in which every bound
// variable is replaced by its binding, in one walk, so that a binding that
// holds bound variables itself is never substituted again. A summation,
// product or integral of the copy whose index a binding names gets a
// nameless index first, so that the binding's name stays free. Then the
// subject is simplified as a substitution is.
void InstantiateRule(FormulaNode* subject, const FormulaNode* rightSide);
// Empties the table, then rewrites the subject when it matches the left side.
bool MatchAndRewrite(FormulaNode* subject, const FormulaNode* leftSide, const FormulaNode* rightSide);
// Each side but the last of the equation, in order, as the left side of a
// rule whose right side is the last; true at the first that rewrote.
bool ApplyEquationAsRule(FormulaNode* subject, const FormulaNode* equation);
// Frees every bound subtree and the table's storage.
void FreeSubstitutionTable();
// A bound variable of the key (a SymbolCode or a numbered-variable key).
FormulaNode* MakeBoundVariableNode(uint32_t key);
