#include "support/PicturePixels.h"

std::vector<uint32_t> PicturePixels(PictureHandle picture)
{
    auto* header = static_cast<DibHeader*>(LockGlobalHandle(picture));
    auto* bits = reinterpret_cast<const uint32_t*>(GetPackedDibBits(header));
    std::vector<uint32_t> out(bits, bits + static_cast<size_t>(header->biWidth) * header->biHeight);
    UnlockGlobalHandle(picture);
    for (uint32_t& pixel : out)
        pixel &= 0xFFFFFF;
    return out;
}
