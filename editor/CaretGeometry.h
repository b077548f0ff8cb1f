// Where the caret and the selection of the current editor state are drawn:
// rectangles in formula coordinates from the laid-out boxes, the insertion
// point for the window's caret, and the same in window coordinates.
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "editor/FormulaDrawingPort.h"

#include <cstdint>

class PortDC;
struct FormulaNode;

// The node's box {top, left, bottom, right}; nothing is written without a
// node or a box.
void GetNodeBoxRect(const FormulaNode* node, FloatRect& out);
// Lays the formula out if needed, then the caret or highlight rectangle of
// the current state; extra is a detached part (the exponent of sin²x, the
// argument of a derivative operator), all zero when there is none.
void GetCaretRects(FloatRect& rect, FloatRect& extra);
// The insertion point: false (outputs unchanged) for a selection that is
// drawn as a highlight.
bool GetCaretPoint(float* x, float* bottom, float* top);
// Fills the highlight of the current state when it is active and shows a
// selection rather than a caret.
void DrawSelectionHighlight(PortDC* dc);

// The caret or selection rectangle with the formula's origin added.
void CaretRectToWindow(ShortRect& out);
void GetSelectionRect(ShortRect& out);
// The rectangle of the first variable with the code, as if it were selected;
// out is untouched when the formula has none.
void GetVariableRect(uint32_t code, ShortRect& out);
