// Start points on an n x n grid of a parametric surface x(u, v), y(u, v),
// z(u, v) over the view's u and v ranges: 2 to 8 per side for flow lines,
// 5 to 50 for arrows.
#pragma once

#include "graphs3d/AStartPointSet.h"

struct GridProgramSet;

class AStartOnGrid : public AStartPointSet {
public:
    // Takes over the formulas, the condition and the colour; starts.
    AStartOnGrid(CompiledFormula* dx, CompiledFormula* dy, CompiledFormula* dz, CompiledFormula* sx,
                 CompiledFormula* sy, CompiledFormula* sz, CompiledFormula* radius, CompiledFormula* condition,
                 double resolution, double opacity, AGraphColor* color, const double* uMin, const double* uMax,
                 const double* vMin, const double* vMax, const double* xMin, const double* xMax, const double* yMin,
                 const double* yMax, const double* zMin, const double* zMax, ViewRenderContext* renderContext,
                 bool flow);
    ~AStartOnGrid() override;

    int32_t Count() const { return n; }

protected:
    int32_t ComputePoints() override;
    void OwnFormulas(CompiledFormula* (&list)[4]) const override;
    void SetResolution(double resolution) override;

private:
    CompiledFormula* sx;
    CompiledFormula* sy;
    CompiledFormula* sz;
    const double* uMin;
    const double* uMax;
    const double* vMin;
    const double* vMax;
    GridProgramSet* programs = nullptr;
    bool flow;
    int32_t n;
};
