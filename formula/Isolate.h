// The Isolate command: the equation that holds the selected term is solved
// for it, each operation between the term and the equals sign undone on the
// other side, and the term left alone on the left.
#pragma once

#include <cstdint>

struct FormulaNode;

// The kinds whose operation Isolate can undo.
bool IsInvertibleKind(int32_t kind);

// On the current editor state; false when nothing was done.
bool IsolateCurrentNode();
void IsolateSelection();

// Isolate run on the node through a temporary current editor state. Answers
// the node current at the end: the isolated term as operand 0 of its
// equation, or the operation that blocked the way.
FormulaNode* IsolateNode(FormulaNode* node);
