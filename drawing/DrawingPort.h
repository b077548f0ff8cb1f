// The drawing port: all 2D drawing goes to one current surface (CurrentPort)
// through its device context, with a process-wide pen state. User-interface
// thread only.
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "drawing/OffscreenSurface.h"

class PortDC;

extern int PortPenSize;        // starts 1
extern uint8_t PortXorMode;    // starts 0
extern RgbColor PortForeColor; // the last colour set

// Makes a surface the port for a scope, and the previous one again after it.
class PortSaver {
public:
    explicit PortSaver(OffscreenSurface* surface);
    ~PortSaver();
    PortSaver(const PortSaver&) = delete;
    PortSaver& operator=(const PortSaver&) = delete;

private:
    OffscreenSurface* previous_;
};

void SetPortDC(PortDC* dc);
void ClearPortDC();
PortDC* GetPortDC();
bool LockPortSurface();
bool UnlockPortSurface();
uint8_t* GetPortBaseAddress();
int32_t GetPortRowBytes();
void GetPortBounds(ShortRect& out);
int32_t CopySurfaceToPort(OffscreenSurface* src, const ShortRect& srcRect, const ShortRect& dstRect);
int32_t CopySurfaceToPortSameRect(OffscreenSurface* src, const ShortRect& r);

ColorRef RgbToColorRef(RgbColor c);
ColorRef GetHighlightColor();
// h in turns (its fraction counts), s and v in [0, 1].
void HsvToRgb(double h, double s, double v, double& r, double& g, double& b);

void PortSetPenSize(int n);
void PortSetPenModeXor();
void PortPenNormal();
void PortSetDefaultColors();
void PortSetForeColor(RgbColor c);
void PortSetThinSolidPen();
void PortSetThinDottedPen();
void PortSetWhiteBackColor();
void PortSetBackColor(RgbColor c);
void PortSetTransparentTextBack();
void PortSetBaselineTextAlign();
void PortSetHighlightFill();

void PortMoveTo(int h, int v);
void PortMove(int dh, int dv);
void PortLineTo(int h, int v);
void PortLineToIncludingEnd(int h, int v);
void PortDrawDot(int h, int v);
void PortEraseRect(const ShortRect& r);
void PortPaintRect(const ShortRect& r);
void PortFrameRect(const ShortRect& r);
void PortInvertRect(const ShortRect& r);
// Draws bitmap resource id into r: stretched to r, or r's size unscaled from its top-left.
void DrawBitmapResource(const ShortRect& r, int id, bool stretch);

void ClipPortToRect(const ShortRect& r);
