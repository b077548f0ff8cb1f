// A growable byte buffer of 1,024-byte pages: the output of the PNG, RTF and
// web-page writers and the input of the document scanner.
#pragma once

#include "CoreUtilities/ChunkedArray.h"

constexpr int32_t kPageBytes = 1024;

struct PagedBuffer : ChunkedArray<uint8_t, kPageBytes> {
    uint8_t* ByteAt(int32_t index) { return At(index); }
    const uint8_t* ByteAt(int32_t index) const { return At(index); }
    // 0 on success, 1 when a new page cannot be had.
    int32_t PushByte(uint8_t byte) { return Push(byte); }
    void Free() { Clear(); }
};
