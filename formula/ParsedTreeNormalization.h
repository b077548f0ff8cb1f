// Turns the provisional shapes the formula-text reader builds into the ones
// the editor, the simplifier and the compiler expect: operators written with
// an argument list take the list's items as their operands, brackets become
// parentheses nodes, function applications and matrix literals are split,
// and nested rows of one n-ary operator become one row.
#pragma once

struct FormulaNode;

// Every node, children first: the reshaping rules (see the .cpp).
void NormalizeParsedTree(FormulaNode* root);

// FlattenSameKindOperands on every node, children first.
void FlattenInfixOperators(FormulaNode* root);

// Operands of the node's own kind, when that kind is an n-ary infix operator
// (product, sum, =, list, the relations, branch), give up their operands to
// the node in their place. An operand that would take the node past the
// operand limit stays nested.
void FlattenSameKindOperands(FormulaNode* node);
