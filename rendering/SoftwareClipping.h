// Clipping of projected primitives against the view rectangle {0, 0, h, w}
// (1x view pixels); every field of a cut end is interpolated to the cut.
#pragma once

#include "rendering/ScreenVertex.h"

#include <cstdint>

// The view a software primitive is clipped against.
struct ViewSize {
    float width, height;
};

// Copies a and b into out and clips them to x in [0, w - 1.5), y in
// [0, h - 1.5); false when the line lies wholly outside.
bool ClipLineToView(const ScreenVertex& a, const ScreenVertex& b, ViewSize view, ScreenVertex (&out)[2]);
// The triangle clipped to x in [0, w - 0.5], y in [0, h - 0.5]: the number
// of polygon corners written to out (0, or 3 to 7).
int32_t ClipTriangleToView(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, ViewSize view,
                           ScreenVertex (&out)[7]);
// The same for textured triangles: u and v are cut like the other fields.
int32_t ClipTexturedTriangleToView(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                                   ViewSize view, ScreenVertex (&out)[7]);
