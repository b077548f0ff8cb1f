#include "drawing/DDUtils.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "platform/PortDC.h"
#include "platform/WindowPaint.h"
#include "platform/WindowQueries.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

OffscreenSurface* CurrentPort = nullptr;
uint8_t DisplayChangeInProgress = 0;

namespace {

WindowHandle ClipperWindow = nullptr;
LogLineWriter LogWriter = nullptr;
// A lost surface gets this many tries of restore and retry.
constexpr int kAttempts = 10;

void ClearRecord(OffscreenSurface& record)
{
    record = OffscreenSurface{};
}

// Logs the code with the caller's place and posts the rendering failure.
bool Fail(int32_t code, int line)
{
    CheckDXResult(code, __FILE__, line);
    PostFailure(FailureRendering);
    return false;
}

uint32_t* AllocatePixels(const ShortRect& bounds)
{
    int width = ShortRectWidth(bounds), height = ShortRectHeight(bounds);
    if (width <= 0 || height <= 0 || 4.0 * width * height > HeapBudgetLimit())
        return nullptr;
    return static_cast<uint32_t*>(std::calloc(static_cast<size_t>(width) * height, 4));
}

// Restores a lost surface, retrying; false (and reported unless the display
// is changing) when it stays lost.
bool EnsureNotLost(OffscreenSurface& record, int line)
{
    if (!record.memory && !record.lost)
        return Fail(DDERR_INVALIDOBJECT, line);
    for (int attempt = 0; attempt < kAttempts && record.lost; ++attempt)
        if (RestoreSurface(record) == DDERR_WRONGMODE)
            return false;
    return !record.lost || Fail(DDERR_SURFACELOST, line);
}

// The part of r inside a width x height buffer.
bool ClipToBuffer(const ShortRect& r, int width, int height, ShortRect& out)
{
    ShortRect whole;
    SetShortRect(whole, 0, 0, SaturateToShort(height), SaturateToShort(width));
    return IntersectShortRects(r, whole, out);
}

uint8_t* RowAt(const PixelBuffer& b, int row)
{
    return b.pixels + static_cast<ptrdiff_t>(row) * b.rowBytes;
}

struct DXError {
    int32_t code;
    const char* name;
};

constexpr int32_t DD(int n)
{
    return static_cast<int32_t>(0x88760000u + static_cast<uint32_t>(n));
}

// DirectDraw's codes, then Direct3D's, in the order and with the values
// they were published with.
const DXError kDXErrors[] = {
    {DD(5), "DDERR_ALREADYINITIALIZED"},
    {DD(10), "DDERR_CANNOTATTACHSURFACE"},
    {DD(20), "DDERR_CANNOTDETACHSURFACE"},
    {DD(40), "DDERR_CURRENTLYNOTAVAIL"},
    {DD(55), "DDERR_EXCEPTION"},
    {static_cast<int32_t>(0x80004005), "DDERR_GENERIC"},
    {DD(90), "DDERR_HEIGHTALIGN"},
    {DD(95), "DDERR_INCOMPATIBLEPRIMARY"},
    {DD(100), "DDERR_INVALIDCAPS"},
    {DD(110), "DDERR_INVALIDCLIPLIST"},
    {DD(120), "DDERR_INVALIDMODE"},
    {DD(130), "DDERR_INVALIDOBJECT"},
    {static_cast<int32_t>(0x80070057), "DDERR_INVALIDPARAMS"},
    {DD(145), "DDERR_INVALIDPIXELFORMAT"},
    {DD(150), "DDERR_INVALIDRECT"},
    {DD(160), "DDERR_LOCKEDSURFACES"},
    {DD(170), "DDERR_NO3D"},
    {DD(180), "DDERR_NOALPHAHW"},
    {DD(205), "DDERR_NOCLIPLIST"},
    {DD(210), "DDERR_NOCOLORCONVHW"},
    {DD(212), "DDERR_NOCOOPERATIVELEVELSET"},
    {DD(215), "DDERR_NOCOLORKEY"},
    {DD(220), "DDERR_NOCOLORKEYHW"},
    {DD(222), "DDERR_NODIRECTDRAWSUPPORT"},
    {DD(225), "DDERR_NOEXCLUSIVEMODE"},
    {DD(230), "DDERR_NOFLIPHW"},
    {DD(240), "DDERR_NOGDI"},
    {DD(250), "DDERR_NOMIRRORHW"},
    {DD(255), "DDERR_NOTFOUND"},
    {DD(260), "DDERR_NOOVERLAYHW"},
    {DD(280), "DDERR_NORASTEROPHW"},
    {DD(290), "DDERR_NOROTATIONHW"},
    {DD(310), "DDERR_NOSTRETCHHW"},
    {DD(316), "DDERR_NOT4BITCOLOR"},
    {DD(317), "DDERR_NOT4BITCOLORINDEX"},
    {DD(320), "DDERR_NOT8BITCOLOR"},
    {DD(330), "DDERR_NOTEXTUREHW"},
    {DD(335), "DDERR_NOVSYNCHW"},
    {DD(340), "DDERR_NOZBUFFERHW"},
    {DD(350), "DDERR_NOZOVERLAYHW"},
    {DD(360), "DDERR_OUTOFCAPS"},
    {static_cast<int32_t>(0x8007000E), "DDERR_OUTOFMEMORY"},
    {DD(380), "DDERR_OUTOFVIDEOMEMORY"},
    {DD(382), "DDERR_OVERLAYCANTCLIP"},
    {DD(384), "DDERR_OVERLAYCOLORKEYONLYONEACTIVE"},
    {DD(387), "DDERR_PALETTEBUSY"},
    {DD(400), "DDERR_COLORKEYNOTSET"},
    {DD(410), "DDERR_SURFACEALREADYATTACHED"},
    {DD(420), "DDERR_SURFACEALREADYDEPENDENT"},
    {DD(430), "DDERR_SURFACEBUSY"},
    {DD(435), "DDERR_CANTLOCKSURFACE"},
    {DD(440), "DDERR_SURFACEISOBSCURED"},
    {DD(450), "DDERR_SURFACELOST"},
    {DD(460), "DDERR_SURFACENOTATTACHED"},
    {DD(470), "DDERR_TOOBIGHEIGHT"},
    {DD(480), "DDERR_TOOBIGSIZE"},
    {DD(490), "DDERR_TOOBIGWIDTH"},
    {static_cast<int32_t>(0x80004001), "DDERR_UNSUPPORTED"},
    {DD(510), "DDERR_UNSUPPORTEDFORMAT"},
    {DD(520), "DDERR_UNSUPPORTEDMASK"},
    {DD(537), "DDERR_VERTICALBLANKINPROGRESS"},
    {DD(540), "DDERR_WASSTILLDRAWING"},
    {DD(560), "DDERR_XALIGN"},
    {DD(561), "DDERR_INVALIDDIRECTDRAWGUID"},
    {DD(562), "DDERR_DIRECTDRAWALREADYCREATED"},
    {DD(563), "DDERR_NODIRECTDRAWHW"},
    {DD(564), "DDERR_PRIMARYSURFACEALREADYEXISTS"},
    {DD(565), "DDERR_NOEMULATION"},
    {DD(566), "DDERR_REGIONTOOSMALL"},
    {DD(567), "DDERR_CLIPPERISUSINGHWND"},
    {DD(568), "DDERR_NOCLIPPERATTACHED"},
    {DD(569), "DDERR_NOHWND"},
    {DD(570), "DDERR_HWNDSUBCLASSED"},
    {DD(571), "DDERR_HWNDALREADYSET"},
    {DD(572), "DDERR_NOPALETTEATTACHED"},
    {DD(573), "DDERR_NOPALETTEHW"},
    {DD(574), "DDERR_BLTFASTCANTCLIP"},
    {DD(575), "DDERR_NOBLTHW"},
    {DD(576), "DDERR_NODDROPSHW"},
    {DD(577), "DDERR_OVERLAYNOTVISIBLE"},
    {DD(578), "DDERR_NOOVERLAYDEST"},
    {DD(579), "DDERR_INVALIDPOSITION"},
    {DD(580), "DDERR_NOTAOVERLAYSURFACE"},
    {DD(581), "DDERR_EXCLUSIVEMODEALREADYSET"},
    {DD(582), "DDERR_NOTFLIPPABLE"},
    {DD(583), "DDERR_CANTDUPLICATE"},
    {DD(584), "DDERR_NOTLOCKED"},
    {DD(585), "DDERR_CANTCREATEDC"},
    {DD(586), "DDERR_NODC"},
    {DD(587), "DDERR_WRONGMODE"},
    {DD(588), "DDERR_IMPLICITLYCREATED"},
    {DD(589), "DDERR_NOTPALETTIZED"},
    {DD(590), "DDERR_UNSUPPORTEDMODE"},
    {DD(591), "DDERR_NOMIPMAPHW"},
    {DD(592), "DDERR_INVALIDSURFACETYPE"},
    {DD(600), "DDERR_NOOPTIMIZEHW"},
    {DD(601), "DDERR_NOTLOADED"},
    {DD(620), "DDERR_DCALREADYCREATED"},
    {DD(630), "DDERR_NONONLOCALVIDMEM"},
    {DD(640), "DDERR_CANTPAGELOCK"},
    {DD(660), "DDERR_CANTPAGEUNLOCK"},
    {DD(680), "DDERR_NOTPAGELOCKED"},
    {DD(690), "DDERR_MOREDATA"},
    {DD(695), "DDERR_VIDEONOTACTIVE"},
    {DD(699), "DDERR_DEVICEDOESNTOWNSURFACE"},
    {static_cast<int32_t>(0x800401F0), "DDERR_NOTINITIALIZED"},
    {DD(700), "D3DERR_BADMAJORVERSION"},
    {DD(701), "D3DERR_BADMINORVERSION"},
    {DD(705), "D3DERR_INVALID_DEVICE"},
    {DD(706), "D3DERR_INITFAILED"},
    {DD(707), "D3DERR_DEVICEAGGREGATED"},
    {DD(710), "D3DERR_EXECUTE_CREATE_FAILED"},
    {DD(711), "D3DERR_EXECUTE_DESTROY_FAILED"},
    {DD(712), "D3DERR_EXECUTE_LOCK_FAILED"},
    {DD(713), "D3DERR_EXECUTE_UNLOCK_FAILED"},
    {DD(714), "D3DERR_EXECUTE_LOCKED"},
    {DD(715), "D3DERR_EXECUTE_NOT_LOCKED"},
    {DD(716), "D3DERR_EXECUTE_FAILED"},
    {DD(717), "D3DERR_EXECUTE_CLIPPED_FAILED"},
    {DD(720), "D3DERR_TEXTURE_NO_SUPPORT"},
    {DD(721), "D3DERR_TEXTURE_CREATE_FAILED"},
    {DD(722), "D3DERR_TEXTURE_DESTROY_FAILED"},
    {DD(723), "D3DERR_TEXTURE_LOCK_FAILED"},
    {DD(724), "D3DERR_TEXTURE_UNLOCK_FAILED"},
    {DD(725), "D3DERR_TEXTURE_LOAD_FAILED"},
    {DD(726), "D3DERR_TEXTURE_SWAP_FAILED"},
    {DD(727), "D3DERR_TEXTURE_LOCKED"},
    {DD(728), "D3DERR_TEXTURE_NOT_LOCKED"},
    {DD(729), "D3DERR_TEXTURE_GETSURF_FAILED"},
    {DD(730), "D3DERR_MATRIX_CREATE_FAILED"},
    {DD(731), "D3DERR_MATRIX_DESTROY_FAILED"},
    {DD(732), "D3DERR_MATRIX_SETDATA_FAILED"},
    {DD(733), "D3DERR_MATRIX_GETDATA_FAILED"},
    {DD(734), "D3DERR_SETVIEWPORTDATA_FAILED"},
    {DD(735), "D3DERR_INVALIDCURRENTVIEWPORT"},
    {DD(736), "D3DERR_INVALIDPRIMITIVETYPE"},
    {DD(737), "D3DERR_INVALIDVERTEXTYPE"},
    {DD(738), "D3DERR_TEXTURE_BADSIZE"},
    {DD(740), "D3DERR_MATERIAL_CREATE_FAILED"},
    {DD(741), "D3DERR_MATERIAL_DESTROY_FAILED"},
    {DD(742), "D3DERR_MATERIAL_SETDATA_FAILED"},
    {DD(743), "D3DERR_MATERIAL_GETDATA_FAILED"},
    {DD(744), "D3DERR_INVALIDPALETTE"},
    {DD(745), "D3DERR_ZBUFF_NEEDS_SYSTEMMEMORY"},
    {DD(746), "D3DERR_ZBUFF_NEEDS_VIDEOMEMORY"},
    {DD(747), "D3DERR_SURFACENOTINVIDMEM"},
    {DD(750), "D3DERR_LIGHT_SET_FAILED"},
    {DD(751), "D3DERR_LIGHTHASVIEWPORT"},
    {DD(752), "D3DERR_LIGHTNOTINTHISVIEWPORT"},
    {DD(760), "D3DERR_SCENE_IN_SCENE"},
    {DD(761), "D3DERR_SCENE_NOT_IN_SCENE"},
    {DD(762), "D3DERR_SCENE_BEGIN_FAILED"},
    {DD(763), "D3DERR_SCENE_END_FAILED"},
    {DD(770), "D3DERR_INBEGIN"},
    {DD(771), "D3DERR_NOTINBEGIN"},
    {DD(772), "D3DERR_NOVIEWPORTS"},
    {DD(773), "D3DERR_VIEWPORTDATANOTSET"},
    {DD(774), "D3DERR_VIEWPORTHASNODEVICE"},
};
static_assert(std::size(kDXErrors) == 158);

}  // namespace

bool InitDirectDraw()
{
    CurrentPort = nullptr;
    return EnumerateDDDevices() && CreatePrimarySurface();
}

void ShutdownDirectDraw()
{
    ReleasePrimarySurface();
    ReleaseDirectDrawObjects();
    CurrentPort = nullptr;
}

bool ReinitDirectDraw()
{
    bool hadSurface = CurrentPort && CurrentPort->memory;
    if (CurrentPort)
        ReleaseSurfaceInterfaces(*CurrentPort);
    ReleasePrimarySurface();
    ReleaseDirectDrawObjects();
    bool ok = EnumerateDDDevices() && CreatePrimarySurface();
    if (ok && hadSurface)
        ok = CreatePaneSurface(ClipperWindow, *CurrentPort);
    return ok;
}

// Surfaces are plain memory: there is one device, and no display object to
// make or release.
bool EnumerateDDDevices()
{
    return true;
}

bool HasSoftware3DDevice()
{
    return true;
}

bool CreatePrimarySurface()
{
    return true;
}

void ReleasePrimarySurface()
{
    ClipperWindow = nullptr;
}

void ReleaseDirectDrawObjects() {}

bool SetClipperWindow(WindowHandle window)
{
    if (!window)
        return Fail(1, __LINE__);
    ClipperWindow = window;
    return true;
}

WindowHandle GetClipperWindow()
{
    return ClipperWindow;
}

bool CreateSurface(const ShortRect& r, bool /*videoMemory*/, bool /*device3D*/,
                   OffscreenSurface& record)
{
    // Every surface lives in system memory; the video-memory and 3D requests
    // of the original surfaces have no meaning here.
    ClearRecord(record);
    ShortRect bounds;
    SetShortRect(bounds, 0, 0, ShortRectHeight(r), ShortRectWidth(r));
    uint32_t* memory = AllocatePixels(bounds);
    if (!memory) {
        CheckDXResult(IsShortRectEmpty(r) ? DDERR_INVALIDRECT : DDERR_OUTOFMEMORY, __FILE__, __LINE__);
        return false;
    }
    record.memory = memory;
    record.bitsPerPixel = 32;
    record.bounds = bounds;
    record.placement = r;
    return true;
}

bool CreatePaneSurface(WindowHandle window, OffscreenSurface& record)
{
    if (!CreateSurface(GetWindowClientRect(window), false, false, record))
        return Fail(1, __LINE__);
    return true;
}

bool RecreatePaneSurface(WindowHandle window, OffscreenSurface& record)
{
    if (record.memory || record.lost)
        ReleaseSurfaceInterfaces(record);
    return CreatePaneSurface(window, record);
}

void ReleaseSurfaceInterfaces(OffscreenSurface& record)
{
    ReleaseSurfaceDC(record);
    std::free(record.memory);
    ClearRecord(record);
}

void MarkSurfaceLost(OffscreenSurface& record)
{
    if (!record.memory)
        return;
    record.lost = 1;
    // Memory that a lock or a device context still points at stays until
    // the surface is restored; it is only zeroed then.
    if (record.lockCount == 0 && !record.dc) {
        std::free(record.memory);
        record.memory = nullptr;
    }
}

int32_t RestoreSurface(OffscreenSurface& record)
{
    if (!record.lost)
        return 0;
    if (DisplayChangeInProgress)
        return DDERR_WRONGMODE;
    if (!record.memory)
        record.memory = AllocatePixels(record.bounds);
    else
        std::memset(record.memory, 0, static_cast<size_t>(ShortRectWidth(record.bounds)) * 4 *
                                          ShortRectHeight(record.bounds));
    if (!record.memory)
        return DDERR_OUTOFMEMORY;
    record.lost = 0;
    return 0;
}

bool LockDDSurface(OffscreenSurface& record)
{
    if (!EnsureNotLost(record, __LINE__))
        return false;
    ++record.lockCount;
    record.pixels = reinterpret_cast<uint8_t*>(record.memory);
    record.rowBytes = 4 * ShortRectWidth(record.bounds);
    record.locked = 1;
    return true;
}

bool UnlockDDSurface(OffscreenSurface& record)
{
    if (!record.memory || record.lockCount < 1)
        return Fail(DDERR_NOTLOCKED, __LINE__);
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
    if (record.dc)
        return Fail(DDERR_DCALREADYCREATED, __LINE__);
    if (!EnsureNotLost(record, __LINE__))
        return false;
    record.dc = PortDC::NewForPixels(record.memory, ShortRectWidth(record.bounds),
                                     ShortRectHeight(record.bounds),
                                     4 * ShortRectWidth(record.bounds));
    if (!record.dc)
        return Fail(DDERR_OUTOFMEMORY, __LINE__);
    record.ownsDC = 1;
    return true;
}

void ReleaseSurfaceDC(OffscreenSurface& record)
{
    // Each acquisition makes a fresh context with its own pen, brush and
    // font, so releasing it has nothing to put back.
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

void CopyRowsReversed(const ShortRect& r, const uint8_t* source, int32_t rowBytes, const PixelBuffer& dst)
{
    ShortRect area;
    if (!source || !dst.pixels || !ClipToBuffer(r, dst.width, dst.height, area))
        return;
    // Row top of r lands on row bottom - 1 of the same rectangle.
    size_t bytes = static_cast<size_t>(ShortRectWidth(area)) * 4;
    for (int row = r.top; row < r.bottom; ++row) {
        int target = r.top + r.bottom - 1 - row;
        if (target < area.top || target >= area.bottom)
            continue;
        std::memcpy(RowAt(dst, target) + 4 * area.left,
                    source + static_cast<ptrdiff_t>(row) * rowBytes + 4 * area.left, bytes);
    }
}

bool CopySurfaceFlipped(OffscreenSurface& source, OffscreenSurface& destination)
{
    if (!LockDDSurface(source))
        return false;
    if (!LockDDSurface(destination)) {
        UnlockDDSurface(source);
        return false;
    }
    // Only the rows both surfaces have; the source's own bounds, so a
    // surface placed away from the window's origin reads nothing outside.
    ShortRect r;
    IntersectShortRects(source.bounds, destination.bounds, r);
    PixelBuffer dst{destination.pixels, destination.rowBytes, ShortRectWidth(destination.bounds),
                    ShortRectHeight(destination.bounds)};
    CopyRowsReversed(r, source.pixels, source.rowBytes, dst);
    UnlockDDSurface(destination);
    UnlockDDSurface(source);
    return true;
}

void FlipRowsInPlace(const PixelBuffer& buffer, const ShortRect& r)
{
    ShortRect area;
    if (!buffer.pixels || !ClipToBuffer(r, buffer.width, buffer.height, area))
        return;
    size_t bytes = static_cast<size_t>(ShortRectWidth(area)) * 4;
    for (int top = area.top, bottom = area.bottom - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(RowAt(buffer, top) + 4 * area.left, RowAt(buffer, top) + 4 * area.left + bytes,
                         RowAt(buffer, bottom) + 4 * area.left);
}

void CopyRectRows(const uint8_t* source, int32_t sourceRowBytes, const ShortRect& r, const PixelBuffer& dst,
                  int32_t x, int32_t y, bool bottomUp)
{
    int width = ShortRectWidth(r), height = ShortRectHeight(r);
    if (!source || !dst.pixels || width <= 0 || height <= 0)
        return;
    // Columns of the destination that exist: x .. x + width - 1 cut to the buffer.
    int first = std::max(0, -x), last = std::min(width, dst.width - x);
    if (first >= last)
        return;
    for (int i = 0; i < height; ++i) {
        int64_t target = int64_t{y} + (bottomUp ? height - 1 - i : i);
        if (target < 0 || target >= dst.height)
            continue;
        std::memcpy(RowAt(dst, static_cast<int>(target)) + 4 * (int64_t{x} + first),
                    source + static_cast<ptrdiff_t>(r.top + i) * sourceRowBytes + 4 * (r.left + first),
                    static_cast<size_t>(last - first) * 4);
    }
}

void FillRect32(const PixelBuffer& buffer, const ShortRect& r, uint32_t pixel)
{
    ShortRect area;
    if (!buffer.pixels || !ClipToBuffer(r, buffer.width, buffer.height, area))
        return;
    for (int row = area.top; row < area.bottom; ++row) {
        auto* p = reinterpret_cast<uint32_t*>(RowAt(buffer, row)) + area.left;
        std::fill(p, p + ShortRectWidth(area), pixel);
    }
}

bool PaintSurfaceToWindow(OffscreenSurface& record, Region views)
{
    if (!ClipperWindow || record.placement.bottom == 0 || record.placement.right == 0)
        return false;
    if (WindowBeingPainted() != ClipperWindow)
        return PaintPixelsToWindow(ClipperWindow, nullptr, 0, 0, 0, true, nullptr);
    if (!LockDDSurface(record))
        return false;
    // The surface's own size and stride: nothing is read beyond its rows.
    bool painted = PaintPixelsToWindow(ClipperWindow, record.pixels, ShortRectWidth(record.bounds),
                                       ShortRectHeight(record.bounds), record.rowBytes, true, views);
    UnlockDDSurface(record);
    return painted;
}

const char* DXErrorName(int32_t code)
{
    for (const DXError& e : kDXErrors)
        if (e.code == code)
            return e.name;
    return "Unknown Error Code";
}

bool CheckDXResult(int32_t code, const char* file, int line)
{
    if (code == 0)
        return false;
    if (LogWriter) {
        char text[512];
        std::snprintf(text, sizeof text, "DirectX error 0x%x: %s (file=%s, line=%d)\r\n",
                      static_cast<unsigned>(code), DXErrorName(code), file, line);
        LogWriter(text);
    }
    return code < 0;
}

void SetDXLogWriter(LogLineWriter writer)
{
    LogWriter = writer;
}

void FreeObject(void* block)
{
    std::free(block);
}
