// Direct pixel drawing on 32-bit surfaces: colours tinted by the brightness
// of the pixel they land on (so paper and axes show through), lines, runs,
// discs, solid triangles, blends and scaled pictures. Every pixel computed
// here has its top byte 0, and no write leaves its buffer or clip.
#pragma once

#include "CoreUtilities/PictureHandle.h"
#include "CoreUtilities/ShortRect.h"
#include "drawing/OffscreenSurface.h"

#include <cstdint>

// 0 to 256; 256 for white and for the paper colour 0xCCFFFF.
inline int PixelLuminance(uint32_t pixel)
{
    if ((pixel & 0xFFFFFF) == 0xCCFFFF)
        return 256;
    int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
    return (150 * g + 77 * r + 29 * b) / 255;
}
RgbColor TintColorByPixel(RgbColor c, uint32_t pixel);
RgbColor TintByMaskLevel(RgbColor c, uint32_t pixel, int level);

// The operations on the port expect it locked (LockPortSurface), except
// FillTintedDisc and DrawPictureScaled, which lock it themselves.
void TintPortPixel(const ShortRect& clip, ShortPoint p, RgbColor c);
void TintPixelInRect(const ShortRect& clip, ShortPoint p, RgbColor c);
void DrawTintedLine(const ShortRect& clip, ShortPoint p0, ShortPoint p1, RgbColor c);
void DrawTintedHorizontalLine(const ShortRect& clip, ShortPoint p0, ShortPoint p1, RgbColor c, int step);
void DrawTintedVerticalLine(const ShortRect& clip, ShortPoint p0, ShortPoint p1, RgbColor c, int step);
void FillTintedDisc(const ShortRect& clip, int ch, int cv, int r, RgbColor c);

// Writes the value into count pixels from pixels on (none when count <= 0).
void FillPixelRun(uint32_t* pixels, int32_t count, uint32_t value);

// Writes the raw value into the pixels of bounds (pixel (x, y) at
// pixels + y * rowBytes + 4x) that the triangle covers.
void FillTriangleSolid(const ShortRect& bounds, float x0, float y0, float x1, float y1, float x2,
                       float y2, uint32_t value, uint8_t* pixels, int32_t rowBytes);

// Mixes the source block [srcTopLeft, srcBottomRight) into dst at dstTopLeft:
// dst x (255 - alpha) / 255 + src x alpha / 255 per channel.
void BlendSurfaceInto(OffscreenSurface* src, ShortPoint srcTopLeft, ShortPoint srcBottomRight,
                      OffscreenSurface* dst, ShortPoint dstTopLeft, int alpha);
void BlendIntoPort(OffscreenSurface* src, const ShortRect& r);
// The picture scaled with its top-left at (h, v), multiplied onto the port;
// white picture pixels are transparent.
void DrawPictureScaled(PictureHandle pic, int h, int v, const ShortRect& clip, double scale);
