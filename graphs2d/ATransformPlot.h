// The second 2D view as the first one seen through a map: for every pixel
// (x', y') of the second view the plot computes the point (x, y) = (u, v)
// of the first view, and drawing paints the pixel with what the first view
// shows there (its paper, axes, the graphs listed for the map and its
// placed pictures), sampled four times along the map's local steps so that
// lines the map stretches stay whole. Rows are split into one band per
// worker; points computed earlier survive a scroll or a resize.
//
// A point is kept per pixel of the screen: while the view draws at double
// resolution each point covers a 2 by 2 block, as the other cell plots do.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "graphs2d/ACellPlot.h"
#include "graphs2d/MapPoint.h"

#include <cstdint>

class A2DGraphView;
struct CompiledFormula;
struct GridProgramSet;

class ATransformPlot : public ACellPlot<uint64_t> {
public:
    // Takes over the formulas (u and v in the view's x and y) and the
    // colour; the first view and the list of its graph numbers stay the
    // graph set's. bands: 0 for one per processor.
    ATransformPlot(CompiledFormula* formulaX, CompiledFormula* formulaY, AGraphColor* color,
                   const ViewMapping* mapping, A2DGraphView* domainView, const GrowArray<int32_t>* mappedGraphs,
                   int32_t bands = 0);
    ~ATransformPlot() override;
    ATransformPlot(const ATransformPlot&) = delete;
    ATransformPlot& operator=(const ATransformPlot&) = delete;

    int32_t ComputeChunk(int32_t band) override;
    int32_t GetStatus() override { return 0; }
    void VariableChanged(uint32_t code) override;
    void SetOption(int32_t code, double value) override;
    void Draw() override;
    bool HitTest(double, double) override { return false; }
    TraceInfo Trace(double, double) override { return TraceInfo{}; }
    int GetHitPriority() override { return HitPriorityNext; }

    // Cell (i, j) of the grid, for the tests, while stopped or complete.
    MapPoint PointAt(int32_t i, int32_t j) const { return UnpackMapPoint(image.Load(j * image.width + i)); }

private:
    A2DGraphView* domainView;
    const GrowArray<int32_t>* mappedGraphs;
    CompiledFormula* formulas[2];
    GridProgramSet* gridPrograms = nullptr;
};
