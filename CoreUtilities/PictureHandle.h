// Pictures: movable blocks holding a packed bottom-up 32-bit DIB (a 40-byte
// header, then 4 x width x height bytes of pixels, bottom row first).
#pragma once

#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/ShortRect.h"

#include <cstdint>

struct DibHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(DibHeader) == 40);

constexpr uint32_t kDibRgb = 0;
constexpr uint32_t kDibBitFields = 3;

using PictureHandle = GlobalHandle;

// The header of an uncompressed 32-bit bottom-up image of that size.
DibHeader MakeDibHeader32(int32_t width, int32_t height);

// A zeroed picture of r's size; null, with failure 36 posted, for an empty
// or oversized rectangle or when the budget refuses the block.
PictureHandle AllocPictureHandle(const ShortRect& r);
PictureHandle NewPictureHandle(const ShortRect& r);
void GetPictureBounds(PictureHandle pic, ShortRect& out);
// The picture placed with its bottom-left corner at (h, v).
bool PointInPicture(ShortPoint p, PictureHandle pic, int h, int v);
bool PictureIntersectsRect(PictureHandle pic, int h, int v, const ShortRect& r);
// The first pixel after the header and its colour table (or bit-field masks).
uint8_t* GetPackedDibBits(DibHeader* header);
const uint8_t* GetPackedDibBits(const DibHeader* header);
// A copy in a new block; null for a null or empty block or without memory.
GlobalHandle DuplicateGlobalHandle(GlobalHandle mem);
void FreeGlobalHandle(GlobalHandle mem);
