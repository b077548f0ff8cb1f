// What the drawing floor asks of the equation pane: the view, whether it
// prints, a device context of its window, the typesetting device context and
// scroll-bar placement.
#pragma once

#include "CoreUtilities/ShortRect.h"

class CGraphView;
class CMainFrame;
class COndrelView;
class PortDC;
class QWidget;

// The global device context in which formula text is measured and drawn.
extern PortDC* TypesetDC;

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
// The printer's device context while the view prints, else null.
PortDC* GetEquationViewPrinterDC();
void SetEquationViewPrinterDC(PortDC* dc);
// A device context of the view's window: it measures but, outside
// painting, draws nothing. Null without a view.
PortDC* GetEquationViewDC();
void ReleaseEquationViewDC(PortDC* dc);
// Moves the scroll bar to (x, y) with the system's thickness across and
// length along; 0 when there is no scroll bar.
int PlaceScrollBar(QWidget* bar, int x, int y, int length, bool vertical);
