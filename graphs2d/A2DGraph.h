// The base of every 2D plot: what a 2D view asks of the plots it shows.
#pragma once

#include "graphmodel/AGraph.h"

// Order of the hit-test passes: points and arrows first, then curves, then
// colour and density fills.
enum HitPriority : int {
    HitPriorityFirst = 0,
    HitPriorityLast = 1,
    HitPriorityNext = 2,
};

class A2DGraph : public AGraph {
public:
    // The plot passes within about 4 pixels of the world point. Runs on the
    // single-job thread while the user-interface thread waits.
    virtual bool HitTest(double x, double y) = 0;
    virtual int GetHitPriority() { return HitPriorityNext; }
};
