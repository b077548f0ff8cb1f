// Start points spread over an implicit surface F(x, y, z) = 0 in the view's
// box: the surface's vertices are found on a coarse grid of n cells per
// axis (4 to 14 for flow lines, 8 to 28 for arrows), and each cell of that
// grid keeps the first vertex that falls in it.
#pragma once

#include "graphs3d/AStartPointSet.h"

struct GridProgramSet;

// The occupancy cell of a coordinate along an axis of n cells over [lo, hi]:
// trunc(max(0, n (v - lo) / (hi - lo) - 0.5)), at most n; -1 when it is not
// a number (a box of no width).
int32_t OccupancyCell(double v, double lo, double hi, int32_t n);

class AStartOnImplicit : public AStartPointSet {
public:
    // Takes over the formulas, F, the condition and the colour; starts.
    AStartOnImplicit(CompiledFormula* dx, CompiledFormula* dy, CompiledFormula* dz, CompiledFormula* radius,
                     CompiledFormula* f, CompiledFormula* condition, double resolution, double opacity,
                     AGraphColor* color, const double* xMin, const double* xMax, const double* yMin,
                     const double* yMax, const double* zMin, const double* zMax, ViewRenderContext* renderContext,
                     bool flow);
    ~AStartOnImplicit() override;

    int32_t Count() const;

protected:
    int32_t ComputePoints() override;
    void OwnFormulas(CompiledFormula* (&list)[4]) const override;
    void SetResolution(double value) override { resolution = value; }

private:
    CompiledFormula* f;
    GridProgramSet* programs = nullptr;
    const double* xMin;
    const double* xMax;
    const double* yMin;
    const double* yMax;
    const double* zMin;
    const double* zMax;
    double resolution;
    bool flow;
};
