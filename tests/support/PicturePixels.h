// The pixels of a picture, top byte cleared, in the block's order (bottom
// row first).
#pragma once

#include "CoreUtilities/PictureHandle.h"

#include <cstdint>
#include <vector>

std::vector<uint32_t> PicturePixels(PictureHandle picture);
