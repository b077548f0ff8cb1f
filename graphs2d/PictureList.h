// The pictures placed in a 2D view, drawn in list order; the list owns
// their blocks.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/PictureHandle.h"
#include "document/DocumentViewSettings.h"

#include <cstdint>

// The same record a document file's view settings hold, so that the list
// and the file share one shape: the picture and the world position of its
// bottom-left corner.
using PlacedPicture = PlacedPictureRecord;

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
