// What the 2D view asks of an explicit curve while the user points at it:
// the hit test, the trace readout (snapped in the refined mode to a domain
// edge, pole, zero or extremum close by) and the nearest-point search the
// view brackets intersections with. All run on the single-job thread and
// read finished column records and fresh evaluations, changing nothing.
#include "evaluation/CompiledFormula.h"
#include "graphmodel/AGraphColor.h"
#include "graphs2d/AFunctionOf_XorY.h"
#include "graphs2d/CurveNumerics.h"
#include "graphs2d/CurveProbes.h"
#include "graphs2d/ViewMapping.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kInf = INFINITY;
// Columns on each side of the pointer's column that a hit looks at, and
// that a trace looks at for a feature to snap to.
constexpr int32_t kHitColumns = 2;
constexpr int32_t kFeatureOffsets[] = {0, -1, 1, -2, 2, -3, 3};
constexpr int32_t kHalvings = 1024;
constexpr int32_t kChordHalvings = 64;

int32_t LoadState(const ColumnSample& c)
{
    return __atomic_load_n(&c.state, __ATOMIC_ACQUIRE);
}

bool IsDefined(const Interval& v)
{
    return !std::isnan(v.lo) && !std::isnan(v.hi);
}

// Zero counts as positive.
bool IsNegative(double v)
{
    return v < 0;
}

}  // namespace

bool AFunctionOf_XorY::IsHidden() const
{
    return color && color->IsHidden();
}

int32_t AFunctionOf_XorY::ColumnOfParameter(double t) const
{
    if (isYofX)
        return mapping->XToPixelClipped(t) - mapping->rect.left;
    return mapping->rect.bottom - mapping->YToPixelClipped(t) - 1;
}

int32_t AFunctionOf_XorY::ColumnOfPoint(double x, double y) const
{
    return ColumnOfParameter(isYofX ? x : y);
}

double AFunctionOf_XorY::ValueUnitsPerPixel() const
{
    return isYofX ? mapping->unitsPerPixelY : mapping->unitsPerPixelX;
}

void AFunctionOf_XorY::StoreTrace(TraceInfo& trace, double t, double v) const
{
    (isYofX ? trace.x : trace.y) = t;
    (isYofX ? trace.y : trace.x) = v;
}

void AFunctionOf_XorY::StoreTraceRanges(TraceInfo& trace, double tLow, double tHigh, double vLow, double vHigh) const
{
    (isYofX ? trace.xLow : trace.yLow) = tLow;
    (isYofX ? trace.xHigh : trace.yHigh) = tHigh;
    (isYofX ? trace.yLow : trace.xLow) = std::min(vLow, vHigh);
    (isYofX ? trace.yHigh : trace.xHigh) = std::max(vLow, vHigh);
}

PlotPoint AFunctionOf_XorY::CurvePoint(double t) const
{
    const double v = formula->EvaluateAt(t);
    return isYofX ? PlotPoint{t, t, v} : PlotPoint{t, v, t};
}

bool AFunctionOf_XorY::HitTest(double x, double y)
{
    if (!columns || IsHidden())
        return false;
    const int32_t k = ColumnOfPoint(x, y);
    double low = kInf, high = -kInf;
    for (int32_t j = std::max(0, k - kHitColumns); j <= std::min(columnCount - 1, k + kHitColumns); ++j) {
        const ColumnSample& c = columns[j];
        if (LoadState(c) == NotComputed)
            continue;
        // An exterior interval may leave the ends the wrong way round.
        for (double v : {c.low, c.high}) {
            if (std::isnan(v))
                continue;
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    const double v = isYofX ? y : x;
    const double u = ValueUnitsPerPixel();
    return low - 4 * u <= v && v <= high + 4 * u;
}

TraceInfo AFunctionOf_XorY::Trace(double x, double y)
{
    TraceInfo trace;
    const int32_t k = ColumnOfPoint(x, y);
    if (!columns || k < 0 || k >= columnCount || IsHidden())
        return trace;
    const ColumnSample& c = columns[k];
    const int32_t state = LoadState(c);
    if (state == NotComputed)
        return trace;
    const double t = isYofX ? x : y;
    const double h = UnitsPerColumn();
    if (evaluationMode == EdgeSamples) {
        trace.kind = TracePoint;
        StoreTrace(trace, t, formula->EvaluateAt(t));
        return trace;
    }
    StoreTraceRanges(trace, t - h / 2, t + h / 2, c.low, c.high);
    trace.kind = TraceIntervalPoint;
    StoreTrace(trace, t, (c.low + c.high) / 2);
    if (evaluationMode == IntervalBounds)
        return trace;
    if ((state == EdgeSampled && IsMonotoneOnInterval(t - h / 2, t + h / 2)) || state == Unbounded) {
        trace.kind = TracePoint;
        StoreTrace(trace, t, formula->EvaluateAt(t));
    } else if (state == EdgeSampled) {
        const Interval v = formula->EvaluateOverInterval(t - h / 2, t + h / 2);
        StoreTraceRanges(trace, t - h / 2, t + h / 2, v.lo, v.hi);
        StoreTrace(trace, t, (v.lo + v.hi) / 2);
    }
    SnapTraceToFeature(t, h, k, trace);
    return trace;
}

int32_t AFunctionOf_XorY::ClassifyInterval(double a, double b)
{
    ColumnSample scratch{(a + b) / 2, NAN, NAN, NAN, NotComputed};
    const double fa = formula->EvaluateAt(a), fb = formula->EvaluateAt(b);
    const Interval v = formula->EvaluateOverInterval(a, b);
    Column c{a, b, fa, fb, v.lo, v.hi, 2};
    if (fa > fb)
        std::swap(c.lo, c.hi);
    ClassifyRefined(c, scratch);
    return scratch.state;
}

int32_t AFunctionOf_XorY::NeighbourState(int32_t j, double a, double b)
{
    if (j < 0)
        return ClassifyInterval(a - (b - a), a);
    if (j >= columnCount)
        return ClassifyInterval(b, b + (b - a));
    return LoadState(columns[j]);
}

void AFunctionOf_XorY::SnapTraceToFeature(double t, double h, int32_t k, TraceInfo& trace)
{
    trace.snapped = 0;
    for (int32_t o : kFeatureOffsets) {
        const int32_t j = k + o;
        if (j < 0 || j >= columnCount)
            continue;
        const double a = t + (o - 0.5) * h, b = t + (o + 0.5) * h;
        const int32_t state = LoadState(columns[j]);
        double fx = NAN, fy = NAN;
        bool found = false;
        if (state == Undefined) {
            const bool lonely = NeighbourState(j - 1, a, b) == Undefined && NeighbourState(j + 1, a, b) == Undefined;
            found = !lonely && LocateDomainEdge(a, b, fx, fy);
        } else if (state == Unbounded) {
            found = LocateAsymptote(a, b, fx, fy);
        } else if (state != NotComputed && NeighbourState(j - 1, a, b) != IntervalBounded &&
                   NeighbourState(j + 1, a, b) != IntervalBounded) {
            const SpaceSegment s{a, b, 0, 0, 0, 0};
            SpacePoint root{};
            if (HasSingleSignChange(formula, a, b) && FindRootBetween(formula, 0, 0, s, &root)) {
                fx = root.x;
                fy = 0;
                found = true;
            } else if (HasSingleSignChange(derivative, a, b) && FindRootBetween(derivative, 0, 0, s, &root)) {
                fx = root.x;
                fy = formula->EvaluateAt(fx);
                found = true;
            }
        }
        if (!found)
            continue;
        const int32_t column = ColumnOfParameter(fx);
        if (column < 0 || column >= columnCount) {
            trace.kind = TraceNothing;
            return;
        }
        trace.kind = TracePoint;
        trace.snapped = 1;
        StoreTrace(trace, fx, fy);
        return;
    }
}

bool AFunctionOf_XorY::HasSingleSignChange(CompiledFormula* g, double a, double b)
{
    if (!g)
        return false;
    const double tol = ParameterTolerance(a, b);
    const double ga = g->EvaluateAt(a), gb = g->EvaluateAt(b);
    if (std::isnan(ga) || std::isnan(gb) || IsNegative(ga) == IsNegative(gb))
        return false;
    if (ga == 0 && g->EvaluateAt(a - tol) == 0)
        return false;
    bool negative = IsNegative(ga);
    int32_t changes = 0;
    for (double p : kValueProbes) {
        const double x = a + p * (b - a);
        const double v = g->EvaluateAt(x);
        if (std::isnan(v) || (v == 0 && g->EvaluateAt(x + tol) == 0))
            return false;
        if (IsNegative(v) != negative) {
            negative = !negative;
            if (++changes > 1)
                return false;
        }
    }
    return changes == 1;
}

bool AFunctionOf_XorY::LocateAsymptote(double a, double b, double& x, double& y)
{
    const double tol = ParameterTolerance(a, b);
    double lo = a, hi = b, w = b - a;
    for (int32_t i = 0; i < kHalvings; ++i) {
        w /= 2;
        if (w < tol)
            break;
        const Interval left = formula->EvaluateOverInterval(lo, lo + w);
        if (!IsDefined(left))
            return false;
        if (std::isfinite(left.lo) && std::isfinite(left.hi))
            lo += w;
        const Interval right = formula->EvaluateOverInterval(hi - w, hi);
        if (!IsDefined(right))
            return false;
        if (std::isfinite(right.lo) && std::isfinite(right.hi))
            hi -= w;
    }
    if (hi - lo > 4 * tol)
        return false;
    // The pole lies beyond the column when the function is infinite just
    // outside the end that never moved.
    if (lo == a && std::isinf(formula->EvaluateAt(a - 2 * tol)))
        return false;
    if (hi == b && std::isinf(formula->EvaluateAt(b + 2 * tol)))
        return false;
    x = (lo + hi) / 2;
    if (std::fabs(x) < tol)
        x = 0;
    y = formula->EvaluateAt(x);
    if (std::isinf(y))
        return true;
    for (double end : {lo, hi}) {
        const double v = formula->EvaluateAt(end);
        if (std::isinf(v)) {
            x = end;
            y = v;
            return true;
        }
    }
    y = formula->EvaluateOverInterval(lo, hi).hi == kInf ? kInf : -kInf;
    return true;
}

bool AFunctionOf_XorY::LocateDomainEdge(double a, double b, double& x, double& y)
{
    if (std::isnan(formula->EvaluateAt(a)) && std::isnan(formula->EvaluateAt(b)))
        return false;
    const double tol = ParameterTolerance(a, b);
    double lo = a, hi = b, w = b - a;
    for (int32_t i = 0; i < kHalvings; ++i) {
        w /= 2;
        if (w <= tol)
            break;
        if (IsDefined(formula->EvaluateOverInterval(lo, lo + w)))
            lo += w;
        if (IsDefined(formula->EvaluateOverInterval(hi - w, hi)))
            hi -= w;
    }
    const bool leftEdge = lo != a || !std::isnan(formula->EvaluateAt(a - tol));
    const bool rightEdge = hi != b || !std::isnan(formula->EvaluateAt(b + tol));
    if (leftEdge && rightEdge) {
        // A single point where the function is undefined.
        if (hi - lo > 4 * tol)
            return false;
        x = (lo + hi) / 2;
        if (std::fabs(x) < tol)
            x = 0;
        y = NAN;
        return true;
    }
    if (!leftEdge && !rightEdge)
        return false;
    // The side that does not count must be undefined a column further on.
    const double probe = leftEdge ? lo + (b - a) : hi - (b - a);
    if (!std::isnan(formula->EvaluateAt(probe)))
        return false;
    x = leftEdge ? lo : hi;
    if (std::fabs(x) < 2 * tol)
        x = 0;
    y = formula->EvaluateAt(x);
    return true;
}

bool AFunctionOf_XorY::ClosestParameterByChords(double p, double v, double lo, double hi, double& t)
{
    const WorldPoint target{p, v};
    double fl = formula->EvaluateAt(lo), fr = formula->EvaluateAt(hi);
    for (int32_t i = 0; i < kChordHalvings; ++i) {
        const double m = (lo + hi) / 2;
        const double fm = formula->EvaluateAt(m);
        if (!std::isfinite(fm))
            return false;
        const double left = PointSegmentDistanceSquared(target, {lo, fl}, {m, fm});
        const double right = PointSegmentDistanceSquared(target, {m, fm}, {hi, fr});
        if (right > left) {
            hi = m;
            fr = fm;
        } else {
            lo = m;
            fl = fm;
        }
        if ((hi - lo) / 2 < ParameterTolerance(lo, hi))
            break;
    }
    t = lo;
    return true;
}

int32_t AFunctionOf_XorY::MarchBudget(int32_t k, double bound, int32_t direction) const
{
    const int32_t last = std::clamp(ColumnOfParameter(bound), -1, columnCount);
    int32_t budget = 5;
    for (int32_t j = k + direction; j >= 0 && j < columnCount && (j - last) * direction <= 0; j += direction) {
        if (LoadState(columns[j]) != EdgeSampled)
            break;
        budget += 10;
    }
    return budget;
}

NearestPointResult AFunctionOf_XorY::NearestPoint(double x, double y, double tolerance, double tLow, double tHigh)
{
    NearestPointResult result;
    if (evaluationMode != RefinedBounds || !columns || IsHidden())
        return result;
    double p = isYofX ? x : y;
    const double v = isYofX ? y : x;
    const double r = mapping->unitsPerPixelY / mapping->unitsPerPixelX;
    double k = r * r;
    if (!isYofX) {
        tolerance *= r;
        k = 1 / (r * r);
    }
    const bool ranged = std::isfinite(tLow) || std::isfinite(tHigh);
    if (ranged && !ClosestParameterByChords(p, v, tLow, tHigh, p))
        return result;
    const int32_t column = ColumnOfParameter(p);
    if (column < 0 || column >= columnCount || LoadState(columns[column]) != EdgeSampled)
        return result;
    const double fp = formula->EvaluateAt(p);
    const double step = UnitsPerColumn() / 10;
    int32_t steps = 0;
    // Out from p while the curve keeps moving away from (p, f(p)), at most
    // to the tolerance.
    auto march = [&](int32_t direction) {
        const double bound = p + direction * tolerance;
        const int32_t budget = MarchBudget(column, bound, direction);
        double s = p, previous = 0;
        for (int32_t i = 0; i < budget; ++i) {
            double next = s + direction * step;
            const bool last = (next - bound) * direction >= 0;
            if (last)
                next = bound;
            const double fv = formula->EvaluateAt(next);
            if (!std::isfinite(fv))
                break;
            const double d = (next - p) * (next - p) + k * (fv - fp) * (fv - fp);
            if (d < previous)
                break;
            s = next;
            previous = d;
            ++steps;
            if (last)
                break;
        }
        return s;
    };
    const double right = march(1);
    const double left = march(-1);
    result.before = CurvePoint(left);
    result.nearest = CurvePoint(p);
    result.after = CurvePoint(right);
    const auto value = [this](const PlotPoint& q) { return isYofX ? q.y : q.x; };
    if ((ranged || steps > 44) && std::isfinite(value(result.before)) && std::isfinite(value(result.nearest)) &&
        std::isfinite(value(result.after)))
        result.found = 1;
    return result;
}
