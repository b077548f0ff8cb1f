#include "drawing/OffscreenSurface.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "drawing/DDUtils.h"

#include <cstring>
#include <new>

namespace {

bool Contains(const ShortRect& outer, const ShortRect& inner)
{
    return inner.top >= outer.top && inner.left >= outer.left && inner.bottom <= outer.bottom &&
           inner.right <= outer.right;
}

ShortRect Local(const ShortRect& r, const ShortRect& placement)
{
    ShortRect local;
    SetShortRect(local, r.top - placement.top, r.left - placement.left, r.bottom - placement.top,
                 r.right - placement.left);
    return local;
}

uint32_t* PixelAt(OffscreenSurface* s, int row, int column)
{
    return s->memory + static_cast<size_t>(row) * ShortRectWidth(s->bounds) + column;
}

// Same size: row copies (memmove, the blocks may overlap within one
// surface); other sizes: nearest-pixel stretch.
void Blit(OffscreenSurface* src, OffscreenSurface* dst, const ShortRect& from, const ShortRect& to)
{
    int sw = ShortRectWidth(from), sh = ShortRectHeight(from);
    int dw = ShortRectWidth(to), dh = ShortRectHeight(to);
    if (sw == dw && sh == dh) {
        bool upward = src == dst && to.top > from.top;
        for (int k = 0; k < dh; ++k) {
            int i = upward ? dh - 1 - k : k;
            std::memmove(PixelAt(dst, to.top + i, to.left), PixelAt(src, from.top + i, from.left),
                         static_cast<size_t>(dw) * 4);
        }
        return;
    }
    for (int i = 0; i < dh; ++i) {
        const uint32_t* in = PixelAt(src, from.top + static_cast<int>(int64_t{i} * sh / dh), from.left);
        uint32_t* out = PixelAt(dst, to.top + i, to.left);
        for (int j = 0; j < dw; ++j)
            out[j] = in[int64_t{j} * sw / dw];
    }
}

}  // namespace

OffscreenSurface* NewOffscreenSurface(const ShortRect& r)
{
    auto* s = new (std::nothrow) OffscreenSurface{};
    if (!s || !CreateSurface(r, false, false, *s)) {
        delete s;
        PostFailure(FailureRendering);
        return nullptr;
    }
    return s;
}

void DisposeOffscreenSurface(OffscreenSurface* s)
{
    if (!s)
        return;
    if (IsSurfaceUsable(s))
        ReleaseSurfaceInterfaces(*s);
    // The port never points at a freed record.
    if (CurrentPort == s)
        CurrentPort = nullptr;
    delete s;
}

bool IsSurfaceUsable(const OffscreenSurface* s)
{
    return s && (s->memory || s->lost);
}

bool LockSurface(OffscreenSurface* s)
{
    return s && LockDDSurface(*s);
}

bool LockSurfacePixels(OffscreenSurface* s)
{
    return LockSurface(s);
}

bool UnlockSurface(OffscreenSurface* s)
{
    return IsSurfaceUsable(s) && UnlockDDSurface(*s);
}

bool IsNullSurface(const OffscreenSurface* s)
{
    return !s || !s->memory;
}

bool IsSurfaceLocked(const OffscreenSurface* s)
{
    return s && s->locked;
}

ShortRect GetSurfacePlacement(const OffscreenSurface* s)
{
    return s ? s->placement : ShortRect{0, 0, 0, 0};
}

uint8_t* GetSurfaceBaseAddress(const OffscreenSurface* s)
{
    return s ? s->pixels : nullptr;
}

int32_t GetSurfaceRowBytes(const OffscreenSurface* s)
{
    return s ? s->rowBytes : 0;
}

ShortRect GetSurfaceBounds(const OffscreenSurface* s)
{
    return s ? s->bounds : ShortRect{0, 0, 0, 0};
}

int32_t CopySurfaceRect(OffscreenSurface* src, OffscreenSurface* dst, const ShortRect& srcRect,
                        const ShortRect& dstRect)
{
    if (!IsSurfaceUsable(src) || !IsSurfaceUsable(dst)) {
        PostFailure(FailureRendering);
        return kBlitInvalidRect;
    }
    // Everything happens in surface coordinates, so the reduction and the
    // copy agree wherever the surfaces are placed in their windows.
    ShortRect from = Local(srcRect, src->placement);
    ShortRect to = Local(dstRect, dst->placement);
    if (IsShortRectEmpty(from) || IsShortRectEmpty(to) || !Contains(src->bounds, from) ||
        !Contains(dst->bounds, to)) {
        PostFailure(FailureRendering);
        return kBlitInvalidRect;
    }
    // Locking restores a surface whose pixels were lost.
    if (!LockSurface(src))
        return kBlitInvalidRect;
    if (!LockSurface(dst)) {
        UnlockSurface(src);
        return kBlitInvalidRect;
    }
    if (ShortRectWidth(from) == 2 * ShortRectWidth(to) &&
        ShortRectHeight(from) == 2 * ShortRectHeight(to)) {
        DownsampleSurface2x(src, from);
        SetShortRect(from, from.top / 2, from.left / 2, from.top / 2 + ShortRectHeight(to),
                     from.left / 2 + ShortRectWidth(to));
    }
    Blit(src, dst, from, to);
    UnlockSurface(dst);
    UnlockSurface(src);
    return 0;
}

void DownsampleSurface2x(OffscreenSurface* s, const ShortRect& r)
{
    ShortRect area;
    if (!IntersectShortRects(r, GetSurfaceBounds(s), area) || !LockSurface(s))
        return;
    // In place and in ascending order: each output pixel lies at or before
    // the first of its four inputs, which are read before it is written.
    int rows = ShortRectHeight(area) / 2, columns = ShortRectWidth(area) / 2;
    for (int i = 0; i < rows; ++i) {
        const uint32_t* upper = PixelAt(s, area.top + 2 * i, area.left);
        const uint32_t* lower = PixelAt(s, area.top + 2 * i + 1, area.left);
        uint32_t* out = PixelAt(s, area.top / 2 + i, area.left / 2);
        for (int j = 0; j < columns; ++j) {
            uint32_t a = upper[2 * j], b = upper[2 * j + 1], c = lower[2 * j], d = lower[2 * j + 1];
            // Red and blue summed side by side (16 bits apart, so no carry
            // reaches the other), green on its own; the fourth byte drops.
            uint32_t redBlue = (a & 0xFF00FF) + (b & 0xFF00FF) + (c & 0xFF00FF) + (d & 0xFF00FF);
            uint32_t green = (a & 0xFF00) + (b & 0xFF00) + (c & 0xFF00) + (d & 0xFF00);
            out[j] = ((redBlue >> 2) & 0xFF00FF) | ((green >> 2) & 0xFF00);
        }
    }
    UnlockSurface(s);
}
