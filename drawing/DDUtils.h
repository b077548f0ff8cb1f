// Surface utilities of the drawing floor on plain memory: creating,
// locking and releasing the memory behind every OffscreenSurface, the
// current drawing port and its device context.
#pragma once

#include "drawing/OffscreenSurface.h"

// The surface that port drawing goes to; null before the first one exists.
extern OffscreenSurface* CurrentPort;

// Clears the record and gives it zeroed 32-bit pixels of r's size; false
// (record cleared) for an empty or oversized rectangle or without memory.
bool CreateSurface(const ShortRect& r, bool videoMemory, bool device3D, OffscreenSurface& record);
// Frees the pixels (and a device context still held) and clears the record.
void ReleaseSurfaceInterfaces(OffscreenSurface& record);
// Locks nest; the last unlock forgets the pixel address and row bytes.
bool LockDDSurface(OffscreenSurface& record);
bool UnlockDDSurface(OffscreenSurface& record);
bool AcquireSurfaceDC(OffscreenSurface& record);
void ReleaseSurfaceDC(OffscreenSurface& record);

OffscreenSurface* SetCurrentPort(OffscreenSurface* surface);
bool AcquirePortDC();
void ReleasePortDC();
bool PortHasNoDC();

// Frees a plain heap block without running destructors; null-safe.
void FreeObject(void* block);
