#include "drawing/DrawingPort.h"

#include "CoreUtilities/FailureRegister.h"
#include "drawing/DDUtils.h"
#include "platform/BitmapResource.h"
#include "platform/PortDC.h"
#include "platform/SystemErrorBox.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

int PortPenSize = 1;
uint8_t PortXorMode = 0;
RgbColor PortForeColor = 0;

namespace {

PortDC* Dc()
{
    return CurrentPort ? CurrentPort->dc : nullptr;
}

// Below 4 an ordinary pen of that width; from 4 on a geometric one with
// square caps and bevel joins.
PortPen PenOfSize(ColorRef colour)
{
    PortPen pen;
    pen.width = PortPenSize;
    pen.colour = colour;
    pen.geometric = PortPenSize >= 4;
    return pen;
}

}  // namespace

PortSaver::PortSaver(OffscreenSurface* surface) : previous_(CurrentPort)
{
    SetCurrentPort(surface);
}

PortSaver::~PortSaver()
{
    SetCurrentPort(previous_);
}

void SetPortDC(PortDC* dc)
{
    if (!CurrentPort)
        return;
    if (CurrentPort->dc != dc)
        ReleaseSurfaceDC(*CurrentPort);
    CurrentPort->dc = dc;
}

void ClearPortDC()
{
    SetPortDC(nullptr);
}

PortDC* GetPortDC()
{
    return Dc();
}

bool LockPortSurface()
{
    return LockSurface(CurrentPort);
}

bool UnlockPortSurface()
{
    return UnlockSurface(CurrentPort);
}

uint8_t* GetPortBaseAddress()
{
    return GetSurfaceBaseAddress(CurrentPort);
}

int32_t GetPortRowBytes()
{
    return GetSurfaceRowBytes(CurrentPort);
}

void GetPortBounds(ShortRect& out)
{
    out = GetSurfaceBounds(CurrentPort);
}

int32_t CopySurfaceToPort(OffscreenSurface* src, const ShortRect& srcRect, const ShortRect& dstRect)
{
    return CopySurfaceRect(src, CurrentPort, srcRect, dstRect);
}

int32_t CopySurfaceToPortSameRect(OffscreenSurface* src, const ShortRect& r)
{
    return CopySurfaceToPort(src, r, r);
}

ColorRef RgbToColorRef(RgbColor c)
{
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

ColorRef GetHighlightColor()
{
    return HighlightColor();
}

void HsvToRgb(double h, double s, double v, double& r, double& g, double& b)
{
    if (s == 0) {
        r = g = b = v;
        return;
    }
    double t = (h - std::floor(h)) * 6;
    int i = static_cast<int>(std::floor(t));
    double f = t - i;
    double p = v * (1 - s), q = v * (1 - s * f), u = v * (1 - s * (1 - f));
    switch (i) {
    case 0: r = v, g = u, b = p; break;
    case 1: r = q, g = v, b = p; break;
    case 2: r = p, g = v, b = u; break;
    case 3: r = p, g = q, b = v; break;
    case 4: r = u, g = p, b = v; break;
    default: r = v, g = p, b = q; break;
    }
}

void PortSetPenSize(int n)
{
    PortPenSize = n;
}

void PortSetPenModeXor()
{
    PortXorMode = 1;
}

void PortPenNormal()
{
    PortXorMode = 0;
    PortPenSize = 1;
    if (PortDC* dc = Dc())
        dc->SelectPen(PortPen{PenStyle::Solid, 0, WindowTextColor(), false});
}

void PortSetDefaultColors()
{
    PortForeColor = 0;
    PortDC* dc = Dc();
    if (!dc)
        return;
    dc->SelectBrush(0x000000);
    dc->SelectPen(PenOfSize(WindowTextColor()));
    dc->SetTextColor(WindowTextColor());
}

void PortSetForeColor(RgbColor c)
{
    PortForeColor = c;
    PortDC* dc = Dc();
    if (!dc)
        return;
    ColorRef colour = RgbToColorRef(c);
    dc->SelectBrush(colour);
    dc->SelectPen(PenOfSize(colour));
    dc->SetTextColor(colour);
}

void PortSetThinSolidPen()
{
    if (PortDC* dc = Dc())
        dc->SelectPen(PortPen{PenStyle::Solid, 1, RgbToColorRef(PortForeColor), false});
}

void PortSetThinDottedPen()
{
    if (PortDC* dc = Dc())
        dc->SelectPen(PortPen{PenStyle::Dot, 1, RgbToColorRef(PortForeColor), false});
}

void PortSetWhiteBackColor()
{
    PortSetBackColor(0xFFFFFF);
}

void PortSetBackColor(RgbColor c)
{
    if (PortDC* dc = Dc())
        dc->SetBackColor(RgbToColorRef(c));
}

void PortSetTransparentTextBack()
{
    if (PortDC* dc = Dc())
        dc->SetBackgroundMode(BackgroundMode::Transparent);
}

void PortSetBaselineTextAlign()
{
    if (PortDC* dc = Dc())
        dc->SetTextAlign(kTextAlignBaseline | kTextAlignUpdatePosition);
}

void PortSetHighlightFill()
{
    PortSetForeColor(0x00EFEF);
    PortPenNormal();
}

void PortMoveTo(int h, int v)
{
    if (PortDC* dc = Dc())
        dc->MoveTo(h, v);
}

void PortMove(int dh, int dv)
{
    if (PortDC* dc = Dc()) {
        POINT at = dc->CurrentPosition();
        dc->MoveTo(at.x + dh, at.y + dv);
    }
}

void PortLineTo(int h, int v)
{
    if (PortDC* dc = Dc())
        dc->LineTo(h, v);
}

void PortLineToIncludingEnd(int h, int v)
{
    PortLineTo(h, v);
    PortLineTo(h + 1, v + 1);
}

void PortDrawDot(int h, int v)
{
    PortMoveTo(h, v);
    PortLineTo(h + 1, v + 1);
}

void PortEraseRect(const ShortRect& r)
{
    if (PortDC* dc = Dc())
        dc->FillRect(r, WindowBackgroundColor());
}

void PortPaintRect(const ShortRect& r)
{
    if (PortDC* dc = Dc())
        dc->Rectangle(r.left, r.top, r.right, r.bottom);
}

void PortFrameRect(const ShortRect& r)
{
    PortDC* dc = Dc();
    if (!dc)
        return;
    // Strips never reach outside r: a pen thicker than half the rectangle
    // gives empty strips, not extents the device context would flip.
    int p = PortPenSize;
    int height = r.bottom - r.top, width = r.right - r.left;
    int inner = std::max(height - 2 * p, 0);
    int t = std::max(std::min(p, inner), 0);
    int w = std::max(std::min(p, width), 0);
    PatternOp op = PortXorMode ? PatternOp::Invert : PatternOp::Copy;
    dc->PatBlt(r.left, r.top, width, t, op);
    dc->PatBlt(r.left, r.bottom - t, width, t, op);
    dc->PatBlt(r.left, r.top + t, w, inner, op);
    dc->PatBlt(r.right - w, r.top + t, w, inner, op);
}

void PortInvertRect(const ShortRect& r)
{
    if (PortDC* dc = Dc())
        dc->PatBlt(r.left, r.top, r.right - r.left, r.bottom - r.top, PatternOp::InvertDestination);
}

void DrawBitmapResource(const ShortRect& r, int id, bool stretch)
{
    BitmapPixels bitmap;
    if (!LoadBitmapResource(id, bitmap)) {
        ReportWin32Error(ENOENT, __FILE__, __LINE__);
        return;
    }
    MapButtonColours(bitmap);
    PortDC* dc = Dc();
    if (!dc)
        return;
    ShortRect from;
    if (stretch)
        SetShortRect(from, 0, 0, bitmap.height, bitmap.width);
    else
        SetShortRect(from, 0, 0, std::min(ShortRectHeight(r), bitmap.height),
                     std::min(ShortRectWidth(r), bitmap.width));
    ShortRect to = r;
    if (!stretch)
        SetShortRect(to, r.top, r.left, r.top + ShortRectHeight(from), r.left + ShortRectWidth(from));
    dc->StretchPixels(to, bitmap.pixels.data(), bitmap.width, from);
}

void ClipPortToRect(const ShortRect& r)
{
    PortDC* dc = Dc();
    Region g = NewRegion();
    if (!g) {
        ReportWin32Error(ENOMEM, __FILE__, __LINE__);
        return;
    }
    SetRegionToRect(g, r);
    if (dc)
        dc->SelectClipRegion(g);
    DisposeRegion(g);
}
