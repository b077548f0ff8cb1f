// The small tree operations that insertion, deletion and the clipboard share:
// each acts on the current editor state, keeps the tree well formed (empty
// operands are placeholders) and leaves a selection inside it. Where memory
// refuses, nothing changes. User-interface thread only.
#pragma once

#include <cstdint>

struct FormulaNode;

// A placeholder becomes child i of the node (later children shift right) and
// is selected.
void InsertPlaceholderChild(FormulaNode* node, uint32_t i);
// A new node of the kind with count children takes the current node's place;
// the current node becomes its child at position, the others are
// placeholders.
void WrapCurrent(int32_t kind, uint32_t count, uint32_t position);
void WrapCurrentUnary(int32_t kind);
// The current node becomes the first (first set) or the second operand.
void WrapCurrentBinary(int32_t kind, bool first);
// A placeholder operand of the kind after, before the current node.
void AppendOperand(int32_t kind);
void PrependOperand(int32_t kind);
// Dot after a gradient makes a divergence, cross a curl.
void WrapDotOrCross(int32_t kind, bool first);
// With the caret after a factor that is not the last of its product, the
// two sides of the caret become the operands of a node of the kind.
void SplitProductAt(int32_t kind);
// The selection becomes one node to wrap, or an operand to put a template
// around.
void PrepareToWrap();
void PrepareTemplateOperand();
// The caret stands between two factors of a product (after lifting the
// current node out of trailing function arguments and factors).
bool CaretBetweenFactors();
// Inside a number's typed text: the digits after the caret become a number of
// their own, the next factor; the caret goes after the first.
void SplitNumberAtCaret();

// The placeholder selected after an insertion: none when memory refused.
FormulaNode* LastInsertedPlaceholder();
