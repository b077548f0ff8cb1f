// Questions on the current editor state that enable menu commands and
// decide how the selection is drawn; all false when there is no state.
#pragma once

struct EditorState;

// The selection is drawn as a highlight, not as a caret.
bool HasVisibleSelection();
// Something can be cut or copied.
bool StateHasSelection(const EditorState* state);
bool EditorHasSelection();
// A whole subtree (node, run or cell block) other than a placeholder.
bool IsSubtreeSelected();
// The selection is a run of variables that can become one name.
bool CanMakeStringFromSelection();
// The formula is more than an empty box.
bool EditorHasFormula();
// The caret is inside a text.
bool IsTextMode();
// The formula starts f(x) = ... or is f(x).
bool FormulaStartsWithFunctionHead();
// The caret after a node ends an exponent, a denominator.
bool CaretEndsExponent();
bool CaretEndsDenominator();
