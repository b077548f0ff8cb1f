// The trace overlay of a 2D view: the cross-hair through the traced pixel,
// the marker around it, the traced vector, and the readout box of values in
// the view's top-left corner.
#include "CoreUtilities/MemoryBudget.h"
#include "drawing/DDUtils.h"
#include "drawing/DrawingPort.h"
#include "drawing/Rasteriser.h"
#include "drawing/TextFont.h"
#include "formula/ResultText.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/CurveNumerics.h"
#include "graphs2d/SolutionCurve.h"
#include "numerics/RealLibrary.h"
#include "platform/NumberText.h"
#include "platform/PortDC.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr RgbColor kCrossHairRgb = 0x3F3F3F;
constexpr RgbColor kOnAxisRgb = 0xFFFFFF;
constexpr int32_t kMarkerAlpha = 64;

TextFont& ReadoutFont()
{
    static TextFont* font = new TextFont("Arial", 10, false, false);
    return *font;
}

// The curves of the last solution-curve trace, in the traced colour.
void DrawTracedSolutionCurves(const ViewMapping& mapping, RgbColor colour)
{
    PortSetForeColor(colour);
    for (int32_t slot = 0; slot < 2; ++slot) {
        if (const SolutionCurve* curve = TracedSolutionCurve(slot))
            DrawSolutionCurve(*curve, mapping);
    }
    PortSetDefaultColors();
}

// Appends the theta label (U+03B8 and a colon, no space) and the value.
void ThetaLine(char16_t* line, double value)
{
    FormatNumberWithPrefix(line, kReadoutLineUnits, u"\u03B8:", value);
}

void IntervalLine(char16_t* line, const char16_t* label, double low, double high)
{
    if (std::isnan(low) || std::isnan(high)) {
        FormatNumberWithPrefix(line, kReadoutLineUnits, label, NAN);
        return;
    }
    char16_t upper[kReadoutLineUnits];
    FormatNumberWithPrefix(line, kReadoutLineUnits, label, low);
    FormatNumberWithPrefix(upper, kReadoutLineUnits, u" ... ", high);
    size_t n = 0;
    while (line[n])
        ++n;
    for (size_t i = 0; upper[i] && n + 1 < kReadoutLineUnits; ++i)
        line[n++] = upper[i];
    line[n] = 0;
}

}  // namespace

int32_t TraceReadoutLines(const TraceInfo& trace, char16_t lines[kReadoutLines][kReadoutLineUnits])
{
    int32_t count = 2;
    if (trace.kind == TraceIntervalPoint) {
        IntervalLine(lines[0], u"x: ", trace.xLow, trace.xHigh);
        IntervalLine(lines[1], u"y: ", trace.yLow, trace.yHigh);
    } else {
        FormatNumberWithPrefix(lines[0], kReadoutLineUnits, u"x: ", trace.x);
        // A y of zero is written as 0, never as minus zero.
        FormatNumberWithPrefix(lines[1], kReadoutLineUnits, u"y: ", trace.y == 0 ? 0.0 : trace.y);
    }
    const double radius = RoundToSignificantDigits(std::sqrt(trace.x * trace.x + trace.y * trace.y), 13);
    const double angle = RoundToSignificantDigits(Atan2Positive(trace.y, trace.x), 13);
    switch (trace.kind) {
    case TraceParametric:
        FormatNumberWithPrefix(lines[count++], kReadoutLineUnits, u"t: ", trace.t);
        break;
    case TraceContourLevel:
    case TraceDensityValue:
        FormatNumberWithPrefix(lines[count++], kReadoutLineUnits, u"value: ", trace.t);
        break;
    case TraceComplexValue:
        FormatComplexText(lines[count++], kReadoutLineUnits, u"value: ", trace.value);
        break;
    case TracePolarRFromPoint:
        FormatNumberWithPrefix(lines[count++], kReadoutLineUnits, u"r: ", radius);
        ThetaLine(lines[count++], trace.t);
        break;
    case TracePolarAngleFromPoint:
        FormatNumberWithPrefix(lines[count++], kReadoutLineUnits, u"r: ", trace.t);
        ThetaLine(lines[count++], angle);
        break;
    case TracePolarBothFromPoint:
        FormatNumberWithPrefix(lines[count++], kReadoutLineUnits, u"r: ", radius);
        ThetaLine(lines[count++], angle);
        FormatNumberWithPrefix(lines[count++], kReadoutLineUnits, u"t: ", trace.t);
        break;
    case TraceVector:
        FormatNumberWithPrefix(lines[count++], kReadoutLineUnits, u"x component: ", trace.componentX);
        FormatNumberWithPrefix(lines[count++], kReadoutLineUnits, u"y component: ", trace.componentY);
        break;
    default:
        break;
    }
    return count;
}

ShortRect A2DGraphView::GetTraceMarkerRect() const
{
    const ViewMapping& m = screenMapping;
    ShortRect marker;
    if (trace.kind == TraceIntervalPoint)
        SetShortRect(marker, m.YToPixelChecked(trace.yHigh) - 4, m.XToPixelChecked(trace.xLow) - 4,
                     m.YToPixelChecked(trace.yLow) + 5, m.XToPixelChecked(trace.xHigh) + 5);
    else {
        const int32_t h = m.XToPixelChecked(trace.x), v = m.YToPixelChecked(trace.y);
        SetShortRect(marker, v - 4, h - 4, v + 5, h + 5);
    }
    ShortRect out;
    if (!IntersectShortRects(marker, rect, out))
        SetShortRect(out, 0, 0, 0, 0);
    return out;
}

void A2DGraphView::DrawTraceCrossHair(const ShortRect& marker)
{
    if (!LockPortSurface())
        return;
    const ViewMapping& m = screenMapping;
    const int32_t h = trace.kind == TraceIntervalPoint ? (marker.left + marker.right) / 2 : m.XToPixelChecked(trace.x);
    const int32_t v = trace.kind == TraceIntervalPoint ? (marker.top + marker.bottom) / 2 : m.YToPixelChecked(trace.y);
    const bool broken = !IsShortRectEmpty(marker);
    auto segment = [&](bool vertical, int32_t from, int32_t to) {
        if (from > to)
            return;
        const bool onAxis = vertical ? h == YAxisColumn() : v == XAxisRow();
        const RgbColor colour = onAxis ? kOnAxisRgb : kCrossHairRgb;
        const int step = onAxis ? 1 : 3;
        if (vertical)
            DrawTintedVerticalLine(rect, ShortPoint{static_cast<int16_t>(from), static_cast<int16_t>(h)},
                                   ShortPoint{static_cast<int16_t>(to), static_cast<int16_t>(h)}, colour, step);
        else
            DrawTintedHorizontalLine(rect, ShortPoint{static_cast<int16_t>(v), static_cast<int16_t>(from)},
                                     ShortPoint{static_cast<int16_t>(v), static_cast<int16_t>(to)}, colour, step);
    };
    if (h >= rect.left && h < rect.right) {
        segment(true, rect.top, broken ? marker.top - 1 : rect.bottom - 1);
        if (broken)
            segment(true, marker.bottom, rect.bottom - 1);
    }
    if (v >= rect.top && v < rect.bottom) {
        segment(false, rect.left, broken ? marker.left - 1 : rect.right - 1);
        if (broken)
            segment(false, marker.right, rect.right - 1);
    }
    UnlockPortSurface();
}

void A2DGraphView::DrawTraceMarker(const ShortRect& marker)
{
    ShortRect size;
    SetShortRect(size, 0, 0, ShortRectHeight(marker), ShortRectWidth(marker));
    if (OffscreenSurface* fill = NewOffscreenSurface(size)) {
        if (LockSurface(fill)) {
            auto* pixels = reinterpret_cast<uint32_t*>(GetSurfaceBaseAddress(fill));
            const int32_t count = ShortRectWidth(marker) * ShortRectHeight(marker);
            FillPixelRun(pixels, count, GetHighlightColor() & 0xFFFFFF);
            UnlockSurface(fill);
        }
        BlendSurfaceInto(fill, ShortPoint{0, 0},
                         ShortPoint{static_cast<int16_t>(size.bottom), static_cast<int16_t>(size.right)}, CurrentPort,
                         ShortPoint{marker.top, marker.left}, kMarkerAlpha);
        DisposeOffscreenSurface(fill);
    }
    PortSetDefaultColors();
    PortFrameRect(marker);
}

void A2DGraphView::DrawTraceVector()
{
    const double ax = trace.arrowX, ay = trace.arrowY;
    const double cx = trace.componentX, cy = trace.componentY;
    if (std::isnan(cx) || std::isnan(cy) || !std::isfinite(cx * cx + cy * cy) || !std::isfinite(ax * ax + ay * ay))
        return;
    WorldPoint from{trace.x, trace.y};
    WorldPoint to{trace.x + ax, trace.y + ay};
    ClipSegmentToCircle(WorldPoint{trace.x, trace.y}, 16383 * screenMapping.unitsPerPixelX, &from, &to);
    if (!LockPortSurface())
        return;
    const ViewMapping& m = screenMapping;
    auto pixel = [&](const WorldPoint& p) {
        return ShortPoint{static_cast<int16_t>(m.YToPixelClipped(p.y)), static_cast<int16_t>(m.XToPixelClipped(p.x))};
    };
    DrawTintedLine(rect, pixel(from), pixel(to), static_cast<RgbColor>(trace.color));
    UnlockPortSurface();
}

void A2DGraphView::DrawTraceReadout()
{
    char16_t lines[kReadoutLines][kReadoutLineUnits];
    const int32_t count = TraceReadoutLines(trace, lines);
    TextFont& font = ReadoutFont();
    int widest = 0;
    for (int32_t i = 0; i < count; ++i)
        widest = std::max(widest, static_cast<int>(MeasureTextWidth(lines[i], font)));
    PortPenNormal();
    PortSetDefaultColors();
    PortSetTransparentTextBack();
    ShortRect box;
    SetShortRect(box, rect.top, rect.left, rect.top + 15 * count + 3, rect.left + widest + 8);
    PortEraseRect(box);
    for (int32_t i = 0; i < count; ++i) {
        PortMoveTo(rect.left + 4, rect.top + 14 + 15 * i);
        DrawTextAtPen(lines[i], font, GetPortDC());
    }
}

void A2DGraphView::DrawTraceOverlay()
{
    if (CheckMemoryBudget() || trace.kind == TraceNothing || trace.kind == TraceDraggablePoint)
        return;
    if (!AcquirePortDC())
        return;
    const ShortRect marker = GetTraceMarkerRect();
    ReleasePortDC();
    DrawTraceCrossHair(marker);
    if (!AcquirePortDC())
        return;
    ClipPortToRect(rect);
    if (trace.kind == TraceVector)
        DrawTraceVector();
    if (trace.kind == TraceSolutionCurves)
        DrawTracedSolutionCurves(screenMapping, static_cast<RgbColor>(trace.color));
    if (!IsShortRectEmpty(marker))
        DrawTraceMarker(marker);
    DrawTraceReadout();
    if (PortDC* dc = GetPortDC())
        dc->SelectClipRegion(nullptr);
    ReleasePortDC();
}
