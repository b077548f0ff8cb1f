// Moving the selected term or factor: along its operand list, across the
// equals sign, into and out of fractions, roots, powers, parentheses and
// summation, product and integral operators.
#pragma once

#include <cstdint>

struct FormulaNode;

// -1 (left, down) or +1 (right, up); set by each move command.
extern int TermMoveDirection;

// The move commands on the current editor state. Type 0 swaps with the
// neighbour, type 1 moves to the end of the list, type 2 moves a factor into
// its neighbour.
void MoveTermCommand(int type, int direction);
void MoveSelectedTerm(int type);
void MoveFactorUp();
void MoveFactorDown();
void SwapWithNeighbour(int direction);
bool CanMoveSelectedTerm();

// The factor goes beside the node, or into it on the side facing the move.
// Each answers the node that now holds the factor.
FormulaNode* InsertFactorBeside(FormulaNode* node, FormulaNode* factor);
FormulaNode* InsertFactorInto(FormulaNode* node, FormulaNode* factor);
