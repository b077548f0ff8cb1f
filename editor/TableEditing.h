// The editor's side of tables: their header formulas laid out, their scroll
// bar windows, presses on them, and the cell editor with the Table menu's
// commands.
#pragma once

#include "CoreUtilities/ShortRect.h"

#include <cstdint>

class QMouseEvent;
class QWidget;

struct DocState;
struct PanePress;

// Fill the document's table hooks that need the editor and its windows.
void RegisterTableDrawingHooks();
void RegisterTableEditingHooks();

// A press on the table line: a cell begins its edit, the strips above and
// left select columns and rows, the band under the current table drags its
// bottom edge. False when the press is not the table's.
bool PressTableLine(DocState* doc, int32_t index, const PanePress& press);
// While the bottom edge is dragged: the shown rows follow the pointer.
bool DragTableEdge(DocState* doc, ShortPoint point);
// A move over the edited cell's box (a child of the pane): with the button
// held outside the box it starts a selection of rows or columns, which then
// goes on with every move. True when the move was taken.
bool DragFromCell(QWidget* box, QMouseEvent* event);
