#include "CoreUtilities/ShortRect.h"

#include <algorithm>

void SetShortRect(ShortRect& r, int top, int left, int bottom, int right)
{
    r.top = static_cast<int16_t>(top);
    r.left = static_cast<int16_t>(left);
    r.bottom = static_cast<int16_t>(bottom);
    r.right = static_cast<int16_t>(right);
}

bool IsShortRectEmpty(const ShortRect& r)
{
    return !(r.top < r.bottom && r.left < r.right);
}

bool EqualShortRects(const ShortRect& a, const ShortRect& b)
{
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

void OffsetShortRect(ShortRect& r, int dh, int dv)
{
    SetShortRect(r, r.top + dv, r.left + dh, r.bottom + dv, r.right + dh);
}

void InsetShortRect(ShortRect& r, int dh, int dv)
{
    int left = r.left + dh, right = r.right - dh;
    int top = r.top + dv, bottom = r.bottom - dv;
    // Never inverted: a rectangle inset past its middle collapses onto its first edge.
    if (right < left)
        right = left;
    if (bottom < top)
        bottom = top;
    SetShortRect(r, top, left, bottom, right);
}

bool PointInShortRect(ShortPoint p, const ShortRect& r)
{
    return r.top <= p.v && p.v < r.bottom && r.left <= p.h && p.h < r.right;
}

bool IntersectShortRects(const ShortRect& a, const ShortRect& b, ShortRect& out)
{
    ShortRect common;
    SetShortRect(common, std::max(a.top, b.top), std::max(a.left, b.left),
                 std::min(a.bottom, b.bottom), std::min(a.right, b.right));
    if (IsShortRectEmpty(a) || IsShortRectEmpty(b) || IsShortRectEmpty(common)) {
        out = ShortRect{0, 0, 0, 0};
        return false;
    }
    out = common;
    return true;
}

void PinPointToRect(ShortPoint& out, const ShortRect& r, ShortPoint p)
{
    int h = p.h, v = p.v;
    if (h < r.left)
        h = r.left;
    else if (h >= r.right)
        h = r.right - 1;
    if (v < r.top)
        v = r.top;
    else if (v >= r.bottom)
        v = r.bottom - 1;
    out.h = static_cast<int16_t>(h);
    out.v = static_cast<int16_t>(v);
}

uint32_t PackShortPoint(ShortPoint p)
{
    return static_cast<uint16_t>(p.v) | (static_cast<uint32_t>(static_cast<uint16_t>(p.h)) << 16);
}

ShortPoint UnpackShortPoint(uint32_t word)
{
    return ShortPoint{static_cast<int16_t>(word & 0xFFFF), static_cast<int16_t>(word >> 16)};
}

int16_t SaturateToShort(int32_t value)
{
    return static_cast<int16_t>(std::clamp<int32_t>(value, INT16_MIN, INT16_MAX));
}

void RECTToShortRect(const RECT& rc, ShortRect& out)
{
    out.top = SaturateToShort(rc.top);
    out.left = SaturateToShort(rc.left);
    out.bottom = SaturateToShort(rc.bottom);
    out.right = SaturateToShort(rc.right);
}

void ShortRectToRECT(const ShortRect& r, RECT& out)
{
    out = RECT{r.left, r.top, r.right, r.bottom};
}

void POINTToShortPoint(const POINT& pt, ShortPoint& out)
{
    out.v = SaturateToShort(pt.y);
    out.h = SaturateToShort(pt.x);
}

void ShortPointToPOINT(ShortPoint p, POINT& out)
{
    out = POINT{p.h, p.v};
}
