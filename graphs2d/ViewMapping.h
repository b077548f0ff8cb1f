// How a 2D view maps world coordinates onto pixels; every plot of the view
// keeps a pointer to its view's drawing mapping and reads it while it
// computes, so the mapping changes only while the plots are stopped.
#pragma once

#include "CoreUtilities/ShortRect.h"

#include <cstdint>

struct DocState;

// The furthest pixel a clipped conversion gives, so that lines toward far
// points stay inside the drawing layer's 16-bit coordinates.
constexpr int32_t kPixelClip = 16383;
// What the NaN-guarded conversions give for NaN: outside every view.
constexpr int32_t kNaNPixel = 32767;

struct ViewMapping {
    // The pixel rectangle the mapping covers.
    ShortRect rect{0, 0, 0, 0};
    double originX = 0.0;  // pixel column of world x = 0
    double originY = 0.0;  // pixel row of world y = 0
    double scaleX = 1.0;   // pixels per world unit
    double scaleY = -1.0;  // negative: world y grows upwards
    double unitsPerPixelX = 1.0;
    double unitsPerPixelY = 1.0;  // -1 / scaleY, positive
    // World x at pixel columns +16383 and -16383.
    double clipMaxX = 0.0;
    double clipMinX = 0.0;
    // World y at pixel rows +16383 and -16383.
    double clipMinY = 0.0;
    double clipMaxY = 0.0;
    // 1 for the screen mapping, 2 for a doubled drawing mapping.
    int32_t pixelsPerScreenPixelX = 1;
    int32_t pixelsPerScreenPixelY = 1;
    // Set in the drawing mapping: plots request redraws through it.
    DocState* doc = nullptr;

    // Takes the rectangle, origin and scale, and derives the reciprocals and
    // the clip limits from them.
    void Set(const ShortRect& r, double xOrigin, double yOrigin, double xScale, double yScale, int32_t factor);

    // floor(scale x world + origin + 0.5); for points known to be near the view.
    int32_t XToPixel(double x) const;
    int32_t YToPixel(double y) const;
    // +-16383 beyond the clip limits.
    int32_t XToPixelClipped(double x) const;
    int32_t YToPixelClipped(double y) const;
    // 32767 for NaN, else the clipped conversion.
    int32_t XToPixelChecked(double x) const;
    int32_t YToPixelChecked(double y) const;
    // The pixel of the point (NaN-guarded) lies in rect.
    bool ContainsWorldPoint(double x, double y) const;
};
