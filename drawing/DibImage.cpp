#include "drawing/DibImage.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "platform/ScreenMetrics.h"

#include <new>

namespace {

constexpr int64_t kPixelLimit = int64_t{1} << 30;

}  // namespace

DibImage* NewDibImage(const ShortRect& r)
{
    int width = ShortRectWidth(r), height = ShortRectHeight(r);
    int64_t count = int64_t{width} * height;
    DibImage* d = nullptr;
    if (width > 0 && height > 0 && count < kPixelLimit &&
        4.0 * static_cast<double>(count) <= HeapBudgetLimit() - MemoryBudgetCount())
        d = new (std::nothrow) DibImage{};
    if (d) {
        d->pixels = static_cast<uint32_t*>(BudgetMalloc(static_cast<uint32_t>(count * 4), false));
        if (!d->pixels) {
            delete d;
            d = nullptr;
        }
    }
    if (!d) {
        PostFailure(FailureOutOfMemory);
        return nullptr;
    }
    DibHeader& h = d->header;
    h = MakeDibHeader32(width, height);
    ScreenPixelsPerMetre(h.biXPelsPerMeter, h.biYPelsPerMeter);
    return d;
}

void DisposeDibImage(DibImage* d)
{
    if (!d)
        return;
    BudgetFree(d->pixels);
    delete d;
}

uint32_t* GetDibImageBits(DibImage* d)
{
    return d ? d->pixels : nullptr;
}

int32_t GetDibImageRowBytes(const DibImage* d)
{
    return d ? 4 * d->header.biWidth : 0;
}
