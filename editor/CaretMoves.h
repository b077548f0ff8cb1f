// Caret and selection moves on the current editor state: the arrows, Tab and
// Shift+Tab, Shift+arrows and the closing parenthesis.
#pragma once

#include <cstdint>

struct FormulaNode;

// Codes 5632-5648; any other code does nothing.
void MoveCaret(int32_t code);
void MoveCaretRight();
void MoveCaretLeft();
// Shift+Right (direction 1) and Shift+Left (-1).
void ExtendSelection(int32_t direction);

// Extends a structural selection from the node of the remembered selection
// to a point of the formula, as a drag of the mouse would; installed by the
// mouse selection code. Without it Shift+arrows extend only inside texts
// and names.
using SelectionDragFunction = void (*)(float x, float y);
void SetSelectionDragFunction(SelectionDragFunction function);
