// Surface utilities of the drawing floor on plain memory: starting and
// stopping the surface service, creating, locking (with the restore a lost
// surface needs) and releasing the memory behind every OffscreenSurface,
// the current drawing port and its device context, copies between 32-bit
// pixel buffers, painting a surface into the graph pane, and the names of
// the failure codes that the log shows.
#pragma once

#include "drawing/OffscreenSurface.h"
#include "platform/Region.h"
#include "platform/WindowHandle.h"

#include <cstdint>

// The surface that port drawing goes to; null before the first one exists.
extern OffscreenSurface* CurrentPort;
// Set while the pane handles a change of the display: surfaces are being
// remade, so restoring a lost one is pointless and a lock just fails.
extern uint8_t DisplayChangeInProgress;

// Failure codes of the surface operations, with the values and names the log uses.
enum DXResult : int32_t {
    DDERR_GENERIC = static_cast<int32_t>(0x80004005),
    DDERR_OUTOFMEMORY = static_cast<int32_t>(0x8007000E),
    DDERR_INVALIDOBJECT = static_cast<int32_t>(0x88760082),
    DDERR_INVALIDRECT = static_cast<int32_t>(0x88760096),
    DDERR_SURFACELOST = static_cast<int32_t>(0x887601C2),
    DDERR_NOTLOCKED = static_cast<int32_t>(0x88760248),
    DDERR_WRONGMODE = static_cast<int32_t>(0x8876024B),
    DDERR_DCALREADYCREATED = static_cast<int32_t>(0x8876026C),
    DDERR_NOCLIPPERATTACHED = static_cast<int32_t>(0x88760238),
};

// Start-up and exit. Memory surfaces always exist, so the start only forgets
// the port; ReinitDirectDraw remakes the port's pane surface after a change
// of the display.
bool InitDirectDraw();
void ShutdownDirectDraw();
bool ReinitDirectDraw();
bool EnumerateDDDevices();
// The software renderer is always there.
bool HasSoftware3DDevice();
bool CreatePrimarySurface();
void ReleasePrimarySurface();
void ReleaseDirectDrawObjects();
// The graph pane window that PaintSurfaceToWindow paints into.
bool SetClipperWindow(WindowHandle window);
WindowHandle GetClipperWindow();

// Clears the record and gives it zeroed 32-bit pixels of r's size; false
// (record cleared, logged) for an empty or oversized rectangle or without memory.
bool CreateSurface(const ShortRect& r, bool videoMemory, bool device3D, OffscreenSurface& record);
// A surface of the document's graph pane rectangle (failure 49 when refused);
// the Recreate form releases what the record held first.
bool CreatePaneSurface(WindowHandle window, OffscreenSurface& record);
bool RecreatePaneSurface(WindowHandle window, OffscreenSurface& record);
// Frees the pixels (and a device context still held) and clears the record.
void ReleaseSurfaceInterfaces(OffscreenSurface& record);
// The window system took the surface's contents back: its pixels are gone
// (kept, unread, while a lock or device context still points at them) until
// a lock or a device context restores the surface as zeroed pixels.
void MarkSurfaceLost(OffscreenSurface& record);
// 0, DDERR_WRONGMODE during a display change, or DDERR_OUTOFMEMORY.
int32_t RestoreSurface(OffscreenSurface& record);
// Locks nest; the last unlock forgets the pixel address and row bytes. A lost
// surface is restored first, in at most ten attempts.
bool LockDDSurface(OffscreenSurface& record);
bool UnlockDDSurface(OffscreenSurface& record);
bool AcquireSurfaceDC(OffscreenSurface& record);
void ReleaseSurfaceDC(OffscreenSurface& record);

OffscreenSurface* SetCurrentPort(OffscreenSurface* surface);
bool AcquirePortDC();
void ReleasePortDC();
bool PortHasNoDC();

// Copies between 32-bit pixel buffers; a row of r is (right - left) x 4
// bytes. Every write stays inside the destination's width x height pixels:
// rows and columns that would fall outside are left out.
struct PixelBuffer {
    uint8_t* pixels;
    int32_t rowBytes;
    int32_t width, height;
};
// Rows top .. bottom - 1 of r into the same rectangle of dst, in reverse order.
void CopyRowsReversed(const ShortRect& r, const uint8_t* source, int32_t rowBytes, const PixelBuffer& dst);
// Locks both, CopyRowsReversed of the source's bounds, unlocks both.
bool CopySurfaceFlipped(OffscreenSurface& source, OffscreenSurface& destination);
// Swaps row top with bottom - 1, top + 1 with bottom - 2, and so on.
void FlipRowsInPlace(const PixelBuffer& buffer, const ShortRect& r);
// Row i of r goes to row y + i (bottomUp: y + height - 1 - i) at column x.
void CopyRectRows(const uint8_t* source, int32_t sourceRowBytes, const ShortRect& r, const PixelBuffer& dst,
                  int32_t x, int32_t y, bool bottomUp);
void FillRect32(const PixelBuffer& buffer, const ShortRect& r, uint32_t pixel);

// Paints the surface's rows (bottom row first) into the clipper window; with
// views, only inside that region and the rest in the button-face colour.
// Outside the window's paint handler it asks the window for a paint.
bool PaintSurfaceToWindow(OffscreenSurface& record, Region views);

// The code's name, or "Unknown Error Code".
const char* DXErrorName(int32_t code);
// A non-zero code writes "DirectX error 0x...: NAME (file=..., line=...)"
// to the log; true for a failure (negative) code. Code 1 stands for a
// failure without a code of its own.
bool CheckDXResult(int32_t code, const char* file, int line);
// Where the log lines go (null: nowhere); set by the application's log.
using LogLineWriter = void (*)(const char* line);
void SetDXLogWriter(LogLineWriter writer);

// Frees a plain heap block without running destructors; null-safe.
void FreeObject(void* block);
