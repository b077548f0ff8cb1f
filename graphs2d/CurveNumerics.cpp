#include "graphs2d/CurveNumerics.h"

#include "evaluation/CompiledFormula.h"
#include "graphs2d/TraceInfo.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kEps = 2.220446049250313e-16;

// f(x, y, z) with the curve's parameter u = x.
double Evaluate(CompiledFormula* f, double x, double y, double z)
{
    return f->EvaluateAtUVXYZW(x, 0, x, y, z, 0);
}

double Squared(double a)
{
    return a * a;
}

double Dot(WorldPoint a, WorldPoint b)
{
    return a.x * b.x + a.y * b.y;
}

WorldPoint Minus(WorldPoint a, WorldPoint b)
{
    return {a.x - b.x, a.y - b.y};
}

// The foot of the perpendicular from p lies strictly inside s-e.
bool FootInside(WorldPoint p, WorldPoint s, WorldPoint e, WorldPoint d)
{
    return Dot(Minus(s, p), d) < 0 && Dot(Minus(e, p), d) > 0;
}

bool Within(double v, double a, double b, double slack)
{
    return v >= std::min(a, b) - slack && v <= std::max(a, b) + slack;
}

bool IsNegative(double v)
{
    return v < 0;
}

// The eight directions around a point, in the order the searches try them.
constexpr int kAround[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1}, {0, 1}, {1, -1}, {1, 0}, {1, 1}};

SpaceSegment Flat(WorldPoint a, WorldPoint b)
{
    return {a.x, b.x, a.y, b.y, 0, 0};
}

bool RootAlong(CompiledFormula* f, double c, WorldPoint a, WorldPoint b, WorldPoint* root)
{
    SpacePoint p;
    if (!FindRootBetween(f, c, 0, Flat(a, b), &p))
        return false;
    *root = {p.x, p.y};
    return true;
}

}  // namespace

double RoundToSignificantDigits(double x, int32_t n)
{
    if (x == 0 || !std::isfinite(x))
        return x;
    n = std::clamp<int32_t>(n, 1, 15);
    const int32_t e = static_cast<int32_t>(std::floor(std::log10(std::fabs(x))));
    int32_t k = n - e - 1;
    // Powers of ten up to 10^22 are exact when formed by multiplying by 10;
    // 0.1 is not, so a negative k divides by 10^-k instead of multiplying
    // by 10^k, and 987.6 to one digit is 1000, not 999.9999999999998.
    const bool down = k < 0;
    k = down ? -k : k;
    double p = 1;
    for (; k >= 8; k -= 8)
        p *= 1e8;
    for (; k > 0; --k)
        p *= 10;
    // Values near the bottom of the double range need a scale beyond it.
    const double scaled = down ? x / p : x * p;
    if (!std::isfinite(p) || !std::isfinite(scaled))
        return x;
    const double rounded = std::floor(scaled + 0.5);
    return down ? rounded * p : rounded / p;
}

double InterpolateRounded(double a, double b, double t)
{
    const double v = a + (b - a) * t;
    if (!std::isfinite(v))
        return v;
    const double noise = (std::fabs(a) + std::fabs(b)) * kEps / 2;
    if (std::fabs(v) <= noise)
        return 0;
    // Ends so small that their noise is below the double range: every digit counts.
    const double digits = noise > 0 ? std::log10(std::fabs(v) / noise) : 15;
    return RoundToSignificantDigits(v, digits >= 15 ? 15 : static_cast<int32_t>(digits));
}

double PointSegmentDistanceSquared(WorldPoint p, WorldPoint s, WorldPoint e)
{
    if (std::isnan(s.x) || std::isnan(s.y) || std::isnan(e.x) || std::isnan(e.y))
        return NAN;
    if (std::isinf(s.x) || std::isinf(s.y) || std::isinf(e.x) || std::isinf(e.y))
        return INFINITY;
    const WorldPoint d = Minus(e, s);
    const WorldPoint sp = Minus(s, p);
    if (FootInside(p, s, e, d))
        return Dot(sp, sp) - Squared(Dot(sp, d)) / Dot(d, d);
    const WorldPoint ep = Minus(e, p);
    return std::min(Dot(sp, sp), Dot(ep, ep));
}

WorldPoint NearestPointOnSegment(WorldPoint p, WorldPoint s, WorldPoint e)
{
    const WorldPoint d = Minus(e, s);
    const WorldPoint sp = Minus(s, p);
    if (FootInside(p, s, e, d)) {
        const double k = Dot(sp, d) / Dot(d, d);
        return {s.x - d.x * k, s.y - d.y * k};
    }
    const WorldPoint ep = Minus(e, p);
    return Dot(sp, sp) <= Dot(ep, ep) ? s : e;
}

bool IntersectSegments(WorldPoint a0, WorldPoint a1, WorldPoint b0, WorldPoint b1, WorldPoint* at)
{
    const double sA = (a1.y - a0.y) / (a1.x - a0.x);
    const double sB = (b1.y - b0.y) / (b1.x - b0.x);
    if (std::isnan(sA) || std::isnan(sB) || (std::isinf(sA) && std::isinf(sB)))
        return false;
    const double iB = b0.y - b0.x * sB;
    double x;
    double y;
    if (std::isinf(sA)) {
        x = a0.x;
        y = iB + x * sB;
    } else {
        const double iA = a0.y - a0.x * sA;
        if (std::isinf(sB)) {
            x = b0.x;
            y = iA + sA * x;
        } else {
            // Parallel segments divide by zero and fail the range tests below.
            x = (iB - iA) / (sA - sB);
            y = (sA * iB - sB * iA) / (sA - sB);
        }
    }
    const double qx = 16 * kEps * std::max({std::fabs(a0.x), std::fabs(a1.x), std::fabs(b0.x), std::fabs(b1.x)});
    const double qy = 16 * kEps * std::max({std::fabs(a0.y), std::fabs(a1.y), std::fabs(b0.y), std::fabs(b1.y)});
    if (!Within(x, a0.x, a1.x, qx) || !Within(x, b0.x, b1.x, qx) || !Within(y, a0.y, a1.y, qy) ||
        !Within(y, b0.y, b1.y, qy))
        return false;
    *at = {x, y};
    return true;
}

bool SegmentsNearlyCollinear(WorldPoint a0, WorldPoint a1, WorldPoint b0, WorldPoint b1)
{
    const WorldPoint dA = Minus(a1, a0);
    const WorldPoint dB = Minus(b1, b0);
    const bool bySlope = dA.y < dA.x;
    const double rA = bySlope ? dA.y / dA.x : dA.x / dA.y;
    const double rB = bySlope ? dB.y / dB.x : dB.x / dB.y;
    if (std::isnan(rA) || std::isnan(rB) || std::isinf(rB))
        return false;
    if (std::fabs(rA - rB) > 1e-6 * std::max(std::fabs(rA), std::fabs(rB)))
        return false;
    const bool b0Beside = (b0.x < a0.x && b0.x < a1.x) || (b0.x > a0.x && b0.x > a1.x);
    const bool b1Beside = (b1.x < a0.x && b1.x < a1.x) || (b1.x > a0.x && b1.x > a1.x);
    if (b0Beside && b1Beside)
        return false;
    return PointSegmentDistanceSquared(b0, a0, a1) <= 1e-4 * Dot(dA, dA);
}

void ClipSegmentToCircle(WorldPoint centre, double r, WorldPoint* p0, WorldPoint* p1)
{
    const double r2 = r * r;
    auto inside = [&](WorldPoint p) { return Squared(p.x - centre.x) + Squared(p.y - centre.y) < r2; };
    if (inside(*p0) && inside(*p1))
        return;
    const WorldPoint a = *p0;
    const WorldPoint b = *p1;
    // Far outside any view, where a segment that misses the circle ends up.
    *p0 = *p1 = {centre.x + r, centre.y};
    // The line as s = along + slope (t - start) over the axis of the larger
    // extent: (t, s) is (x, y) or (y, x).
    const bool alongX = std::fabs(b.x - a.x) >= std::fabs(b.y - a.y);
    const double ta = alongX ? a.x : a.y, sa = alongX ? a.y : a.x;
    const double tb = alongX ? b.x : b.y, sb = alongX ? b.y : b.x;
    const double tc = alongX ? centre.x : centre.y, sc = alongX ? centre.y : centre.x;
    const double slope = (sb - sa) / (tb - ta);
    // (t - tc)^2 + (sa + slope (t - ta) - sc)^2 = r^2, for t.
    const double k = sa - slope * ta - sc;
    const double qa = 1 + slope * slope;
    const double qb = 2 * (slope * k - tc);
    const double qc = tc * tc + k * k - r2;
    const double disc = qb * qb - 4 * qa * qc;
    if (!(disc >= 0))
        return;
    const double root = std::sqrt(disc);
    const double t1 = (-qb - root) / (2 * qa);
    const double t2 = (-qb + root) / (2 * qa);
    if (!(std::max(ta, tb) >= t1 && std::min(ta, tb) <= t2))
        return;
    auto onChord = [&](double t, double s) {
        const double u = std::clamp(t, t1, t2);
        const double v = u == t ? s : sa + slope * (u - ta);
        return alongX ? WorldPoint{u, v} : WorldPoint{v, u};
    };
    *p0 = onChord(ta, sa);
    *p1 = onChord(tb, sb);
}

bool SegmentMeetsBox(WorldPoint p0, WorldPoint p1, double xlo, double xhi, double ylo, double yhi)
{
    auto inside = [&](WorldPoint p) { return p.x > xlo && p.x < xhi && p.y > ylo && p.y < yhi; };
    if (inside(p0) || inside(p1))
        return true;
    if ((p0.x <= xlo && p1.x <= xlo) || (p0.x >= xhi && p1.x >= xhi) || (p0.y <= ylo && p1.y <= ylo) ||
        (p0.y >= yhi && p1.y >= yhi))
        return false;
    const bool xBetween0 = p0.x > xlo && p0.x < xhi;
    const bool xBetween1 = p1.x > xlo && p1.x < xhi;
    if (p0.x == p1.x)
        return xBetween0;
    const double w = (p1.y - p0.y) / (p1.x - p0.x);
    const double yAtLow = p0.y + w * (xlo - p0.x);
    const double yAtHigh = p0.y + w * (xhi - p0.x);
    return (yAtLow > ylo && yAtLow < yhi) || (yAtHigh > ylo && yAtHigh < yhi) || (xBetween0 && xBetween1);
}

bool HasSignChangeAround(CompiledFormula* f, double c, double x, double y, double dx, double dy)
{
    const bool negative = IsNegative(Evaluate(f, x, y, 0) - c);
    for (const auto& d : kAround) {
        if (IsNegative(Evaluate(f, x + d[0] * dx, y + d[1] * dy, 0) - c) != negative)
            return true;
    }
    return false;
}

bool FindRootOnSegment(CompiledFormula* f, double c, double tol, double f0, double f1, const SpaceSegment& s,
                       SpacePoint* root)
{
    auto g = [&](double t) {
        return Evaluate(f, s.x0 + t * (s.x1 - s.x0), s.y0 + t * (s.y1 - s.y0), s.z0 + t * (s.z1 - s.z0)) - c;
    };
    double t;
    bool rounded = true;
    if (f0 == 0) {
        t = 0;
    } else if (f1 == 0) {
        t = 1;
    } else {
        // Regula falsi while the end values are of comparable size.
        double tLow = 0, fLow = f0, tHigh = 1, fHigh = f1;
        double previous = NAN;
        bool converged = false;
        t = 0;
        for (int32_t step = 0; step < 16; ++step) {
            if (std::fabs(fHigh / fLow) < kEps || std::fabs(fLow / fHigh) < kEps)
                break;
            t = tLow - fLow * (tHigh - tLow) / (fHigh - fLow);
            const double v = g(t);
            if (std::isnan(v))
                return false;
            if (IsNegative(v) == IsNegative(fLow)) {
                tLow = t;
                fLow = v;
            } else {
                tHigh = t;
                fHigh = v;
            }
            const double change = std::fabs(t - previous);
            previous = t;
            if (v == 0 || change < tol || change < t * kEps) {
                converged = true;
                break;
            }
        }
        if (converged) {
            rounded = tol == 0;
        } else {
            // Bisection, keeping the end where f - c <= 0.
            double a = fLow <= 0 ? tLow : tHigh;
            double step = (fLow <= 0 ? tHigh : tLow) - a;
            t = a;
            for (int32_t i = 0; i < 1024; ++i) {
                step *= 0.5;
                const double middle = a + step;
                // Steps below the spacing of doubles at a change nothing more.
                if (middle == a)
                    break;
                const double v = g(middle);
                if (std::isnan(v))
                    return false;
                t = middle;
                if (v <= 0)
                    a = middle;
                if (v == 0 || std::fabs(step) < tol || std::fabs(step) < middle * kEps)
                    break;
            }
        }
    }
    if (rounded)
        *root = {InterpolateRounded(s.x0, s.x1, t), InterpolateRounded(s.y0, s.y1, t),
                 InterpolateRounded(s.z0, s.z1, t)};
    else
        *root = {s.x0 + t * (s.x1 - s.x0), s.y0 + t * (s.y1 - s.y0), s.z0 + t * (s.z1 - s.z0)};
    return true;
}

bool FindRootBetween(CompiledFormula* f, double c, double tol, const SpaceSegment& s, SpacePoint* root)
{
    const double f0 = Evaluate(f, s.x0, s.y0, s.z0) - c;
    const double f1 = Evaluate(f, s.x1, s.y1, s.z1) - c;
    if (std::isnan(f0) || std::isnan(f1) || IsNegative(f0) == IsNegative(f1))
        return false;
    return FindRootOnSegment(f, c, tol, f0, f1, s, root);
}

bool FindImplicitPointNear(CompiledFormula* f, double c, WorldPoint centre, double rx, double ry, WorldPoint target,
                           WorldPoint* point)
{
    const double yScale = rx / ry;
    double best = INFINITY;
    bool found = false;
    for (const auto& d : kAround) {
        WorldPoint root;
        if (!RootAlong(f, c, centre, {centre.x + d[0] * rx, centre.y + d[1] * ry}, &root))
            continue;
        const double distance = Squared(root.x - target.x) + Squared((root.y - target.y) * yScale);
        if (!found || distance < best) {
            best = distance;
            *point = root;
            found = true;
        }
    }
    if (found)
        return true;
    // A ray that crosses the curve twice shows no sign change; shorter ones may.
    for (int32_t k = 1; k <= 9; ++k) {
        for (const auto& d : kAround) {
            if (RootAlong(f, c, centre, {centre.x + d[0] * k * rx / 10, centre.y + d[1] * k * ry / 10}, point))
                return true;
        }
    }
    return false;
}

NearestPointResult FindImplicitCrossings(CompiledFormula* f, double c, WorldPoint centre, double rx, double ry)
{
    NearestPointResult result;
    const double yScale = rx / ry;
    const double left = centre.x - rx, right = centre.x + rx;
    const double bottom = centre.y - ry, top = centre.y + ry;
    const WorldPoint corners[4] = {{left, bottom}, {left, top}, {right, bottom}, {right, top}};
    double best = INFINITY;
    for (const WorldPoint& corner : corners) {
        WorldPoint root;
        if (!RootAlong(f, c, centre, corner, &root))
            continue;
        const double distance = Squared(root.x - centre.x) + Squared((root.y - centre.y) * yScale);
        if (!result.found || distance < best) {
            best = distance;
            result.nearest = {0, root.x, root.y};
            result.found = 1;
        }
    }
    if (!result.found)
        return result;
    // Left (upwards), bottom and top (rightwards), right (downwards).
    const WorldPoint edges[4][2] = {{{left, bottom}, {left, top}},
                                    {{left, bottom}, {right, bottom}},
                                    {{left, top}, {right, top}},
                                    {{right, top}, {right, bottom}}};
    int32_t first = 0;
    for (; first < 3; ++first) {
        WorldPoint root;
        if (RootAlong(f, c, edges[first][0], edges[first][1], &root)) {
            result.before = {0, root.x, root.y};
            break;
        }
    }
    if (first == 3) {
        result.found = 0;
        return result;
    }
    result.after = result.before;
    for (int32_t e = first + 1; e < 4; ++e) {
        WorldPoint root;
        if (RootAlong(f, c, edges[e][0], edges[e][1], &root))
            result.after = {0, root.x, root.y};
    }
    if (std::isnan(result.after.x) || std::isnan(result.after.y) ||
        (result.after.x == result.before.x && result.after.y == result.before.y))
        result.found = 0;
    return result;
}

void SnapTraceToAxes(CompiledFormula* f, double c, double tx, double ty, TraceInfo* trace)
{
    trace->snapped = 0;
    if (std::fabs(trace->x) > tx && std::fabs(trace->y) > ty)
        return;
    WorldPoint root;
    if (std::fabs(trace->x) <= tx && RootAlong(f, c, {0, trace->y - ty}, {0, trace->y + ty}, &root)) {
        trace->x = root.x;
        trace->y = root.y;
        trace->snapped = 1;
    }
    if (std::fabs(trace->y) <= ty && RootAlong(f, c, {trace->x - tx, 0}, {trace->x + tx, 0}, &root)) {
        trace->x = root.x;
        trace->y = root.y;
        trace->snapped = 1;
    }
}

bool AllBytesNonZero(const std::atomic<uint8_t>* bytes, int32_t n)
{
    for (int32_t i = 0; i < n; ++i) {
        if (bytes[i].load(std::memory_order_acquire) == 0)
            return false;
    }
    return true;
}
