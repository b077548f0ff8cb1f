// The bitmap reader of dropped files and pasted bitmaps: any bytes, with and
// without the file header, and what it accepts turned into a picture.
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/PictureHandle.h"
#include "fuzz/FuzzCheck.h"
#include "platform/CDib.h"

#include <cstdint>

namespace {

void ReadOne(const uint8_t* data, size_t size, bool noFileHeader)
{
    double before = MemoryBudgetCount();
    {
        CDib dib;
        size_t read = dib.ReadBytes(data, size, noFileHeader);
        FuzzRequire(read == 0 || read == size, "the whole input or nothing");
        FuzzRequire(!read || (dib.IsValid() && dib.Failure() == 0), "a read bitmap is valid");
        FuzzRequire(read || (!dib.IsValid() && dib.Failure() != 0), "a refusal says why and keeps nothing");
        if (read) {
            FuzzRequire(dib.GetWidth() >= 1 && dib.GetWidth() <= CDib::kMaxSide && dib.GetHeight() >= 1 &&
                            dib.GetHeight() <= CDib::kMaxSide,
                        "sizes a picture can have");
            uint32_t mix = 0;
            for (int32_t y = 0; y < dib.GetHeight(); y += 7)
                for (int32_t x = 0; x < dib.GetWidth(); x += 7)
                    mix ^= dib.GetPixel(x, y);
            FuzzRequire(mix <= 0xFFFFFF, "pixels are 0x00RRGGBB");
            FreeGlobalHandle(dib.MakePicture());
        }
    }
    FuzzRequire(MemoryBudgetCount() == before, "everything taken is given back");
    ResetFailureRegister();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadOne(data, size, false);
    ReadOne(data, size, true);
    return 0;
}
