// Backspace, Delete and Clear on the current formula, and the deletions the
// insertion commands share. Deleting an operator joins its operands into a
// product; deleting an operand leaves a placeholder, which goes too where an
// empty operand makes no sense; in texts, numbers and names characters go.
// The tree stays well formed. User-interface thread only.
#pragma once

#include <cstdint>

struct FormulaNode;

// Backspace (5641) and Delete (5649).
void DeleteLeft();
void DeleteRight();
// Deletes the selection (Cut, Escape, typing over a range).
void ClearSelection();

// Removes operand index of the node; answers the node next to the deletion.
FormulaNode* DeleteOperandAt(uint32_t index, FormulaNode* node);
// The operator between children i and i+1 of an infix node goes: child i
// becomes the first factor of the next operand.
void JoinOperandsAt(FormulaNode* node, uint32_t i);
// The same for a two-operand node such as a fraction or a power.
void JoinOperandsOfBinary(uint32_t index, FormulaNode* node);
// The current node becomes a selected placeholder, which inside a product is
// removed as well.
void DeleteNodeToPlaceholder();
// Removes the current placeholder where an operand may be missing.
void DeletePlaceholder();
// The operator of a gap selection goes; the caret stands where it was.
void DeleteGapOperator();
// As DeleteGapOperator, before an operator is typed over the gap.
void RemoveGapOperator();
// Whole rows or whole columns of a selected block of matrix cells go.
void DeleteMatrixBlock();
// Backspace after a text: the caret goes inside it at its end.
void EnterTextAtEnd();
