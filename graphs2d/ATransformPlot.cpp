#include "graphs2d/ATransformPlot.h"

#include "CoreUtilities/GraphJob.h"
#include "drawing/DrawingPort.h"
#include "drawing/OffscreenSurface.h"
#include "drawing/Rasteriser.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridProgramSet.h"
#include "graphmodel/GraphCodes.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/CellBands.h"
#include "graphs2d/DomainPicture.h"

#include <cmath>

namespace {

// The map's point for a pixel; undefined where either part is.
uint64_t MappedCell(const double* v)
{
    if (std::isnan(v[0]) || std::isnan(v[1]))
        return PackMapPoint(MapPoint{INFINITY, INFINITY});
    return PackMapPoint(MapPoint{static_cast<float>(v[0]), static_cast<float>(v[1])});
}

// The first view's picture, locked, and the screen mapping it was drawn with.
struct DomainSampler {
    const uint8_t* base;
    int32_t rowBytes;
    ShortRect rect;

    // Red, green and blue of the sample at the pixel position; false when
    // the position lay outside the view and had to be moved into it.
    bool Add(float px, float py, uint32_t sum[3]) const
    {
        // Far points are clamped before any conversion to int.
        bool inside = true;
        int32_t h, v;
        if (!(px >= rect.left))
            h = rect.left, inside = false;
        else if (!(px < rect.right))
            h = rect.right - 1, inside = false;
        else
            h = static_cast<int32_t>(std::floor(px));
        if (!(py >= rect.top))
            v = rect.top, inside = false;
        else if (!(py < rect.bottom))
            v = rect.bottom - 1, inside = false;
        else
            v = static_cast<int32_t>(std::floor(py));
        const uint32_t c = reinterpret_cast<const uint32_t*>(base + static_cast<ptrdiff_t>(v) * rowBytes)[h];
        sum[0] += (c >> 16) & 0xFF;
        sum[1] += (c >> 8) & 0xFF;
        sum[2] += c & 0xFF;
        return inside;
    }
};

}  // namespace

ATransformPlot::ATransformPlot(CompiledFormula* formulaX, CompiledFormula* formulaY, AGraphColor* color,
                               const ViewMapping* mapping, A2DGraphView* domainView,
                               const GrowArray<int32_t>* mappedGraphs, int32_t bands)
    : ACellPlot(color, PendingMapPoint(), mapping, bands), domainView(domainView), mappedGraphs(mappedGraphs),
      formulas{formulaX, formulaY}
{
    jobs.SetFormulas(formulas, 2);
    if (formulaX && formulaY)
        gridPrograms = LinkGridFormulas2(formulaX, formulaY);
    // Grids are kept per slider value only while the benchmark runs.
    cache.disabled = !ShellIsBenchmarkRunning();
    image.Allocate(*mapping);
    StartJobs();
}

ATransformPlot::~ATransformPlot()
{
    StopJobs();
    image.Free();
    delete gridPrograms;
    for (CompiledFormula* f : formulas)
        delete f;
}

int32_t ATransformPlot::ComputeChunk(int32_t band)
{
    if (!image.cells || !gridPrograms)
        return GraphJobNothingToDo;
    if (color)
        color->EvaluateConstantColor();
    int32_t s, e;
    BandOf(band, s, e);
    const bool rows = formulas[0]->canEvaluateRows && formulas[1]->canEvaluateRows;
    if (!ComputeCellRows(image, *mapping, gridPrograms, formulas, 2, rows, s, e, jobs, &MappedCell))
        return GraphJobStopped;
    if (jobs.StopRequested())
        return GraphJobStopped;
    return jobs.FinishPart(band, mapping->doc);
}

void ATransformPlot::VariableChanged(uint32_t code)
{
    InvalidateConstants(color, formulas[0], formulas[1]);
    if (!image.cells)
        return;
    if (formulas[0]->DependsOn(code) || formulas[1]->DependsOn(code))
        CellsDependOn(code);
    else if (color && color->DependsOn(code))
        Restart();
}

void ATransformPlot::SetOption(int32_t code, double value)
{
    if (code == OptionColor && color)
        color->SetColorCode(value);
}

void ATransformPlot::Draw()
{
    if (!image.cells || IsDomainPictureEmpty(domainView, mappedGraphs, color))
        return;
    if (IsComplete())
        cache.Store(image.cells, image.Bytes());
    OffscreenSurface* picture = RenderDomainPicture(domainView, mappedGraphs, color);
    if (!picture)
        return;
    ShortRect bounds;
    int32_t stride = 0;
    uint32_t* port = LockCellPort(bounds, stride);
    if (!port) {
        DisposeDomainPicture(picture);
        return;
    }
    const ViewMapping& first = domainView->screenMapping;
    const float sx = static_cast<float>(first.scaleX), sy = static_cast<float>(first.scaleY);
    const float ox = static_cast<float>(first.originX), oy = static_cast<float>(first.originY);
    const DomainSampler sampler{GetSurfaceBaseAddress(picture), GetSurfaceRowBytes(picture), domainView->rect};
    static const float kSteps[4][2] = {{0, 0}, {0.9f, 0}, {0, 0.9f}, {0.9f, 0.9f}};

    const int32_t f = mapping->pixelsPerScreenPixelX == 2 ? 2 : 1;
    const int32_t portWidth = bounds.right - bounds.left, portHeight = bounds.bottom - bounds.top;
    const int32_t left = mapping->rect.left - bounds.left, top = mapping->rect.top - bounds.top;
    const int32_t w = image.width, h = image.height;
    for (int32_t j = 0; j < h; ++j) {
        for (int32_t i = 0; i < w; ++i) {
            const MapPoint p = PointAt(i, j);
            if (!IsFiniteMapPoint(p))
                continue;
            const float px = p.x * sx + ox, py = p.y * sy + oy;
            float rx = 0, ry = 0, dx = 0, dy = 0;
            if (i + 1 < w) {
                const MapPoint q = PointAt(i + 1, j);
                if (IsFiniteMapPoint(q))
                    rx = (q.x - p.x) * sx, ry = (q.y - p.y) * sy;
            }
            if (j + 1 < h) {
                const MapPoint q = PointAt(i, j + 1);
                if (IsFiniteMapPoint(q))
                    dx = (q.x - p.x) * sx, dy = (q.y - p.y) * sy;
            }
            uint32_t sum[3] = {0, 0, 0};
            bool anyInside = false;
            for (const auto& step : kSteps)
                anyInside |= sampler.Add(px + step[0] * rx + step[1] * dx, py + step[0] * ry + step[1] * dy, sum);
            if (!anyInside)
                continue;
            const RgbColor c = (sum[0] >> 2) << 16 | (sum[1] >> 2) << 8 | (sum[2] >> 2);
            // White is the paper between the lines: the second view's own
            // pixels stay.
            if (c == 0xFFFFFF)
                continue;
            for (int32_t b = 0; b < f; ++b) {
                const int32_t y = top + j * f + b;
                if (y < 0 || y >= portHeight)
                    continue;
                for (int32_t a = 0; a < f; ++a) {
                    const int32_t x = left + i * f + a;
                    if (x < 0 || x >= portWidth)
                        continue;
                    uint32_t& pixel = port[static_cast<size_t>(y) * stride + x];
                    pixel = TintColorByPixel(c, pixel);
                }
            }
        }
    }
    UnlockCellPort();
    DisposeDomainPicture(picture);
}
