// What the drawing floor asks of the equation pane: the view, whether it
// prints, a device context of its window, the typesetting device context and
// scroll-bar placement.
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "drawing/EquationPaneHooks.h"

class CGraphView;
class CMainFrame;
class COndrelView;
class PortDC;

COndrelView* GetEquationView();
// The view records itself when it is made and clears itself when it goes.
void SetEquationView(COndrelView* view);
// The main frame and the graph pane's view record themselves likewise.
CMainFrame* GetMainFrame();
void SetMainFrame(CMainFrame* frame);
CGraphView* GetGraphView();
void SetGraphView(CGraphView* view);
// The rectangle of the current selection in the equation pane, in window
// coordinates; empty while nothing is selected.
ShortRect GetSelectionRect();
// A drag of the selected term can start.
bool CanDragSelectedTerm();
void SetEquationViewPrinterDC(PortDC* dc);

// Sets the cursor of the equation pane for a mouse position; the graph
// pane's services, which keep the cursors and zones, register it.
using EquationPaneCursorSetter = void (*)(ShortPoint p, bool dragging);
void SetEquationPaneCursorSetter(EquationPaneCursorSetter setter);
void SetEquationPaneCursorFor(ShortPoint p, bool dragging);

// Gives the drawing floor the pane's answers (start-up, once).
void RegisterEquationPaneHooks();
