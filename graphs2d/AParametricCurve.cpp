#include "graphs2d/AParametricCurve.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "drawing/DDUtils.h"
#include "drawing/DrawingPort.h"
#include "evaluation/CompiledFormula.h"
#include "formula/SymbolCodes.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs2d/ParameterBatch.h"
#include "graphs2d/ViewMapping.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

// Samples one batch run evaluates.
constexpr int32_t kBatchSamples = 256;
constexpr int32_t kMaxWalkSteps = 10000;

double Tolerance(double a, double b)
{
    return (std::fabs(a) + std::fabs(b)) * DBL_EPSILON * 0.5;
}

bool IsFinitePoint(WorldPoint p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

bool IsUndefinedPoint(WorldPoint p)
{
    return std::isnan(p.x) || std::isnan(p.y);
}

// The segment of the parameter interval for the root finders, which read
// the parameter from the x coordinate.
SpaceSegment ParameterSegment(double a, double b)
{
    return SpaceSegment{a, b, 0, 0, 0, 0};
}

}  // namespace

int32_t AParametricCurve::SampleCountFor(double resolution)
{
    // A damaged file may carry any grain: below 0 the count would reach 1
    // and the parameter step divide by zero.
    const double g = std::isnan(resolution) ? 0.5 : std::clamp(resolution, 0.0, 1.0);
    return static_cast<int32_t>(800 * g + 200);
}

AParametricCurve::AParametricCurve(CompiledFormula* x, CompiledFormula* y, AGraphColor* color, double resolution,
                                   int32_t traceKind, const ViewMapping* mapping, const double* tMin,
                                   const double* tMax)
    : A2DGraph(mapping), tMinRef(tMin), tMaxRef(tMax), xFormula(x), yFormula(y),
      sampleCount(SampleCountFor(resolution)), color(color), traceKind(traceKind), lastTraceT(*tMin), jobs(this, 1)
{
    AllocateSamples();
    PrepareFormulas();
    jobs.SetFormulas(formulaList, 4);
    StartJobs();
}

AParametricCurve::~AParametricCurve()
{
    StopJobs();
    BudgetFree(samples);
    delete xFormula;
    delete yFormula;
    delete dxFormula;
    delete dyFormula;
    delete color;
}

bool AParametricCurve::AllocateSamples()
{
    samples = static_cast<WorldPoint*>(BudgetMalloc(static_cast<uint32_t>(sampleCount) * sizeof(WorldPoint), true));
    if (!samples)
        PostFailure(FailureOutOfMemory);
    return samples != nullptr;
}

void AParametricCurve::PrepareFormulas()
{
    CompiledFormula** derivatives[] = {&dxFormula, &dyFormula};
    CompiledFormula* functions[] = {xFormula, yFormula};
    for (int32_t i = 0; i < 2; ++i) {
        CompiledFormula* f = functions[i];
        if (!f)
            continue;
        CompileFormula(f);
        if (f->IsDifferentiable()) {
            *derivatives[i] = f->MakeDerivative(CodeU);
            if (*derivatives[i])
                CompileFormula(*derivatives[i]);
        }
    }
    formulaList[0] = xFormula;
    formulaList[1] = yFormula;
    formulaList[2] = dxFormula;
    formulaList[3] = dyFormula;
}

void AParametricCurve::StartJobs()
{
    // Samples already computed keep the range they were computed for.
    if (ComputedCount() == 0) {
        tMin = *tMinRef;
        tMax = *tMaxRef;
    }
    if (color)
        color->ResumeFormulas();
    jobs.Start();
}

void AParametricCurve::StopJobs()
{
    if (color)
        color->StopFormulas();
    jobs.Stop();
}

void AParametricCurve::Recompute()
{
    StopJobs();
    computedCount.store(0, std::memory_order_release);
    StartJobs();
}

bool AParametricCurve::IsComplete()
{
    return samples && ComputedCount() >= sampleCount;
}

double AParametricCurve::ParameterOf(int32_t k) const
{
    return k == sampleCount - 1 ? tMax : tMin + (tMax - tMin) * k / (sampleCount - 1);
}

int32_t AParametricCurve::ComputeChunk(int32_t part)
{
    if (!samples)
        return GraphJobNothingToDo;
    if (color)
        color->EvaluateConstantColor();
    double t[kBatchSamples], xs[kBatchSamples], ys[kBatchSamples];
    for (int32_t first = ComputedCount(); first < sampleCount; first += kBatchSamples) {
        const int32_t n = std::min(kBatchSamples, sampleCount - first);
        for (int32_t i = 0; i < n; ++i)
            t[i] = ParameterOf(first + i);
        EvaluateAtParameters(xFormula, t, n, xs);
        EvaluateAtParameters(yFormula, t, n, ys);
        // A stopped formula answers early: its values are not stored.
        if (jobs.StopRequested())
            return GraphJobStopped;
        for (int32_t i = 0; i < n; ++i)
            samples[first + i] = {xs[i], ys[i]};
        computedCount.store(first + n, std::memory_order_release);
    }
    return jobs.FinishPart(part, mapping->doc);
}

int32_t AParametricCurve::GetStatus()
{
    if (!IsComplete())
        return MessageNone;
    if (sampleCount < 2)
        return MessageUndefinedOrInfiniteInRegion;
    const ShortRect& r = mapping->rect;
    const double xlo = (r.left - mapping->originX - 0.5) * mapping->unitsPerPixelX;
    const double xhi = (r.right - mapping->originX - 0.5) * mapping->unitsPerPixelX;
    const double ylo = -(r.bottom - mapping->originY - 0.5) * mapping->unitsPerPixelY;
    const double yhi = -(r.top - mapping->originY - 0.5) * mapping->unitsPerPixelY;
    bool anyFinite = false;
    for (int32_t i = 0; i + 1 < sampleCount; ++i) {
        if (!IsFinitePoint(samples[i]) || !IsFinitePoint(samples[i + 1]))
            continue;
        anyFinite = true;
        if (SegmentMeetsBox(samples[i], samples[i + 1], xlo, xhi, ylo, yhi))
            return MessageNone;
    }
    return anyFinite ? MessageCurveOutsideRegion : MessageUndefinedOrInfiniteInRegion;
}

void AParametricCurve::VariableChanged(uint32_t code)
{
    InvalidateConstants(color, xFormula, yFormula, dxFormula, dyFormula);
    if ((xFormula && xFormula->DependsOn(code)) || (yFormula && yFormula->DependsOn(code))) {
        Recompute();
    } else if (color && color->DependsOn(code)) {
        // The samples stay; the job finishes at once and asks for a redraw.
        StopJobs();
        StartJobs();
    }
}

void AParametricCurve::SetOption(int32_t code, double value)
{
    if (code == OptionResolution) {
        StopJobs();
        BudgetFree(samples);
        sampleCount = SampleCountFor(value);
        AllocateSamples();
        computedCount.store(0, std::memory_order_release);
        StartJobs();
    } else if (code == OptionColor && color) {
        color->SetColorCode(value);
    }
}

void AParametricCurve::Restart()
{
    // Zooming to the default view and copying the other view's ranges
    // change the parameter range behind the curve's back.
    if (*tMinRef != tMin || *tMaxRef != tMax)
        Recompute();
}

void AParametricCurve::Draw()
{
    if (!color || color->IsHidden() || !samples || !AcquirePortDC())
        return;
    const ShortRect& r = mapping->rect;
    ClipPortToRect(r);
    // A doubled drawing mapping draws the line doubled, as thick as the
    // other curves once the picture is scaled down.
    PortSetPenSize(mapping->pixelsPerScreenPixelX);
    PortSetForeColor(color->rgb.load(std::memory_order_relaxed));
    const WorldPoint centre{((r.left + r.right) / 2.0 - mapping->originX) * mapping->unitsPerPixelX,
                            -((r.top + r.bottom) / 2.0 - mapping->originY) * mapping->unitsPerPixelY};
    const double radius = std::max(std::fabs(mapping->clipMaxX - mapping->clipMinX) / 2,
                                   std::fabs(mapping->clipMinY - mapping->clipMaxY) / 2);
    const int32_t n = ComputedCount();
    for (int32_t i = 0; i + 1 < n; ++i) {
        WorldPoint p0 = samples[i], p1 = samples[i + 1];
        if (!IsFinitePoint(p0) || !IsFinitePoint(p1))
            continue;
        ClipSegmentToCircle(centre, radius, &p0, &p1);
        PortMoveTo(mapping->XToPixel(p0.x), mapping->YToPixel(p0.y));
        PortLineTo(mapping->XToPixel(p1.x), mapping->YToPixel(p1.y));
    }
    PortPenNormal();
    ReleasePortDC();
}

int32_t AParametricCurve::NearestSegment(double x, double y, double r, double* distance)
{
    int32_t best = -1;
    double bestDistance = INFINITY;
    const int32_t n = ComputedCount();
    for (int32_t i = 0; i + 1 < n; ++i) {
        const WorldPoint a = samples[i], b = samples[i + 1];
        const double d = PointSegmentDistanceSquared({x, r * y}, {a.x, r * a.y}, {b.x, r * b.y});
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    *distance = bestDistance;
    return best;
}

bool AParametricCurve::HitTest(double x, double y)
{
    if (!samples || !color || color->IsHidden())
        return false;
    const double upx = mapping->unitsPerPixelX;
    const double r = upx / mapping->unitsPerPixelY;
    const int32_t n = ComputedCount();
    for (int32_t i = 0; i + 1 < n; ++i) {
        const WorldPoint a = samples[i], b = samples[i + 1];
        if (PointSegmentDistanceSquared({x, r * y}, {a.x, r * a.y}, {b.x, r * b.y}) < 16 * upx * upx) {
            lastTraceT = ParameterOf(i);
            return true;
        }
    }
    return false;
}

WorldPoint AParametricCurve::At(double t)
{
    return {xFormula ? xFormula->EvaluateAt(t) : NAN, yFormula ? yFormula->EvaluateAt(t) : NAN};
}

double AParametricCurve::Distance(double t, WorldPoint p, double k)
{
    const WorldPoint q = At(t);
    return (q.x - p.x) * (q.x - p.x) + k * (q.y - p.y) * (q.y - p.y);
}

double AParametricCurve::AdaptiveStep(double t, double pixelStep, double defaultStep, double k)
{
    if (dxFormula && dyFormula) {
        const double dx = dxFormula->EvaluateAt(t), dy = dyFormula->EvaluateAt(t);
        const double step = pixelStep / std::sqrt(k * dy * dy + dx * dx);
        // At a stationary point the speed is 0: a step of pixelStep / 0
        // would leap past the whole range.
        if (std::isfinite(step) && step > 0)
            return step;
    }
    return defaultStep;
}

TraceInfo AParametricCurve::Trace(double x, double y)
{
    TraceInfo readout;
    if (!samples || !color || color->IsHidden())
        return readout;
    const double upx = mapping->unitsPerPixelX;
    const double r = upx / mapping->unitsPerPixelY, k = r * r;
    const WorldPoint mouse{x, y};
    double t0 = lastTraceT;
    if (!IsFinitePoint(At(t0))) {
        double d;
        const int32_t i = NearestSegment(x, y, r, &d);
        if (i < 0)
            return readout;
        lastTraceT = t0 = ParameterOf(i);
    }
    // Follows the curve from t0 toward the mouse while the distance falls;
    // direction +1 forward, -1 backward.
    auto walk = [&](int32_t direction, double* distance) {
        double t = t0, d = Distance(t0, mouse, k);
        const double end = direction > 0 ? tMax : tMin;
        for (int32_t steps = 0; steps < kMaxWalkSteps && direction * (end - t) > 0; ++steps) {
            double next = t + direction * AdaptiveStep(t, upx / 3, (tMax - tMin) / 10000, k);
            if (direction * (next - end) >= 0)
                next = end;
            const double dn = Distance(next, mouse, k);
            if (std::isnan(dn) || dn > d)
                break;
            t = next;
            d = dn;
        }
        *distance = d;
        return t;
    };
    double forwardDistance, backwardDistance;
    const double forward = walk(1, &forwardDistance);
    const double backward = walk(-1, &backwardDistance);
    const double t = backwardDistance > forwardDistance ? forward : backward;
    const WorldPoint p = At(t);
    readout.t = t;
    readout.x = p.x;
    readout.y = p.y;
    readout.kind = traceKind;
    SnapParametricTrace(readout);
    lastTraceT = readout.t;
    return readout;
}

bool AParametricCurve::RootOf(CompiledFormula* f, double a, double b, double* t)
{
    SpacePoint root;
    if (!f || !FindRootBetween(f, 0, 0, ParameterSegment(a, b), &root))
        return false;
    *t = root.x;
    return true;
}

void AParametricCurve::SnapParametricTrace(TraceInfo& readout)
{
    readout.snapped = 1;
    const double upx = mapping->unitsPerPixelX;
    const double r = upx / mapping->unitsPerPixelY, k = r * r;
    const WorldPoint at{readout.x, readout.y};
    const double limit = 16 * upx * upx;
    // The stretch of the curve within 4 pixels of the readout, walked each
    // way from it: where the walk stopped, and whether it left the range.
    auto walk = [&](int32_t direction, bool* passed) {
        double t = readout.t;
        *passed = false;
        for (int32_t steps = 0; steps < kMaxWalkSteps; ++steps) {
            t += direction * AdaptiveStep(t, upx, (tMax - tMin) / 1000, k);
            if (direction > 0 ? t > tMax : t < tMin) {
                *passed = true;
                return direction > 0 ? tMax : tMin;
            }
            const double d = Distance(t, at, k);
            if (!(d <= limit))
                break;
        }
        return t;
    };
    bool belowMin, aboveMax;
    const double a = walk(-1, &belowMin);
    const double b = walk(1, &aboveMax);
    auto moveTo = [&](double t) {
        const WorldPoint p = At(t);
        readout.t = t;
        readout.x = p.x;
        readout.y = p.y;
    };
    double t;
    if (belowMin) {
        moveTo(tMin);
    } else if (aboveMax) {
        moveTo(tMax);
    } else if (IsUndefinedPoint(At(a)) || IsUndefinedPoint(At(b))) {
        moveTo(LocateParametricDomainEdge(a, b));
    } else if (RootOf(yFormula, a, b, &t)) {
        readout.t = t;
        readout.x = At(t).x;
        readout.y = 0;
    } else if (RootOf(xFormula, a, b, &t)) {
        readout.t = t;
        readout.x = 0;
        readout.y = At(t).y;
    } else if (RootOf(dxFormula, a, b, &t) || RootOf(dyFormula, a, b, &t)) {
        moveTo(t);
    } else {
        readout.snapped = 0;
    }
}

double AParametricCurve::LocateParametricDomainEdge(double a, double b)
{
    const bool startAtA = IsUndefinedPoint(At(a));
    // h stays on the undefined side, g on the defined side.
    double h = startAtA ? a : b, g = startAtA ? b : a;
    for (int32_t i = 0; i < 64; ++i) {
        const double m = h + (g - h) / 2;
        if (std::fabs(g - h) / 2 < Tolerance(m, h))
            break;
        (IsUndefinedPoint(At(m)) ? h : g) = m;
    }
    // An edge at 0 is found as a tiny number: 0 itself when it is defined.
    if (((h <= 0 && 0 <= g) || (g <= 0 && 0 <= h)) && !IsUndefinedPoint(At(0)))
        return 0;
    return g;
}

bool AParametricCurve::ClosestParameterByChordsXY(WorldPoint target, double t0, double w, double* t)
{
    double lo = t0, hi = t0 + w;
    WorldPoint pl = At(lo), ph = At(hi);
    if (!IsFinitePoint(pl) || !IsFinitePoint(ph))
        return false;
    const double tol = Tolerance(t0 + w, t0);
    for (int32_t i = 0; i < 64 && (hi - lo) / 2 >= tol; ++i) {
        const double m = (lo + hi) / 2;
        const WorldPoint pm = At(m);
        if (!IsFinitePoint(pm))
            return false;
        if (PointSegmentDistanceSquared(target, pm, ph) > PointSegmentDistanceSquared(target, pl, pm)) {
            hi = m;
            ph = pm;
        } else {
            lo = m;
            pl = pm;
        }
    }
    *t = lo;
    return true;
}

NearestPointResult AParametricCurve::NearestPoint(double x, double y, double tolerance, double tLow, double tHigh)
{
    NearestPointResult result;
    if (!samples || !color || color->IsHidden())
        return result;
    tLow = std::max(tLow, tMin);
    tHigh = std::min(tHigh, tMax);
    if (!(tLow <= tHigh))
        return result;
    constexpr int32_t kProbes = 100;
    const double step = (tHigh - tLow) / kProbes;
    WorldPoint probes[kProbes];
    for (int32_t i = 0; i < kProbes; ++i)
        probes[i] = At(i == kProbes - 1 ? tHigh : tLow + i * step);
    const double r = mapping->unitsPerPixelX / mapping->unitsPerPixelY;
    int32_t f = -1;
    double best = INFINITY;
    for (int32_t i = 0; i + 1 < kProbes; ++i) {
        const double d = PointSegmentDistanceSquared({x, r * y}, {probes[i].x, r * probes[i].y},
                                                     {probes[i + 1].x, r * probes[i + 1].y});
        if (d < best) {
            best = d;
            f = i;
        }
    }
    if (f < 0)
        return result;
    const double tF = tLow + f * step;
    double t = tF;
    if (!ClosestParameterByChordsXY({x, y}, tF, step, &t))
        t = tF;
    const WorldPoint nearest = At(t);
    if (!IsFinitePoint(nearest))
        return result;
    result.nearest = {t, nearest.x, nearest.y};
    // Where the curve, followed probe by probe from probe F, leaves the box
    // of the tolerance around it.
    const WorldPoint centre = probes[f];
    auto follow = [&](int32_t direction) {
        PlotPoint last{tF, centre.x, centre.y};
        double previous = 0;
        for (int32_t i = 1; i <= 200; ++i) {
            const double ti = tF + direction * i * step;
            if (ti > tMax || ti < tMin)
                break;
            const WorldPoint p = At(ti);
            const double d = (p.x - centre.x) * (p.x - centre.x) + (p.y - centre.y) * (p.y - centre.y);
            if (!IsFinitePoint(p) || std::fabs(p.x - centre.x) > tolerance ||
                std::fabs(p.y - centre.y) > tolerance / r || d < previous)
                break;
            previous = d;
            last = {ti, p.x, p.y};
        }
        return last;
    };
    result.after = follow(1);
    result.before = follow(-1);
    result.found = 1;
    return result;
}
