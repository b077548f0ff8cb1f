#include "CoreUtilities/PictureHandle.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"

#include <cstring>

namespace {

DibHeader ReadHeader(PictureHandle pic)
{
    DibHeader header{};
    if (GlobalHandleSize(pic) >= sizeof header) {
        std::memcpy(&header, LockGlobalHandle(pic), sizeof header);
        UnlockGlobalHandle(pic);
    }
    return header;
}

// Columns h .. h + width - 1, rows v - height .. v - 1.
ShortRect PlacedRect(PictureHandle pic, int h, int v)
{
    DibHeader header = ReadHeader(pic);
    ShortRect placed;
    SetShortRect(placed, v - header.biHeight, h, v, h + header.biWidth);
    return placed;
}

}  // namespace

DibHeader MakeDibHeader32(int32_t width, int32_t height)
{
    DibHeader header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = kDibRgb;
    return header;
}

PictureHandle AllocPictureHandle(const ShortRect& r)
{
    int width = ShortRectWidth(r), height = ShortRectHeight(r);
    // Sizes in 64 bits: 4 x 32767 x 32767 does not fit 32.
    uint64_t bytes = sizeof(DibHeader) + 4ull * (width > 0 ? width : 0) * (height > 0 ? height : 0);
    PictureHandle pic = nullptr;
    if (width > 0 && height > 0 &&
        static_cast<double>(bytes) <= GlobalBudgetLimit() - MemoryBudgetCount())
        pic = BudgetGlobalAlloc(static_cast<uint32_t>(bytes));
    if (!pic) {
        PostFailure(FailureOutOfMemory);
        return nullptr;
    }
    DibHeader header = MakeDibHeader32(width, height);
    std::memcpy(LockGlobalHandle(pic), &header, sizeof header);
    UnlockGlobalHandle(pic);
    return pic;
}

PictureHandle NewPictureHandle(const ShortRect& r)
{
    return AllocPictureHandle(r);
}

void GetPictureBounds(PictureHandle pic, ShortRect& out)
{
    DibHeader header = ReadHeader(pic);
    SetShortRect(out, 0, 0, header.biHeight, header.biWidth);
}

bool PointInPicture(ShortPoint p, PictureHandle pic, int h, int v)
{
    return PointInShortRect(p, PlacedRect(pic, h, v));
}

bool PictureIntersectsRect(PictureHandle pic, int h, int v, const ShortRect& r)
{
    ShortRect common;
    return IntersectShortRects(PlacedRect(pic, h, v), r, common);
}

const uint8_t* GetPackedDibBits(const DibHeader* header)
{
    uint32_t entry = header->biCompression == kDibRgb ? 4 : header->biCompression == 1 ? 2 : 1;
    size_t table = static_cast<size_t>(header->biClrUsed) * entry;
    // Bit-field DIBs carry their three colour masks where the table would be.
    if (header->biCompression == kDibBitFields && header->biClrUsed == 0)
        table = 12;
    return reinterpret_cast<const uint8_t*>(header) + sizeof(DibHeader) + table;
}

uint8_t* GetPackedDibBits(DibHeader* header)
{
    return const_cast<uint8_t*>(GetPackedDibBits(static_cast<const DibHeader*>(header)));
}

GlobalHandle DuplicateGlobalHandle(GlobalHandle mem)
{
    uint32_t size = GlobalHandleSize(mem);
    if (size == 0)
        return nullptr;
    GlobalHandle copy = BudgetGlobalAlloc(size);
    if (!copy)
        return nullptr;
    std::memcpy(LockGlobalHandle(copy), LockGlobalHandle(mem), size);
    UnlockGlobalHandle(mem);
    UnlockGlobalHandle(copy);
    return copy;
}

void FreeGlobalHandle(GlobalHandle mem)
{
    BudgetGlobalFree(mem);
}
