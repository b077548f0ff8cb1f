// The pictures placed in a 2D view, drawn in list order; the list owns
// their blocks.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/PictureHandle.h"

#include <cstdint>

struct PlacedPicture {
    PictureHandle picture;
    // World position of the picture's bottom-left corner.
    double x;
    double y;
};

struct PictureList {
    GrowArray<PlacedPicture> entries;

    // 0 on success; 1 when memory runs out, the list unchanged (the caller
    // keeps the picture).
    int32_t Push(const PlacedPicture& placed) { return entries.Push(placed); }
    // Frees picture i's block and moves the later entries down.
    void RemoveAt(int32_t i);
    // Frees every block and the storage.
    void FreeAll();
};
