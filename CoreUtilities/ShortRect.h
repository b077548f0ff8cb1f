// 16-bit screen geometry: rectangles with exclusive bottom and right edges,
// points, and colours, with the window system's 32-bit forms.
#pragma once

#include <cstdint>

struct ShortRect {
    int16_t top, left, bottom, right;
};

// v is the row, h the column.
struct ShortPoint {
    int16_t v, h;
};

// 0x00RRGGBB.
using RgbColor = uint32_t;
// The window system's colour order, 0x00BBGGRR.
using ColorRef = uint32_t;

struct RECT {
    int32_t left, top, right, bottom;
};

struct POINT {
    int32_t x, y;
};

void SetShortRect(ShortRect& r, int top, int left, int bottom, int right);
bool IsShortRectEmpty(const ShortRect& r);
bool EqualShortRects(const ShortRect& a, const ShortRect& b);
void OffsetShortRect(ShortRect& r, int dh, int dv);
void InsetShortRect(ShortRect& r, int dh, int dv);
bool PointInShortRect(ShortPoint p, const ShortRect& r);
bool IntersectShortRects(const ShortRect& a, const ShortRect& b, ShortRect& out);
void PinPointToRect(ShortPoint& out, const ShortRect& r, ShortPoint p);

inline int ShortRectWidth(const ShortRect& r) { return r.right - r.left; }
inline int ShortRectHeight(const ShortRect& r) { return r.bottom - r.top; }

// A point travels as one word: v in the low half, h in the high half.
uint32_t PackShortPoint(ShortPoint p);
ShortPoint UnpackShortPoint(uint32_t word);

// 32-bit coordinates beyond the 16-bit range saturate at its ends.
int16_t SaturateToShort(int32_t value);
void RECTToShortRect(const RECT& rc, ShortRect& out);
void ShortRectToRECT(const ShortRect& r, RECT& out);
void POINTToShortPoint(const POINT& pt, ShortPoint& out);
void ShortPointToPOINT(ShortPoint p, POINT& out);
