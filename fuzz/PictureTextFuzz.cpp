// The picture reader of documents: any bytes as PNG, and the same bytes as
// picture text. A picture it makes has sizes a picture can have and frees
// everything it took.
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/PictureHandle.h"
#include "document/PictureText.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

void Check(PictureHandle picture)
{
    if (!picture)
        return;
    ShortRect bounds;
    GetPictureBounds(picture, bounds);
    int width = ShortRectWidth(bounds), height = ShortRectHeight(bounds);
    FuzzRequire(width >= 1 && height >= 1 && static_cast<uint32_t>(width) <= kMaxPictureSide &&
                    static_cast<uint32_t>(height) <= kMaxPictureSide,
                "sizes a picture can have");
    FuzzRequire(GlobalHandleSize(picture) >= sizeof(DibHeader) + 4ull * width * height, "pixels fit the block");
    FreeGlobalHandle(picture);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    double before = MemoryBudgetCount();
    // An exact heap copy, so that a read past the end is caught.
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[size ? size : 1]);
    std::memcpy(bytes.get(), data, size);
    Check(DecodePngPicture(bytes.get(), size));
    size_t textLength = std::min<size_t>(size, 1 << 16);
    std::unique_ptr<char[]> text(new char[textLength ? textLength : 1]);
    std::memcpy(text.get(), data, textLength);
    Check(DecodePictureText(text.get(), static_cast<int32_t>(textLength)));
    FuzzRequire(MemoryBudgetCount() == before, "nothing kept");
    return 0;
}
