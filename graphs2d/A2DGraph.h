// The base of every 2D plot: what a 2D view asks of the plots it shows. A
// plot keeps a pointer to its view's drawing mapping for its whole life and
// computes pixel grids, tolerances and redraw requests (through the
// mapping's document) from it.
#pragma once

#include "graphmodel/AGraph.h"
#include "graphs2d/NearestPointResult.h"
#include "graphs2d/TraceInfo.h"

struct ViewMapping;

// Order of the hit-test passes: points and arrows first, then curves, then
// colour and density fills.
enum HitPriority : int {
    HitPriorityFirst = 0,
    HitPriorityLast = 1,
    HitPriorityNext = 2,
};

class A2DGraph : public AGraph {
public:
    explicit A2DGraph(const ViewMapping* drawMapping) : mapping(drawMapping) {}

    // Draws the finished part of the plot into the current port.
    virtual void Draw() = 0;
    // The drawing mapping's rectangle changed: reallocate and recompute.
    virtual void ViewResized() = 0;
    // The view was panned by whole pixels of the drawing mapping: shift what
    // is cached and compute the exposed strips.
    virtual void ViewScrolled(int32_t dx, int32_t dy) = 0;
    // The plot passes within about 4 pixels of the world point. On the
    // single-job thread while the user-interface thread waits, as are Trace
    // and NearestPoint.
    virtual bool HitTest(double x, double y) = 0;
    virtual TraceInfo Trace(double x, double y) = 0;
    // Stops computing and returns once no part of the plot runs or waits;
    // before the mapping or the plot's buffers change.
    virtual void Stop() = 0;
    // The plot point nearest (x, y) within the tolerance and the parameter
    // range; found = 0 without a search of the plot's own.
    virtual NearestPointResult NearestPoint(double x, double y, double tolerance, double tLow, double tHigh);
    virtual int GetHitPriority() { return HitPriorityNext; }
    // The plot's data lies within these bounds; false (outputs untouched)
    // for plots without bounded data.
    virtual bool GetDataBounds(double* xMin, double* xMax, double* yMin, double* yMax);

protected:
    const ViewMapping* mapping;
};
