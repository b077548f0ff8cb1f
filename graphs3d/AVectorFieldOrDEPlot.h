// The 3D plots driven by a set of start points (flows and vector fields):
// the start-point set starts, stops and asks them through these operations.
#pragma once

#include "graphs3d/A3DGraph.h"

#include <cstdint>

class AVectorFieldOrDEPlot : public A3DGraph {
public:
    // Re-arms the formulas, clears the done flags and queues every part.
    virtual void Start() = 0;
    // Raises the stop flag, stops the formulas, cancels the plot's jobs and
    // waits for each.
    virtual void Stop() = 0;
    // Some formula of the plot (components, condition, extra formula,
    // colour) depends on the variable.
    virtual bool UsesVariable(uint32_t code) = 0;
};
