// Questions and in-place edits on number nodes, as the symbolic rules ask
// them.
#pragma once

#include <cstdint>

struct FormulaNode;

bool IsNumberNode(const FormulaNode* node);
// The value of a number node (NaN for any other node).
double NumberValue(const FormulaNode* node);
// A number node holding exactly the value.
bool IsNumberWithValue(const FormulaNode* node, double value);
// A number node whose value has no fractional part (and is finite).
bool IsWholeNumberNode(const FormulaNode* node);
// A product whose factor 0 is a number node.
bool IsLedByNumber(const FormulaNode* node);
// A fraction of two number nodes.
bool IsNumericFraction(const FormulaNode* node);

// Gives a number node a computed value; the typed text goes, since it no
// longer says the value.
void SetNumberValue(FormulaNode* node, double value);
// The node, whatever it was, becomes a number node holding the value; its
// subtree is freed.
void BecomeNumber(FormulaNode* node, double value);
