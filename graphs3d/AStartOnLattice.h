// Start points on an n x n x n lattice filling the view's box: 2 to 8 per
// side for flow lines, 4 to 16 for arrows, whose longest one then spans
// half the lattice spacing of the narrowest axis.
#pragma once

#include "graphs3d/AStartPointSet.h"

class AStartOnLattice : public AStartPointSet {
public:
    // Takes over the formulas, the condition and the colour; starts.
    AStartOnLattice(CompiledFormula* dx, CompiledFormula* dy, CompiledFormula* dz, CompiledFormula* radius,
                    CompiledFormula* condition, double resolution, double opacity, AGraphColor* color,
                    ViewRenderContext* renderContext, const double* xMin, const double* xMax, const double* yMin,
                    const double* yMax, const double* zMin, const double* zMax, bool flow);
    ~AStartOnLattice() override;

    int32_t Count() const { return n; }
    double ArrowLength() const { return arrowLength; }

protected:
    int32_t ComputePoints() override;
    void OwnFormulas(CompiledFormula* (&list)[4]) const override;
    void SetResolution(double resolution) override;
    void ResetForRestart() override;

private:
    void UpdateArrowLength();

    const double* xMin;
    const double* xMax;
    const double* yMin;
    const double* yMax;
    const double* zMin;
    const double* zMax;
    bool flow;
    int32_t n;
    double arrowLength = 0;
};
