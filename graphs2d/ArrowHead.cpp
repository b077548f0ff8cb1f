#include "graphs2d/ArrowHead.h"

#include "drawing/Rasteriser.h"
#include "graphs2d/ViewMapping.h"

#include <cmath>

namespace {

struct Vec {
    double x, y;
};

// Twice the signed area of a, b, p: its sign tells the side of ab p is on.
double Side(Vec a, Vec b, Vec p)
{
    return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
}

bool InTriangle(const Vec (&t)[3], Vec p)
{
    const double d0 = Side(t[0], t[1], p), d1 = Side(t[1], t[2], p), d2 = Side(t[2], t[0], p);
    return (d0 >= 0 && d1 >= 0 && d2 >= 0) || (d0 <= 0 && d1 <= 0 && d2 <= 0);
}

int Blend(int k, RgbColor c, int shift)
{
    return ((k * static_cast<int>((c >> shift) & 0xFF) + (16 - k) * 255) >> 4) << shift;
}

}  // namespace

void DrawArrowHeadAt(double x, double y, double ax, double ay, const ViewMapping& mapping, RgbColor colour)
{
    // The arrow in drawing pixels, rows growing downwards.
    const double gx = ax / mapping.unitsPerPixelX, gy = -ay / mapping.unitsPerPixelY;
    const double l = std::hypot(gx, gy);
    if (!std::isfinite(1 / l) || !std::isfinite(l))
        return;
    const int f = mapping.pixelsPerScreenPixelX;
    const int s = l < 5 * f ? 3 * f : l < 6 * f ? 4 * f : 5 * f;
    // Pixel p covers [p - 0.5, p + 0.5) of the continuous coordinates.
    const Vec tip{mapping.scaleX * (x + ax) + mapping.originX, mapping.scaleY * (y + ay) + mapping.originY};
    if (!std::isfinite(tip.x) || !std::isfinite(tip.y) || std::fabs(tip.x) > 32000 || std::fabs(tip.y) > 32000)
        return;
    const Vec d{gx / l, gy / l};
    const Vec base{tip.x - s * d.x, tip.y - s * d.y};
    const Vec triangle[3] = {
        tip, {base.x - d.y * s / 2, base.y + d.x * s / 2}, {base.x + d.y * s / 2, base.y - d.x * s / 2}};
    const int bh = static_cast<int>(std::floor(base.x + 0.5)), bv = static_cast<int>(std::floor(base.y + 0.5));
    for (int v = bv - s; v < bv + s; ++v) {
        for (int h = bh - s; h < bh + s; ++h) {
            int k = 0;
            for (int i = 0; i < 4; ++i) {
                for (int j = 0; j < 4; ++j)
                    k += InTriangle(triangle, {h - 0.5 + (j + 0.5) / 4, v - 0.5 + (i + 0.5) / 4});
            }
            if (k > 0) {
                const RgbColor c = static_cast<RgbColor>(Blend(k, colour, 16) | Blend(k, colour, 8) | Blend(k, colour, 0));
                TintPixelInRect(mapping.rect, ShortPoint{static_cast<int16_t>(v), static_cast<int16_t>(h)}, c);
            }
        }
    }
}
