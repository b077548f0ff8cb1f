// Operators, relations, list separators and the minus sign typed into the
// current formula: the tree is rewritten around the selection so that it
// stays well formed, with placeholders where an operand is still missing.
// User-interface thread only.
#pragma once

#include <cstdint>

// Node kinds 4099 and 4101-4199.
void InsertOperatorNode(int32_t kind);
// =, <, >, ≤, ≥, ≠ (kinds 4105, 4108, 4110, 4109, 4111, 4107).
void InsertRelation(int32_t kind);
void InsertListSeparator();
void InsertMinusSign();
// The current node inside a new one-by-one matrix.
void MakeOneByOneMatrix();
// The current placeholder becomes an empty text with the caret inside.
void MakeTextNode();
// An empty factor after, an empty term after the expression the caret ends.
void MultiplyAfterCaret();
void AddAfterCaret();
