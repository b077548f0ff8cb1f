// The base of every graph shown in a 3D view. A concrete graph holds its
// view's render context, its formulas, colour and mesh, its jobs, a stop
// flag its parts poll (they then answer 4), a done flag per part and a
// mesh-pending flag; it computes in world coordinates on the worker pool and
// touches the render context and its mesh only on the user-interface thread.
// Geometry changes follow one order: stop (stop flag, formulas stopped,
// jobs cancelled and each waited for), reset, start again.
#pragma once

#include "graphmodel/AGraph.h"

class A3DGraph : public AGraph {
public:
    // Draws through the render context (a hidden graph only keeps its mesh
    // in step with the context's mode). False when its frame could not be
    // produced; true when it drew or had nothing to draw.
    virtual bool Draw() = 0;
    // The radius of the geometry in the view's normalised units, where the
    // box spans [-2, 2] on every axis.
    virtual double GetExtent() = 0;
    // The colour is a fragment program evaluated per pixel.
    virtual bool UsesGPUColorProgram() { return false; }
    // That program outputs HSV: the view converts the frame to RGB after.
    virtual bool UsesHSVColorProgram() { return false; }
    // The bounds of the graph's finite data points; false, outputs
    // untouched, for graphs without data.
    virtual bool GetDataBounds(double* xMin, double* xMax, double* yMin, double* yMax, double* zMin,
                               double* zMax);
};
