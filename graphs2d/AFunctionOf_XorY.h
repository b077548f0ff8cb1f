// The plot of an explicit function, y = f(x) over the view's pixel columns
// or x = f(y) over its pixel rows. Every column gets one record of how f
// behaves across it, from f at the column edges, the interval of f over the
// column and, in the refined mode, monotonicity probes and subdivision;
// drawing joins each column's span to its neighbours', so a continuous curve
// has no gaps at any slope, a jump becomes a vertical run, a pole a light
// grey bar and an undefined stretch nothing. f is a formula of u, the
// parameter (x for y = f(x), y for x = f(y)).
#pragma once

#include "graphs2d/A2DGraph.h"
#include "graphs2d/PlotJobs.h"

#include <cstdint>

class AGraphColor;
struct CompiledFormula;

enum ColumnState : int32_t {
    NotComputed = 0,
    // f taken as continuous and monotone across the column: low and high
    // are f at its edges.
    EdgeSampled = 1,
    // f varies inside the column more than its edges show: interval bounds.
    IntervalBounded = 2,
    // A pole or an infinite bound in the column.
    Unbounded = 3,
    // f undefined in (part of) the column.
    Undefined = 4,
};

enum EvaluationMode : int32_t {
    EdgeSamples = 0,
    IntervalBounds = 1,
    RefinedBounds = 2,
};

// One pixel column (or row, index 0 at the bottom for x = f(y)).
struct ColumnSample {
    double center;  // the parameter at the middle of the column
    double low;     // the span to draw; an exterior interval may leave
    double high;    // low > high, and drawing sorts the two
    // f at the column's far edge, the next column's near edge.
    double farEdgeValue;
    // A ColumnState; published by the worker after the other fields.
    int32_t state;
};

class AFunctionOf_XorY : public A2DGraph {
public:
    // Takes over f and the colour. parts: the chunks the columns are
    // computed in, 0 for one per processor.
    AFunctionOf_XorY(CompiledFormula* f, bool isYofX, AGraphColor* color, int32_t evaluationMode,
                     const ViewMapping* mapping, int32_t parts = 0);
    ~AFunctionOf_XorY() override;
    AFunctionOf_XorY(const AFunctionOf_XorY&) = delete;
    AFunctionOf_XorY& operator=(const AFunctionOf_XorY&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override { return jobs.IsComplete(); }
    int32_t GetStatus() override;
    void VariableChanged(uint32_t code) override;
    void SetOption(int32_t code, double value) override;
    void Restart() override { RecomputeAll(); }
    bool HasResolution() override { return false; }
    void Draw() override;
    void ViewResized() override;
    void ViewScrolled(int32_t dx, int32_t dy) override;
    bool HitTest(double x, double y) override;
    TraceInfo Trace(double x, double y) override;
    // Found only in the refined mode: the other modes' columns say too
    // little about where the curve runs inside a column.
    NearestPointResult NearestPoint(double x, double y, double tolerance, double tLow, double tHigh) override;
    void Stop() override { StopJobs(); }

    // Read by the queries and the tests once the plot is stopped or
    // complete.
    const ColumnSample* Columns() const { return columns; }
    int32_t ColumnCount() const { return columnCount; }
    int32_t Mode() const { return evaluationMode; }
    bool IsYofX() const { return isYofX; }
    CompiledFormula* Formula() const { return formula; }
    const AGraphColor* Color() const { return color; }
    // How many columns the last start left to compute.
    int32_t PendingAtStart() const { return pendingAtStart; }

private:
    // The working values of one column's classification.
    struct Column {
        double a, b;      // parameter edges
        double lo, hi;    // f at the edges, smaller first
        double ilo, ihi;  // the interval of f over the column
        int32_t pieces;   // the subdivision the refinement starts from
    };

    void PrepareFormulas();
    void StartJobs();
    void StopJobs();
    void RecomputeAll();
    // The parameter at the near edge of column k; the far edge is k + 1.
    double EdgeOf(int32_t k) const;
    double UnitsPerColumn() const;
    // The value axis' clipped pixel of a value.
    int32_t ValuePixel(double v) const;
    // f at the edges first .. first + count, through the batch interpreter
    // where the formula allows it.
    void EvaluateEdges(int32_t first, int32_t count, double* out);
    void EvaluateColumn(int32_t k, double fa, double fb);
    void ClassifyRefined(Column& c, ColumnSample& record);
    bool TestUndefinedColumn(Column& c);
    bool TestUnboundedColumn(const Column& c);
    bool TestNeedsBounds(Column& c);
    void RefineBounds(double a, double b, double& lo, double& hi, int32_t n);
    bool IsMonotoneOnInterval(double a, double b);
    bool IsUndefinedOnlyAtEnd(double a, double b);
    // The queries the view puts while the user points at the curve.
    int32_t ColumnOfParameter(double t) const;
    int32_t ColumnOfPoint(double x, double y) const;
    double ValueUnitsPerPixel() const;
    bool IsHidden() const;
    // The readout in (parameter, value) terms, stored by the orientation.
    void StoreTrace(TraceInfo& trace, double t, double v) const;
    void StoreTraceRanges(TraceInfo& trace, double tLow, double tHigh, double vLow, double vHigh) const;
    PlotPoint CurvePoint(double t) const;
    void SnapTraceToFeature(double t, double h, int32_t k, TraceInfo& trace);
    int32_t ClassifyInterval(double a, double b);
    int32_t NeighbourState(int32_t j, double a, double b);
    bool HasSingleSignChange(CompiledFormula* g, double a, double b);
    bool LocateAsymptote(double a, double b, double& x, double& y);
    bool LocateDomainEdge(double a, double b, double& x, double& y);
    bool ClosestParameterByChords(double p, double v, double lo, double hi, double& t);
    int32_t MarchBudget(int32_t k, double bound, int32_t direction) const;
    void DrawLines();
    void DrawAntialiased();
    bool AllocateColumns(int32_t count);

    CompiledFormula* formula;
    CompiledFormula* derivative = nullptr;
    AGraphColor* color;
    int32_t evaluationMode;
    bool isYofX;
    ColumnSample* columns = nullptr;
    int32_t columnCount = 0;
    int32_t firstPending = 0;
    int32_t lastPending = -1;
    int32_t pendingAtStart = 0;
    // The formulas Stop and Start reach: f and its derivative.
    CompiledFormula* formulaList[2] = {};
    PlotJobs jobs;
};
