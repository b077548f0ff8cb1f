// A solution curve of a differential equation in the plane: its points in
// the order they were integrated, in blocks of 256 that never move. The
// two curves of the last solution-curve trace live in program-wide slots,
// shared by both views, that the trace overlay draws.
#pragma once

#include "CoreUtilities/ChunkedArray.h"
#include "graphs2d/CurveNumerics.h"

constexpr int32_t kSolutionBlockLength = 256;

struct SolutionCurve : ChunkedArray<WorldPoint, kSolutionBlockLength> {
    SolutionCurve() = default;
    ~SolutionCurve() { Clear(); }
    SolutionCurve(const SolutionCurve&) = delete;
    SolutionCurve& operator=(const SolutionCurve&) = delete;

    WorldPoint PointAt(int32_t i) const { return *At(i); }
};

struct ViewMapping;

// Into the current port with its pen: each segment whose ends are finite,
// clipped first to a circle around the mapping's rectangle so that its
// pixels stay within 16 bits.
void DrawSolutionCurve(const SolutionCurve& curve, const ViewMapping& mapping);

// The traced curve held in slot 0 (forward) or 1 (backward), or null.
const SolutionCurve* TracedSolutionCurve(int32_t slot);
// The slots take over the curves (either may be null); what they held is freed.
void HoldTracedSolutionCurves(SolutionCurve* forward, SolutionCurve* backward);
