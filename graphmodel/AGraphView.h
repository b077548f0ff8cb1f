// The base of every area of the graph pane that shows graphs. The graph set
// reaches the rectangle, the document and the graph list directly; a graph's
// index in the list is its graph number within the view.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/ShortRect.h"
#include "platform/Region.h"

#include <cstdint>

class AGraph;
struct DocState;

// A press as it reaches a view: the pixel and what the held keys ask for.
struct ViewMouseEvent {
    ShortPoint point;
    uint8_t traceAll;     // trace every graph
    uint8_t pan;
    uint8_t noPicture;    // a press on a picture does not grab it
    uint8_t box;          // draw a zoom box
    uint8_t doubleClick;
};

// Deletes every graph of the list, each through its own destructor (which
// stops it first), and frees the list.
void DeleteGraphs(GrowArray<AGraph*>& graphs);

class AGraphView {
public:
    AGraphView() = default;
    // Deletes the graphs that are still listed.
    virtual ~AGraphView();
    AGraphView(const AGraphView&) = delete;
    AGraphView& operator=(const AGraphView&) = delete;

    // The view's rectangle in graph-pane pixels (bottom and right exclusive).
    ShortRect rect{0, 0, 0, 0};
    DocState* doc = nullptr;
    // In the order added; the view owns them.
    GrowArray<AGraph*> graphs;

    // Draws the view; the full picture (graphs, pictures, trace) only when
    // the flag is set.
    virtual void Draw(uint8_t flag) = 0;
    // The rectangle changed.
    virtual void Resized() = 0;
    // 0, 1, 2 zoom in on both axes, x, y; 3, 4, 5 zoom out likewise;
    // 6 default view; 7 reset for a new document.
    virtual void Zoom(int32_t code) = 0;
    // Pan (2D) or start a spin (3D, 4D).
    virtual void Scroll(int32_t dx, int32_t dy) = 0;
    // Graph i's SetOption with the view's redraw bookkeeping.
    virtual void SetGraphOption(int32_t code, double value, int32_t i) = 0;
    // Where the axis-drag and the graph-grab cursors apply, and the area of
    // placed pictures; empty for the 3D and 4D views.
    virtual void GetAxisHitRegion(Region r, int32_t reserved) = 0;
    virtual void GetGraphHitRegion(Region r, int32_t reserved, ShortPoint cursor) = 0;
    virtual void GetPictureRegion(Region r) = 0;
    virtual bool MouseDown(const ViewMouseEvent& event) = 0;
    virtual void MouseUp(ShortPoint point) = 0;
    // The pointer moved while the view holds the capture.
    virtual void MouseMove(int32_t h, int32_t v) = 0;
    // A rotation animation runs.
    virtual bool IsSpinning() { return false; }
    // The view draws through a GL child window of its own.
    virtual bool HasOwnWindow() { return false; }
    // Enlarging the ranges to the graphs' data bounds would change them.
    virtual bool CanExtendRangesToData() = 0;
    virtual void ExtendRangesToData() = 0;
    // A view command; the 2D and 3D views ignore the value.
    virtual void SetViewOption(int32_t code, double value) = 0;

    // Graph i's status and completeness; i must be a valid graph number.
    int32_t GetGraphStatus(int32_t i);
    bool IsGraphComplete(int32_t i);
    // False for an i outside the list.
    bool GraphHasResolution(int32_t i);
    ShortPoint GetOrigin() const { return ShortPoint{0, 0}; }
    // True for an empty list.
    bool AreAllGraphsComplete();
    bool IsEmpty() const { return graphs.count == 0; }
    // Restart on every graph, after the ranges changed.
    void RestartAllGraphs();
    // Deletes every graph and empties the list.
    void FreeGraphs() { DeleteGraphs(graphs); }
    // Gives the graphs up to 10 ticks to complete, polling every 10 ms.
    void WaitForGraphs();
};
