// The 4D view's projection: world points are normalised into [-1, 1] per
// axis with the view's box, then projected from the 4D eye onto the three
// axes of its frame, with a depth along the line of sight. A graph takes the
// box when it starts (user-interface thread), normalises with that copy on
// its workers, and projects on the user-interface thread at every frame.
#pragma once

#include "graphmodel/A4DGraphView.h"
#include "rendering/RotationKit.h"

// A 4D box: minimum and maximum of x, y, u (z) and v (w).
struct Box4D {
    double min[4];
    double max[4];
};

// The eye sits this far from the origin.
constexpr double kEyeDistance4D = 50;

// The view's box as it is now.
Box4D Box4DOf(const A4DGraphView& view);
// The box a graph computes with: its view's current box (read on the
// user-interface thread), or the projection's copy without a view.
Box4D Box4DOf(const Projection4D& projection);
// The projection a view's graphs hold.
const Projection4D* ProjectionOf(const A4DGraphView* view);

// The eye frame of the rotation (Algorithms of the 4D view): E = R (0, 0,
// 0, 50), D = -E / |E|, X, Y, Z the frame from R's second and third columns;
// the box is copied in and the depth scale and offset follow the depth
// radius r.
void ComputeProjection4D(Projection4D& out, const Matrix4& rotation, double depthRadius, const Box4D& box);

// P (normalised) seen from the eye: out = ((P - E) . X, (P - E) . Y,
// (P - E) . Z) and the depth, 0 at r before the origin, 0.5 at the origin,
// 1 at r beyond it; negative for a point nearer the eye than that.
void Project4DPoint(const Projection4D& projection, const double (&P)[4], Vec3& out, double& depth);

// n_i = (value_i - centre_i) x 2 / (max_i - min_i); false when a result is
// not finite (a box side of no width makes every point so).
bool NormalizeTo4DBox(const Box4D& box, const double (&value)[4], double (&out)[4]);
// The factor 2 / (max_i - min_i) of each axis: what a derivative in world
// units is multiplied by to be one in normalised units.
void Box4DScales(const Box4D& box, double (&out)[4]);

// A projected point on the 4D panel's axis cross, as seen from the 3D
// camera's eye at (50, 0, 0): (50 y / (50 - x), -50 z / (50 - x)).
void ProjectToPanel(const Vec3& p, double& horizontal, double& vertical);
