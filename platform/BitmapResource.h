// The program's bitmap resources (":/bitmaps/<id>.png" in the resources).
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
// The greys of button pictures become the system's button colours: shadow
// (128), face (192) and light (223).
void MapButtonColours(BitmapPixels& bitmap);
// The resource as a packed bottom-up 32-bit DIB that stays for the whole
// run; null for a missing resource.
const DibHeader* LockBitmapResource(int id);
