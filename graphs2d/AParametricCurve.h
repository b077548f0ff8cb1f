// A plane curve (x(t), y(t)) sampled at equally spaced parameters of the
// view's range, in world coordinates, so that panning and zooming never
// recompute it. Polar curves arrive already turned into x and y of the
// parameter. Drawn as a polyline clipped to a circle around the view and
// broken wherever a sample is undefined or infinite. x and y are formulas
// of u, the parameter.
#pragma once

#include "graphs2d/A2DGraph.h"
#include "graphs2d/CurveNumerics.h"
#include "graphs2d/PlotJobs.h"

#include <atomic>
#include <cstdint>

class AGraphColor;
struct CompiledFormula;

class AParametricCurve : public A2DGraph {
public:
    // The sample count of a resolution: 200 at 0 to 1000 at 1. A resolution
    // outside [0, 1] is held to it, NaN is the middle one.
    static int32_t SampleCountFor(double resolution);

    // Takes over x, y and the colour. tMin and tMax point at the view's
    // range of the parameter, read whenever sampling starts.
    AParametricCurve(CompiledFormula* x, CompiledFormula* y, AGraphColor* color, double resolution, int32_t traceKind,
                     const ViewMapping* mapping, const double* tMin, const double* tMax);
    ~AParametricCurve() override;
    AParametricCurve(const AParametricCurve&) = delete;
    AParametricCurve& operator=(const AParametricCurve&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override;
    int32_t GetStatus() override;
    void VariableChanged(uint32_t code) override;
    void SetOption(int32_t code, double value) override;
    // The samples do not depend on the view, only on its parameter range:
    // they are computed again only when that range changed.
    void Restart() override;
    bool HasResolution() override { return true; }
    void Draw() override;
    void ViewResized() override {}
    void ViewScrolled(int32_t, int32_t) override {}
    bool HitTest(double x, double y) override;
    TraceInfo Trace(double x, double y) override;
    void Stop() override {}
    NearestPointResult NearestPoint(double x, double y, double tolerance, double tLow, double tHigh) override;
    int GetHitPriority() override { return HitPriorityNext; }

    // For the queries and the tests, once stopped or complete.
    int32_t SampleCount() const { return sampleCount; }
    int32_t ComputedCount() const { return computedCount.load(std::memory_order_acquire); }
    const WorldPoint* Samples() const { return samples; }
    double ParameterOf(int32_t k) const;
    double LastTraceT() const { return lastTraceT; }

private:
    void PrepareFormulas();
    void StartJobs();
    void StopJobs();
    void Recompute();
    bool AllocateSamples();
    WorldPoint At(double t);
    double Distance(double t, WorldPoint p, double k);
    double AdaptiveStep(double t, double pixelStep, double defaultStep, double k);
    // The sample segment nearest (x, y), y scaled by r into x units; -1 for
    // none, else its first sample with the squared distance.
    int32_t NearestSegment(double x, double y, double r, double* distance);
    void SnapParametricTrace(TraceInfo& readout);
    double LocateParametricDomainEdge(double a, double b);
    bool ClosestParameterByChordsXY(WorldPoint target, double t0, double w, double* t);
    bool RootOf(CompiledFormula* f, double a, double b, double* t);

    const double* tMinRef;
    const double* tMaxRef;
    // The range the samples stand for, taken when sampling starts.
    double tMin = 0, tMax = 1;
    CompiledFormula* xFormula;
    CompiledFormula* yFormula;
    CompiledFormula* dxFormula = nullptr;
    CompiledFormula* dyFormula = nullptr;
    // Published by the worker after the sample it counts is written.
    std::atomic<int32_t> computedCount{0};
    int32_t sampleCount;
    WorldPoint* samples = nullptr;
    AGraphColor* color;
    int32_t traceKind;
    double lastTraceT;
    CompiledFormula* formulaList[4] = {};
    PlotJobs jobs;
};
