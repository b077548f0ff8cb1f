// The trace readout: what a 2D plot answers for a traced point, by kind.
// One lives in each 2D view.
#pragma once

#include "numerics/ComplexValue.h"

#include <cstdint>

// A solution curve through a traced point, handed to the view.
struct SolutionCurve;

enum TraceKind : int32_t {
    TraceNothing = 0,
    TracePoint = 1,             // x, y
    TraceIntervalPoint = 2,     // x, y within xLow..xHigh, yLow..yHigh
    TraceParametric = 3,        // t, x, y
    TracePolarRFromPoint = 4,   // t, x, y: r from the point, the angle given
    TracePolarAngleFromPoint = 5,
    TracePolarBothFromPoint = 6,
    TraceContourLevel = 7,      // t is the level
    TraceDensityValue = 8,      // t is the value
    TraceVector = 9,            // components, the arrow as drawn, color
    TraceSolutionCurves = 10,   // color, forwardCurve, backwardCurve
    TraceDraggablePoint = 11,
    TraceComplexValue = 12,     // value
};

struct TraceInfo {
    double t = 0;
    double x = 0;
    double y = 0;
    ComplexValue value{0, 0};
    double xLow = 0, xHigh = 0;
    double yLow = 0, yHigh = 0;
    double componentX = 0, componentY = 0;
    double arrowX = 0, arrowY = 0;
    int32_t color = 0;  // RgbColor
    int32_t kind = TraceNothing;
    // Moved onto an intersection with another graph or an axis crossing.
    uint8_t snapped = 0;
    // The view takes them over.
    SolutionCurve* forwardCurve = nullptr;
    SolutionCurve* backwardCurve = nullptr;

    void Clear() { *this = TraceInfo{}; }
};
