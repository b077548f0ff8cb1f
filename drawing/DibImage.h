// A plain 32-bit bottom-up image: the graph pane's software frame and textures.
#pragma once

#include "CoreUtilities/PictureHandle.h"

struct DibImage {
    DibHeader header;
    uint32_t* pixels;  // 4 x width x height bytes
};

// Null, with failure 36 posted, for an empty rectangle, 2^30 pixels or more,
// or when memory is refused.
DibImage* NewDibImage(const ShortRect& r);
void DisposeDibImage(DibImage* d);
uint32_t* GetDibImageBits(DibImage* d);
int32_t GetDibImageRowBytes(const DibImage* d);
