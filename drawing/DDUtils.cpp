#include "drawing/DDUtils.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "platform/PortDC.h"

#include <cstdlib>

OffscreenSurface* CurrentPort = nullptr;

namespace {

void ClearRecord(OffscreenSurface& record)
{
    record = OffscreenSurface{};
}

}  // namespace

bool CreateSurface(const ShortRect& r, bool /*videoMemory*/, bool /*device3D*/,
                   OffscreenSurface& record)
{
    // Every surface lives in system memory; the video-memory and 3D requests
    // of the original surfaces have no meaning here.
    ClearRecord(record);
    int width = ShortRectWidth(r), height = ShortRectHeight(r);
    if (width <= 0 || height <= 0)
        return false;
    double bytes = 4.0 * width * height;
    if (bytes > HeapBudgetLimit())
        return false;
    auto* memory = static_cast<uint32_t*>(std::calloc(static_cast<size_t>(width) * height, 4));
    if (!memory)
        return false;
    record.memory = memory;
    record.bitsPerPixel = 32;
    SetShortRect(record.bounds, 0, 0, height, width);
    record.placement = r;
    return true;
}

void ReleaseSurfaceInterfaces(OffscreenSurface& record)
{
    ReleaseSurfaceDC(record);
    std::free(record.memory);
    ClearRecord(record);
}

bool LockDDSurface(OffscreenSurface& record)
{
    if (!record.memory) {
        PostFailure(FailureRendering);
        return false;
    }
    ++record.lockCount;
    record.pixels = reinterpret_cast<uint8_t*>(record.memory);
    record.rowBytes = 4 * ShortRectWidth(record.bounds);
    record.locked = 1;
    return true;
}

bool UnlockDDSurface(OffscreenSurface& record)
{
    if (!record.memory || record.lockCount < 1) {
        PostFailure(FailureRendering);
        return false;
    }
    if (--record.lockCount < 1) {
        record.locked = 0;
        record.pixels = nullptr;
        record.rowBytes = 0;
    }
    return true;
}

bool AcquireSurfaceDC(OffscreenSurface& record)
{
    // A second device context for the same surface is refused, as the
    // system refused it; the one already held stays.
    if (!record.memory || record.dc) {
        PostFailure(FailureRendering);
        return false;
    }
    record.dc = PortDC::NewForPixels(record.memory, ShortRectWidth(record.bounds),
                                     ShortRectHeight(record.bounds),
                                     4 * ShortRectWidth(record.bounds));
    if (!record.dc) {
        PostFailure(FailureRendering);
        return false;
    }
    record.ownsDC = 1;
    return true;
}

void ReleaseSurfaceDC(OffscreenSurface& record)
{
    // Each acquisition makes a fresh context with its own objects, so
    // releasing it has nothing to put back.
    if (record.ownsDC)
        delete record.dc;
    record.dc = nullptr;
    record.ownsDC = 0;
}

OffscreenSurface* SetCurrentPort(OffscreenSurface* surface)
{
    CurrentPort = surface;
    return surface;
}

bool AcquirePortDC()
{
    return CurrentPort && AcquireSurfaceDC(*CurrentPort);
}

void ReleasePortDC()
{
    if (CurrentPort)
        ReleaseSurfaceDC(*CurrentPort);
}

bool PortHasNoDC()
{
    return !CurrentPort || !CurrentPort->dc;
}

void FreeObject(void* block)
{
    std::free(block);
}
