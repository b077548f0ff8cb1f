// The base of every graph shown in the 4D view: the 3D graphs' protocol
// (parts on the worker pool, stop, reset, start) with drawing and extent
// only.
#pragma once

#include "graphmodel/AGraph.h"

class A4DGraph : public AGraph {
public:
    // Projects and draws through the render context; false when the frame
    // could not be produced.
    virtual bool Draw() = 0;
    // The radius of the geometry in the view's normalised units.
    virtual double GetExtent() = 0;
};
