// 32-bit drawing surfaces in memory we own: top-down rows of 0xAARRGGBB
// words, locked (counted) for direct pixel access, with a device context
// while the drawing port holds one.
#pragma once

#include "CoreUtilities/ShortRect.h"

#include <cstdint>

class PortDC;

struct OffscreenSurface {
    uint32_t* memory;   // the surface's pixels, owned; null once released
    uint8_t* pixels;    // first pixel while locked, else null
    int32_t rowBytes;   // while locked, else 0
    int32_t bitsPerPixel;
    int32_t lockCount;
    PortDC* dc;         // while held
    ShortRect bounds;   // {0, 0, height, width}
    ShortRect placement;  // the rectangle it was made for, in its window's coordinates
    uint8_t locked;
    uint8_t ownsDC;     // dc was made for this surface (not lent by SetPortDC)
    uint8_t lost;       // the contents are gone until the surface is restored
};

// Null with failure 49 posted when the surface cannot be made (empty, too
// large or out of memory).
OffscreenSurface* NewOffscreenSurface(const ShortRect& r);
void DisposeOffscreenSurface(OffscreenSurface* s);
// Usable while it holds its pixels or can get them back by a restore.
bool IsSurfaceUsable(const OffscreenSurface* s);
bool LockSurface(OffscreenSurface* s);
bool LockSurfacePixels(OffscreenSurface* s);
bool UnlockSurface(OffscreenSurface* s);
bool IsNullSurface(const OffscreenSurface* s);
bool IsSurfaceLocked(const OffscreenSurface* s);
ShortRect GetSurfacePlacement(const OffscreenSurface* s);
uint8_t* GetSurfaceBaseAddress(const OffscreenSurface* s);
int32_t GetSurfaceRowBytes(const OffscreenSurface* s);
ShortRect GetSurfaceBounds(const OffscreenSurface* s);

// Copies srcRect of src onto dstRect of dst, both in their windows'
// coordinates; a source exactly twice the destination is first halved in
// place by a 2x2 average. 0 on success; an error (failure 49 posted) for
// rectangles outside the surfaces.
int32_t CopySurfaceRect(OffscreenSurface* src, OffscreenSurface* dst, const ShortRect& srcRect,
                        const ShortRect& dstRect);
// Averages each 2x2 block of r (surface coordinates) into (r.top / 2 + i, r.left / 2 + j).
void DownsampleSurface2x(OffscreenSurface* s, const ShortRect& r);

constexpr int32_t kBlitInvalidRect = static_cast<int32_t>(0x88760096);
