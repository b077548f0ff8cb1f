// Clicks and drags in a formula: a click places the caret at the laid-out
// box under the pointer (or at a character of a text, number or name); a drag
// selects structurally (a run of operands, an operator, a block of matrix
// cells, a range of characters); a drag that starts on a movable selected
// term moves that term left or right, across the equals sign too. The
// document's mouse dispatch calls the three entry points with the line's
// state. Points are pane points; user-interface thread only.
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "platform/WindowHandle.h"

#include <cstdint>

struct EditorState;
struct FormulaNode;

// extend: Shift is down; dragAllowed: the press is on the edited line, where
// a selected term may be dragged.
void FormulaMouseDown(ShortPoint point, bool extend, bool dragAllowed, EditorState* state, bool doubleClick,
                      WindowHandle window);
// The pointer's pane point, v in the low and h in the high 16 bits.
void FormulaMouseDrag(uint32_t point);
void FormulaMouseUp();
// The release: a press on a selected term that did not move it is a click.
void MouseSelectEnd();

// In formula coordinates (the one-line layout):
// The deepest node under the point, or the root.
FormulaNode* HitNode(float v, float h);
bool PointInNodeBox(const FormulaNode* node, float v, float h);
// The caret position in the string at formula x, measured from the node's
// box in the font of its level.
int32_t CharIndexAt(FormulaNode* node, float x, const char16_t* text);
// The i for which h lies between children i and i+1, else -1.
int32_t GapIndexAt(const FormulaNode* node, float v, float h);
FormulaNode* CommonAncestor(FormulaNode* a, FormulaNode* b);
// The index, within the ancestor, of the child that holds the node.
int32_t ChildIndexToward(const FormulaNode* node, const FormulaNode* ancestor);
// A click: the caret at the point; answers the node hit.
FormulaNode* PlaceCaretAtPoint(float v, float h);
// Extends the selection from the anchor node (null: the node at the press
// point) to the point.
void DragSelectTo(float v, float h, FormulaNode* anchorNode);
// Shift+arrows: the selection extended from its node to a formula point.
void ExtendSelectionToPoint(float x, float y);

// The mouse's remembered state, for the view and for tests.
bool IsTermDragActive();
bool TermMovedInDrag();
bool ClickPlacedCaret();
