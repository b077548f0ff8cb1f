// Numerics the 2D view and the 2D plots share: rounding to significant
// digits, distances and intersections of segments, clipping a segment to a
// circle, a segment-box test, and root finding of an implicit equation
// f(x, y, z) = c along a segment (regula falsi, then bisection), with the
// searches built on it that locate and snap trace points on implicit
// curves. Formulas are evaluated on the calling thread with u = x and
// v = w = 0.
#pragma once

#include "graphs2d/NearestPointResult.h"
#include "graphs2d/SpacePoint.h"

#include <atomic>
#include <cstdint>

struct CompiledFormula;
struct TraceInfo;

struct WorldPoint {
    double x;
    double y;
};

// x rounded to n significant decimal digits (n held to 1..15), halves
// upward; 0, NaN, infinities and values too small to scale come back as
// they are.
double RoundToSignificantDigits(double x, int32_t n);
// a + (b - a) t without the rounding noise of the interpolation: exactly 0
// within the noise of a and b, else rounded to the digits that are not noise.
double InterpolateRounded(double a, double b, double t);

// NaN when an end has a NaN coordinate, infinity when an end is infinite.
double PointSegmentDistanceSquared(WorldPoint p, WorldPoint s, WorldPoint e);
WorldPoint NearestPointOnSegment(WorldPoint p, WorldPoint s, WorldPoint e);
// Segments a0-a1 and b0-b1 meet (within 16 ulps of their coordinates);
// false for degenerate and parallel segments.
bool IntersectSegments(WorldPoint a0, WorldPoint a1, WorldPoint b0, WorldPoint b1, WorldPoint* at);
// The segments have nearly the same direction and b0 lies nearly on a.
bool SegmentsNearlyCollinear(WorldPoint a0, WorldPoint a1, WorldPoint b0, WorldPoint b1);
// Moves the ends inside the circle: ends beyond the chord go to its ends; a
// segment that misses the circle collapses to (centre.x + r, centre.y).
// Unchanged when both ends lie strictly inside.
void ClipSegmentToCircle(WorldPoint centre, double r, WorldPoint* p0, WorldPoint* p1);
// The segment may pass through the open box.
bool SegmentMeetsBox(WorldPoint p0, WorldPoint p1, double xlo, double xhi, double ylo, double yhi);

// f - c changes sign between (x, y) and one of its eight neighbours at
// (x + i dx, y + j dy).
bool HasSignChangeAround(CompiledFormula* f, double c, double x, double y, double dx, double dy);

// A segment in space for the root finders: start and end.
struct SpaceSegment {
    double x0, x1;
    double y0, y1;
    double z0, z1;
};
// A root of f = c on the segment, given f0 = f(start) - c and f1 = f(end) - c
// of opposite signs. tol is in units of the position t along the segment; 0
// asks for full precision. False on NaN values.
bool FindRootOnSegment(CompiledFormula* f, double c, double tol, double f0, double f1, const SpaceSegment& s,
                       SpacePoint* root);
// The same after evaluating the ends; false when they have the same sign
// (zero counts as non-negative) or either is NaN.
bool FindRootBetween(CompiledFormula* f, double c, double tol, const SpaceSegment& s, SpacePoint* root);

// A point of f(x, y) = c near the target, searched along the eight rays from
// the centre to the box of half-sizes rx, ry, then along shorter rays.
bool FindImplicitPointNear(CompiledFormula* f, double c, WorldPoint centre, double rx, double ry, WorldPoint target,
                           WorldPoint* point);
// The implicit curve near the centre: nearest is its root nearest the
// centre along the box's diagonals, before and after its crossings of the
// box's edges. The t values are not used.
NearestPointResult FindImplicitCrossings(CompiledFormula* f, double c, WorldPoint centre, double rx, double ry);
// A trace point within tx of the y axis or ty of the x axis moves onto the
// curve's crossing of that axis, when there is one.
void SnapTraceToAxes(CompiledFormula* f, double c, double tx, double ty, TraceInfo* trace);

// None of the n bytes is zero (true for n = 0).
bool AllBytesNonZero(const std::atomic<uint8_t>* bytes, int32_t n);
