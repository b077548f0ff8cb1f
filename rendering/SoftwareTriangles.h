// Filled triangles of the software renderer: Gouraud-shaded and textured
// (colour-modulated, mip-mapped) triangles, clipped to the view and cut
// into a fan. A triangle covers the rows [Y(A), Y(C)) of its snapped
// corners and in each row the columns [floor(xl), floor(xr)), so two
// triangles sharing an edge never draw the same pixel.
#pragma once

#include "rendering/ScreenVertex.h"
#include "rendering/SoftwareBuffers.h"

#include <cstdint>

struct SoftwareTexture;

// A corner as the span loops use it, at its snapped pixel position;
// colours on the 0..255 scale.
struct SpanVertex {
    int32_t X, Y;
    float x, y;
    double depth;
    float a, r, g, b;
    float u, v;
};

void MakeSpanVertex(const ScreenVertex& v, int32_t x, int32_t y, SpanVertex& out);

// The draw entries: false (failure 40 posted) when a fragment was refused.
bool RasterizeTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, SoftwareTarget& target);
bool RasterizeTexturedTriangle(const SoftwareTexture* texture, const ScreenVertex& a, const ScreenVertex& b,
                               const ScreenVertex& c, SoftwareTarget& target);
// The scan converters: false only when a fragment was refused.
bool ScanTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, SoftwareTarget& target);
bool ScanTexturedTriangle(const SoftwareTexture* texture, const ScreenVertex& a, const ScreenVertex& b,
                          const ScreenVertex& c, SoftwareTarget& target);
