// What the graphs ask of the document and of the application shell that the
// graph layers cannot call directly: the shell sits above them, and the
// document has not grown these calls yet. Registered once at start-up, before
// any graph computes. Unregistered, or without a document, a call does
// nothing and a query answers false.
#pragma once

#include "CoreUtilities/ShortRect.h"

#include <cstdint>

struct DocState;
struct OffscreenSurface;
struct FormulaNode;

struct GraphServices {
    // A plot has finished work worth showing. Called from worker threads,
    // possibly while the plot holds its own mutex, so it must never wait for
    // a plot's mutex.
    void (*requestRedraw)(DocState* doc) = nullptr;
    // The document draws its graphs at twice the resolution and downsamples.
    bool (*usesAntialiasing)(const DocState* doc) = nullptr;
    // The graphs changed and the document's graph work is not finished.
    void (*setGraphWorkPending)(DocState* doc) = nullptr;
    // The free letters of a statement being graphed join the document's
    // variables list, so that the panel offers them.
    void (*addFreeVariables)(DocState* doc, const FormulaNode* tree) = nullptr;
    void (*setDocModified)(bool modified) = nullptr;
    // The graph pane window is invalidated without erasing.
    void (*invalidateGraphPane)(DocState* doc) = nullptr;
    void (*updateGraphPaneCursor)() = nullptr;
    bool (*isBenchmarkRunning)() = nullptr;
    // Both shown views drawn with their frames, and the pane presented; and
    // the same without presenting.
    void (*redrawGraphPane)(DocState* doc) = nullptr;
    void (*drawGraphViewsDetached)(DocState* doc) = nullptr;
    void (*redrawEquationPane)(DocState* doc) = nullptr;
    // The range panel: one row shows a slot's range; the rows are built
    // again from the graph set; every row goes (left alone while a value or
    // range cell is being edited).
    void (*setRangePanelRow)(DocState* doc, int32_t slot, double min, double max) = nullptr;
    void (*resetRangePanel)(DocState* doc) = nullptr;
    void (*clearRangePanel)(DocState* doc) = nullptr;
    // The graph pane under the pointer during a 2D view's drag: the cursor
    // for a pane point, or a cursor of the drag's own; the pane's surface
    // (null while it has none) and its presentation; the snap click.
    void (*setGraphPaneCursor)(ShortPoint p) = nullptr;
    void (*setDragCursor)(int32_t cursor) = nullptr;
    OffscreenSurface* (*graphPaneSurface)(DocState* doc) = nullptr;
    void (*presentGraphPane)() = nullptr;
    void (*playClickSound)() = nullptr;
};

// The cursors of a drag.
enum DragCursor : int32_t {
    DragCursorArrow = 0,
    DragCursorMove = 1,
    DragCursorClosedHand = 2,
};

void SetGraphServices(const GraphServices& services);
const GraphServices& GetGraphServices();

void DocRequestRedraw(DocState* doc);
bool DocUsesAntialiasing(const DocState* doc);
void DocSetGraphWorkPending(DocState* doc);
void DocAddFreeVariables(DocState* doc, const FormulaNode* tree);
void ShellSetDocModified(bool modified);
void ShellInvalidateGraphPane(DocState* doc);
void ShellUpdateGraphPaneCursor();
bool ShellIsBenchmarkRunning();
void ShellRedrawGraphPane(DocState* doc);
void ShellDrawGraphViewsDetached(DocState* doc);
void ShellRedrawEquationPane(DocState* doc);
void DocSetRangePanelRow(DocState* doc, int32_t slot, double min, double max);
void DocResetRangePanel(DocState* doc);
void DocClearRangePanel(DocState* doc);
void ShellSetGraphPaneCursor(ShortPoint p);
void ShellSetDragCursor(int32_t cursor);
OffscreenSurface* ShellGraphPaneSurface(DocState* doc);
void ShellPresentGraphPane();
void ShellPlayClickSound();
