// The camera block of a 3D view that its render context reads each frame.
#pragma once

#include "rendering/RotationKit.h"

// 1.7330909743 is a field of view of 10 degrees.
constexpr double kDefaultZoom3D = 1.7330909743;
constexpr double kMinDepthRadius3D = 2.3;

struct Camera3D {
    // Camera to world: the eye sits at rotation x (50, 0, 0), the screen's
    // up is rotation x (0, 0, 1).
    Matrix3 rotation;
    // The world box, shown as [-2, 2] on every axis.
    double xmin, xmax, ymin, ymax, zmin, zmax;
    double zoom;
    // The scene's radius in box units; sets the near and far distances.
    double depthRadius;
};
