// One computed flow line: its points as floats, and per point a tube radius
// and a colour when the plot has a radius formula or formula colours, with
// the tube or polyline built over them. The curve reads the arrays, so the
// record keeps them as long as the curve.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/Mutex.h"
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

// A plot's flow lines, oldest first, under one lock, and how many of the
// first are old: a restart marks the current lines old, new ones are
// appended behind them, and the next load drops the old ones, so the view
// shows the old lines until the new ones are loaded.
struct FlowCurveList {
    GrowArray<FlowCurve*> curves;
    int32_t removeCount = 0;
    Mutex mutex;

    FlowCurveList() = default;
    ~FlowCurveList();
    FlowCurveList(const FlowCurveList&) = delete;
    FlowCurveList& operator=(const FlowCurveList&) = delete;

    // The current lines become old.
    void MarkOld();
    // Takes the record over; frees it when the list cannot grow (failure
    // 36).
    void Append(FlowCurve* record);
    // Drops the old lines and loads the others' meshes (option 5).
    void DropOldAndLoad(double value);
    // Sends an option to every line's curve.
    void SendOption(int32_t code, double value);
    void Draw();
    double GetExtent();
};
