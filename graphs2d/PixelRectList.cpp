#include "graphs2d/PixelRectList.h"

#include <algorithm>

namespace {

// The part of (top, left, bottom, right) inside clip; false when empty.
bool ClipToRect(int32_t top, int32_t left, int32_t bottom, int32_t right, const ShortRect& clip, ShortRect* out)
{
    top = std::max<int32_t>(top, clip.top);
    left = std::max<int32_t>(left, clip.left);
    bottom = std::min<int32_t>(bottom, clip.bottom);
    right = std::min<int32_t>(right, clip.right);
    if (top >= bottom || left >= right)
        return false;
    SetShortRect(*out, top, left, bottom, right);
    return true;
}

}  // namespace

bool RowRangeOfRects(const PixelRectList& list, int32_t* top, int32_t* bottom)
{
    if (list.count == 0)
        return false;
    int32_t t = list[0].top, b = list[0].bottom;
    for (const ShortRect& r : list) {
        t = std::min<int32_t>(t, r.top);
        b = std::max<int32_t>(b, r.bottom);
    }
    *top = t;
    *bottom = b;
    return true;
}

void OffsetAndClipRects(PixelRectList& list, int32_t dx, int32_t dy, const ShortRect& clip)
{
    int32_t kept = 0;
    for (int32_t i = 0; i < list.count; ++i) {
        const ShortRect& r = list[i];
        ShortRect moved;
        if (ClipToRect(r.top + dy, r.left + dx, r.bottom + dy, r.right + dx, clip, &moved))
            list[kept++] = moved;
    }
    list.count = kept;
}

void AddUncoveredStrips(PixelRectList& list, const RECT& moved, const ShortRect& whole)
{
    ShortRect strip;
    if (ClipToRect(whole.top, whole.left, whole.bottom, moved.left, whole, &strip))
        list.Push(strip);
    if (ClipToRect(whole.top, moved.right, whole.bottom, whole.right, whole, &strip))
        list.Push(strip);
    const int32_t left = std::max<int32_t>(moved.left, whole.left);
    const int32_t right = std::min<int32_t>(moved.right, whole.right);
    if (ClipToRect(whole.top, left, moved.top, right, whole, &strip))
        list.Push(strip);
    if (ClipToRect(moved.bottom, left, whole.bottom, right, whole, &strip))
        list.InsertAt(0, strip);
}
