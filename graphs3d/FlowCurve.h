// One computed flow line: its points as floats, and per point a tube radius
// and a colour when the plot has a radius formula or formula colours, with
// the tube or polyline built over them. The curve reads the arrays, so the
// record keeps them as long as the curve.
#pragma once

#include "graphs3d/PointStore.h"

#include <cstdint>

class ACurve3D;
class AGraphColor;
class ViewRenderContext;

struct FlowCurve {
    int32_t count = 0;
    float* points = nullptr;
    double* radii = nullptr;
    float* colors = nullptr;
    ACurve3D* curve = nullptr;

    // A record with the store's points as floats and nothing else; null,
    // with failure 36 posted, when memory is refused.
    static FlowCurve* FromPoints(const PointStore& line);
    // A copy of another record's count, points, radii and colours (no
    // curve); null, with failure 36 posted, when memory is refused.
    static FlowCurve* FromCurveData(const FlowCurve& source);
    // Deletes the curve, then the arrays and the record. Null-safe.
    static void Free(FlowCurve* record);

    // Makes the curve over the arrays (a tube where there are radii, else a
    // polyline) and builds its geometry; on a worker. Nothing when memory
    // for the curve is refused.
    void BuildCurve(AGraphColor* color, double opacity, ViewRenderContext* context);
};
