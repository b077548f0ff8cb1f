// The program's bitmap resources (":/bitmaps/<id>.bmp" in the resources).
#pragma once

#include "CoreUtilities/PictureHandle.h"

#include <cstdint>
#include <vector>

struct BitmapPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // top-down 0x00RRGGBB
};

bool LoadBitmapResource(int id, BitmapPixels& out);
// The resource as a packed bottom-up 32-bit DIB that stays for the whole
// run; null for a missing resource.
const DibHeader* LockBitmapResource(int id);
