// Device-independent bitmaps: a Windows bitmap file (".bmp"), decoded by the
// toolkit's bitmap reader into 32-bit rows, bottom row first, and turned into
// the program's picture form. Sizes are checked against the memory budget
// before anything is decoded.
#pragma once

#include "CoreUtilities/PictureHandle.h"

#include <cstddef>
#include <cstdint>

// The colour-table entries a header announces: biClrUsed when set, else
// 2, 16 or 256 for 1, 4 and 8 bits per pixel, else 0; never more than the
// bit count can index.
uint32_t DibNumColors(const DibHeader& header);

class CDib {
public:
    // The largest width and height a picture can have.
    static constexpr int32_t kMaxSide = 32767;

    CDib() = default;
    virtual ~CDib();
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    // Reads a bitmap file, with its 14-byte file header or (noFileHeader)
    // starting at the info header. The file's length, or 0 with Failure()
    // telling why; the object then holds nothing.
    size_t Read(const char* path, bool noFileHeader);
    size_t ReadBytes(const uint8_t* data, size_t size, bool noFileHeader);
    // FailureUnreadableFile for a file that is not a bitmap this reader
    // takes, FailureOutOfMemory when the budget cannot hold it; 0 after success.
    int32_t Failure() const { return failure_; }

    bool IsValid() const { return bits_ != nullptr; }
    int32_t GetWidth() const { return header_ ? header_->biWidth : 0; }
    int32_t GetHeight() const { return header_ ? header_->biHeight : 0; }
    // 0x00RRGGBB of column x, row y counted from the top; 0 outside.
    uint32_t GetPixel(int32_t x, int32_t y) const;
    // An opaque picture of the bitmap; null (failure 36 posted) without
    // memory or without a bitmap.
    PictureHandle MakePicture() const;
    void Free();

private:
    friend struct DibDecoder;
    uint32_t* bits_ = nullptr;      // 32-bit rows, bottom row first
    DibHeader* header_ = nullptr;   // 32 bits per pixel, no colour table
    int32_t failure_ = 0;
};
