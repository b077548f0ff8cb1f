// A parametric curve (x(t), y(t), z(t)) over the view's T range, with an
// optional radius formula that makes it a tube and an optional condition
// that breaks it where it is not exactly true. One part samples the curve
// on a worker and has the embedded ACurve3D build its tube or polyline
// there; the user-interface thread loads and draws that curve.
#pragma once

#include "CoreUtilities/GraphJob.h"
#include "graphs3d/A3DGraph.h"

#include <atomic>
#include <cstdint>

class ACurve3D;
class AGraphColor;
class ViewRenderContext;
struct CompiledFormula;

// Samples along a curve for a line's resolution: trunc(800 r + 200), 200
// to 1000.
int32_t SpaceCurveSampleCount(double resolution);

class ASpaceCurve : public A3DGraph {
public:
    // Takes over the formulas (of t, read from the u slot; radius and
    // condition may be null) and the colour. The T bounds stay the view's
    // and are read afresh by every computation. Starts computing at once.
    ASpaceCurve(CompiledFormula* x, CompiledFormula* y, CompiledFormula* z, CompiledFormula* radius,
                CompiledFormula* condition, AGraphColor* color, double resolution, double opacity,
                ViewRenderContext* context, const double* tMin, const double* tMax);
    ~ASpaceCurve() override;
    ASpaceCurve(const ASpaceCurve&) = delete;
    ASpaceCurve& operator=(const ASpaceCurve&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override { return done.load(std::memory_order_acquire) != 0; }
    int32_t GetStatus() override;
    void VariableChanged(uint32_t code) override;
    // 5, 6, 7 and 9 go to the curve; 8 the colour code; 10 a new sample
    // count and a new curve.
    void SetOption(int32_t code, double value) override;
    void Restart() override;
    bool Draw() override;
    double GetExtent() override;

    void Start();
    void Stop();

    // For the tests, while the curve is stopped or complete.
    int32_t SampleCount() const { return n; }
    const float* Points() const { return points; }
    const double* Radii() const { return radii; }
    const float* PointColors() const { return pointColors; }
    const ACurve3D* Curve() const { return curve; }

private:
    bool NeedsPointColors() const;
    bool HasArrays() const;
    void AllocateArrays();
    void FreeArrays();
    // Stops, sizes the arrays for the resolution and the colour, makes a new
    // curve on them and starts.
    void Rebuild(double newResolution);
    bool DependsOn(uint32_t code) const;

    ViewRenderContext* context;
    const double* tMin;
    const double* tMax;
    CompiledFormula* x;
    CompiledFormula* y;
    CompiledFormula* z;
    CompiledFormula* radius;
    CompiledFormula* condition;
    AGraphColor* color;
    double opacity;
    double resolution;
    int32_t n;
    float* points = nullptr;
    double* radii = nullptr;
    float* pointColors = nullptr;
    std::atomic<uint8_t> done{0};
    ACurve3D* curve = nullptr;
    GraphJob job;
    std::atomic<uint8_t> stopRequested{0};
};
