#include "drawing/Rasteriser.h"

#include "drawing/DDUtils.h"
#include "drawing/DrawingPort.h"
#include "CoreUtilities/SegmentClip.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr int kPortBlendAlpha = 64;

uint32_t Channels(int r, int g, int b)
{
    return (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
}

// The locked port's pixel at p when p lies in clip and on the port.
uint32_t* PortPixel(const ShortRect& clip, int v, int h)
{
    uint8_t* base = GetPortBaseAddress();
    ShortRect bounds;
    GetPortBounds(bounds);
    if (!base || v < clip.top || v >= clip.bottom || h < clip.left || h >= clip.right ||
        v < bounds.top || v >= bounds.bottom || h < bounds.left || h >= bounds.right)
        return nullptr;
    return reinterpret_cast<uint32_t*>(base + static_cast<size_t>(v) * GetPortRowBytes()) + h;
}

void Tint(const ShortRect& clip, int v, int h, RgbColor c)
{
    if (uint32_t* pixel = PortPixel(clip, v, h))
        *pixel = TintColorByPixel(c, *pixel);
}

int16_t ToShort(double value)
{
    return static_cast<int16_t>(std::clamp(value, -32768.0, 32767.0));
}

// Rounds half up; the same as truncating value + 0.5 for the non-negative
// coordinates of a surface, and never off the segment for negative ones.
int RoundHalfUp(double value)
{
    return static_cast<int>(std::floor(value + 0.5));
}

void TintedRun(const ShortRect& clip, ShortPoint p0, ShortPoint p1, RgbColor c, int step, bool horizontal)
{
    int fixed = horizontal ? p0.v : p0.h;
    int lo = horizontal ? clip.top : clip.left, hi = horizontal ? clip.bottom : clip.right;
    if (fixed < lo || fixed >= hi)
        return;
    if (p0.v == p1.v && p0.h == p1.h) {
        Tint(clip, p0.v, p0.h, c);
        return;
    }
    int a = horizontal ? p0.h : p0.v, b = horizontal ? p1.h : p1.v;
    if (a > b)
        std::swap(a, b);
    int first = horizontal ? clip.left : clip.top, end = horizontal ? clip.right : clip.bottom;
    if (b < first || a >= end)
        return;
    a = std::max(a, first);
    b = std::min(b, end - 1);
    step = std::max(step, 1);
    for (int i = a; i <= b; i += step) {
        if (horizontal)
            Tint(clip, fixed, i, c);
        else
            Tint(clip, i, fixed, c);
    }
}

}  // namespace

RgbColor TintColorByPixel(RgbColor c, uint32_t pixel)
{
    int l = PixelLuminance(pixel);
    return Channels((((c >> 16) & 0xFF) * l) >> 8, (((c >> 8) & 0xFF) * l) >> 8, ((c & 0xFF) * l) >> 8);
}

RgbColor TintByMaskLevel(RgbColor c, uint32_t pixel, int level)
{
    int l = PixelLuminance(pixel);
    switch (level) {
    case 1: {
        auto half = [&](int channel) { return (l * ((channel + 255) >> 1)) >> 8; };
        return Channels(half((c >> 16) & 0xFF), half((c >> 8) & 0xFF), half(c & 0xFF));
    }
    case 2: {
        int grey = l * 255 / 256;
        return Channels(grey, grey, grey);
    }
    default:
        return TintColorByPixel(c, pixel);
    }
}

void TintPortPixel(const ShortRect& clip, ShortPoint p, RgbColor c)
{
    Tint(clip, p.v, p.h, c);
}

void TintPixelInRect(const ShortRect& clip, ShortPoint p, RgbColor c)
{
    TintPortPixel(clip, p, c);
}

void DrawTintedLine(const ShortRect& clip, ShortPoint p0, ShortPoint p1, RgbColor c)
{
    if (p0.v == p1.v && p0.h == p1.h) {
        TintPortPixel(clip, p0, c);
        return;
    }
    // The line's own pixels, stepped only where they can meet the clip, so
    // that a line crossing it shows the same pixels as one that ends inside.
    int dh = p1.h - p0.h, dv = p1.v - p0.v;
    bool alongRows = std::abs(dv) < std::abs(dh);
    int steps = alongRows ? std::abs(dh) : std::abs(dv);
    int64_t first, last;
    if (IsShortRectEmpty(clip) ||
        !ClipLineSteps(p0.h, p0.v, p1.h, p1.v, clip.left, clip.top, clip.right - 1, clip.bottom - 1, steps,
                       first, last))
        return;
    double slope = alongRows ? static_cast<double>(dv) / dh : static_cast<double>(dh) / dv;
    int step = (alongRows ? dh : dv) > 0 ? 1 : -1;
    for (int k = static_cast<int>(first); k <= static_cast<int>(last); ++k) {
        int i = k * step;
        if (alongRows)
            Tint(clip, RoundHalfUp(p0.v + slope * i), p0.h + i, c);
        else
            Tint(clip, p0.v + i, RoundHalfUp(p0.h + slope * i), c);
    }
}

void DrawTintedHorizontalLine(const ShortRect& clip, ShortPoint p0, ShortPoint p1, RgbColor c, int step)
{
    TintedRun(clip, p0, p1, c, step, true);
}

void DrawTintedVerticalLine(const ShortRect& clip, ShortPoint p0, ShortPoint p1, RgbColor c, int step)
{
    TintedRun(clip, p0, p1, c, step, false);
}

void FillTintedDisc(const ShortRect& clip, int ch, int cv, int r, RgbColor c)
{
    if (r < 0 || !LockPortSurface())
        return;
    // Only the rows the clip can show.
    int first = std::max(-r, clip.top - cv), last = std::min(r, clip.bottom - 1 - cv);
    for (int i = first; i <= last; ++i) {
        double x = std::sqrt(static_cast<double>(r) * r - static_cast<double>(i) * i);
        int16_t row = ToShort(static_cast<double>(cv) + i);
        ShortPoint from{row, ToShort(std::trunc(ch - x + 0.9))};
        ShortPoint to{row, ToShort(std::trunc(ch + 0.1 + x))};
        DrawTintedHorizontalLine(clip, from, to, c, 1);
    }
    UnlockPortSurface();
}

// GCC picks the AVX2 build at load time. Clang 14 emits no callable symbol
// for such clones, and the thread sanitizer instruments their resolver,
// which the loader runs before the sanitizer has started: those builds keep
// one plain version.
#if defined(__clang__) || defined(__SANITIZE_THREAD__)
#define VL_PIXEL_RUN_CLONES
#else
#define VL_PIXEL_RUN_CLONES __attribute__((target_clones("avx2", "default")))
#endif
VL_PIXEL_RUN_CLONES void FillPixelRun(uint32_t* pixels, int32_t count, uint32_t value)
{
    if (count < 8) {
        for (int32_t i = 0; i < count; ++i)
            pixels[i] = value;
        return;
    }
    // Eight pixels a store (two stores without the wider registers): the
    // first and the last eight, which may overlap what lies between, and
    // between them stores on 32-byte boundaries, four at a time.
    // Stores go through memcpy: an unaligned vector store on every compiler
    // (clang does not lower a vector type's alignment below its size).
    using Octet = uint32_t __attribute__((vector_size(32)));
    const Octet octet = {value, value, value, value, value, value, value, value};
    auto store = [&octet](uint32_t* at) { std::memcpy(at, &octet, sizeof octet); };
    store(pixels);
    store(pixels + count - 8);
    int32_t last = count - 8;
    int32_t i = static_cast<int32_t>((32 - reinterpret_cast<uintptr_t>(pixels) % 32) % 32 / 4);
    for (; i + 32 <= last; i += 32) {
        store(pixels + i);
        store(pixels + i + 8);
        store(pixels + i + 16);
        store(pixels + i + 24);
    }
    for (; i < last; i += 8)
        store(pixels + i);
}

void FillTriangleSolid(const ShortRect& bounds, float x0, float y0, float x1, float y1, float x2,
                       float y2, uint32_t value, uint8_t* pixels, int32_t rowBytes)
{
    struct Vertex {
        float x;
        int y;
    };
    for (float f : {x0, y0, x1, y1, x2, y2})
        if (!std::isfinite(f) || std::fabs(f) > 1e6f)
            return;
    Vertex v[3] = {{x0, static_cast<int>(std::floor(y0))},
                   {x1, static_cast<int>(std::floor(y1))},
                   {x2, static_cast<int>(std::floor(y2))}};
    if (!pixels || (v[0].y == v[1].y && v[1].y == v[2].y) || (x0 == x1 && x1 == x2))
        return;
    std::sort(v, v + 3, [](const Vertex& a, const Vertex& b) { return a.y < b.y; });
    const Vertex &top = v[0], &mid = v[1], &bottom = v[2];
    auto slope = [](const Vertex& a, const Vertex& b) {
        return b.y == a.y ? 0.0f : (b.x - a.x) / static_cast<float>(b.y - a.y);
    };
    // The long edge runs top to bottom; the short one top to middle, then
    // middle to bottom. The middle vertex's side decides which is left.
    float cross = (mid.x - top.x) * static_cast<float>(bottom.y - top.y) -
                  static_cast<float>(mid.y - top.y) * (bottom.x - top.x);
    bool shortOnLeft = cross < 0;
    float longSlope = slope(top, bottom), upperSlope = slope(top, mid), lowerSlope = slope(mid, bottom);
    int firstRow = std::max(top.y, static_cast<int>(bounds.top));
    int endRow = std::min(bottom.y, static_cast<int>(bounds.bottom));
    for (int y = firstRow; y < endRow; ++y) {
        float longX = top.x + longSlope * static_cast<float>(y - top.y);
        float shortX = y < mid.y ? top.x + upperSlope * static_cast<float>(y - top.y)
                                 : mid.x + lowerSlope * static_cast<float>(y - mid.y);
        float xl = shortOnLeft ? shortX : longX, xr = shortOnLeft ? longX : shortX;
        float lo = std::clamp(std::floor(xl), static_cast<float>(bounds.left), static_cast<float>(bounds.right));
        float hi = std::clamp(std::floor(xr), static_cast<float>(bounds.left), static_cast<float>(bounds.right));
        auto* row = reinterpret_cast<uint32_t*>(pixels + static_cast<ptrdiff_t>(y) * rowBytes);
        FillPixelRun(row + static_cast<int>(lo), static_cast<int>(hi) - static_cast<int>(lo), value);
    }
}

void BlendSurfaceInto(OffscreenSurface* src, ShortPoint srcTopLeft, ShortPoint srcBottomRight,
                      OffscreenSurface* dst, ShortPoint dstTopLeft, int alpha)
{
    if (!LockSurface(src))
        return;
    if (!LockSurface(dst)) {
        UnlockSurface(src);
        return;
    }
    alpha = std::clamp(alpha, 0, 255);
    // The block shrinks to what lies on both surfaces.
    int top = std::max({int{srcTopLeft.v}, int{src->bounds.top}, srcTopLeft.v - dstTopLeft.v});
    int left = std::max({int{srcTopLeft.h}, int{src->bounds.left}, srcTopLeft.h - dstTopLeft.h});
    int bottom = std::min({int{srcBottomRight.v}, int{src->bounds.bottom},
                           srcTopLeft.v - dstTopLeft.v + dst->bounds.bottom});
    int right = std::min({int{srcBottomRight.h}, int{src->bounds.right},
                          srcTopLeft.h - dstTopLeft.h + dst->bounds.right});
    for (int y = top; y < bottom; ++y) {
        auto* in = reinterpret_cast<const uint32_t*>(src->pixels + static_cast<size_t>(y) * src->rowBytes);
        auto* out = reinterpret_cast<uint32_t*>(
            dst->pixels + static_cast<size_t>(y - srcTopLeft.v + dstTopLeft.v) * dst->rowBytes);
        for (int x = left; x < right; ++x) {
            uint32_t s = in[x], &d = out[x - srcTopLeft.h + dstTopLeft.h];
            uint32_t mixed = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                uint32_t channel = (((d >> shift) & 0xFF) * (255 - alpha) + ((s >> shift) & 0xFF) * alpha) / 255;
                mixed |= channel << shift;
            }
            d = mixed;
        }
    }
    UnlockSurface(dst);
    UnlockSurface(src);
}

void BlendIntoPort(OffscreenSurface* src, const ShortRect& r)
{
    // Direct pixel work must not overlap the device context's drawing.
    bool heldDC = !PortHasNoDC();
    ReleasePortDC();
    BlendSurfaceInto(src, ShortPoint{0, 0},
                     ShortPoint{static_cast<int16_t>(ShortRectHeight(r)), static_cast<int16_t>(ShortRectWidth(r))},
                     CurrentPort, ShortPoint{r.top, r.left}, kPortBlendAlpha);
    if (heldDC)
        AcquirePortDC();
}

void DrawPictureScaled(PictureHandle pic, int h, int v, const ShortRect& clip, double scale)
{
    if (!LockPortSurface())
        return;
    uint32_t size = GlobalHandleSize(pic);
    auto* header = static_cast<DibHeader*>(size >= sizeof(DibHeader) ? LockGlobalHandle(pic) : nullptr);
    int width = header ? header->biWidth : 0, height = header ? header->biHeight : 0;
    const uint32_t* bits = header ? reinterpret_cast<const uint32_t*>(GetPackedDibBits(header)) : nullptr;
    // Only our own 32-bit bottom-up pictures whose pixels fit their block.
    bool sound = header && header->biBitCount == 32 && width > 0 && height > 0 &&
                 reinterpret_cast<const uint8_t*>(bits) + 4ull * width * height <=
                     reinterpret_cast<const uint8_t*>(header) + size;
    double sw = std::trunc(width * scale), sh = std::trunc(height * scale);
    ShortRect bounds, area;
    GetPortBounds(bounds);
    if (sound && sw >= 1 && sh >= 1 && sw <= 32767 && sh <= 32767) {
        int scaledW = static_cast<int>(sw), scaledH = static_cast<int>(sh);
        ShortRect placed;
        SetShortRect(placed, std::clamp(v, -32768, 32767), std::clamp(h, -32768, 32767),
                     std::clamp(v + scaledH, -32768, 32767), std::clamp(h + scaledW, -32768, 32767));
        if (IntersectShortRects(placed, clip, area) && IntersectShortRects(area, bounds, area)) {
            uint8_t* base = GetPortBaseAddress();
            int32_t rowBytes = GetPortRowBytes();
            for (int y = area.top; y < area.bottom; ++y) {
                int sy = static_cast<int>(int64_t{y - v} * height / scaledH);
                const uint32_t* in = bits + static_cast<size_t>(height - 1 - sy) * width;
                auto* out = reinterpret_cast<uint32_t*>(base + static_cast<size_t>(y) * rowBytes);
                for (int x = area.left; x < area.right; ++x) {
                    uint32_t s = in[int64_t{x - h} * width / scaledW] & 0xFFFFFF;
                    if (s != kWhite)
                        out[x] = TintColorByPixel(s, out[x]);
                }
            }
        }
    }
    if (header)
        UnlockGlobalHandle(pic);
    UnlockPortSurface();
}
