// Services around the graph pane: the mouse cursors and the hot zones that
// choose them, the pane's redraw from the graph set, the click sound and the
// graph bar's slider. User-interface thread only.
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "drawing/OffscreenSurface.h"
#include "platform/Cursor.h"
#include "platform/Region.h"
#include "platform/WindowHandle.h"

#include <cstdint>

class CMainFrame;
struct DocState;

// Loaded at start-up by LoadCursorsAndRegions.
extern CursorHandle MoveCursor;        // over a graph that can be grabbed
extern CursorHandle OpenHandCursor;    // over an axis or a term that can be dragged
extern CursorHandle ClosedHandCursor;  // while dragging
extern CursorHandle UpDownCursor;      // over the current table of the equation pane
extern CursorHandle ArrowCursor;
// Where the graph pane shows MoveCursor, where it shows OpenHandCursor, and
// where the equation pane lets a selected term be dragged.
extern Region GraphHitRegion;
extern Region AxisHitRegion;
extern Region TermDragRegion;

// Loads the cursors and makes the regions empty; later calls keep the regions.
void LoadCursorsAndRegions();
// Delete the regions and forget them (at exit).
void DisposeCursorRegions();
void ReleaseCursorRegions();

// The graph pane's cursor, shown while the mouse is over the pane.
void SetCursorHandle(CursorHandle cursor);
void SetArrowCursor();
// The arrow, over the 3D and 4D views.
void SetGraphArrowCursor();
void ResetCursor();
void SetMoveCursor();
void SetClosedHandCursor();

// The graph set's zones of the document: axes, or graphs under the cursor.
void FillAxisHitRegion(Region g);
void FillGraphHitRegion(Region g);
// p in the graph pane's client coordinates: MoveCursor over a graph, else
// OpenHandCursor over an axis, else the arrow; left alone while another
// window holds the mouse capture.
void SetGraphPaneCursor(ShortPoint p);
// Rebuilds the zones (Alt: every point drags the axes, Control: every point
// grabs the graph) and sets the cursor for the mouse position.
void UpdateGraphPaneCursor();
void UpdateTermDragRegion();
// p in the equation pane's client coordinates: the hands over a draggable
// term, the up-down arrows over the current table, else the arrow.
void SetEquationPaneCursor(ShortPoint p, bool dragging);
void SetGraphPaneWindow(WindowHandle window);

// Draws both views with their frames and presents the pane, when it is shown.
void RedrawGraphPane();
void RedrawGraphPaneWith(DocState* doc, int32_t part);
// Draws both views with their frames, without looking or presenting.
void DrawGraphViewsDetached(DocState* doc);
// The graph pane's main surface, which the pane records when it makes it.
OffscreenSurface* GetGraphPaneSurface(DocState* doc);
void RecordGraphPaneSurface(OffscreenSurface* surface);

// The pane's window is painted again (without erasing) at the next paint;
// nothing without the window.
void InvalidateGraphPane();
void InvalidateEquationPaneNoErase();
// The main frame's modified mark.
void SetDocModified(bool modified);
// Draw Graph, as the menu command does it (demonstrations, benchmark).
void DrawGraphInPane();

void PlayClickSound();
// A demonstration runs with the main frame or its windows in front.
bool IsDemoInForeground();
CMainFrame* GetAppMainFrame();
// The graph bar's slider readout, steps and animation variable from the document.
void SyncGraphBarSlider();
