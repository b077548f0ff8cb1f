// Drawing a 2D view: graph paper (written as pixels), the plots (at double
// size while antialiasing, halved in one copy), then axes, ticks and labels
// and the placed pictures at screen resolution so that text stays sharp.
#include "CoreUtilities/Clock.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "drawing/DDUtils.h"
#include "drawing/DrawingPort.h"
#include "drawing/Rasteriser.h"
#include "drawing/TextFont.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphServices.h"
#include "graphs2d/A2DGraph.h"
#include "graphs2d/A2DGraphView.h"
#include "platform/NumberText.h"
#include "platform/PortDC.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t kPaperRgb = 0xFFFFFF;
constexpr uint32_t kPaperLineRgb = 0xCCFFFF;
constexpr int32_t kFailureBeyondPrecision = 37;
// Enough marks for any 16-bit view at the finest spacing, with margin.
constexpr int32_t kMaxMarks = 4200;

// The tick-label fonts, one per axis; made on first use and kept.
TextFont& LabelFont(bool yAxis)
{
    static TextFont* fonts[2] = {};
    TextFont*& font = fonts[yAxis ? 1 : 0];
    if (!font)
        font = new TextFont("Lucida Grande", 9, false, false);
    return *font;
}

TextFont& AxisFont()
{
    static TextFont* font = new TextFont("Arial", 10, false, false);
    return *font;
}

// Non-negative remainder, so that paper lines keep their pitch left of and
// above the phase.
int32_t FloorMod(int32_t a, int32_t m)
{
    const int32_t r = a % m;
    return r < 0 ? r + m : r;
}

// Spacing of tick marks and of labels for a units value and its kind.
double MarkSpacing(double units, int32_t kind)
{
    return kind == TickKind2 ? 2 * units : kind == TickKind5 ? units : 4 * units;
}

double LabelSpacing(double units, int32_t kind)
{
    return (kind == TickKind5 ? 5 : 4) * units;
}

double FirstAtOrAbove(double min, double spacing)
{
    double first = min - std::fmod(min, spacing);
    if (first < min)
        first += spacing;
    return first;
}

int32_t WorldToPixel(double scale, double origin, double value)
{
    return static_cast<int32_t>(std::floor(scale * value + origin + 0.5));
}

// Draws the text with its left edge and baseline at the point.
void DrawLabel(const char16_t* text, TextFont& font, int h, int v)
{
    PortMoveTo(h, v);
    DrawTextAtPen(text, font, GetPortDC());
}

int LabelWidth(const char16_t* text, TextFont& font)
{
    return static_cast<int>(MeasureTextWidth(text, font));
}

// The tick values from min to max at the spacing: none beyond precision.
template <typename Visit>
void ForEachMark(double min, double max, double spacing, Visit visit)
{
    if (!(spacing > 0) || !std::isfinite(min) || !std::isfinite(max))
        return;
    const double first = FirstAtOrAbove(min, spacing);
    if (IsBeyondPrecision(first, spacing))
        return;
    for (int32_t k = 0; k < kMaxMarks; ++k) {
        // Multiplied, not summed, so that far marks do not drift; + 0.0
        // turns a minus zero into zero.
        const double m = first + k * spacing + 0.0;
        if (m > max)
            break;
        visit(m);
    }
}

}  // namespace

bool IsBeyondPrecision(double value, double step)
{
    if (value - step == value || std::fabs(step / value) < 16 * DBL_EPSILON) {
        PostFailure(kFailureBeyondPrecision);
        return true;
    }
    return false;
}

void DrawGraphPaperPattern(const ShortRect& r, int32_t phaseX, int32_t phaseY, bool doubled)
{
    if (!LockPortSurface())
        return;
    ShortRect bounds;
    GetPortBounds(bounds);
    ShortRect area = r;
    if (!IntersectShortRects(r, bounds, area)) {
        UnlockPortSurface();
        return;
    }
    uint8_t* base = GetPortBaseAddress();
    const int32_t rowBytes = GetPortRowBytes();
    const int32_t pitch = doubled ? 32 : 16;
    // Two kinds of row only: a ruled row, and a row crossed by the column
    // lines. The second is made once and copied down the area.
    const int32_t width = area.right - area.left;
    uint32_t* crossed = nullptr;
    for (int32_t row = area.top; row < area.bottom; ++row) {
        auto* pixels = reinterpret_cast<uint32_t*>(base + static_cast<ptrdiff_t>(row) * rowBytes) + area.left;
        const int32_t dr = FloorMod(row - phaseY, pitch);
        if (doubled ? dr <= 1 : dr == 0) {
            std::fill_n(pixels, width, kPaperLineRgb);
        } else if (crossed) {
            std::memcpy(pixels, crossed, static_cast<size_t>(width) * sizeof(uint32_t));
        } else {
            for (int32_t column = area.left; column < area.right; ++column) {
                const int32_t dc = FloorMod(column - phaseX, pitch);
                pixels[column - area.left] = (doubled ? dc <= 1 : dc == 0) ? kPaperLineRgb : kPaperRgb;
            }
            crossed = pixels;
        }
    }
    UnlockPortSurface();
}

int32_t A2DGraphView::XAxisRow() const
{
    return std::clamp(screenMapping.YToPixelClipped(0), rect.top + 6, rect.bottom - 18);
}

int32_t A2DGraphView::YAxisColumn() const
{
    return std::clamp(screenMapping.XToPixelClipped(0), rect.left + 6, rect.right - 7);
}

bool A2DGraphView::XAxisHeld() const
{
    return XAxisRow() != screenMapping.YToPixelClipped(0);
}

bool A2DGraphView::YAxisHeld() const
{
    return YAxisColumn() != screenMapping.XToPixelClipped(0);
}

void A2DGraphView::GraphPaperPhases(int32_t& phaseX, int32_t& phaseY) const
{
    phaseX = screenMapping.XToPixel(xMin - std::fmod(xMin, unitsX)) % 16;
    phaseY = screenMapping.YToPixel(yMin - std::fmod(yMin, unitsY)) % 16;
}

void A2DGraphView::DrawGraphPaper()
{
    if (!showGraphPaper) {
        if (AcquirePortDC()) {
            PortEraseRect(rect);
            ReleasePortDC();
        }
        return;
    }
    int32_t phaseX, phaseY;
    GraphPaperPhases(phaseX, phaseY);
    DrawGraphPaperPattern(rect, phaseX, phaseY, false);
}

void A2DGraphView::DrawGraphPaperDoubled()
{
    ShortRect doubled;
    SetShortRect(doubled, 0, 0, 2 * ShortRectHeight(rect), 2 * ShortRectWidth(rect));
    if (!showGraphPaper) {
        if (AcquirePortDC()) {
            PortEraseRect(doubled);
            ReleasePortDC();
        }
        return;
    }
    int32_t phaseX, phaseY;
    GraphPaperPhases(phaseX, phaseY);
    DrawGraphPaperPattern(doubled, ((phaseX - rect.left) * 2) % 32, ((phaseY - rect.top) * 2) % 32, true);
}

void A2DGraphView::DrawXAxis()
{
    const int32_t row = XAxisRow();
    if (XAxisHeld())
        PortSetThinDottedPen();
    PortMoveTo(rect.left, row);
    PortLineToIncludingEnd(rect.right - 1, row);
    PortSetThinSolidPen();
}

void A2DGraphView::DrawYAxis()
{
    const int32_t column = YAxisColumn();
    if (YAxisHeld())
        PortSetThinDottedPen();
    PortMoveTo(column, rect.top);
    PortLineToIncludingEnd(column, rect.bottom - 1);
    PortSetThinSolidPen();
}

void A2DGraphView::DrawXTicks()
{
    const ViewMapping& m = screenMapping;
    const int32_t row = XAxisRow();
    if (XAxisHeld())
        PortSetThinDottedPen();
    const double maxX = (rect.right - 1 - m.originX) * m.unitsPerPixelX;
    ForEachMark(xMin, maxX, MarkSpacing(unitsX, tickKindX), [&](double x) {
        const int32_t px = WorldToPixel(m.scaleX, m.originX, x);
        PortMoveTo(px, row - 3);
        PortLineToIncludingEnd(px, row + 3);
    });
    PortSetThinSolidPen();
}

void A2DGraphView::DrawYTicks()
{
    const ViewMapping& m = screenMapping;
    const int32_t column = YAxisColumn();
    if (YAxisHeld())
        PortSetThinDottedPen();
    const double maxY = -(rect.top - m.originY) * m.unitsPerPixelY;
    ForEachMark(yMin, maxY, MarkSpacing(unitsY, tickKindY), [&](double y) {
        const int32_t py = WorldToPixel(m.scaleY, m.originY, y);
        PortMoveTo(column - 3, py);
        PortLineToIncludingEnd(column + 3, py);
    });
    PortSetThinSolidPen();
}

void A2DGraphView::DrawXTickLabels()
{
    const ViewMapping& m = screenMapping;
    const int32_t row = XAxisRow();
    const int32_t column = YAxisColumn();
    TextFont& font = LabelFont(false);
    const double maxX = (rect.right - 1 - m.originX) * m.unitsPerPixelX;
    ForEachMark(xMin, maxX, LabelSpacing(unitsX, tickKindX), [&](double x) {
        const int32_t px = WorldToPixel(m.scaleX, m.originX, x);
        if (std::abs(px - column) < 4)
            return;
        char16_t text[40];
        FormatDouble(text, x, 6);
        DrawLabel(text, font, px - LabelWidth(text, font) / 2, row + 16);
    });
}

void A2DGraphView::DrawYTickLabels()
{
    const ViewMapping& m = screenMapping;
    const int32_t row = XAxisRow();
    const int32_t column = YAxisColumn();
    const bool heldAtTop = XAxisHeld() && row == rect.top + 6;
    TextFont& font = LabelFont(true);
    const double maxY = -(rect.top - m.originY) * m.unitsPerPixelY;
    ForEachMark(yMin, maxY, LabelSpacing(unitsY, tickKindY), [&](double y) {
        const int32_t py = WorldToPixel(m.scaleY, m.originY, y);
        if (std::abs(py - row) < 5 || (heldAtTop && py < row))
            return;
        char16_t text[40];
        FormatDouble(text, y, 6);
        int32_t left = column - 3 - LabelWidth(text, font);
        if (left < rect.left + 1)
            left = column + 6;
        DrawLabel(text, font, left, py + 4);
    });
}

void A2DGraphView::DrawAxes(const AGraphColor* color)
{
    ClipPortToRect(rect);
    PortPenNormal();
    PortSetDefaultColors();
    if (color)
        PortSetForeColor(color->rgb.load());
    PortSetTransparentTextBack();
    PortSetThinSolidPen();
    DrawXAxis();
    DrawXTicks();
    DrawXTickLabels();
    DrawYAxis();
    DrawYTicks();
    DrawYTickLabels();
}

void A2DGraphView::DrawPlots(const GrowArray<int32_t>* subset)
{
    if (!subset) {
        for (int32_t i = 0; i < graphs.count; ++i)
            Plot(i)->Draw();
        return;
    }
    for (int32_t i : *subset) {
        if (i >= 0 && i < graphs.count)
            Plot(i)->Draw();
    }
}

bool A2DGraphView::Render(const GrowArray<int32_t>* subset, const AGraphColor* color, bool drawGraphs)
{
    if (CheckMemoryBudget() || rect.left == rect.right || rect.top == rect.bottom || !AcquirePortDC())
        return true;
    const uint64_t now = ClockMicroseconds();
    if (doc)
        doc->RecordFrameTime(static_cast<double>(now - static_cast<uint64_t>(lastFrameMicros)) * 1e-6);
    lastFrameMicros = static_cast<int64_t>(now);

    ClipPortToRect(rect);
    PortPenNormal();
    PortSetDefaultColors();
    PortSetWhiteBackColor();
    UpdateMappings();
    ReleasePortDC();

    const bool plain = color && color->IsHidden();
    if (supersampleSurface && DocUsesAntialiasing(doc) && Supersamples()) {
        ShortRect doubled;
        SetShortRect(doubled, 0, 0, 2 * ShortRectHeight(rect), 2 * ShortRectWidth(rect));
        {
            PortSaver port(supersampleSurface);
            if (AcquirePortDC()) {
                ClipPortToRect(doubled);
                PortPenNormal();
                PortSetDefaultColors();
                PortSetWhiteBackColor();
                PortSetPenSize(2);
                if (plain)
                    PortEraseRect(doubled);
                ReleasePortDC();
            }
            if (!plain)
                DrawGraphPaperDoubled();
            if (drawGraphs)
                DrawPlots(subset);
        }
        CopySurfaceToPort(supersampleSurface, doubled, rect);
    } else {
        if (plain) {
            if (AcquirePortDC()) {
                ClipPortToRect(rect);
                PortEraseRect(rect);
                ReleasePortDC();
            }
        } else {
            DrawGraphPaper();
        }
        if (drawGraphs)
            DrawPlots(subset);
    }

    if (!plain && showAxes && AcquirePortDC()) {
        (void)AxisFont();
        DrawAxes(color);
        ReleasePortDC();
    }
    if (drawGraphs) {
        for (const PlacedPicture& placed : pictures.entries) {
            ShortRect bounds;
            GetPictureBounds(placed.picture, bounds);
            const int32_t h = screenMapping.XToPixel(placed.x);
            const int32_t v = screenMapping.YToPixel(placed.y) - ShortRectHeight(bounds);
            DrawPictureScaled(placed.picture, h, v, rect, 1);
        }
        DrawTraceOverlay();
    }
    if (AcquirePortDC()) {
        if (PortDC* dc = GetPortDC())
            dc->SelectClipRegion(nullptr);
        ReleasePortDC();
    }
    return true;
}

void A2DGraphView::Draw(uint8_t flag)
{
    Render(nullptr, nullptr, flag != 0);
}
