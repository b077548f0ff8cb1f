// The base of every plotted object. A graph splits its work into parts that
// the graph worker pool computes, several at once; every other operation runs
// on the user-interface thread. A graph keeps its own formulas, colour,
// buffers, jobs and mutex: the base holds nothing.
#pragma once

#include "CoreUtilities/GraphJobTarget.h"

#include <cstdint>

class AGraph : public GraphJobTarget {
public:
    // Stopping is the concrete class's first step: its jobs must be
    // finished before its buffers go.
    ~AGraph() override = default;

    // From the pool's protocol: ComputeChunk (on a worker; answers 3 done,
    // 4 stopped, 5 nothing to do) and IsComplete (every part computed).

    // The MessageCode shown with the graph; MessageNone (0) for none.
    virtual int32_t GetStatus() = 0;
    // A document variable (a SymbolCode or a numbered variable's key)
    // changed: a graph whose formulas use it stops, resets and computes
    // again; the others ignore it.
    virtual void VariableChanged(uint32_t code) = 0;
    // One style or control option (GraphOption); codes the graph does not
    // use leave it unchanged.
    virtual void SetOption(int32_t code, double value) = 0;
    // Stops, reallocates for the current view, ranges and resolution, and
    // queues the work again.
    virtual void Restart() = 0;
    // The line's resolution setting means something for this graph.
    virtual bool HasResolution() { return true; }
};
