// One start point given by three formulas: a single flow line (or a single
// arrow, drawn at a fixed size). The condition is the flow's, not a test of
// the point.
#pragma once

#include "graphs3d/AStartPointSet.h"

class AStartOnPoint : public AStartPointSet {
public:
    // Takes over the formulas, the condition and the colour; starts.
    AStartOnPoint(CompiledFormula* px, CompiledFormula* py, CompiledFormula* pz, CompiledFormula* dx,
                  CompiledFormula* dy, CompiledFormula* dz, CompiledFormula* radius, CompiledFormula* condition,
                  double opacity, AGraphColor* color, const double* xMin, const double* xMax, const double* yMin,
                  const double* yMax, const double* zMin, const double* zMax, ViewRenderContext* renderContext,
                  bool flow);
    ~AStartOnPoint() override;

protected:
    int32_t ComputePoints() override;
    void OwnFormulas(CompiledFormula* (&list)[4]) const override;

private:
    CompiledFormula* px;
    CompiledFormula* py;
    CompiledFormula* pz;
};
